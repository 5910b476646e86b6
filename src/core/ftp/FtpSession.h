#pragma once
// The program's one FTP connection and its operations. Each operation reports its outcome as a
// status text (and a platform-style error as a message box) through the hooks the main window
// gives; the listing is kept here as the items the remote list shows.
#include <functional>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"

namespace zun::ftp {

constexpr int kFileImage = 12;
constexpr int kFolderImage = 14;

// One entry of the remote list: caption, then the date and size columns.
struct RemoteItem {
  std::string Caption;  // the name as shown (decoded)
  std::string Date;     // "%04d/%02d/%02d %02d:%02d.%02d"
  std::string Size;     // decimal; "0" for a folder
  int ImageIndex = kFileImage;
  std::string Name;  // the server's bytes, which every command about the entry sends back
  bool operator==(const RemoteItem&) const = default;
};

// What the session needs from the main window. Unset hooks do nothing (EnsureConnection: false).
struct FtpSessionHooks {
  std::function<void(const std::string&)> ShowStatus;   // third panel of the status bar
  std::function<void(const std::string&)> ShowMessage;  // modal box with OK
  std::function<bool()> EnsureConnection;               // the main window's reconnect step
  std::function<std::string()> ShownFolder;             // the remote folder the window shows
  std::function<void(bool)> SetConnected;               // the main window's Connected flag, alone
};

// Status texts that callers compare against.
inline constexpr const char* kStatusNotOpen = "セッションは開かれていません。";
inline constexpr const char* kStatusFolderExists = "ﾌｫﾙﾀﾞは既に存在します。";
inline constexpr const char* kStatusEmptyFolder = "Directory is empty.";
inline constexpr const char* kStatusLineBreakRefused = "改行を含む名前はｻｰﾊﾞｰに送れません。";

class FtpSession {
 public:
  FtpSession(FtpClient& client, FtpSessionHooks hooks);
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  bool OpenInternet();
  // `host` is "name" or "name:port"; user and password are EUserId's and EPassword's texts.
  bool Open(const std::string& host, const std::string& user, const std::string& password);
  bool Close();  // always true
  // Lists the remote current folder into Items(); false only when not open.
  bool List();
  bool PutFile(const std::string& localPath, const std::string& remoteName);  // always true
  bool DeleteFile(const std::string& name);
  bool CreateDirectory(const std::string& name);  // always true
  bool RemoveDirectory(const std::string& name);
  // False only when not open. With `mayReconnect` a failure runs EnsureConnection and retries once;
  // EnsureConnection itself passes false, which bounds the recursion.
  bool SetCurrentDirectory(const std::string& path, bool mayReconnect = true);
  // Remembers the local folder that relative local paths are taken from (the process's own
  // working folder is left alone).
  bool SetLocalDirectory(const std::string& path);
  bool RenameFile(const std::string& oldName, const std::string& newName);
  bool GetCurrentDirectory(std::string& path);
  bool IsAtShownFolder();
  // Whether `path` is a folder that can be entered, empty or not. Silent.
  bool Exists(const std::string& path);

  // The folder uploads should go into but that could not be entered; empty when none. Uploads
  // are refused while it is set. Open and every successful folder change clear it.
  const std::string& UnavailableFolder() const { return unavailableFolder_; }
  void MarkFolderUnavailable(const std::string& path) { unavailableFolder_ = path; }

  // Deletes temporary files that an earlier upload left behind (a broken pass, or any the last
  // listing showed). Stops at a failure of the connection, which it returns.
  FtpError RemoveStrayTemporaries();
  // While muted, failures show their status only; the caller gathers them into one message.
  void MuteMessages(bool muted) { messagesMuted_ = muted; }
  bool MessagesMuted() const { return messagesMuted_; }

  void ReportNotOpen();
  // Shows the status for `error` under `caption` and, when it has one, its message text in a box.
  // Returns the status text.
  std::string ReportError(const FtpError& error, const std::string& caption);

  bool IsOpen() const { return isOpen_; }
  const std::string& HostName() const { return hostName_; }
  const std::string& LocalDirectory() const { return localDir_; }
  const std::vector<RemoteItem>& Items() const { return items_; }
  void ClearItems() { items_.clear(); }
  int RemoteFileCount() const { return remoteFileCount_; }
  int RemoteDirCount() const { return remoteDirCount_; }
  FtpClient& Client() { return client_; }
  // The outcome of the last PutFile, Open, SetCurrentDirectory or IsAtShownFolder.
  const FtpError& LastError() const { return lastError_; }

 private:
  bool Connect(const std::string& host, const std::string& user, const std::string& password);
  void Status(const std::string& text);
  void Message(const std::string& text);
  void AddEntry(const FtpEntry& entry);
  void OnNotice(const FtpNotice& notice);
  bool TryEnsureConnection();

  FtpClient& client_;
  FtpSessionHooks hooks_;
  bool isOpen_ = false;
  std::string hostName_;
  std::string localDir_;
  std::vector<RemoteItem> items_;
  int remoteFileCount_ = 0;
  int remoteDirCount_ = 0;
  bool reconnecting_ = false;
  bool transferring_ = false;
  bool searching_ = false;  // listings and existence queries report no progress
  bool messagesMuted_ = false;
  std::string unavailableFolder_;
  std::vector<std::string> strayTemporaries_;  // absolute paths
  FtpError lastError_;
};

// "%04d/%02d/%02d %02d:%02d.%02d"
std::string RemoteDateText(const FtpTime& time);

}  // namespace zun::ftp
