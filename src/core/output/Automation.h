#pragma once
// The rules of the automation cycle: when a tick reloads, how the activity bar moves, and whether
// the outputs just written may be uploaded without the operator's hand.
#include <string>

#include "platform/Paths.h"

namespace zun {

inline constexpr int kProgressMax = 50;
inline constexpr int kProgressStep = 5;

// The bar shows 5, 10, ..., 50, 5, 10, ... on successive working ticks.
int NextProgressPosition(int position);

// A reload follows when the file had content at the previous tick and its last-write time or
// size changed since.
bool SnapshotCallsForReload(const FileStamp& previous, const FileStamp& current);

inline constexpr const char* kMsgNotUploadedByHand = "手動アプロードがされていません";
inline constexpr const char* kMsgSourceNotSet = "ローカルディレクトリが正しくセットされていません";

struct UploadGateDecision {
  bool upload = false;
  bool notUploadedByHand = false;  // kMsgNotUploadedByHand
  bool sourceNotSet = false;       // kMsgSourceNotSet
  bool awayFromPublishFolder = false;  // AwayFromPublishFolderText
};

// `sourceReady`: the folder label chosen by the upload option is drawn red. `atPublishFolder`:
// the server's list shows the folder the last upload by hand went to. The operator looking
// through other folders during a race would otherwise send the race's files into each of them.
UploadGateDecision DecideAutoUpload(bool sourceReady, bool uploadedOnce, bool atPublishFolder);

// Why the automatic upload waits while the operator looks at another folder than `publishFolder`.
std::string AwayFromPublishFolderText(const std::string& publishFolder);

}  // namespace zun
