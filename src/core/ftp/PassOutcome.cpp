#include "ftp/PassOutcome.h"

namespace zun::ftp {

PassOutcome OutcomeOf(const UploadPlan& plan, const UploadPassResult& pass) {
  PassOutcome o;
  o.Sent = pass.Sent;
  o.Planned = static_cast<int>(plan.Files.size()) - pass.Deferred;
  o.Unchanged = pass.Unchanged;
  o.LeftOver = pass.Deferred;
  o.ConnectionFailed = !pass.ConnectionFailure.ok();
  o.Refused = !pass.Refused.empty();
  return o;
}

bool PassMayGo(bool awaitingServer, ServerProbe& probe, const std::string& host, std::time_t now) {
  return !awaitingServer || probe.Answered(host, now);
}

}  // namespace zun::ftp
