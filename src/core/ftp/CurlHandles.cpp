#include "ftp/CurlHandles.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string_view>

namespace zun::ftp {

void CurlEasyRelease::operator()(void* easy) const { curl_easy_cleanup(static_cast<CURL*>(easy)); }
void CurlMultiRelease::operator()(void* multi) const { curl_multi_cleanup(static_cast<CURLM*>(multi)); }
void CurlListRelease::operator()(curl_slist* list) const { curl_slist_free_all(list); }

CurlList MakeCurlList(const std::vector<std::string>& texts) {
  curl_slist* list = nullptr;
  for (const std::string& text : texts) {
    curl_slist* longer = curl_slist_append(list, text.c_str());
    if (!longer) break;
    list = longer;
  }
  return CurlList(list);
}

bool InitializeCurl(std::string& reason) {
  static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (global != CURLE_OK) reason = curl_easy_strerror(global);
  return global == CURLE_OK;
}

bool CurlConnection::Open() {
  Close();
  easy_.reset(curl_easy_init());
  multi_.reset(curl_multi_init());
  if (!easy_ || !multi_) Close();
  return IsOpen();
}

void CurlConnection::Close() {
  multi_.reset();
  easy_.reset();
}

size_t AppendToString(char* data, size_t size, size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

std::string EscapedPathSegments(void* easy, const std::string& absPath) {
  std::string out;
  std::string_view p = absPath;
  while (!p.empty()) {
    const size_t slash = p.find('/');
    const std::string segment(p.substr(0, slash));
    p = slash == std::string_view::npos ? std::string_view() : p.substr(slash + 1);
    if (segment.empty()) continue;
    char* escaped = curl_easy_escape(static_cast<CURL*>(easy), segment.c_str(), static_cast<int>(segment.size()));
    if (!out.empty()) out += '/';
    out += escaped ? escaped : "";
    curl_free(escaped);
  }
  return out;
}

std::string AddressText(const void* curlSockaddr) {
  const auto* address = static_cast<const curl_sockaddr*>(curlSockaddr);
  char text[INET6_ADDRSTRLEN] = {};
  if (address->family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&address->addr)->sin_addr, text, sizeof text);
  else if (address->family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&address->addr)->sin6_addr, text, sizeof text);
  return text;
}

}  // namespace zun::ftp
