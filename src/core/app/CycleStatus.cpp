#include "app/CycleStatus.h"

#include "platform/Text.h"

namespace zun {

std::string LocalClock(std::time_t at) {
  std::tm local{};
  localtime_r(&at, &local);
  return Format("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

namespace {

std::string PausedReason(const CycleFacts& f) {
  if (!f.gridShown) return "結果が読み込まれていません";
  if (f.fileMissing) return "ZunTextファイルがありません";
  if (f.fileUnreadable) return "ZunTextファイルが読めません";
  if (f.flagFileUnreadable) return "FLGファイルが読めません";
  if (f.gridTooBig) return "grid is too big!!!";
  if (f.uploading) return "アップロード中";
  return {};
}

}  // namespace

CycleStatus DescribeCycle(const CycleFacts& f) {
  // Ranks of the facts a narrow panel may leave to the tool tip, the first dropped last.
  enum : int { kKey = 0, kUploadTime = 1, kOutputsTime = 2, kReloadTime = 3, kServerReply = 4 };
  CycleStatus status;
  std::string head;
  if (!f.autoChecked) {
    status.level = CycleLevel::Off;
    head = "自動化 停止";
  } else if (f.sendingBeforeClose) {
    status.level = CycleLevel::Paused;
    head = "終了前の送信中";
  } else if (const std::string reason = PausedReason(f); !reason.empty()) {
    // An upload in progress is the cycle at work, not an interruption the operator must clear.
    status.level = f.uploading && reason == "アップロード中" ? CycleLevel::Watching : CycleLevel::Paused;
    head = (status.level == CycleLevel::Paused ? "自動化 一時停止: " : "自動化: ") + reason;
  } else {
    status.level = CycleLevel::Watching;
    head = f.writesOutputs ? "監視中" : "監視中 (ﾋﾟｭｱﾃｷｽﾄ出力なし)";
  }
  status.Add(head, kKey);
  if (f.lastReloadAt) status.Add("  読込 " + LocalClock(f.lastReloadAt), kReloadTime);
  if (f.lastOutputsAt) status.Add("  出力 " + LocalClock(f.lastOutputsAt), kOutputsTime);
  if (f.outputsFailingSince && status.level != CycleLevel::Off) {
    status.level = CycleLevel::Failing;
    status.Add("  出力失敗 " + LocalClock(f.outputsFailingSince) + " から", kKey);
  }
  if (!f.uploadHeldBack.empty() && status.level != CycleLevel::Off) {
    if (status.level == CycleLevel::Watching) status.level = CycleLevel::Paused;
    status.Add("  送信停止: " + f.uploadHeldBack, kKey);
  } else if (f.publish.failing()) {
    if (status.level != CycleLevel::Off) status.level = CycleLevel::Failing;
    status.Add(Format("  送信失敗 %s から %d 回", LocalClock(f.publish.failingSince).c_str(), f.publish.failedAttempts),
               kKey);
    if (f.publish.awaitingServer) status.Add(" (サーバー応答待ち)", kKey);
    if (!f.publish.lastServerReply.empty()) {
      std::string reply = f.publish.lastServerReply;
      for (char& c : reply)
        if (c == '\r' || c == '\n') c = ' ';
      status.Add(": " + std::string(Trim(reply)), kServerReply);
    }
  } else if (f.publish.lastUploadAt) {
    status.Add("  送信 " + LocalClock(f.publish.lastUploadAt) + (f.publish.lastUploadOk ? " OK" : " 失敗"), kUploadTime);
  }
  return status;
}

}  // namespace zun
