#include "ftp/CurlDrive.h"
#include "ftp/CurlHandles.h"

#include <curl/curl.h>

#include <algorithm>
#include <type_traits>

namespace zun::ftp {

// curl_easy_perform waits up to a second whenever libcurl offers no socket to wait on, which
// happens while it sets up a passive data connection; a short poll keeps that pause at a
// millisecond.
int DriveOnMulti(void* multiPtr, void* easyPtr, const std::function<void()>& betweenPolls) {
  CURL* easy = static_cast<CURL*>(easyPtr);
  CURLM* multi = static_cast<CURLM*>(multiPtr);
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_OK;
  int waitMs = 1;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    if (running == 0) {
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) result = msg->data.result;
      break;
    }
    // Short waits right after activity, growing while the server is quiet.
    int ready = 0;
    curl_multi_poll(multi, nullptr, 0, waitMs, &ready);
    waitMs = ready > 0 ? 1 : std::min(waitMs * 2, 64);
    betweenPolls();
  }
  curl_multi_remove_handle(multi, easy);
  return result;
}

}  // namespace zun::ftp

namespace zun::ftp {

void WaitHook::Call() {
  if (!hook_ || std::chrono::steady_clock::now() - last_ <= std::chrono::milliseconds(40)) return;
  hook_();
  last_ = std::chrono::steady_clock::now();
}

static_assert(std::is_same_v<curl_off_t, int64_t>, "the progress callback's arguments");

int CallWaitHookOnProgress(void* waitHook, int64_t, int64_t, int64_t, int64_t) {
  static_cast<WaitHook*>(waitHook)->Call();
  return 0;
}

}  // namespace zun::ftp

namespace zun::ftp {

static_assert(sizeof(CurlTransfer::errorText) == CURL_ERROR_SIZE, "libcurl's error buffer");

void PrepareTransfer(void* easy, const CurlTransfer& t, const std::string& user, const CurlTimeouts& timeouts,
                     WaitHook& hook) {
  CURL* c = static_cast<CURL*>(easy);
  curl_easy_reset(c);
  curl_easy_setopt(c, CURLOPT_URL, t.url.c_str());
  curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");  // direct, whatever the environment says
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
  if (t.capSeconds > 0) curl_easy_setopt(c, CURLOPT_TIMEOUT, t.capSeconds);
  curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, t.errorText);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &CallWaitHookOnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &hook);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  if (t.noBody) curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  if (t.body) {
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendToString);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, t.body);
  }
  if (t.upload) {
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READDATA, t.upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(t.uploadSize));
  }
}

}  // namespace zun::ftp
