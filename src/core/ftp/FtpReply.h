#pragma once
// The server's replies on an FTP control connection, as text: gathering the lines of one reply
// and reading what a reply says.
#include <cstdint>
#include <string>
#include <string_view>

namespace zun::ftp {

// One server reply as seen on the control connection.
struct FtpReply {
  std::string command;  // the command it answers ("" for the greeting); PASS without its argument
  int code = 0;
  std::string text;  // all lines, CR LF removed, joined with "\n"
};

// Gathers the lines of one reply: "123 text", or "123-first" ... "123 last".
class FtpReplyReader {
 public:
  // One line as received (its CR LF may still be on it). True when it ended a reply, which is
  // then in `code` and `text`. Lines outside a reply that do not start with a code are ignored.
  bool Feed(std::string_view line, int& code, std::string& text);
  void Clear();

 private:
  int pendingCode_ = 0;
  std::string pendingLines_;
};

// `text` without the CR and LF at its end.
std::string_view WithoutLineEnd(std::string_view text);

// The path in a 257 reply: "257 \"/a \"\"b\"\"\" is current" -> /a "b". Empty when there is none.
std::string PathOfPwdReply(const std::string& reply);

// Whether a 211 reply to FEAT lists UTF8 among the features.
bool FeaturesOfferUtf8(const std::string& featReply);

// The size in a 213 reply to SIZE ("213 1234"); false when the text holds none.
bool SizeOfReply(const std::string& reply, int64_t& size);

}  // namespace zun::ftp
