#pragma once
// The rules of the automation cycle: when a tick reloads, how the activity bar moves, and whether
// the outputs just written may be uploaded without the operator's hand.
#include "platform/Paths.h"

namespace zun {

inline constexpr int kProgressMax = 50;
inline constexpr int kProgressStep = 5;

// The bar shows 5, 10, ..., 50, 5, 10, ... on successive working ticks.
int NextProgressPosition(int position);

// A reload follows when the file had content at the previous tick and its last-write time or
// size changed since.
bool SnapshotCallsForReload(const FileStamp& previous, const FileStamp& current);

struct UploadGateDecision {
  bool upload = false;
  bool notUploadedByHand = false;  // "手動アプロードがされていません"
  bool sourceNotSet = false;       // "ローカルディレクトリが正しくセットされていません"
};

// A tick that finds the file's last line without its line break while the file is still growing
// waits, so that a line the timing system is writing is not read in pieces. After this many
// waiting ticks, or once the file stays the same for a tick, the line is read as it stands.
inline constexpr int kHalfLineWaitTicks = 3;

// True: this tick waits. `waitedTicks` counts the ticks waited in a row.
bool WaitForLineEnd(bool endsWithLineBreak, bool sizeChanged, int& waitedTicks);

// `sourceReady`: the folder label chosen by the upload option is drawn red.
UploadGateDecision DecideAutoUpload(bool sourceReady, bool uploadedOnce);

}  // namespace zun
