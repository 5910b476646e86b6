#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace zun {

namespace {

// Converts with iconv, replacing what cannot be converted by `replacement` one input byte at a time.
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    bool* ok) {
  if (ok) *ok = true;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (ok) *ok = false;
    return std::string(input);
  }
  std::string out;
  out.reserve(input.size() * 2);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one byte (a whole UTF-8 sequence when converting from UTF-8).
      if (ok) *ok = false;
      size_t skip = 1;
      if (std::string_view(from) == "UTF-8") {
        const unsigned char c = static_cast<unsigned char>(*in);
        skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (skip > inLeft) skip = inLeft;
      }
      in += skip;
      inLeft -= skip;
      out.append(replacement);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8, bool* ok) { return Convert("CP932", "UTF-8", utf8, "?", ok); }

std::string Utf8FromCp932(std::string_view cp932) {
  return Convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", nullptr);
}

}  // namespace zun
