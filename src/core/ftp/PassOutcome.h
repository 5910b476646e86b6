#pragma once
// What an upload pass of the cycle leaves for the passes after it, alike for the window and for
// zuntext-batch --watch: whether the next one waits a few seconds, follows at the next look, or
// waits for a silent server to greet again.
#include <ctime>
#include <string>

#include "ftp/ServerProbe.h"
#include "ftp/UploadWorkflow.h"

namespace zun::ftp {

struct PassOutcome {
  int Sent = 0;
  int Planned = 0;    // the files the pass went through; those past its limit are not counted
  int Unchanged = 0;  // planned but left out: the server holds their bytes from an earlier pass
  int LeftOver = 0;   // past the pass's limit: the next look sends them
  bool ConnectionFailed = false;  // the files not sent go with a later pass
  bool Refused = false;           // the server would not take a file: a later pass tries it again
  bool AwaitingServer = false;    // not sent: the server has not greeted since a pass timed out
  // The next pass goes kQuietRetrySeconds on, or with the next write.
  bool RetryLater() const { return ConnectionFailed || Refused; }
  // The files past the limit go at the next look.
  bool FollowsAtNextLook() const { return LeftOver > 0 && !RetryLater(); }
};

PassOutcome OutcomeOf(const UploadPlan& plan, const UploadPassResult& pass);

// A cycle's pass goes now unless the last one timed out and no probe has heard the server greet
// since: one timeout is what an outage may cost the cycle.
bool PassMayGo(bool awaitingServer, ServerProbe& probe, const std::string& host, std::time_t now);

}  // namespace zun::ftp
