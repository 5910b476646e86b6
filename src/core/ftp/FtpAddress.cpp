#include "ftp/FtpAddress.h"

#include <vector>

#include "platform/Text.h"

namespace zun::ftp {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size()) return false;
  for (size_t i = 0; i < lowerPrefix.size(); ++i)
    if ((text[i] | 0x20) != lowerPrefix[i]) return false;
  return true;
}

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

bool ParseFtpHost(const std::string& text, FtpHostSpec& spec) {
  std::string_view t = Trim(text);
  spec.tls = false;
  if (StartsWithIgnoringCase(t, "ftps://")) {
    spec.tls = true;
    t.remove_prefix(7);
  } else if (StartsWithIgnoringCase(t, "ftp://")) {
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

bool ParseSftpHost(const std::string& text, SftpHostSpec& spec) {
  std::string_view t = Trim(text);
  const std::string_view scheme = "sftp://";
  if (!StartsWithIgnoringCase(t, scheme)) return false;
  t.remove_prefix(scheme.size());
  if (!t.empty() && t.back() == '/') t.remove_suffix(1);
  if (t.find('/') != std::string_view::npos) return false;
  const bool portGiven = t.rfind(':') != std::string_view::npos && (t.front() != '[' || t.rfind("]:") != std::string_view::npos);
  FtpHostSpec plain;
  if (!ParseFtpHost(std::string(t), plain)) return false;
  spec.name = plain.name;
  spec.port = portGiven ? plain.port : 22;
  return HostCharsOk(spec.name);
}

bool HostCharsOk(std::string_view host) {
  for (unsigned char c : host)
    if (c <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' || c == '\\' || c == '%' || c == 0x7F) return false;
  return !host.empty();
}

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

std::string ResolveRemotePath(const std::string& folder, const std::string& path) {
  if (!path.empty() && path[0] == '/') return NormalizeRemotePath(path);
  return NormalizeRemotePath(folder + "/" + path);
}

std::string HostUrl(std::string_view scheme, const std::string& host, int port) {
  const std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return std::string(scheme) + "://" + name + ":" + std::to_string(port);
}

}  // namespace zun::ftp
