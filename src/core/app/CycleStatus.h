#pragma once
// What the window shows of the automation cycle at a glance: watching, paused (and why) or
// failing to publish, with the local times of the last reload, outputs and upload.
#include <ctime>
#include <string>

#include "ftp/PublishHealth.h"

namespace zun {

enum class CycleLevel { Off, Watching, Paused, Failing };

struct CycleFacts {
  bool autoChecked = false;  // CBAuto
  bool writesOutputs = false;  // CBPure: a change is written out
  bool gridShown = false;
  bool uploading = false;
  std::time_t uploadingSince = 0;  // when the pass began
  std::time_t now = 0;
  bool fileMissing = false;
  bool flagFileUnreadable = false;  // the reload waits: it would drop every "x" mark
  bool fileUnreadable = false;      // the zunText file is there but could not be opened
  bool gridTooBig = false;          // the race reached the row limit: it cannot be marked or written
  std::time_t lastReloadAt = 0;
  std::time_t lastOutputsAt = 0;
  std::time_t outputsFailingSince = 0;  // 0: the last write went through
  PublishHealth publish;
  std::string uploadHeldBack;  // why the cycle's writes are not sent; empty: nothing holds them
};

struct CycleStatus {
  CycleLevel level = CycleLevel::Off;
  std::string text;
  bool operator==(const CycleStatus&) const = default;
};

CycleStatus DescribeCycle(const CycleFacts& facts);

// "hh:mm:ss" in local time.
std::string LocalClock(std::time_t at);

}  // namespace zun
