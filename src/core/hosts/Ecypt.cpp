#include "hosts/Ecypt.h"

#include <nettle/arcfour.h>
#include <nettle/sha1.h>

#include <cstdint>
#include <vector>

#include "platform/Text.h"

namespace zun {

namespace {
constexpr char kPassPhrase[] = "lorqentu";
constexpr size_t kKeyBytes = 16;
}  // namespace

std::string PasswordCipherKey() {
  sha1_ctx hash;
  sha1_init(&hash);
  sha1_update(&hash, sizeof kPassPhrase - 1, reinterpret_cast<const uint8_t*>(kPassPhrase));
  uint8_t digest[SHA1_DIGEST_SIZE];
  sha1_digest(&hash, sizeof digest, digest);
  return std::string(reinterpret_cast<const char*>(digest), kKeyBytes);
}

std::string CipherPassword(std::string_view text, int mode) {
  const size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  if (text.empty()) return {};
  // Only enciphering treats a blank password as none; a stored form may well consist of such bytes.
  if (mode == kEncipher && Trim(text).empty()) return {};

  std::vector<uint8_t> buffer(text.begin(), text.end());
  buffer.push_back(0);
  const std::string key = PasswordCipherKey();
  arcfour_ctx rc4;
  arcfour_set_key(&rc4, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
  arcfour_crypt(&rc4, buffer.size(), buffer.data(), buffer.data());

  std::string out;
  for (uint8_t b : buffer) {
    if (b == 0) break;
    out += static_cast<char>(b);
  }
  return out;
}

std::string EncipherPassword(std::string_view password) { return CipherPassword(password, kEncipher); }

std::string DecipherPassword(std::string_view stored) { return CipherPassword(stored, kDecipher); }

}  // namespace zun
