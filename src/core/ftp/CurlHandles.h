#pragma once
// libcurl's handles as owned values, released however the operation ends.
#include <memory>
#include <string>
#include <vector>

struct curl_slist;

namespace zun::ftp {

struct CurlEasyRelease {
  void operator()(void* easy) const;
};
struct CurlMultiRelease {
  void operator()(void* multi) const;
};
struct CurlListRelease {
  void operator()(curl_slist* list) const;
};
using CurlList = std::unique_ptr<curl_slist, CurlListRelease>;

// A list of texts for options such as CURLOPT_QUOTE; empty for no texts.
CurlList MakeCurlList(const std::vector<std::string>& texts);

// Prepares libcurl once for the process; false with libcurl's reason when it cannot.
bool InitializeCurl(std::string& reason);

// The easy handle of one connection and the multi handle whose cache keeps the connection open
// between transfers.
class CurlConnection {
 public:
  bool Open();  // false when libcurl could not make the handles; then nothing is open
  // The multi handle goes first: cleaning up its cache closes the connection.
  void Close();
  bool IsOpen() const { return easy_ != nullptr; }
  void* Easy() const { return easy_.get(); }    // CURL*
  void* Multi() const { return multi_.get(); }  // CURLM*

 private:
  std::unique_ptr<void, CurlEasyRelease> easy_;
  std::unique_ptr<void, CurlMultiRelease> multi_;
};

// libcurl's write callback that appends the bytes to the std::string it is given.
size_t AppendToString(char* data, size_t size, size_t count, void* text);

// The path's segments, each escaped for a URL, joined with "/" (no leading "/").
std::string EscapedPathSegments(void* easy, const std::string& absPath);

// The numeric address of a curl_sockaddr (libcurl's open-socket callback), or "".
std::string AddressText(const void* curlSockaddr);

}  // namespace zun::ftp
