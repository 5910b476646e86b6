#include "live/CyclePolicy.h"

namespace zun {

namespace {

bool Asked(const std::function<bool()>& fact) { return fact && fact(); }

}  // namespace

CycleStep DecideLook(const LookFacts& f) {
  if (!f.loaded) return {CycleHold::NothingLoaded, CycleAction::None};
  CycleHold hold = CycleHold::None;
  if (f.fileMissing) {
    hold = CycleHold::FileMissing;
  } else if (f.fileEmpty) {
    hold = CycleHold::FileEmpty;
  } else if (f.reloadDue) {
    if (Asked(f.lineOpen))
      hold = CycleHold::LineEnd;
    else if (Asked(f.flagFileUnreadable))
      return {CycleHold::FlagFileUnreadable, CycleAction::None};
    else
      return {CycleHold::None, CycleAction::Reload};
  }
  // A grid too big to be marked holds the readings declared invalid: its outputs would publish
  // them, so the last ones written stay, and are not sent again either.
  if (f.tooBig) return {hold, CycleAction::None};
  if (f.writesOutputs && f.outputsDue) return {hold, CycleAction::Write};
  // A failed pass waits a few seconds, not to log in every second at a server that keeps failing.
  const bool passDue = f.passHeld || (f.passFailed ? f.retryDue : f.filesLeftOver);
  if (f.writesOutputs && f.publishes && passDue) return {hold, CycleAction::Send};
  return {hold, CycleAction::None};
}

CycleStep AfterReload(bool fileOpened, bool tooBig, bool writesOutputs) {
  if (!fileOpened) return {CycleHold::FileUnopened, CycleAction::None};
  if (tooBig) return {CycleHold::TooBig, CycleAction::None};
  return {CycleHold::None, writesOutputs ? CycleAction::Write : CycleAction::None};
}

}  // namespace zun
