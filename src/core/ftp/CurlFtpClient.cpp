#include "ftp/CurlFtpClient.h"
#include "ftp/CurlDrive.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <type_traits>

#include "ftp/ListParser.h"
#include "platform/Text.h"

namespace zun::ftp {

struct CurlFtpClient::Perform {
  std::string url;
  bool noBody = false;
  bool capped = false;  // no data transfer: the whole operation has a hard limit
  std::vector<std::string> quotes;
  std::vector<std::string> postQuotes;  // after a successful transfer; their replies are judged by the caller
  std::string customRequest;
  std::string* body = nullptr;
  FILE* upload = nullptr;
  curl_off_t uploadSize = 0;
  char errorText[CURL_ERROR_SIZE] = {};
};

namespace {

FtpError Fail(int code, std::string message = {}) { return FtpError{code, std::move(message)}; }

FtpError RefuseName() { return Fail(kFtpInvalidParameter, "改行を含む名前はｻｰﾊﾞｰに送れません。"); }

size_t AppendBody(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

FtpTime NowUtc() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool HostCharsOk(const std::string& host) {
  for (unsigned char c : host)
    if (c <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' || c == '\\' || c == '%' || c == 0x7F) return false;
  return !host.empty();
}

std::string Escape(CURL* curl, const std::string& segment) {
  char* escaped = curl_easy_escape(curl, segment.c_str(), static_cast<int>(segment.size()));
  std::string out = escaped ? escaped : "";
  curl_free(escaped);
  return out;
}

}  // namespace

namespace {
bool SplitPlainHostPort(std::string_view t, std::string& host, int& port);
}  // namespace

bool ParseFtpHost(const std::string& text, FtpHostSpec& spec) {
  std::string_view t = Trim(text);
  spec.tls = false;
  auto hasScheme = [&t](std::string_view scheme) {
    if (t.size() < scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i)
      if ((t[i] | 0x20) != scheme[i]) return false;
    return true;
  };
  if (hasScheme("ftps://")) {
    spec.tls = true;
    t.remove_prefix(7);
  } else if (hasScheme("ftp://")) {
    t.remove_prefix(6);
  }
  if (!t.empty() && t.back() == '/') t.remove_suffix(1);
  if (t.find('/') != std::string_view::npos) return false;  // another scheme, or a path
  return SplitPlainHostPort(t, spec.name, spec.port);
}

bool SplitHostPort(const std::string& text, std::string& host, int& port) {
  FtpHostSpec spec;
  if (!ParseFtpHost(text, spec)) return false;
  host = spec.name;
  port = spec.port;
  return true;
}

namespace {

bool SplitPlainHostPort(std::string_view t, std::string& host, int& port) {
  std::string_view portText;
  if (!t.empty() && t.front() == '[') {
    size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(t.substr(1, close - 1));
    std::string_view rest = t.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      portText = rest.substr(1);
    }
  } else if (size_t colon = t.find(':'); colon != std::string_view::npos && t.find(':', colon + 1) == std::string_view::npos) {
    host = std::string(t.substr(0, colon));
    portText = t.substr(colon + 1);
  } else {
    host = std::string(t);
  }
  port = 21;
  if (!portText.empty() || (t.size() && t.back() == ':')) {
    if (portText.empty() || portText.size() > 5) return false;
    int p = 0;
    for (char c : portText) {
      if (c < '0' || c > '9') return false;
      p = p * 10 + (c - '0');
    }
    if (p < 1 || p > 65535) return false;
    port = p;
  }
  return !host.empty();
}

}  // namespace

std::string NormalizeRemotePath(const std::string& absPath) {
  std::vector<std::string_view> parts;
  std::string_view p = absPath;
  while (!p.empty()) {
    size_t slash = p.find('/');
    std::string_view seg = p.substr(0, slash);
    p = slash == std::string_view::npos ? std::string_view() : p.substr(slash + 1);
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(seg);
  }
  std::string out;
  for (auto seg : parts) {
    out += '/';
    out += seg;
  }
  return out.empty() ? "/" : out;
}

std::string PathOfPwdReply(const std::string& reply) {
  size_t open = reply.find('"');
  if (open == std::string::npos) return {};
  std::string path;
  for (size_t i = open + 1; i < reply.size(); ++i) {
    if (reply[i] == '"') {
      if (i + 1 < reply.size() && reply[i + 1] == '"') {
        path += '"';
        ++i;
        continue;
      }
      return path;
    }
    path += reply[i];
  }
  return {};
}

CurlFtpClient::CurlFtpClient(CurlTimeouts timeouts) : timeouts_(timeouts) {}

CurlFtpClient::~CurlFtpClient() {
  notice_ = nullptr;
  Disconnect();
}

FtpError CurlFtpClient::Initialize() {
  static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (global != CURLE_OK) return Fail(kFtpConnectionAborted, curl_easy_strerror(global));
  return {};
}

void CurlFtpClient::Notice(FtpNoticeKind kind, std::string address, int64_t bytes) {
  if (notice_) notice_(FtpNotice{kind, std::move(address), bytes});
}

size_t CurlFtpClient::HeaderCallback(char* data, size_t size, size_t count, void* selfPtr) {
  auto* self = static_cast<CurlFtpClient*>(selfPtr);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  auto codeOf = [](const std::string& l) {
    if (l.size() < 3) return 0;
    for (int i = 0; i < 3; ++i)
      if (l[i] < '0' || l[i] > '9') return 0;
    return (l[0] - '0') * 100 + (l[1] - '0') * 10 + (l[2] - '0');
  };
  const int code = codeOf(line);
  bool complete = false;
  if (self->pendingCode_ == 0) {
    if (code == 0) return size * count;  // not a reply (libcurl's own header lines)
    self->pendingCode_ = code;
    self->pendingLines_ = line;
    complete = line.size() == 3 || line[3] != '-';
  } else {
    self->pendingLines_ += '\n';
    self->pendingLines_ += line;
    complete = code == self->pendingCode_ && (line.size() == 3 || line[3] == ' ');
  }
  if (!complete) return size * count;

  Reply reply{self->lastCommand_, self->pendingCode_, std::move(self->pendingLines_)};
  self->pendingCode_ = 0;
  self->pendingLines_.clear();
  if (reply.code == 230) ++self->logins_;
  if (reply.code == 220 && reply.command.empty()) {
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
  std::string command(data, size);
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
  if (command.rfind("PASS", 0) == 0) command = "PASS";  // the password is never kept
  self->lastCommand_ = std::move(command);
  return 0;
}

int CurlFtpClient::OpenSocketCallback(void* selfPtr, int purpose, void* addressPtr) {
  auto* self = static_cast<CurlFtpClient*>(selfPtr);
  auto* address = static_cast<curl_sockaddr*>(addressPtr);
  // Before the first reply of an operation only the control connection can be opening.
  if (purpose == CURLSOCKTYPE_IPCXN && !self->sawReply_) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->family == AF_INET)
      inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address->addr)->sin_addr, text, sizeof text);
    else if (address->family == AF_INET6)
      inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&address->addr)->sin6_addr, text, sizeof text);
    self->connectingTo_ = text;
    self->lastCommand_.clear();
    self->Notice(FtpNoticeKind::ConnectingToServer, self->connectingTo_);
  }
  return socket(address->family, address->socktype, address->protocol);
}

void CurlFtpClient::PrepareHandle(const std::string& url, Perform& p) {
  CURL* c = static_cast<CURL*>(curl_);
  curl_easy_reset(c);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERNAME, user_.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");  // direct, whatever the environment says
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeouts_.connectSeconds);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts_.responseSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeouts_.stallSeconds);
  if (p.capped) curl_easy_setopt(c, CURLOPT_TIMEOUT, std::min(20L, timeouts_.connectSeconds + timeouts_.responseSeconds));
  curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
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
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, p.errorText);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CurlFtpClient::HeaderCallback);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the commands sent reach DebugCallback, nothing is printed
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &CurlFtpClient::DebugCallback);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &CurlFtpClient::OpenSocketCallback);
  curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, this);
  static_assert(std::is_same_v<curl_off_t, int64_t>, "the progress callback's arguments");
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &CurlFtpClient::ProgressCallback);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  if (p.noBody) curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  if (!p.customRequest.empty()) curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, p.customRequest.c_str());
  if (p.body) {
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, p.body);
  }
  if (p.upload) {
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READDATA, p.upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, p.uploadSize);
  }
}

// Runs the transfer on our own multi handle (see CurlDrive.cpp for why).
int CurlFtpClient::Drive(void* easyPtr) {
  lastHook_ = std::chrono::steady_clock::now();
  return DriveOnMulti(multi_, easyPtr, [this] { CallWaitHook(); });
}

void CurlFtpClient::CallWaitHook() {
  if (!waitHook_ || std::chrono::steady_clock::now() - lastHook_ <= std::chrono::milliseconds(40)) return;
  waitHook_();
  lastHook_ = std::chrono::steady_clock::now();
}

// libcurl waits for the server's reply to an upload inside one call, for up to a minute on a slow
// line or a silent server; it reports progress there once a second, so the window stays alive.
int CurlFtpClient::ProgressCallback(void* self, int64_t, int64_t, int64_t, int64_t) {
  static_cast<CurlFtpClient*>(self)->CallWaitHook();
  return 0;
}

FtpError CurlFtpClient::Run(Perform& p) {
  if (!curl_) return Fail(kFtpIncorrectHandleState, "接続されていません。");
  CURL* c = static_cast<CURL*>(curl_);
  PrepareHandle(p.url, p);
  curl_slist* quotes = nullptr;
  for (const auto& q : p.quotes) quotes = curl_slist_append(quotes, q.c_str());
  if (quotes) curl_easy_setopt(c, CURLOPT_QUOTE, quotes);
  curl_slist* postQuotes = nullptr;
  for (const auto& q : p.postQuotes) postQuotes = curl_slist_append(postQuotes, q.c_str());
  if (postQuotes) curl_easy_setopt(c, CURLOPT_POSTQUOTE, postQuotes);
  replies_.clear();
  lastCommand_.clear();
  pendingLines_.clear();
  pendingCode_ = 0;
  sawReply_ = false;
  const CURLcode rc = static_cast<CURLcode>(Drive(c));
  curl_slist_free_all(quotes);
  curl_slist_free_all(postQuotes);

  // The first error reply to one of our own commands; login and data-channel replies are libcurl's.
  const Reply* failed = nullptr;
  for (const auto& r : replies_) {
    if (r.code < 400) continue;
    for (const auto& q : p.quotes)
      if (r.command == std::string_view(q).substr(q[0] == '*' ? 1 : 0)) failed = failed ? failed : &r;
  }
  if (rc == CURLE_OK) {
    if (failed) return Fail(kFtpServerError, failed->text);
    return {};
  }
  const Reply* lastError = failed;
  for (const auto& r : replies_)
    if (r.code >= 400) lastError = &r;
  std::string curlText = p.errorText[0] ? p.errorText : curl_easy_strerror(rc);
  std::string message = lastError ? lastError->text : curlText;
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST: return Fail(kFtpNameNotResolved, curlText);
    case CURLE_COULDNT_CONNECT: return Fail(kFtpCannotConnect, curlText);
    case CURLE_LOGIN_DENIED: return Fail(kFtpLoginFailure, message);
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT: return Fail(kFtpTimeout, curlText);
    case CURLE_URL_MALFORMAT: return Fail(kFtpInvalidUrl, curlText);
    case CURLE_USE_SSL_FAILED: return Fail(kFtpSecureFailure, "ｻｰﾊﾞｰがTLSを受け付けません: " + message);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return Fail(kFtpInvalidCertificate, "ｻｰﾊﾞｰ証明書を確認できません: " + curlText);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED: return Fail(kFtpSecureFailure, "TLS: " + curlText);
    case CURLE_READ_ERROR: return Fail(30, curlText);  // the local file could not be read
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_WEIRD_SERVER_REPLY: return Fail(kFtpConnectionAborted, message);
    default: return Fail(lastError ? kFtpServerError : kFtpConnectionAborted, message);
  }
}

std::string CurlFtpClient::Resolve(const std::string& path) const {
  if (!path.empty() && path[0] == '/') return NormalizeRemotePath(path);
  return NormalizeRemotePath(cwd_ + "/" + path);
}

std::string CurlFtpClient::BaseUrl() const {
  std::string host = hostName_.find(':') != std::string::npos ? "[" + hostName_ + "]" : hostName_;
  return "ftp://" + host + ":" + std::to_string(port_) + "/";
}

std::string CurlFtpClient::UrlFor(const std::string& absPath, bool folder) const {
  std::string url = BaseUrl() + "%2F";
  CURL* c = static_cast<CURL*>(curl_);
  std::string_view p = absPath;
  bool first = true;
  while (!p.empty()) {
    size_t slash = p.find('/');
    std::string seg(p.substr(0, slash));
    p = slash == std::string_view::npos ? std::string_view() : p.substr(slash + 1);
    if (seg.empty()) continue;
    if (!first) url += '/';
    url += Escape(c, seg);
    first = false;
  }
  if (folder) url += '/';
  return url;
}

FtpError CurlFtpClient::RunQuotes(const std::vector<std::string>& commands, std::vector<Reply>* replies) {
  Perform p;
  p.url = BaseUrl();
  p.noBody = true;
  p.capped = true;
  for (const auto& c : commands) p.quotes.push_back("*" + c);
  FtpError e = Run(p);
  if (replies) *replies = replies_;
  return e;
}

FtpError CurlFtpClient::Connect(const std::string& host, const std::string& user, const std::string& password) {
  Disconnect();
  if (FtpError e = Initialize(); !e.ok()) return e;
  FtpHostSpec spec;
  if (!ParseFtpHost(host, spec) || !HostCharsOk(spec.name)) return Fail(kFtpInvalidUrl, "ホスト名が正しくありません。");
  if (HasLineBreak(user) || HasLineBreak(password)) return RefuseName();
  curl_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (!curl_ || !multi_) {
    Disconnect();
    return Fail(kFtpConnectionAborted, "libcurl");
  }
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
    if (r.command == "FEAT" && r.code == 211)
      for (size_t at = r.text.find("UTF8"); at != std::string::npos; at = r.text.find("UTF8", at + 4))
        if (at > 0 && r.text[at - 1] == ' ' && (at + 4 == r.text.size() || r.text[at + 4] == '\n')) utf8 = true;
  }
  // Names then travel as UTF-8 on servers that offer it; others keep their own encoding.
  if (utf8) RunQuotes({"OPTS UTF8 ON"});
  return {};
}

FtpError CurlFtpClient::Disconnect() {
  if (!curl_ && !multi_) return {};
  // The connection lives in the multi handle's cache; cleaning that up sends QUIT.
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
  curl_ = nullptr;
  multi_ = nullptr;
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
  if (HasLineBreak(path)) return RefuseName();
  const std::string abs = path.empty() ? cwd_ : Resolve(path);
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
  entries = ParseListListing(body, NowUtc());
  return {};
}

namespace {

// Opens a local file to send; its size goes to `size`.
FtpError OpenLocal(const std::string& localPath, FILE*& file, int64_t& size) {
  file = std::fopen(localPath.c_str(), "rb");
  if (!file) {
    const int err = errno;
    if (err == EACCES || err == EPERM) return Fail(5, std::strerror(err));
    return Fail(kFtpFileNotFound, std::strerror(err));
  }
  struct stat st {};
  if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(file);
    file = nullptr;
    return Fail(kFtpFileNotFound, {});
  }
  size = st.st_size;
  return {};
}

FtpError CheckRemoteName(const std::string& remoteName) {
  if (remoteName.empty() || remoteName.back() == '/') return Fail(kFtpInvalidParameter, "ﾌｧｲﾙ名がありません。");
  if (HasLineBreak(remoteName)) return RefuseName();
  return {};
}

}  // namespace

FtpError CurlFtpClient::StoreChecked(FILE* file, int64_t size, const std::string& absPath) {
  Perform p;
  p.url = UrlFor(absPath, false);
  p.upload = file;
  p.uploadSize = size;
  p.postQuotes = {"*SIZE " + absPath};
  FtpError e = Run(p);
  if (!e.ok()) return e;
  curl_off_t sent = 0;
  curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_SIZE_UPLOAD_T, &sent);
  Notice(FtpNoticeKind::RequestSent, {}, static_cast<int64_t>(sent));
  int64_t stored = -1;
  if (FtpError s = RemoteSize(absPath, replies_, stored); !s.ok()) return s;
  if (stored != size)
    return Fail(kFtpServerError, Format("ｻｲｽﾞが一致しません (送信 %lld, ｻｰﾊﾞｰ %lld ﾊﾞｲﾄ)", static_cast<long long>(size),
                                        static_cast<long long>(stored)));
  return {};
}

// The size the server holds: the SIZE reply after the store, or the listing where SIZE is missing.
FtpError CurlFtpClient::RemoteSize(const std::string& absPath, const std::vector<Reply>& storeReplies, int64_t& size) {
  for (const auto& r : storeReplies)
    if (r.command.rfind("SIZE ", 0) == 0 && r.code == 213 && r.text.size() > 4) {
      size = std::strtoll(r.text.c_str() + 4, nullptr, 10);
      return {};
    }
  std::string body;
  FtpError e = ListWith("LIST", absPath, body);
  if (!e.ok()) return e;
  const std::string name = absPath.substr(absPath.rfind('/') + 1);
  for (const FtpEntry& entry : ParseListListing(body, NowUtc()))
    if (entry.name == name || entry.name == absPath) {
      size = static_cast<int64_t>(entry.size);
      return {};
    }
  return Fail(kFtpServerError, "ｱｯﾌﾟﾛｰﾄﾞしたﾌｧｲﾙが見つかりません。");
}

FtpError CurlFtpClient::PutFile(const std::string& localPath, const std::string& remoteName) {
  if (FtpError e = CheckRemoteName(remoteName); !e.ok()) return e;
  if (!curl_) return Fail(kFtpIncorrectHandleState, "接続されていません。");
  FILE* file = nullptr;
  int64_t size = 0;
  if (FtpError e = OpenLocal(localPath, file, size); !e.ok()) return e;
  Perform p;
  p.url = UrlFor(Resolve(remoteName), false);
  p.upload = file;
  p.uploadSize = size;
  FtpError e = Run(p);
  std::fclose(file);
  if (e.ok()) {
    curl_off_t sent = 0;
    curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_SIZE_UPLOAD_T, &sent);
    Notice(FtpNoticeKind::RequestSent, {}, static_cast<int64_t>(sent));
  }
  return e;
}

FtpError CurlFtpClient::PublishFile(const std::string& localPath, const std::string& remoteName) {
  if (FtpError e = CheckRemoteName(remoteName); !e.ok()) return e;
  if (!curl_) return Fail(kFtpIncorrectHandleState, "接続されていません。");
  FILE* file = nullptr;
  int64_t size = 0;
  if (FtpError e = OpenLocal(localPath, file, size); !e.ok()) return e;
  const std::string finalPath = Resolve(remoteName);
  const std::string tempPath = Resolve(TemporaryNameFor(remoteName));
  FtpError e = StoreChecked(file, size, tempPath);
  std::fclose(file);
  if (!e.ok()) {
    if (!IsConnectionFailure(e.code)) RunQuotes({"DELE " + tempPath});
    return e;
  }
  std::vector<Reply> replies;
  e = RunQuotes({"RNFR " + tempPath, "RNTO " + finalPath}, &replies);
  const bool tempFound = std::any_of(replies.begin(), replies.end(),
                                     [](const Reply& r) { return r.command.rfind("RNFR", 0) == 0 && r.code == 350; });
  if (e.code == kFtpServerError && tempFound) {
    // Some servers do not rename over an existing file: the old one goes first.
    RunQuotes({"DELE " + finalPath});
    e = RunQuotes({"RNFR " + tempPath, "RNTO " + finalPath});
  }
  if (e.code == kFtpServerError) RunQuotes({"DELE " + tempPath});
  return e;
}

bool CurlFtpClient::FolderExists(const std::string& path) {
  if (path.empty() || HasLineBreak(path) || !curl_) return false;
  // Paths are sent absolute, so the server's own folder after this CWD does not matter.
  return RunQuotes({"CWD " + Resolve(path)}).ok();
}

FtpError CurlFtpClient::DeleteFile(const std::string& name) {
  if (name.empty()) return Fail(kFtpInvalidParameter, {});
  if (HasLineBreak(name)) return RefuseName();
  return RunQuotes({"DELE " + Resolve(name)});
}

FtpError CurlFtpClient::CreateDirectory(const std::string& name) {
  if (name.empty()) return Fail(kFtpInvalidParameter, {});
  if (HasLineBreak(name)) return RefuseName();
  return RunQuotes({"MKD " + Resolve(name)});
}

FtpError CurlFtpClient::RemoveDirectory(const std::string& name) {
  if (name.empty()) return Fail(kFtpInvalidParameter, {});
  if (HasLineBreak(name)) return RefuseName();
  return RunQuotes({"RMD " + Resolve(name)});
}

FtpError CurlFtpClient::Rename(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) return Fail(kFtpInvalidParameter, {});
  if (HasLineBreak(oldName) || HasLineBreak(newName)) return RefuseName();
  return RunQuotes({"RNFR " + Resolve(oldName), "RNTO " + Resolve(newName)});
}

FtpError CurlFtpClient::ChangeDirectory(const std::string& path) {
  if (path.empty()) return Fail(kFtpInvalidParameter, {});
  if (HasLineBreak(path)) return RefuseName();
  const std::string abs = Resolve(path);
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
  return Fail(kFtpServerError, replies.empty() ? std::string() : replies.back().text);
}

}  // namespace zun::ftp
