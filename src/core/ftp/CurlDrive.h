#pragma once
// One transfer of an easy handle on a multi handle of the client's own, shared by the FTP and the
// SFTP client, and the hook that runs now and then while it waits.
#include <chrono>
#include <cstdint>
#include <functional>

namespace zun::ftp {

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
