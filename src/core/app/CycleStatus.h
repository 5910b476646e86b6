#pragma once
// What the window shows of the automation cycle at a glance: watching, paused (and why) or
// failing to publish, with the local times of the last reload, outputs and upload.
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "ftp/PublishHealth.h"

namespace zun {

enum class CycleLevel { Off, Watching, Paused, Failing };

struct CycleFacts {
  bool autoChecked = false;  // CBAuto
  bool writesOutputs = false;  // CBPure: a change is written out
  bool gridShown = false;
  bool uploading = false;
  bool fileMissing = false;
  bool flagFileUnreadable = false;  // the reload waits: it would drop every "x" mark
  bool fileUnreadable = false;      // the zunText file is there but could not be opened
  bool gridTooBig = false;          // the race reached the row limit: it cannot be marked or written
  std::time_t lastReloadAt = 0;
  std::time_t lastOutputsAt = 0;
  std::time_t outputsFailingSince = 0;  // 0: the last write went through
  PublishHealth publish;
  bool sendingBeforeClose = false;  // the close waits for one last pass
  std::string uploadHeldBack;  // why the cycle's writes are not sent; empty: nothing holds them
};

// One fact of the state. Rank 0 is a key fact (the state word, since when, how many attempts,
// the folder or the reason), shown whatever the width; a narrow panel drops the highest rank first.
struct CyclePart {
  std::string text;  // with the blanks or colon that join it to the part before
  int rank = 0;
  bool operator==(const CyclePart&) const = default;
};

struct CycleStatus {
  CycleLevel level = CycleLevel::Off;
  std::string text;  // every part, in order
  std::vector<CyclePart> parts;
  bool operator==(const CycleStatus&) const = default;
  void Add(std::string part, int rank) {
    text += part;
    parts.push_back({std::move(part), rank});
  }
};

CycleStatus DescribeCycle(const CycleFacts& facts);

// "hh:mm:ss" in local time.
std::string LocalClock(std::time_t at);

}  // namespace zun
