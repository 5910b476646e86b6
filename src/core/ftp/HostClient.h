#pragma once
// The client for whatever the host field names: sftp:// hosts go over SSH, every other host over
// FTP (ftps:// with TLS). Each Connect picks the road; the other operations follow it.
#include <memory>

#include "ftp/CurlFtpClient.h"
#include "ftp/CurlSftpClient.h"

namespace zun::ftp {

bool IsSftpHost(const std::string& host);
// Whether the text is a host field this program can connect to.
bool HostFieldValid(const std::string& host);

class HostClient final : public FtpClient {
 public:
  explicit HostClient(CurlTimeouts timeouts = {});

  void SetNoticeHandler(FtpNoticeFn handler) override;
  FtpError Initialize() override { return Active().Initialize(); }
  FtpError Connect(const std::string& host, const std::string& user, const std::string& password) override;
  FtpError Disconnect() override { return Active().Disconnect(); }
  bool IsConnected() const override { return Active().IsConnected(); }
  FtpError List(const std::string& path, std::vector<FtpEntry>& entries) override { return Active().List(path, entries); }
  FtpError PutFile(const std::string& local, const std::string& remote) override { return Active().PutFile(local, remote); }
  FtpError PublishFile(const std::string& local, const std::string& remote) override {
    return Active().PublishFile(local, remote);
  }
  FtpError StoreFile(const std::string& local, const std::string& remotePath, int64_t& sentSize) override {
    return Active().StoreFile(local, remotePath, sentSize);
  }
  FtpError RemoteSize(const std::string& remotePath, int64_t& size) override { return Active().RemoteSize(remotePath, size); }
  FtpError RenameOver(const std::string& from, const std::string& to) override { return Active().RenameOver(from, to); }
  bool FolderExists(const std::string& path) override { return Active().FolderExists(path); }
  void SetCaFile(const std::string& path) override { ftp_.SetCaFile(path); }
  void SetSshSettings(const SshSettings& settings) override { sftp_.SetSshSettings(settings); }
  void SetWaitHook(std::function<void()> hook) override;
  std::string AbsolutePath(const std::string& name) const override { return Active().AbsolutePath(name); }
  FtpError DeleteFile(const std::string& name) override { return Active().DeleteFile(name); }
  FtpError CreateDirectory(const std::string& name) override { return Active().CreateDirectory(name); }
  FtpError RemoveDirectory(const std::string& name) override { return Active().RemoveDirectory(name); }
  FtpError Rename(const std::string& from, const std::string& to) override { return Active().Rename(from, to); }
  FtpError ChangeDirectory(const std::string& path) override { return Active().ChangeDirectory(path); }
  FtpError CurrentDirectory(std::string& path) override { return Active().CurrentDirectory(path); }
  int LoginCount() const override { return ftp_.LoginCount() + sftp_.LoginCount(); }

 private:
  FtpClient& Active() { return sftpActive_ ? static_cast<FtpClient&>(sftp_) : ftp_; }
  const FtpClient& Active() const { return sftpActive_ ? static_cast<const FtpClient&>(sftp_) : ftp_; }

  CurlFtpClient ftp_;
  CurlSftpClient sftp_;
  bool sftpActive_ = false;
};

}  // namespace zun::ftp
