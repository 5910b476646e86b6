#pragma once
// The host field and remote paths, as text: no connection, no library.
#include <string>
#include <string_view>

namespace zun::ftp {

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

struct SftpHostSpec {
  std::string name;
  int port = 22;
};
// "sftp://host", "sftp://host:port", "sftp://[v6]:port"; a trailing "/" is allowed.
bool ParseSftpHost(const std::string& text, SftpHostSpec& spec);

// A host name that can go into a URL as it is: no blanks, controls or URL delimiters.
bool HostCharsOk(std::string_view host);

// The folder of an absolute path after "." and ".." are applied; never above "/".
std::string NormalizeRemotePath(const std::string& absPath);

// `path` as an absolute path: as it is when it starts with "/", else taken from `folder`.
std::string ResolveRemotePath(const std::string& folder, const std::string& path);

// "scheme://host:port", with an IPv6 address in brackets.
std::string HostUrl(std::string_view scheme, const std::string& host, int port);

}  // namespace zun::ftp
