#include "ftp/CurlLibrary.h"

#include <dlfcn.h>

namespace zun::ftp {

namespace {

template <typename Function>
bool Find(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

// The library stays open for the life of the program: handles made from it may live that long.
bool Load(CurlLibrary& lib, std::string& why) {
  void* const handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    why = error != nullptr ? error : "libcurl.so.4";
    return false;
  }
  why = "libcurl.so.4: a function is missing";  // kept only when a lookup below fails
  return Find(handle, "curl_global_init", lib.global_init) && Find(handle, "curl_easy_init", lib.easy_init) &&
         Find(handle, "curl_easy_reset", lib.easy_reset) && Find(handle, "curl_easy_setopt", lib.easy_setopt) &&
         Find(handle, "curl_easy_getinfo", lib.easy_getinfo) &&
         Find(handle, "curl_easy_strerror", lib.easy_strerror) && Find(handle, "curl_easy_escape", lib.easy_escape) &&
         Find(handle, "curl_free", lib.free) && Find(handle, "curl_easy_cleanup", lib.easy_cleanup) &&
         Find(handle, "curl_slist_append", lib.slist_append) &&
         Find(handle, "curl_slist_free_all", lib.slist_free_all) && Find(handle, "curl_multi_init", lib.multi_init) &&
         Find(handle, "curl_multi_add_handle", lib.multi_add_handle) &&
         Find(handle, "curl_multi_perform", lib.multi_perform) &&
         Find(handle, "curl_multi_info_read", lib.multi_info_read) && Find(handle, "curl_multi_poll", lib.multi_poll) &&
         Find(handle, "curl_multi_remove_handle", lib.multi_remove_handle) &&
         Find(handle, "curl_multi_cleanup", lib.multi_cleanup);
}

}  // namespace

const CurlLibrary* LoadCurlLibrary(std::string* why) {
  static CurlLibrary lib;
  static std::string failure;
  static const bool loaded = Load(lib, failure);
  if (!loaded && why != nullptr) *why = failure;
  return loaded ? &lib : nullptr;
}

}  // namespace zun::ftp
