#pragma once
// One transfer of an easy handle on a multi handle of the client's own, shared by the FTP and the
// SFTP client, and the hook that runs now and then while it waits.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace zun::ftp {

struct CurlTimeouts {
  long connectSeconds = 10;   // TCP connect, greeting and login
  long responseSeconds = 15;  // any one reply of the server
  long stallSeconds = 15;     // a data transfer that moves no byte for this long
};

// A command without a data transfer has a hard limit on the whole operation.
inline long CappedSeconds(const CurlTimeouts& t) { return std::min(20L, t.connectSeconds + t.responseSeconds); }

// Runs `easy` on `multi` to its end and returns its CURLcode; `betweenPolls` runs after each wait.
int DriveOnMulti(void* multi, void* easy, const std::function<void()>& betweenPolls);

// A hook called at most every 40 ms while a transfer waits for the server.
class WaitHook {
 public:
  void Set(std::function<void()> hook) { hook_ = std::move(hook); }
  void Restart() { last_ = std::chrono::steady_clock::now(); }  // at the start of a transfer
  void Call();

 private:
  std::function<void()> hook_;
  std::chrono::steady_clock::time_point last_;
};

// libcurl's progress callback (CURLOPT_XFERINFOFUNCTION) for a WaitHook: libcurl waits for the
// server's reply to an upload inside one call, and reports progress there once a second.
int CallWaitHookOnProgress(void* waitHook, int64_t, int64_t, int64_t, int64_t);

}  // namespace zun::ftp

namespace zun::ftp {

// What a transfer of either client sets up alike.
struct CurlTransfer {
  std::string url;
  bool noBody = false;
  long capSeconds = 0;          // a hard limit on the whole operation; 0: none
  std::string* body = nullptr;  // what the server sends goes here
  FILE* upload = nullptr;       // what is sent
  int64_t uploadSize = 0;
  char errorText[256] = {};     // libcurl's explanation (CURL_ERROR_SIZE)
};

// Resets `easy` (CURL*) for `transfer`: its URL, body and upload, the user, the timeouts, a
// direct connection without signals, and the wait hook on libcurl's progress.
void PrepareTransfer(void* easy, const CurlTransfer& transfer, const std::string& user, const CurlTimeouts& timeouts,
                     WaitHook& hook);

}  // namespace zun::ftp
