#include "ftp/KnownHosts.h"

#include <fcntl.h>
#include <nettle/base64.h>
#include <nettle/hmac.h>
#include <nettle/sha2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace zun::ftp {
namespace {

struct Line {
  std::string_view marker;  // "@revoked", "@cert-authority" or empty
  std::string_view hosts;
  std::string_view type;
  std::string_view key;  // base64
};

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

std::vector<Line> ParseLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view raw = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::vector<std::string_view> f = Fields(raw);
    if (f.empty() || f[0][0] == '#') continue;
    Line line;
    size_t i = 0;
    if (f[0][0] == '@') line.marker = f[i++];
    if (f.size() < i + 3) continue;
    line.hosts = f[i];
    line.type = f[i + 1];
    line.key = f[i + 2];
    lines.push_back(line);
  }
  return lines;
}

bool Glob(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (size_t skip = 0; skip <= name.size(); ++skip)
      if (Glob(pattern.substr(1), name.substr(skip))) return true;
    return false;
  }
  if (name.empty()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (pattern[0] != '?' && lower(pattern[0]) != lower(name[0])) return false;
  return Glob(pattern.substr(1), name.substr(1));
}

// "|1|salt|hash": HMAC-SHA1 of the name under the salt.
bool HashedMatch(std::string_view field, const std::string& name) {
  field.remove_prefix(3);
  const size_t bar = field.find('|');
  if (bar == std::string_view::npos) return false;
  std::string salt, hash;
  if (!Base64Decode(field.substr(0, bar), salt) || !Base64Decode(field.substr(bar + 1), hash)) return false;
  if (hash.size() != SHA1_DIGEST_SIZE) return false;
  hmac_sha1_ctx ctx;
  hmac_sha1_set_key(&ctx, salt.size(), reinterpret_cast<const uint8_t*>(salt.data()));
  hmac_sha1_update(&ctx, name.size(), reinterpret_cast<const uint8_t*>(name.data()));
  uint8_t digest[SHA1_DIGEST_SIZE];
  hmac_sha1_digest(&ctx, sizeof digest, digest);
  return hash == std::string_view(reinterpret_cast<const char*>(digest), sizeof digest);
}

bool HostsMatch(std::string_view hosts, const std::string& name) {
  if (hosts.rfind("|1|", 0) == 0) return HashedMatch(hosts, name);
  bool matched = false;
  while (!hosts.empty()) {
    const size_t comma = hosts.find(',');
    std::string_view pattern = hosts.substr(0, comma);
    hosts = comma == std::string_view::npos ? std::string_view() : hosts.substr(comma + 1);
    const bool negated = !pattern.empty() && pattern[0] == '!';
    if (negated) pattern.remove_prefix(1);
    if (!Glob(pattern, name)) continue;
    if (negated) return false;
    matched = true;
  }
  return matched;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out(BASE64_ENCODE_RAW_LENGTH(bytes.size()), '\0');
  base64_encode_raw(reinterpret_cast<char*>(out.data()), bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
  base64_decode_ctx ctx;
  base64_decode_init(&ctx);
  bytes.assign(BASE64_DECODE_LENGTH(text.size()), '\0');
  size_t length = bytes.size();
  if (!base64_decode_update(&ctx, &length, reinterpret_cast<uint8_t*>(bytes.data()), text.size(), text.data()) ||
      !base64_decode_final(&ctx))
    return false;
  bytes.resize(length);
  return true;
}

std::string KnownHostName(const std::string& host, int port) {
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

std::string KeyTypeOf(std::string_view blob) {
  if (blob.size() < 4) return {};
  const uint32_t length = (uint32_t(uint8_t(blob[0])) << 24) | (uint32_t(uint8_t(blob[1])) << 16) |
                          (uint32_t(uint8_t(blob[2])) << 8) | uint32_t(uint8_t(blob[3]));
  if (length > blob.size() - 4) return {};
  return std::string(blob.substr(4, length));
}

std::string KeyFingerprint(std::string_view blob) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, blob.size(), reinterpret_cast<const uint8_t*>(blob.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, sizeof digest, digest);
  std::string text = Base64Encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

HostKeyStatus CheckHostKey(std::string_view fileText, const std::string& host, int port, std::string_view keyBlob) {
  const std::string name = KnownHostName(host, port);
  const std::string type = KeyTypeOf(keyBlob);
  bool known = false, other = false;
  for (const Line& line : ParseLines(fileText)) {
    if (line.marker == "@cert-authority" || !HostsMatch(line.hosts, name)) continue;
    std::string key;
    const bool same = Base64Decode(line.key, key) && key == keyBlob;
    if (line.marker == "@revoked") {
      if (same) return HostKeyStatus::Changed;
      continue;
    }
    if (same) known = true;
    else if (line.type == type) other = true;
  }
  if (known) return HostKeyStatus::Known;
  return other ? HostKeyStatus::Changed : HostKeyStatus::Unknown;
}

std::string LinesForHost(std::string_view fileText, const std::string& host, int port) {
  const std::string name = KnownHostName(host, port);
  std::string out;
  for (const Line& line : ParseLines(fileText)) {
    if (!line.marker.empty() || !HostsMatch(line.hosts, name)) continue;
    out += name + " " + std::string(line.type) + " " + std::string(line.key) + "\n";
  }
  return out;
}

bool RememberHostKey(const std::string& path, const std::string& host, int port, std::string_view keyBlob) {
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !DirectoryExists(folder)) mkdir(folder.c_str(), 0700);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::string line;
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    char last = '\n';
    if (pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') line = "\n";
  }
  line += KnownHostName(host, port) + " " + KeyTypeOf(keyBlob) + " " + Base64Encode(keyBlob) + "\n";
  const bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  return close(fd) == 0 && written;
}

std::string DefaultKnownHostsPath() {
  const char* home = std::getenv("HOME");
  return home && *home ? JoinPath(home, ".ssh/known_hosts") : std::string();
}

}  // namespace zun::ftp
