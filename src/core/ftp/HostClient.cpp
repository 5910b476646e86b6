#include "ftp/HostClient.h"

#include "platform/Text.h"

namespace zun::ftp {

bool IsSftpHost(const std::string& host) {
  const std::string_view t = Trim(host);
  const std::string_view scheme = "sftp://";
  if (t.size() < scheme.size()) return false;
  for (size_t i = 0; i < scheme.size(); ++i)
    if ((t[i] | 0x20) != scheme[i]) return false;
  return true;
}

bool HostFieldValid(const std::string& host) {
  SftpHostSpec sftp;
  FtpHostSpec ftp;
  return IsSftpHost(host) ? ParseSftpHost(host, sftp) : ParseFtpHost(host, ftp);
}

HostClient::HostClient(CurlTimeouts timeouts) : ftp_(timeouts), sftp_(timeouts) {}

void HostClient::SetNoticeHandler(FtpNoticeFn handler) {
  ftp_.SetNoticeHandler(handler);
  sftp_.SetNoticeHandler(std::move(handler));
}

void HostClient::SetWaitHook(std::function<void()> hook) {
  ftp_.SetWaitHook(hook);
  sftp_.SetWaitHook(std::move(hook));
}

FtpError HostClient::Connect(const std::string& host, const std::string& user, const std::string& password) {
  Active().Disconnect();
  sftpActive_ = IsSftpHost(host);
  return Active().Connect(host, user, password);
}

}  // namespace zun::ftp
