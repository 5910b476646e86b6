#include "ftp/FtpReply.h"

#include <cstdlib>

namespace zun::ftp {

namespace {

int CodeOf(std::string_view line) {
  if (line.size() < 3) return 0;
  for (int i = 0; i < 3; ++i)
    if (line[i] < '0' || line[i] > '9') return 0;
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

std::string_view WithoutLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool FtpReplyReader::Feed(std::string_view received, int& code, std::string& text) {
  const std::string_view line = WithoutLineEnd(received);
  const int lineCode = CodeOf(line);
  bool complete = false;
  if (pendingCode_ == 0) {
    if (lineCode == 0) return false;
    pendingCode_ = lineCode;
    pendingLines_ = line;
    complete = line.size() == 3 || line[3] != '-';
  } else {
    pendingLines_ += '\n';
    pendingLines_ += line;
    complete = lineCode == pendingCode_ && (line.size() == 3 || line[3] == ' ');
  }
  if (!complete) return false;
  code = pendingCode_;
  text = std::move(pendingLines_);
  Clear();
  return true;
}

void FtpReplyReader::Clear() {
  pendingCode_ = 0;
  pendingLines_.clear();
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

bool FeaturesOfferUtf8(const std::string& text) {
  for (size_t at = text.find("UTF8"); at != std::string::npos; at = text.find("UTF8", at + 4))
    if (at > 0 && text[at - 1] == ' ' && (at + 4 == text.size() || text[at + 4] == '\n')) return true;
  return false;
}

bool SizeOfReply(const std::string& reply, int64_t& size) {
  if (reply.size() <= 4) return false;
  char* end = nullptr;
  const long long value = std::strtoll(reply.c_str() + 4, &end, 10);
  if (end == reply.c_str() + 4) return false;
  size = value;
  return true;
}

}  // namespace zun::ftp
