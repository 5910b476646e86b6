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
  return {};
}

// A pass that has waited this long is shown; quicker ones would only make the state flicker.
constexpr std::time_t kUploadShownAfterSeconds = 2;

std::string UploadWaiting(const CycleFacts& f) {
  if (!f.uploading || f.now - f.uploadingSince < kUploadShownAfterSeconds) return {};
  return Format("アップロード中 %d秒", static_cast<int>(f.now - f.uploadingSince));
}

}  // namespace

CycleStatus DescribeCycle(const CycleFacts& f) {
  CycleStatus status;
  if (!f.autoChecked) {
    status.level = CycleLevel::Off;
    status.text = "自動化 停止";
  } else if (const std::string reason = PausedReason(f); !reason.empty()) {
    status.level = CycleLevel::Paused;
    status.text = "自動化 一時停止: " + reason;
  } else if (const std::string waiting = UploadWaiting(f); !waiting.empty()) {
    // The cycle reads and writes on while a pass waits for the server; the site lags meanwhile.
    status.level = CycleLevel::Paused;
    status.text = "自動化: " + waiting;
  } else {
    status.level = CycleLevel::Watching;
    status.text = f.writesOutputs ? "監視中" : "監視中 (ﾋﾟｭｱﾃｷｽﾄ出力なし)";
  }
  if (f.lastReloadAt) status.text += "  読込 " + LocalClock(f.lastReloadAt);
  if (f.lastOutputsAt) status.text += "  出力 " + LocalClock(f.lastOutputsAt);
  if (f.outputsFailingSince && status.level != CycleLevel::Off) {
    status.level = CycleLevel::Failing;
    status.text += "  出力失敗 " + LocalClock(f.outputsFailingSince) + " から";
  }
  if (!f.uploadHeldBack.empty() && status.level != CycleLevel::Off) {
    if (status.level == CycleLevel::Watching) status.level = CycleLevel::Paused;
    status.text += "  送信停止: " + f.uploadHeldBack;
  } else if (f.publish.failing()) {
    if (status.level != CycleLevel::Off) status.level = CycleLevel::Failing;
    status.text += Format("  送信失敗 %s から %d 回", LocalClock(f.publish.failingSince).c_str(), f.publish.failedAttempts);
    if (f.publish.awaitingServer) status.text += " (サーバー応答待ち)";
    if (!f.publish.lastServerReply.empty()) {
      std::string reply = f.publish.lastServerReply;
      for (char& c : reply)
        if (c == '\r' || c == '\n') c = ' ';
      status.text += ": " + std::string(Trim(reply));
    }
  } else if (f.publish.lastUploadAt) {
    status.text += "  送信 " + LocalClock(f.publish.lastUploadAt) + (f.publish.lastUploadOk ? " OK" : " 失敗");
  }
  return status;
}

}  // namespace zun
