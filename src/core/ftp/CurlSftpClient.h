#pragma once
// The client for sftp:// hosts over libcurl's SFTP (libssh2). One easy handle keeps the SSH
// connection between operations; the server's key is checked against known_hosts before any
// login is sent. Paths are sent absolute, resolved against the folder in use (the login's home
// at first).
#include <cstdio>
#include <string>
#include <vector>

#include "ftp/CurlDrive.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/CurlHandles.h"
#include "ftp/FtpAddress.h"
#include "ftp/FtpClient.h"
#include "ftp/KnownHosts.h"

namespace zun::ftp {

class CurlSftpClient final : public FtpClient {
 public:
  explicit CurlSftpClient(CurlTimeouts timeouts = {});
  ~CurlSftpClient() override;
  CurlSftpClient(const CurlSftpClient&) = delete;
  CurlSftpClient& operator=(const CurlSftpClient&) = delete;

  void SetNoticeHandler(FtpNoticeFn handler) override { notice_ = std::move(handler); }
  void SetSshSettings(const SshSettings& settings) override { settings_ = settings; }
  void SetWaitHook(std::function<void()> hook) override { waitHook_.Set(std::move(hook)); }
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

  // libcurl's host key callback: `foundKey` is the curl_khkey the server presented.
  static int KeyCallback(const void* foundKey, void* self);

 private:
  struct Perform;
  enum class KeyCheck { None, Known, Unknown, Changed };
  FtpError Login();
  void PrepareHandle(const Perform& perform);
  FtpError Run(Perform& perform);
  FtpError Judge(int code, const Perform& perform);
  FtpError LoginFailure() const;
  FtpError RunQuotes(const std::vector<std::string>& commands, const std::string& atPath = {});
  std::string BaseUrl() const;
  std::string UrlFor(const std::string& absPath, bool folder) const;
  void Notice(FtpNoticeKind kind, std::string address = {}, int64_t bytes = 0);

  static int DebugCallback(void* easy, int type, char* data, size_t size, void* self);
  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static int OpenSocketCallback(void* self, int purpose, void* address);

  CurlTimeouts timeouts_;
  SshSettings settings_;
  FtpNoticeFn notice_;
  WaitHook waitHook_;
  CurlConnection conn_;
  std::string hostText_, hostName_;
  int port_ = 22;
  std::string user_, password_;
  std::string hostLines_;  // the file libcurl reads: known lines of this host only
  std::string cwd_ = "/";
  int logins_ = 0;
  bool renameOverRefused_ = false;  // the server keeps an existing file rather than rename over it

  // What the last perform saw.
  KeyCheck keyCheck_ = KeyCheck::None;
  std::string keyBlob_;
  std::string authMethods_;  // as the server offered them
  std::string keyFailure_;   // why libssh2 did not use the key file
  std::vector<std::string> replies_;
  bool connectedNoticed_ = false;
};

}  // namespace zun::ftp
