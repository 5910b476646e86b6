#pragma once
// The FTP client over libcurl. One easy handle lives as long as the connection, so its control
// connection is reused by every operation (no new login each time); libcurl logs in again by
// itself only when the server has dropped the connection. Paths are sent absolute, resolved
// against the folder the server last reported.
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/CurlDrive.h"
#include "ftp/CurlHandles.h"
#include "ftp/FtpAddress.h"
#include "ftp/FtpClient.h"
#include "ftp/FtpReply.h"

namespace zun::ftp {

// How long a disconnect waits for the server's goodbye: a silent server does not hold a close.
inline constexpr long kGoodbyeSeconds = 3;

class CurlFtpClient final : public FtpClient {
 public:
  explicit CurlFtpClient(CurlTimeouts timeouts = {});
  ~CurlFtpClient() override;
  CurlFtpClient(const CurlFtpClient&) = delete;
  CurlFtpClient& operator=(const CurlFtpClient&) = delete;

  void SetNoticeHandler(FtpNoticeFn handler) override { notice_ = std::move(handler); }
  FtpError Initialize() override;
  FtpError Connect(const std::string& host, const std::string& user, const std::string& password) override;
  FtpError Disconnect() override;
  bool IsConnected() const override { return conn_.IsOpen(); }
  FtpError List(const std::string& path, std::vector<FtpEntry>& entries) override;
  FtpError PutFile(const std::string& localPath, const std::string& remoteName) override;
  FtpError PublishFile(const std::string& localPath, const std::string& remoteName) override;
  FtpError StoreFile(const std::string& localPath, const std::string& remotePath, int64_t& sentSize) override;
  FtpError RemoteSize(const std::string& remotePath, int64_t& size) override;
  FtpError RenameOver(const std::string& from, const std::string& to) override;
  bool FolderExists(const std::string& path) override;
  std::string AbsolutePath(const std::string& name) const override { return ResolveRemotePath(cwd_, name); }
  FtpError DeleteFile(const std::string& name) override;
  FtpError CreateDirectory(const std::string& name) override;
  FtpError RemoveDirectory(const std::string& name) override;
  FtpError Rename(const std::string& oldName, const std::string& newName) override;
  FtpError ChangeDirectory(const std::string& path) override;
  FtpError CurrentDirectory(std::string& path) override;
  int LoginCount() const override { return logins_; }
  std::string SecurityNote() const override { return tls_ && conn_.IsOpen() ? "TLS 1.2" : ""; }

  void SetCaFile(const std::string& path) override { caFile_ = path; }
  void SetWaitHook(std::function<void()> hook) override { waitHook_.Set(std::move(hook)); }

  // The folder the server last reported (PWD); "/" before the first report.
  const std::string& CachedDirectory() const { return cwd_; }

  using Reply = FtpReply;

 private:
  struct Perform;
  void PrepareHandle(const Perform& perform);
  FtpError Run(Perform& perform);
  FtpError RunQuotes(const std::vector<std::string>& commands, std::vector<Reply>* replies = nullptr);
  FtpError ListWith(const std::string& command, const std::string& absPath, std::string& body);
  FtpError SizeFromListing(const std::string& absPath, int64_t& size);
  void SayGoodbye();
  std::string BaseUrl() const;
  std::string UrlFor(const std::string& absPath, bool folder) const;
  void NoteSent();
  void Notice(FtpNoticeKind kind, std::string address = {}, int64_t bytes = 0);

  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static int DebugCallback(void* handle, int type, char* data, size_t size, void* self);
  static int OpenSocketCallback(void* self, int purpose, void* address);

  CurlTimeouts timeouts_;
  FtpNoticeFn notice_;
  CurlConnection conn_;
  bool controlOpen_ = false;  // the last operation left the control connection standing
  bool goodbye_ = false;      // the closing operation: no new connection is opened for it
  std::string hostName_;
  int port_ = 21;
  bool tls_ = false;
  std::string caFile_;
  WaitHook waitHook_;
  std::string user_, password_;
  std::string cwd_ = "/";
  bool mlsdUnsupported_ = false;
  int logins_ = 0;
  // The SIZE reply that came with the last store, for RemoteSize of the same path.
  std::string storedPath_;
  int64_t storedSize_ = -1;

  // State of the perform in progress.
  std::vector<Reply> replies_;
  std::string lastCommand_;
  FtpReplyReader reader_;
  bool sawReply_ = false;
  std::string connectingTo_;
};

}  // namespace zun::ftp
