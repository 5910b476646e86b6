#include "Watch.h"

#include <signal.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ftp/PublishHealth.h"
#include "live/CyclePolicy.h"
#include "live/LookSchedule.h"
#include "platform/FolderWatch.h"
#include "platform/Paths.h"

namespace zun::batch {

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a transfer in progress goes on; the sleep is cut short anyway
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

using Clock = std::chrono::steady_clock;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

class Cycle {
 public:
  Cycle(LiveCycle& live, const WatchOptions& options) : live_(live), options_(options) {
    // A test switch, and a way out where the kernel's notices misbehave: the look once a second
    // then does all the work.
    const char* noNotices = std::getenv("ZUNTEXT_NO_INOTIFY");
    if (noNotices == nullptr || *noNotices == '\0')
      folder_.Start(FolderOf(options_.ZunTextPath), {FileNameOf(options_.ZunTextPath), kFlagFileName});
  }

  // Writes the outputs of the loaded data; the cycle's line waits for what the upload sent.
  void Write(Clock::time_point started) {
    started_ = started;
    reloaded_ = true;
    const OutputReport report = live_.WriteOutputs(options_.Targets);
    written_ = (report.pureText == SaveResult::Ok) + (report.ranking.overallWritten ? 1 : 0) +
               report.ranking.countFilesWritten;
    failed_ = report.pureText != SaveResult::Ok || (report.rankingsWritten && !report.ranking.overallWritten) ||
              report.ranking.countFileFailed;
  }

  // A grid too big to be marked holds the readings declared invalid: its outputs would publish
  // them, so the last ones written stay.
  void Hold(Clock::time_point started) {
    started_ = started;
    reloaded_ = true;
    written_ = 0;
    failed_ = false;
  }

  void PrintLine(const char* sent) const {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char clock[16];
    strftime(clock, sizeof clock, "%H:%M:%S", &local);
    const long ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count());
    // A look woken by the kernel's notice says how long after it the pass ended.
    char notice[48] = "";
    if (reloaded_ && changedAtMs_ >= 0)
      std::snprintf(notice, sizeof notice, ", %ld ms after the change", static_cast<long>(NowMs() - changedAtMs_));
    std::fprintf(stderr, "%s rows %d, %s, %d files written%s, %s, %ld ms%s\n", clock, live_.Data.Grid.RowCount() - 1,
                 !reloaded_ ? "nothing changed" : live_.LastLoadAppended() ? "appended lines read" : "loaded whole",
                 written_, failed_ ? " (a file could not be written)" : "", sent, ms, notice);
    std::fflush(stderr);
  }

  // Sleeps until a look has work and does it; false when a stop signal came first. `last` is what
  // the last pass left for the passes after it (nothing without one).
  bool WaitAndReload(const ftp::PassOutcome& last = {}) {
    const int64_t waitFrom = NowMs();
    while (!g_stop) {
      WaitForLook();
      if (g_stop) break;
      lastLookMs_ = NowMs();
      CycleStep step = DecideLook(FactsOfLook(last, lastLookMs_ - waitFrom));
      if (step.action == CycleAction::Reload) {
        const Clock::time_point started = Clock::now();
        reloadDue_ = false;
        const LoadReport load = live_.Load(options_.ZunTextPath, LiveCycle::Mode::Update);
        step = AfterReload(load.fileOpened, load.tooBig, true);
        if (step.hold == CycleHold::FileUnopened) {
          // The readings loaded stay, and so do the outputs: an emptied grid would be published as
          // the race's results. Said once; the next look tries again.
          if (!unopened_)
            std::fprintf(stderr,
                         "zuntext-batch: cannot open zunText file %s; nothing is written until it can be read\n",
                         options_.ZunTextPath.c_str());
          unopened_ = true;
          reloadDue_ = true;
          continue;
        }
        unopened_ = false;
        tooBig_ = load.tooBig;
        if (tooBig_) {
          std::fprintf(stderr, "grid is too big!!!\n");
          Hold(started);
          return true;
        }
        Write(started);
        return true;
      }
      switch (step.action) {
        case CycleAction::Write:
          // Outputs that could not be written (a folder gone, a full disk) are written again at
          // every look: after the last reading no change would bring them.
          Write(Clock::now());
          reloaded_ = false;
          return true;
        case CycleAction::Send:
          started_ = Clock::now();
          reloaded_ = false;
          written_ = 0;
          failed_ = false;
          return true;
        case CycleAction::None:
        case CycleAction::Reload: break;
      }
    }
    return false;
  }

  // What a look sees, `waitedMs` into the wait after the last pass.
  LookFacts FactsOfLook(const ftp::PassOutcome& last, int64_t waitedMs) {
    LookFacts facts;
    facts.loaded = true;
    facts.fileMissing = !FileExists(options_.ZunTextPath);
    facts.fileEmpty = !facts.fileMissing && StampOf(options_.ZunTextPath).size == 0;
    facts.reloadDue = reloadDue_ || live_.SourcesChanged() || live_.PieceLeft();
    facts.lineOpen = [this] { return live_.HoldsForLineEnd(options_.ZunTextPath, lastLookMs_); };
    facts.flagFileUnreadable = [this] { return HoldsForFlags(); };
    facts.writesOutputs = true;
    facts.tooBig = tooBig_;
    facts.outputsDue = failed_;
    facts.publishes = options_.Upload.Mode != ftp::kUploadNone;
    facts.passFailed = last.RetryLater();
    // The looks come a little apart: the one due at the interval counts.
    facts.retryDue = waitedMs >= kQuietRetrySeconds * 1000 - kLookGapMs;
    facts.filesLeftOver = last.FollowsAtNextLook();
    return facts;
  }

  // Until a change of the files is signalled and the look is due, or the look once a second.
  void WaitForLook() {
    changedAtMs_ = -1;
    while (!g_stop) {
      const int64_t now = NowMs();
      const int64_t due = NextLookAt(lastLookMs_, changedAtMs_);
      if (now >= due) return;
      if (folder_.Wait(static_cast<int>(due - now)) && changedAtMs_ < 0) changedAtMs_ = NowMs();
    }
  }

  // A flag file that is there but cannot be read holds the reload: it would drop every "x" mark
  // and publish the readings marked invalid. Said once; the reload stays due until it can be read.
  bool HoldsForFlags() {
    const bool holds = FlagFileUnreadable(options_.ZunTextPath);
    if (holds && !flagsHeld_)
      std::fprintf(stderr, "zuntext-batch: cannot read flag file %s; nothing is written until it can be read\n",
                   FlagFilePathFor(options_.ZunTextPath).c_str());
    if (holds) reloadDue_ = true;
    flagsHeld_ = holds;
    return holds;
  }
  bool FlagsHeld() const { return flagsHeld_; }

  bool TooBig() const { return tooBig_; }
  void SetTooBig(bool tooBig) { tooBig_ = tooBig; }

 private:
  LiveCycle& live_;
  const WatchOptions& options_;
  FolderWatch folder_;
  int64_t lastLookMs_ = NowMs();
  int64_t changedAtMs_ = -1;  // when the kernel told of the change this look follows; -1: the clock's look
  Clock::time_point started_ = Clock::now();
  bool reloaded_ = false;  // the outputs were written since the last pass, not only sent again
  int written_ = 0;
  bool failed_ = false;
  bool tooBig_ = false;
  bool flagsHeld_ = false;
  bool reloadDue_ = false;  // a load held (flag file unreadable, zunText file not opened) is tried at each look
  bool unopened_ = false;   // the last load could not open the zunText file
};

}  // namespace

int RunWatch(LiveCycle& live, const WatchOptions& options) {
  CatchStopSignals();
  Cycle cycle(live, options);
  cycle.SetTooBig(live.Data.RowTotal >= kGridRowLimit);
  if (cycle.TooBig())
    cycle.Hold(Clock::now());
  else if (!cycle.HoldsForFlags())
    cycle.Write(Clock::now());
  if (options.Upload.Mode == ftp::kUploadNone) {
    do {
      cycle.PrintLine("nothing sent");
    } while (cycle.WaitAndReload());
    return 0;
  }
  // A grid too big to rank is not published, as without --watch, nor one loaded without the marks.
  const auto untilPublishable = [&cycle] {
    while (cycle.TooBig() || cycle.FlagsHeld()) {
      cycle.PrintLine(cycle.TooBig() ? "nothing sent (too big)" : "nothing sent (flag file unreadable)");
      if (!cycle.WaitAndReload()) return false;
    }
    return true;
  };
  const auto nextPass = [&](const ftp::PassOutcome& pass) {
    char unchanged[32] = "";
    if (pass.Unchanged > 0) std::snprintf(unchanged, sizeof unchanged, ", %d unchanged", pass.Unchanged);
    char leftOver[48] = "";
    if (pass.LeftOver > 0) std::snprintf(leftOver, sizeof leftOver, ", %d for the next pass", pass.LeftOver);
    char sent[160];
    std::snprintf(sent, sizeof sent, "%d of %d files sent%s%s%s", pass.Sent, pass.Planned, unchanged, leftOver,
                  pass.AwaitingServer     ? " (waiting for the server to answer)"
                  : pass.ConnectionFailed ? " (the connection failed)"
                  : pass.Refused          ? " (a file was refused)"
                                          : "");
    cycle.PrintLine(sent);
    return cycle.WaitAndReload(pass) && untilPublishable();
  };
  if (!untilPublishable()) return 0;
  const int result = UploadOutputs(options.Upload, options.Password, options.OutputDir, nextPass);
  // A stop signal ends with 0; a run that could not connect at all says so.
  return result == kExitNoConnection && !g_stop ? result : 0;
}

}  // namespace zun::batch
