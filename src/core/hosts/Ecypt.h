#pragma once
// The password cipher of the host file: RC4 under a key made from the SHA-1 digest of a fixed pass
// phrase, the same bytes on every platform so that existing host files stay readable. Texts here are
// byte strings (code page 932), not UTF-8.
#include <string>
#include <string_view>

namespace zun {

enum CipherMode : int {
  kEncipher = 0,
  kDecipher = 1,
};

// The 16-byte RC4 key: the first 16 bytes of SHA-1 of the 8 bytes "lorqentu".
std::string PasswordCipherKey();

// Runs the text's bytes and one zero byte after them through RC4 from the start of the key stream and
// returns the output up to its first zero byte. The text ends at its first zero byte. In encipher mode
// a text of blanks and control characters only gives the empty text; in decipher mode only the empty
// text does. The cipher cannot fail, so there is no error to report.
std::string CipherPassword(std::string_view text, int mode);

// Password bytes -> stored form (what the host file keeps; may be shorter than the password + 1 when
// the enciphered form holds a zero byte).
std::string EncipherPassword(std::string_view password);

// Stored form -> password bytes.
std::string DecipherPassword(std::string_view stored);

}  // namespace zun
