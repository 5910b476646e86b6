#include "output/Automation.h"

namespace zun {

int NextProgressPosition(int position) {
  if (position >= kProgressMax) position = 0;
  return position + kProgressStep;
}

bool SnapshotCallsForReload(const FileStamp& previous, const FileStamp& current) {
  return previous.size != 0 && (previous.modifiedNs != current.modifiedNs || previous.size != current.size);
}

UploadGateDecision DecideAutoUpload(bool sourceReady, bool uploadedOnce, bool atPublishFolder) {
  UploadGateDecision d;
  if (sourceReady && uploadedOnce) {
    d.upload = atPublishFolder;
    d.awayFromPublishFolder = !atPublishFolder;
    return d;
  }
  d.notUploadedByHand = !uploadedOnce;
  d.sourceNotSet = !sourceReady;
  return d;
}

std::string AwayFromPublishFolderText(const std::string& publishFolder) {
  return "ｱﾌﾟﾛｰﾄﾞ先 " + publishFolder + " 以外のフォルダを表示中";
}

}  // namespace zun
