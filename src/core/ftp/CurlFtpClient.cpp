#include "ftp/CurlFtpClient.h"

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>

#include "ftp/AtomicPublish.h"
#include "ftp/CurlErrors.h"
#include "ftp/ListParser.h"
#include "ftp/LocalFile.h"
#include "platform/Text.h"

namespace zun::ftp {

struct CurlFtpClient::Perform : CurlTransfer {
  bool closeAfter = false;  // the connection closes after it (QUIT)
  std::vector<std::string> quotes;
  std::vector<std::string> postQuotes;  // after a successful transfer; their replies are judged by the caller
  std::string customRequest;
};

CurlFtpClient::CurlFtpClient(CurlTimeouts timeouts) : timeouts_(timeouts) {}

CurlFtpClient::~CurlFtpClient() {
  notice_ = nullptr;
  Disconnect();
}

FtpError CurlFtpClient::Initialize() {
  std::string reason;
  if (!InitializeCurl(reason)) return FtpError{kFtpConnectionAborted, reason};
  return {};
}

void CurlFtpClient::Notice(FtpNoticeKind kind, std::string address, int64_t bytes) {
  if (notice_) notice_(FtpNotice{kind, std::move(address), bytes});
}

size_t CurlFtpClient::HeaderCallback(char* data, size_t size, size_t count, void* selfPtr) {
  auto* self = static_cast<CurlFtpClient*>(selfPtr);
  Reply reply{self->lastCommand_, 0, {}};
  if (!self->reader_.Feed(std::string_view(data, size * count), reply.code, reply.text)) return size * count;
  if (reply.code == 230) ++self->logins_;
  if (self->goodbye_) {
    // the connection is closing: nothing more to tell
  } else if (reply.code == 220 && reply.command.empty()) {
    self->Notice(FtpNoticeKind::ConnectedToServer, self->connectingTo_);
  } else if (!self->sawReply_) {
    self->Notice(FtpNoticeKind::ReceivingResponse);
  }
  self->sawReply_ = true;
  self->replies_.push_back(std::move(reply));
  return size * count;
}

int CurlFtpClient::DebugCallback(void*, int type, char* data, size_t size, void* selfPtr) {
  if (type != CURLINFO_HEADER_OUT) return 0;
  auto* self = static_cast<CurlFtpClient*>(selfPtr);
  std::string command(WithoutLineEnd(std::string_view(data, size)));
  if (command.rfind("PASS", 0) == 0) command = "PASS";  // the password is never kept
  self->lastCommand_ = std::move(command);
  return 0;
}

int CurlFtpClient::OpenSocketCallback(void* selfPtr, int purpose, void* addressPtr) {
  auto* self = static_cast<CurlFtpClient*>(selfPtr);
  auto* address = static_cast<curl_sockaddr*>(addressPtr);
  // Saying goodbye never logs in again.
  if (self->goodbye_) return CURL_SOCKET_BAD;
  // Before the first reply of an operation only the control connection can be opening.
  if (purpose == CURLSOCKTYPE_IPCXN && !self->sawReply_) {
    self->connectingTo_ = AddressText(address);
    self->lastCommand_.clear();
    self->Notice(FtpNoticeKind::ConnectingToServer, self->connectingTo_);
  }
  return socket(address->family, address->socktype, address->protocol);
}

void CurlFtpClient::PrepareHandle(const Perform& p) {
  CURL* c = conn_.Easy();
  PrepareTransfer(c, p, user_, timeouts_, waitHook_);
  curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, p.closeAfter ? kGoodbyeSeconds : timeouts_.responseSeconds);
  if (p.closeAfter) curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  if (tls_) {
    // Control and data under TLS or nothing: a server that refuses AUTH TLS never sees USER.
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, caFile_.c_str());
    // Servers that demand each data connection resume the control connection's session accept a
    // TLS 1.3 ticket once, and this libcurl keeps the fresh ticket a data connection brings only
    // when it happens to read it before closing: the second upload in a row was refused (522).
    // A TLS 1.2 session resumes any number of times.
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
  }
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CurlFtpClient::HeaderCallback);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the commands sent reach DebugCallback, nothing is printed
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &CurlFtpClient::DebugCallback);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &CurlFtpClient::OpenSocketCallback);
  curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, this);
  if (!p.customRequest.empty()) curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, p.customRequest.c_str());
}

FtpError CurlFtpClient::Run(Perform& p) {
  if (!conn_.IsOpen()) return NotConnected();
  CURL* c = conn_.Easy();
  PrepareHandle(p);
  const CurlList quotes = MakeCurlList(p.quotes);
  if (quotes) curl_easy_setopt(c, CURLOPT_QUOTE, quotes.get());
  const CurlList postQuotes = MakeCurlList(p.postQuotes);
  if (postQuotes) curl_easy_setopt(c, CURLOPT_POSTQUOTE, postQuotes.get());
  replies_.clear();
  lastCommand_.clear();
  reader_.Clear();
  sawReply_ = false;
  waitHook_.Restart();
  // On our own multi handle (see CurlDrive.cpp for why).
  const CURLcode rc = static_cast<CURLcode>(DriveOnMulti(conn_.Multi(), c, [this] { waitHook_.Call(); }));

  // The first error reply to one of our own commands; login and data-channel replies are libcurl's.
  const Reply* failed = nullptr;
  for (const auto& r : replies_) {
    if (r.code < 400) continue;
    for (const auto& q : p.quotes)
      if (r.command == std::string_view(q).substr(q[0] == '*' ? 1 : 0)) failed = failed ? failed : &r;
  }
  if (rc == CURLE_OK) {
    controlOpen_ = !p.closeAfter;
    if (failed) return FtpError{kFtpServerError, failed->text};
    return {};
  }
  const Reply* lastError = failed;
  for (const auto& r : replies_)
    if (r.code >= 400) lastError = &r;
  const FtpError e = FtpErrorForCurl(rc, p.errorText[0] ? p.errorText : curl_easy_strerror(rc),
                                     lastError ? &lastError->text : nullptr);
  controlOpen_ = !p.closeAfter && !IsConnectionFailure(e.code);
  return e;
}

std::string CurlFtpClient::BaseUrl() const { return HostUrl("ftp", hostName_, port_) + "/"; }

std::string CurlFtpClient::UrlFor(const std::string& absPath, bool folder) const {
  std::string url = BaseUrl() + "%2F" + EscapedPathSegments(conn_.Easy(), absPath);
  if (folder) url += '/';
  return url;
}

FtpError CurlFtpClient::RunQuotes(const std::vector<std::string>& commands, std::vector<Reply>* replies) {
  Perform p;
  p.url = BaseUrl();
  p.noBody = true;
  p.capSeconds = CappedSeconds(timeouts_);
  for (const auto& c : commands) p.quotes.push_back("*" + c);
  FtpError e = Run(p);
  if (replies) *replies = replies_;
  return e;
}

FtpError CurlFtpClient::Connect(const std::string& host, const std::string& user, const std::string& password) {
  Disconnect();
  if (FtpError e = Initialize(); !e.ok()) return e;
  FtpHostSpec spec;
  if (!ParseFtpHost(host, spec) || !HostCharsOk(spec.name)) return FtpError{kFtpInvalidUrl, "ホスト名が正しくありません。"};
  if (HasLineBreak(user) || HasLineBreak(password)) return RefusedName();
  if (!conn_.Open()) return FtpError{kFtpConnectionAborted, "libcurl"};
  hostName_ = spec.name;
  port_ = spec.port;
  tls_ = spec.tls;
  user_ = user;
  password_ = password;
  mlsdUnsupported_ = false;
  cwd_ = "/";
  // A refused FEAT is no failure: the login went through.
  FtpError e = RunQuotes({"FEAT"}, nullptr);
  if (!e.ok() && e.code != kFtpServerError) {
    const auto notice = std::move(notice_);
    Disconnect();
    notice_ = notice;
    return e;
  }
  bool utf8 = false;
  for (const auto& r : replies_) {
    if (r.command == "PWD" && r.code == 257) {
      std::string path = PathOfPwdReply(r.text);
      if (!path.empty()) cwd_ = path;
    }
    if (r.command == "FEAT" && r.code == 211 && FeaturesOfferUtf8(r.text)) utf8 = true;
  }
  // Names then travel as UTF-8 on servers that offer it; others keep their own encoding.
  if (utf8) RunQuotes({"OPTS UTF8 ON"});
  return {};
}

// The goodbye (QUIT) on our own handle, with a short wait for the reply: left to the multi
// handle's cleanup it would wait as long as for any reply, and a stopped server held a close.
void CurlFtpClient::SayGoodbye() {
  if (!controlOpen_) return;
  Perform p;
  p.url = BaseUrl();
  p.noBody = true;
  p.closeAfter = true;
  p.capSeconds = kGoodbyeSeconds;
  goodbye_ = true;
  Run(p);
  goodbye_ = false;
  controlOpen_ = false;
}

FtpError CurlFtpClient::Disconnect() {
  if (!conn_.IsOpen()) return {};
  SayGoodbye();
  conn_.Close();
  storedPath_.clear();
  Notice(FtpNoticeKind::ConnectionClosed);
  return {};
}

FtpError CurlFtpClient::ListWith(const std::string& command, const std::string& absPath, std::string& body) {
  Perform p;
  p.url = UrlFor(absPath, true);
  p.customRequest = command;
  p.body = &body;
  body.clear();
  return Run(p);
}

FtpError CurlFtpClient::List(const std::string& path, std::vector<FtpEntry>& entries) {
  entries.clear();
  if (HasLineBreak(path)) return RefusedName();
  const std::string abs = path.empty() ? cwd_ : AbsolutePath(path);
  std::string body;
  if (!mlsdUnsupported_) {
    FtpError e = ListWith("MLSD", abs, body);
    if (e.ok()) {
      entries = ParseMlsdListing(body);
      return {};
    }
    int mlsdCode = 0;
    for (const auto& r : replies_)
      if (r.command.rfind("MLSD", 0) == 0) mlsdCode = r.code;
    if (mlsdCode == 0) return e;  // never got as far as asking
    if (mlsdCode == 500 || mlsdCode == 502 || mlsdCode == 504) mlsdUnsupported_ = true;
  }
  // LIST also answers for a single file, which MLSD does not.
  FtpError e = ListWith("LIST", abs, body);
  if (!e.ok()) return e;
  entries = ParseListListing(body, CurrentUtcTime());
  return {};
}

void CurlFtpClient::NoteSent() {
  curl_off_t sent = 0;
  curl_easy_getinfo(conn_.Easy(), CURLINFO_SIZE_UPLOAD_T, &sent);
  Notice(FtpNoticeKind::RequestSent, {}, static_cast<int64_t>(sent));
}

// The store asks SIZE right after the file, in the same operation; RemoteSize answers from it.
FtpError CurlFtpClient::StoreFile(const std::string& localPath, const std::string& remotePath, int64_t& sentSize) {
  sentSize = -1;
  storedPath_.clear();
  if (!conn_.IsOpen()) return NotConnected();
  LocalFile file;
  if (FtpError e = file.Open(localPath); !e.ok()) return e;
  Perform p;
  p.url = UrlFor(remotePath, false);
  p.upload = file.Get();
  p.uploadSize = file.Size();
  p.postQuotes = {"*SIZE " + remotePath};
  FtpError e = Run(p);
  if (!e.ok()) return e;
  NoteSent();
  sentSize = file.Size();
  storedPath_ = remotePath;
  storedSize_ = -1;
  for (const auto& r : replies_)
    if (r.command.rfind("SIZE ", 0) == 0 && r.code == 213 && SizeOfReply(r.text, storedSize_)) break;
  return {};
}

FtpError CurlFtpClient::RemoteSize(const std::string& remotePath, int64_t& size) {
  if (remotePath == storedPath_ && storedSize_ >= 0) {
    size = storedSize_;
    return {};
  }
  if (remotePath != storedPath_) {
    std::vector<Reply> replies;
    if (FtpError e = RunQuotes({"SIZE " + remotePath}, &replies); IsConnectionFailure(e.code)) return e;
    for (const auto& r : replies)
      if (r.command.rfind("SIZE ", 0) == 0 && r.code == 213 && SizeOfReply(r.text, size)) return {};
  }
  return SizeFromListing(remotePath, size);
}

// For servers without SIZE.
FtpError CurlFtpClient::SizeFromListing(const std::string& absPath, int64_t& size) {
  std::string body;
  FtpError e = ListWith("LIST", absPath, body);
  if (!e.ok()) return e;
  const std::string name = absPath.substr(absPath.rfind('/') + 1);
  for (const FtpEntry& entry : ParseListListing(body, CurrentUtcTime()))
    if (entry.name == name || entry.name == absPath) {
      size = static_cast<int64_t>(entry.size);
      return {};
    }
  return FtpError{kFtpServerError, "ｱｯﾌﾟﾛｰﾄﾞしたﾌｧｲﾙが見つかりません。"};
}

FtpError CurlFtpClient::PutFile(const std::string& localPath, const std::string& remoteName) {
  if (FtpError e = CheckRemoteFileName(remoteName); !e.ok()) return e;
  int64_t sent = 0;
  return StoreFile(localPath, AbsolutePath(remoteName), sent);
}

FtpError CurlFtpClient::PublishFile(const std::string& localPath, const std::string& remoteName) {
  return PublishThroughTemporary(*this, localPath, remoteName);
}

FtpError CurlFtpClient::RenameOver(const std::string& from, const std::string& to) {
  std::vector<Reply> replies;
  FtpError e = RunQuotes({"RNFR " + from, "RNTO " + to}, &replies);
  const bool fromFound = std::any_of(replies.begin(), replies.end(),
                                     [](const Reply& r) { return r.command.rfind("RNFR", 0) == 0 && r.code == 350; });
  if (e.code == kFtpServerError && fromFound) {
    // Some servers do not rename over an existing file: the old one goes first.
    RunQuotes({"DELE " + to});
    e = RunQuotes({"RNFR " + from, "RNTO " + to});
  }
  return e;
}

bool CurlFtpClient::FolderExists(const std::string& path) {
  if (path.empty() || HasLineBreak(path) || !conn_.IsOpen()) return false;
  // Paths are sent absolute, so the server's own folder after this CWD does not matter.
  return RunQuotes({"CWD " + AbsolutePath(path)}).ok();
}

FtpError CurlFtpClient::DeleteFile(const std::string& name) {
  if (FtpError e = CheckRemoteName(name); !e.ok()) return e;
  return RunQuotes({"DELE " + AbsolutePath(name)});
}

FtpError CurlFtpClient::CreateDirectory(const std::string& name) {
  if (FtpError e = CheckRemoteName(name); !e.ok()) return e;
  return RunQuotes({"MKD " + AbsolutePath(name)});
}

FtpError CurlFtpClient::RemoveDirectory(const std::string& name) {
  if (FtpError e = CheckRemoteName(name); !e.ok()) return e;
  return RunQuotes({"RMD " + AbsolutePath(name)});
}

FtpError CurlFtpClient::Rename(const std::string& oldName, const std::string& newName) {
  if (FtpError e = CheckRemoteName(oldName); !e.ok()) return e;
  if (FtpError e = CheckRemoteName(newName); !e.ok()) return e;
  return RunQuotes({"RNFR " + AbsolutePath(oldName), "RNTO " + AbsolutePath(newName)});
}

FtpError CurlFtpClient::ChangeDirectory(const std::string& path) {
  if (FtpError e = CheckRemoteName(path); !e.ok()) return e;
  const std::string abs = AbsolutePath(path);
  std::vector<Reply> replies;
  FtpError e = RunQuotes({"CWD " + abs, "PWD"}, &replies);
  if (!e.ok()) return e;
  cwd_ = abs;
  for (const auto& r : replies)
    if (r.command == "PWD" && r.code == 257 && !PathOfPwdReply(r.text).empty()) cwd_ = PathOfPwdReply(r.text);
  return {};
}

FtpError CurlFtpClient::CurrentDirectory(std::string& path) {
  std::vector<Reply> replies;
  FtpError e = RunQuotes({"PWD"}, &replies);
  if (!e.ok()) return e;
  // After a silent reconnect the login's own PWD comes first; ours is the last.
  for (auto r = replies.rbegin(); r != replies.rend(); ++r)
    if (r->command == "PWD" && r->code == 257) {
      std::string reported = PathOfPwdReply(r->text);
      if (!reported.empty()) {
        cwd_ = reported;
        path = reported;
        return {};
      }
    }
  return FtpError{kFtpServerError, replies.empty() ? std::string() : replies.back().text};
}

}  // namespace zun::ftp
