#pragma once
// How publishing is going, as the window shows it beside the cycle's state: the last upload and
// its result, and an outage in progress (since when, how many attempts, the server's last reply).
#include <ctime>
#include <string>

namespace zun {

// When nothing changes, a failed pass is sent again this many seconds after it: soon enough for the
// site, and not a login every second at a server that keeps failing.
inline constexpr int kQuietRetrySeconds = 5;
// How long a probe of a server that stopped answering waits for its greeting, as a connection does.
inline constexpr int kServerProbeSeconds = 10;

struct PublishHealth {
  std::time_t lastUploadAt = 0;  // 0: nothing uploaded yet
  bool lastUploadOk = false;
  std::string lastUploadSummary;  // what the last pass sent, or why it failed
  std::time_t failingSince = 0;   // 0: not failing
  int failedAttempts = 0;         // passes failed since failingSince
  std::string lastServerReply;    // the server's last error reply during the outage
  bool awaitingServer = false;    // a pass timed out: the cycle's passes wait for the server's greeting
  int filesLeftOver = 0;          // files the last pass had no room for: the next tick sends them
  bool failing() const { return failingSince != 0; }
};

}  // namespace zun
