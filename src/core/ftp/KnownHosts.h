#pragma once
// SSH host keys as OpenSSH's known_hosts file keeps them: plain and hashed host names, patterns,
// "[host]:port" for ports other than 22, @revoked lines. Keys are the server's public key blobs.
#include <string>
#include <string_view>
#include <vector>

namespace zun::ftp {

enum class HostKeyStatus {
  Known,    // a line for this host holds exactly this key
  Unknown,  // no line for this host holds a key of this type
  Changed,  // a line for this host holds another key of this type, or this key is revoked
};

// The name the host goes under in the file: "host" for port 22, "[host]:port" otherwise.
std::string KnownHostName(const std::string& host, int port);

// `fileText` is the whole file; `keyBlob` the raw public key the server presented.
HostKeyStatus CheckHostKey(std::string_view fileText, const std::string& host, int port, std::string_view keyBlob);

// The lines of `fileText` for this host, rewritten with the plain name and without markers, so
// that a client reading them prefers the key types already known.
std::string LinesForHost(std::string_view fileText, const std::string& host, int port);

// "SHA256:..." as ssh-keygen -l prints it.
std::string KeyFingerprint(std::string_view keyBlob);
// The key type named inside the blob ("ssh-ed25519", "rsa-sha2-..." keys say "ssh-rsa").
std::string KeyTypeOf(std::string_view keyBlob);

// Appends "name type base64" to the file, creating it (and its folder) private to the user.
bool RememberHostKey(const std::string& path, const std::string& host, int port, std::string_view keyBlob);

// ~/.ssh/known_hosts of the user running the program; empty when HOME is not set.
std::string DefaultKnownHostsPath();

std::string Base64Encode(std::string_view bytes);
bool Base64Decode(std::string_view text, std::string& bytes);

}  // namespace zun::ftp
