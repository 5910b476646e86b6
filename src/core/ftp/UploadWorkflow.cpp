#include "ftp/UploadWorkflow.h"

#include <algorithm>

#include "platform/OutputNames.h"
#include "platform/Paths.h"
#include "platform/PrefixHash.h"
#include "platform/TextFile.h"
#include "platform/Text.h"

namespace zun::ftp {

std::optional<UploadSource> UploadSourceForMode(UploadMode mode, const std::string& textDir, const std::string& dir999,
                                                const std::string& dir000) {
  switch (mode) {
    case UploadMode::PureText: return UploadSource{textDir, JoinPath(textDir, kPureTextFileName), UploadMode::PureText};
    case UploadMode::CountRankings: return UploadSource{dir999, std::nullopt, UploadMode::CountRankings};
    case UploadMode::OverallRanking: return UploadSource{dir000, JoinPath(dir000, kOverallRankingFileName), UploadMode::OverallRanking};
    default: return std::nullopt;
  }
}

std::string UploadFolderMissingText(const std::string& uploadDir) { return uploadDir + "\nが見つかりません"; }

UploadPlan PlanUpload(UploadMode mode, const std::string& uploadDir, const std::string& uploadFilePath,
                      const std::vector<UploadEntry>& entries, int selectedIndex) {
  UploadPlan plan;
  if (mode == UploadMode::PureText || mode == UploadMode::OverallRanking) {
    if (!FileExists(uploadFilePath)) return plan;
    plan.Kind = UploadKind::SingleFile;
    plan.Files.push_back({uploadFilePath, FileNameOf(uploadFilePath)});
    return plan;
  }
  if (mode != UploadMode::CountRankings) return plan;
  if (selectedIndex >= 0 && static_cast<size_t>(selectedIndex) < entries.size()) {
    std::string name(Trim(entries[selectedIndex].Text));
    plan.Kind = UploadKind::SelectedEntry;
    plan.Files.push_back({JoinPath(uploadDir, name), name});
    return plan;
  }
  int unchecked = 0;
  for (const auto& e : entries) {
    if (unchecked >= kMaxUploadFiles) break;
    if (!e.Checked) ++unchecked;
  }
  if (unchecked == 0) return plan;
  plan.Kind = UploadKind::UncheckedEntries;
  plan.MaxPuts = kMaxUploadFiles;
  for (const auto& e : entries) {
    if (e.Checked) continue;
    std::string name(Trim(e.Text));
    if (name.empty()) continue;
    plan.Files.push_back({JoinPath(uploadDir, name), name});
  }
  return plan;
}

std::string RemoteFolderFailedText(const std::string& folder) {
  return DisplayRemoteName(folder) + "\nﾘﾓｰﾄﾌｫﾙﾀﾞに入れません。ｱｯﾌﾟﾛｰﾄﾞしませんでした。";
}

namespace {

// The size and hash of a small file's bytes; nothing for a larger or unreadable one.
std::optional<SentFiles::Bytes> SmallFileBytes(const std::string& path, const std::string& remoteName) {
  const FileStamp stamp = StampOf(path);
  if (!stamp.exists || static_cast<uint64_t>(stamp.size) > kUnchangedCheckBytes) return std::nullopt;
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return std::nullopt;
  PrefixHash hash;
  hash.Add(bytes.data(), bytes.size());
  return SentFiles::Bytes{remoteName, bytes.size(), hash.Value()};
}

// A file that the folder's last listing lacks was removed behind the passes' back.
void ForgetUnlisted(FtpSession& session, SentFiles& sent) {
  const std::vector<RemoteItem>& items = session.Items();
  for (auto it = sent.byRemotePath.begin(); it != sent.byRemotePath.end();) {
    const std::string& name = it->second.name;
    const bool here = session.Client().AbsolutePath(name) == it->first;
    const bool listed = std::any_of(items.begin(), items.end(),
                                    [&name](const RemoteItem& item) { return item.Name == name || item.Caption == name; });
    it = here && !listed ? sent.byRemotePath.erase(it) : std::next(it);
  }
}

UploadPassResult SendFiles(FtpSession& session, const UploadPlan& plan, SentFiles* sent, bool onlyChanged) {
  UploadPassResult result;
  if (plan.Files.empty()) return result;
  if (!session.IsOpen()) {
    result.ConnectionFailure = session.LastError();
    if (!IsConnectionFailure(result.ConnectionFailure.code))
      result.ConnectionFailure = FtpError{kFtpIncorrectHandleState, kStatusNotOpen};
    return result;
  }
  if (!session.UnavailableFolder().empty()) {
    result.ConnectionFailure = FtpError{kFtpFolderUnavailable, RemoteFolderFailedText(session.UnavailableFolder())};
    return result;
  }
  if (FtpError e = session.RemoveStrayTemporaries(); !e.ok()) {
    result.ConnectionFailure = e;
    return result;
  }
  if (sent != nullptr) {
    if (sent->logins != session.Client().LoginCount()) {
      sent->byRemotePath.clear();
      sent->logins = session.Client().LoginCount();
    }
    ForgetUnlisted(session, *sent);
  }
  const bool mutedBefore = session.MessagesMuted();
  session.MuteMessages(true);
  size_t puts = 0;
  for (size_t i = 0; i < plan.Files.size(); ++i) {
    const UploadFile& f = plan.Files[i];
    std::optional<SentFiles::Bytes> bytes;
    std::string remotePath;
    if (sent != nullptr) {
      bytes = SmallFileBytes(f.LocalPath, f.RemoteName);
      remotePath = session.Client().AbsolutePath(f.RemoteName);
      const auto known = sent->byRemotePath.find(remotePath);
      if (onlyChanged && bytes && known != sent->byRemotePath.end() && known->second == *bytes) {
        ++result.Unchanged;
        continue;
      }
    }
    if (puts == plan.MaxPuts) {
      result.Deferred = static_cast<int>(plan.Files.size() - i);
      break;
    }
    ++puts;
    // Until it is known to have gone through, the server may hold anything there.
    if (sent != nullptr) sent->byRemotePath.erase(remotePath);
    session.PutFile(f.LocalPath, f.RemoteName);
    const FtpError& e = session.LastError();
    if (e.ok()) {
      ++result.Sent;
      if (bytes) sent->byRemotePath[remotePath] = *bytes;
    } else if (IsConnectionFailure(e.code)) {
      result.ConnectionFailure = e;
      break;
    } else if (e.code != kFtpFileNotFound && e.code != kFtpSharingViolation && e.code != kFtpInvalidParameter) {
      // Local faults were shown by the session itself; the server's refusals are gathered.
      result.Refused.push_back(f.RemoteName + ": " + (e.message.empty() ? std::to_string(e.code) : e.message));
    }
  }
  session.MuteMessages(mutedBefore);
  return result;
}

}  // namespace

UploadPassResult SendUploadPlan(FtpSession& session, const UploadPlan& plan) {
  return SendFiles(session, plan, nullptr, false);
}

UploadPassResult SendUploadPlan(FtpSession& session, const UploadPlan& plan, SentFiles& sent, bool onlyChanged) {
  return SendFiles(session, plan, &sent, onlyChanged);
}

bool OpenInternetSession(FtpSession& session, const std::function<void()>& freeHostSlots,
                         const std::function<void(const std::string&)>& showMessage) {
  if (freeHostSlots) freeHostSlots();
  if (!session.OpenInternet()) {
    if (showMessage) showMessage(kCannotContinue);
    return false;
  }
  return true;
}

bool EnsureConnection(FtpSession& session, const ConnectionTarget& target,
                      const std::function<bool()>& openInternetSession,
                      const std::function<void(const std::string&)>& showMessage) {
  // The session's own boxes would repeat at every pass of an outage: statuses only, and the
  // caller's one message.
  struct Mute {
    FtpSession& s;
    bool before = s.MessagesMuted();
    ~Mute() { s.MuteMessages(before); }
  } mute{session};
  session.MuteMessages(true);
  if (session.IsAtShownFolder()) return true;
  const bool timedOut = session.LastError().code == kFtpTimeout;
  session.Close();
  if (timedOut) return false;
  if (openInternetSession && !openInternetSession()) return false;
  if (!session.Open(target.Host, target.User, target.Password)) {
    if (showMessage) showMessage(kHostOpenFailed);
    return false;
  }
  if (!Trim(target.ShownFolder).empty()) {
    session.SetCurrentDirectory(target.ShownFolder, false);
    if (!session.LastError().ok()) session.MarkFolderUnavailable(target.ShownFolder);
  }
  return true;
}

bool EnterRememberedFolder(FtpSession& session, std::string& lastHDir) {
  if (Trim(lastHDir).empty()) {
    lastHDir.clear();
    return true;
  }
  if (session.Exists(lastHDir)) {
    session.SetCurrentDirectory(lastHDir, false);
    if (session.LastError().ok()) return true;
  }
  session.MarkFolderUnavailable(lastHDir);
  return false;
}

std::string FolderCountStatus(int fileCount, int dirCount) {
  std::string text = Format("ﾌｧｲﾙ数=%d", fileCount);
  if (dirCount > 0) text += Format(" (Dir=%d)", dirCount);
  return text;
}

std::optional<std::string> MissingConnectInput(const std::string& host, const std::string& user,
                                               const std::string& password, bool passwordNeeded) {
  if (host.empty()) return std::string("ホスト名を入力して下さい。");
  if (user.empty()) return std::string("ユーザー名を入力して下さい。");
  if (password.empty() && passwordNeeded) return std::string("パスワードを入力して下さい。");
  return std::nullopt;
}

}  // namespace zun::ftp
