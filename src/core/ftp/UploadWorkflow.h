#pragma once
// The pieces of the connect and upload workflow that need no window: which files an upload pass
// sends, the reconnect step, entering the remembered folder and the status of a listed folder.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ftp/FtpSession.h"

namespace zun::ftp {

inline constexpr const char* kHostOpenFailed = "ﾎｽﾄがｵｰﾌﾟﾝできませんでした。";
inline constexpr const char* kReconnectFailed = "ホスト再接続に失敗しました。";
inline constexpr const char* kCannotContinue = "続行できません。";
constexpr int kMaxUploadFiles = 50;

// What the passes publish: the pure text, the count rankings (one file per passage number, in
// the folder 999), or the overall ranking (000.csv in the folder 000).
enum class UploadMode { None, PureText, CountRankings, OverallRanking };

struct UploadSource {
  std::string UploadDir;
  std::optional<std::string> UploadFilePath;  // the pure text and the overall ranking only
  UploadMode Mode = UploadMode::None;         // the mode whose folder UploadDir is
};

// The source of a mode, from the output folder and its folders 999 and 000; nothing for None
// (the old values stay).
std::optional<UploadSource> UploadSourceForMode(UploadMode mode, const std::string& textDir, const std::string& dir999,
                                                const std::string& dir000);

// The message when the upload folder is missing.
std::string UploadFolderMissingText(const std::string& uploadDir);

// An entry of the list of count ranking files, ticked to keep it back.
struct UploadEntry {
  std::string Text;
  bool Checked = false;
};

struct UploadFile {
  std::string LocalPath;
  std::string RemoteName;
  bool operator==(const UploadFile&) const = default;
};

enum class UploadKind {
  Nothing,          // the pass ends without sending and leaves UploadedOnce alone
  SingleFile,       // TXT or 000
  SelectedEntry,    // 999 with an entry selected: that file, checked or not; the selection goes
  UncheckedEntries  // 999 without a selection: the unchecked entries in list order, 50 put a pass
};

struct UploadPlan {
  UploadKind Kind = UploadKind::Nothing;
  std::vector<UploadFile> Files;
  // At most this many files are put in one pass, in list order; the rest wait for the next. A
  // file left out because the server holds its bytes is not put: past the 50th count file, the
  // cycle's passes publish what changed too.
  size_t MaxPuts = SIZE_MAX;
};

// What one upload pass sends. `selectedIndex` is the entry the operator chose (-1: none).
UploadPlan PlanUpload(UploadMode mode, const std::string& uploadDir, const std::string& uploadFilePath,
                      const std::vector<UploadEntry>& entries, int selectedIndex);

// What one pass achieved: the files sent, the files refused ("name: the server's reply"), and the
// failure that ended the pass (code 0: none): a lost connection, or kFtpFolderUnavailable with a
// message naming the folder that could not be entered.
struct UploadPassResult {
  int Sent = 0;
  int Unchanged = 0;  // left out: the server already holds their bytes
  int Deferred = 0;   // not looked at: the pass had put its MaxPuts files
  std::vector<std::string> Refused;
  FtpError ConnectionFailure;
};

// Publishes every file of the plan into the remote current folder, each under a temporary name
// first. A file the server refuses is noted and the next one goes; a failure of the connection
// ends the pass at once. Nothing goes when the session is closed or its folder is unavailable.
// Single failures show their status only: the caller shows one message for the pass.
UploadPassResult SendUploadPlan(FtpSession& session, const UploadPlan& plan);

// What the passes of one login have put on the server: per remote path, the size and hash of the
// bytes sent. Forgotten at a new login, and for a file the last listing of its folder lacks.
struct SentFiles {
  struct Bytes {
    std::string name;
    uint64_t size = 0;
    uint64_t hash = 0;
    bool operator==(const Bytes&) const = default;
  };
  int logins = -1;
  std::map<std::string, Bytes> byRemotePath;
};

// SendUploadPlan that notes what it sent in `sent`. With `onlyChanged`, a file of at most
// kUnchangedCheckBytes whose bytes the server holds from an earlier pass is left out: the
// cycle's passes then grow with what changed, not with the number of files.
inline constexpr uint64_t kUnchangedCheckBytes = uint64_t{4} << 20;
UploadPassResult SendUploadPlan(FtpSession& session, const UploadPlan& plan, SentFiles& sent, bool onlyChanged);

// The message for a remote folder that cannot be entered; nothing was uploaded.
std::string RemoteFolderFailedText(const std::string& folder);

// What the reconnect step needs from the window.
struct ConnectionTarget {
  std::string Host;
  std::string User;
  std::string Password;
  std::string ShownFolder;  // the remote folder the window shows
};

// A fresh platform session: the host table's slots are marked free first (`freeHostSlots`).
bool OpenInternetSession(FtpSession& session, const std::function<void()>& freeHostSlots,
                         const std::function<void(const std::string&)>& showMessage);

// True when the connection answers and stands in the shown folder; otherwise closes, opens again
// and re-enters the shown folder (without a further reconnect). False when no connection came. A
// server that let the question time out is not asked again in the same pass: the session is
// closed and the next pass reconnects. A shown folder that cannot be re-entered is marked
// unavailable on the session, so that nothing is uploaded into the login folder instead. The
// session's failures show as statuses only; `showMessage` gets the one message of a failed open.
bool EnsureConnection(FtpSession& session, const ConnectionTarget& target,
                      const std::function<bool()>& openInternetSession,
                      const std::function<void(const std::string&)>& showMessage);

// After logging in: enter the remembered folder when it exists (empty or not). A blank `lastHDir`
// becomes empty. False when it could not be entered: the session then marks it unavailable.
bool EnterRememberedFolder(FtpSession& session, std::string& lastHDir);

// "ﾌｧｲﾙ数=%d", plus " (Dir=%d)" when there is a folder.
std::string FolderCountStatus(int fileCount, int dirCount);

// The message for an empty host, user or password edit; nothing when all three hold text. A key
// login without a passphrase needs no password.
std::optional<std::string> MissingConnectInput(const std::string& host, const std::string& user,
                                               const std::string& password, bool passwordNeeded = true);

}  // namespace zun::ftp
