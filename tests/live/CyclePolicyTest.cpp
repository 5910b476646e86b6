// The decision of one look of the cycle, per situation, for the window and --watch alike.
#include <gtest/gtest.h>

#include "live/CyclePolicy.h"

namespace zun {
namespace {

using A = CycleAction;
using H = CycleHold;

// A look of a cycle that writes and publishes, with a file loaded and nothing due.
struct Situation {
  const char* what;
  bool missing = false, empty = false, due = false, lineOpen = false, flagsBad = false;
  bool writes = true, tooBig = false, outputsDue = false, publishes = true;
  bool held = false, failed = false, retryDue = false, leftOver = false;
  bool loaded = true;
};

TEST(CyclePolicy, EachSituationHasItsStep) {
  const struct {
    Situation s;
    CycleStep step;
  } table[] = {
      {{.what = "quiet"}, {H::None, A::None}},
      {{.what = "nothing loaded", .due = true, .outputsDue = true, .loaded = false}, {H::NothingLoaded, A::None}},
      {{.what = "changed", .due = true}, {H::None, A::Reload}},
      {{.what = "changed, not writing", .due = true, .writes = false}, {H::None, A::Reload}},
      {{.what = "changed while too big", .due = true, .tooBig = true}, {H::None, A::Reload}},
      {{.what = "changed, line open", .due = true, .lineOpen = true}, {H::LineEnd, A::None}},
      {{.what = "changed, flag file unreadable", .due = true, .flagsBad = true}, {H::FlagFileUnreadable, A::None}},
      {{.what = "flag file unreadable holds a due write", .due = true, .flagsBad = true, .outputsDue = true},
       {H::FlagFileUnreadable, A::None}},
      {{.what = "missing", .missing = true, .due = true}, {H::FileMissing, A::None}},
      {{.what = "empty", .empty = true, .due = true}, {H::FileEmpty, A::None}},
      {{.what = "write failed", .outputsDue = true}, {H::None, A::Write}},
      {{.what = "write failed, not writing", .writes = false, .outputsDue = true}, {H::None, A::None}},
      {{.what = "write failed while too big", .tooBig = true, .outputsDue = true}, {H::None, A::None}},
      {{.what = "write failed while missing", .missing = true, .outputsDue = true}, {H::FileMissing, A::Write}},
      {{.what = "write failed while a line is open", .due = true, .lineOpen = true, .outputsDue = true},
       {H::LineEnd, A::Write}},
      {{.what = "write before a due pass", .outputsDue = true, .failed = true, .retryDue = true}, {H::None, A::Write}},
      {{.what = "pass failed, too soon", .failed = true}, {H::None, A::None}},
      {{.what = "pass failed, retry due", .failed = true, .retryDue = true}, {H::None, A::Send}},
      {{.what = "pass failed, retry due, file empty", .empty = true, .failed = true, .retryDue = true},
       {H::FileEmpty, A::Send}},
      {{.what = "pass failed, retry due, not publishing", .publishes = false, .failed = true, .retryDue = true},
       {H::None, A::None}},
      {{.what = "pass failed, retry due, not writing", .writes = false, .failed = true, .retryDue = true},
       {H::None, A::None}},
      {{.what = "pass failed, retry due, too big", .tooBig = true, .failed = true, .retryDue = true},
       {H::None, A::None}},
      {{.what = "pass failed with files left over, too soon", .failed = true, .leftOver = true}, {H::None, A::None}},
      {{.what = "files left over", .leftOver = true}, {H::None, A::Send}},
      {{.what = "pass held back", .held = true}, {H::None, A::Send}},
      {{.what = "pass held back, failed, too soon", .held = true, .failed = true}, {H::None, A::Send}},
  };
  for (const auto& row : table) {
    const Situation& s = row.s;
    int lineAsked = 0, flagsAsked = 0;
    LookFacts f;
    f.loaded = s.loaded;
    f.fileMissing = s.missing;
    f.fileEmpty = s.empty;
    f.reloadDue = s.due;
    f.lineOpen = [&] {
      ++lineAsked;
      return s.lineOpen;
    };
    f.flagFileUnreadable = [&] {
      ++flagsAsked;
      return s.flagsBad;
    };
    f.writesOutputs = s.writes;
    f.tooBig = s.tooBig;
    f.outputsDue = s.outputsDue;
    f.publishes = s.publishes;
    f.passHeld = s.held;
    f.passFailed = s.failed;
    f.retryDue = s.retryDue;
    f.filesLeftOver = s.leftOver;
    const CycleStep step = DecideLook(f);
    EXPECT_EQ(step.hold, row.step.hold) << s.what;
    EXPECT_EQ(step.action, row.step.action) << s.what;
    // The facts that read a file are asked only when a reload is due and the file is there.
    const bool reachesFiles = s.loaded && !s.missing && !s.empty && s.due;
    EXPECT_EQ(lineAsked, reachesFiles ? 1 : 0) << s.what;
    EXPECT_EQ(flagsAsked, reachesFiles && !s.lineOpen ? 1 : 0) << s.what;
  }
}

TEST(CyclePolicy, AReloadIsFollowedByAWriteUnlessItHolds) {
  EXPECT_EQ(AfterReload(true, false, true), (CycleStep{H::None, A::Write}));
  EXPECT_EQ(AfterReload(true, false, false), (CycleStep{H::None, A::None}));
  EXPECT_EQ(AfterReload(true, true, true), (CycleStep{H::TooBig, A::None}));
  EXPECT_EQ(AfterReload(false, false, true), (CycleStep{H::FileUnopened, A::None}));
}

}  // namespace
}  // namespace zun
