#include "output/Automation.h"

namespace zun {

int NextProgressPosition(int position) {
  if (position >= kProgressMax) position = 0;
  return position + kProgressStep;
}

bool SnapshotCallsForReload(const FileStamp& previous, const FileStamp& current) {
  return previous.size != 0 && (previous.modifiedNs != current.modifiedNs || previous.size != current.size);
}

bool WaitForLineEnd(bool endsWithLineBreak, bool sizeChanged, int& waitedTicks) {
  if (endsWithLineBreak || !sizeChanged || waitedTicks >= kHalfLineWaitTicks) {
    waitedTicks = 0;
    return false;
  }
  ++waitedTicks;
  return true;
}

UploadGateDecision DecideAutoUpload(bool sourceReady, bool uploadedOnce) {
  UploadGateDecision d;
  if (sourceReady && uploadedOnce) {
    d.upload = true;
    return d;
  }
  d.notUploadedByHand = !uploadedOnce;
  d.sourceNotSet = !sourceReady;
  return d;
}

}  // namespace zun
