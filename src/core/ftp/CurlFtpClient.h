#pragma once
// The FTP client over libcurl. One easy handle lives as long as the connection, so its control
// connection is reused by every operation (no new login each time); libcurl logs in again by
// itself only when the server has dropped the connection. Paths are sent absolute, resolved
// against the folder the server last reported.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"

namespace zun::ftp {

struct CurlTimeouts {
  long connectSeconds = 10;   // TCP connect, greeting and login
  long responseSeconds = 15;  // any one reply of the server
  long stallSeconds = 15;     // a data transfer that moves no byte for this long
};

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
  bool IsConnected() const override { return curl_ != nullptr; }
  FtpError List(const std::string& path, std::vector<FtpEntry>& entries) override;
  FtpError PutFile(const std::string& localPath, const std::string& remoteName) override;
  FtpError PublishFile(const std::string& localPath, const std::string& remoteName) override;
  bool FolderExists(const std::string& path) override;
  std::string AbsolutePath(const std::string& name) const override { return Resolve(name); }
  FtpError DeleteFile(const std::string& name) override;
  FtpError CreateDirectory(const std::string& name) override;
  FtpError RemoveDirectory(const std::string& name) override;
  FtpError Rename(const std::string& oldName, const std::string& newName) override;
  FtpError ChangeDirectory(const std::string& path) override;
  FtpError CurrentDirectory(std::string& path) override;
  int LoginCount() const override { return logins_; }
  std::string SecurityNote() const override { return tls_ && curl_ ? "TLS 1.2" : ""; }

  void SetCaFile(const std::string& path) override { caFile_ = path; }
  void SetWaitHook(std::function<void()> hook) override { waitHook_ = std::move(hook); }

  // The folder the server last reported (PWD); "/" before the first report.
  const std::string& CachedDirectory() const { return cwd_; }

  // One server reply as seen on the control connection.
  struct Reply {
    std::string command;  // the command it answers ("" for the greeting); PASS without its argument
    int code = 0;
    std::string text;  // all lines, CR LF removed, joined with "\n"
  };

 private:
  struct Perform;
  void PrepareHandle(const std::string& url, Perform& perform);
  FtpError Run(Perform& perform);
  int Drive(void* easy);
  FtpError RunQuotes(const std::vector<std::string>& commands, std::vector<Reply>* replies = nullptr);
  FtpError StoreChecked(FILE* file, int64_t size, const std::string& absPath);
  FtpError RemoteSize(const std::string& absPath, const std::vector<Reply>& storeReplies, int64_t& size);
  FtpError ListWith(const std::string& command, const std::string& absPath, std::string& body);
  std::string Resolve(const std::string& path) const;
  std::string BaseUrl() const;
  std::string UrlFor(const std::string& absPath, bool folder) const;
  void Notice(FtpNoticeKind kind, std::string address = {}, int64_t bytes = 0);

  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static int DebugCallback(void* handle, int type, char* data, size_t size, void* self);
  static int ProgressCallback(void* self, int64_t downTotal, int64_t downNow, int64_t upTotal, int64_t upNow);
  void CallWaitHook();  // at most every 40 ms
  static int OpenSocketCallback(void* self, int purpose, void* address);

  CurlTimeouts timeouts_;
  FtpNoticeFn notice_;
  void* curl_ = nullptr;   // CURL*, reused by every operation
  void* multi_ = nullptr;  // CURLM*, holds the open connection
  std::string hostName_;
  int port_ = 21;
  bool tls_ = false;
  std::string caFile_;
  std::function<void()> waitHook_;
  std::chrono::steady_clock::time_point lastHook_;
  std::string user_, password_;
  std::string cwd_ = "/";
  bool mlsdUnsupported_ = false;
  int logins_ = 0;

  // State of the perform in progress.
  std::vector<Reply> replies_;
  std::string lastCommand_;
  std::string pendingLines_;
  int pendingCode_ = 0;
  bool sawReply_ = false;
  std::string connectingTo_;
};

// The host field: "host", "host:port", and "ftp://" or "ftps://" before either. ftps means TLS
// for the control and data connections (explicit, AUTH TLS on the same port, 21 by default).
struct FtpHostSpec {
  std::string name;
  int port = 21;
  bool tls = false;
};
bool ParseFtpHost(const std::string& text, FtpHostSpec& spec);

// "host" -> port 21; "host:port" -> that port. False for an empty host or a bad port.
bool SplitHostPort(const std::string& text, std::string& host, int& port);

// The folder of an absolute path after "." and ".." are applied; never above "/".
std::string NormalizeRemotePath(const std::string& absPath);

// The path in a 257 reply: "257 \"/a \"\"b\"\"\" is current" -> /a "b". Empty when there is none.
std::string PathOfPwdReply(const std::string& reply);

}  // namespace zun::ftp
