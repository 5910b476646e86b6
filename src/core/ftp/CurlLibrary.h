#pragma once
// libcurl, loaded at the first connection rather than when a program starts: a conversion that
// uploads nothing does not pay for loading it and the thirty libraries it brings with it.
#include <curl/curl.h>

#include <string>

namespace zun::ftp {

struct CurlLibrary {
  decltype(&::curl_global_init) global_init;
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_reset) easy_reset;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_getinfo) easy_getinfo;
  decltype(&::curl_easy_strerror) easy_strerror;
  decltype(&::curl_easy_escape) easy_escape;
  decltype(&::curl_free) free;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_cleanup) multi_cleanup;
};

// The library, loaded once and kept; nullptr when it cannot be loaded, the loader's reason then
// in `why`.
const CurlLibrary* LoadCurlLibrary(std::string* why = nullptr);

}  // namespace zun::ftp
