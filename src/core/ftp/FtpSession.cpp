#include "ftp/FtpSession.h"

#include <algorithm>
#include <cstring>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ftp {
namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::string RemoteDateText(const FtpTime& t) {
  return Format("%04d/%02d/%02d %02d:%02d.%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

FtpSession::FtpSession(FtpClient& client, FtpSessionHooks hooks) : client_(client), hooks_(std::move(hooks)) {
  client_.SetNoticeHandler([this](const FtpNotice& n) { OnNotice(n); });
}

void FtpSession::Status(const std::string& text) {
  if (hooks_.ShowStatus) hooks_.ShowStatus(text);
}

void FtpSession::Message(const std::string& text) {
  if (hooks_.ShowMessage) hooks_.ShowMessage(text);
}

void FtpSession::OnNotice(const FtpNotice& n) {
  if (searching_) return;
  switch (n.kind) {
    case FtpNoticeKind::ConnectingToServer: Status(Format("ｿｹｯﾄｱﾄﾞﾚｽ%sに接続中", n.address.c_str())); break;
    case FtpNoticeKind::ConnectedToServer: Status(Format("ｿｹｯﾄｱﾄﾞﾚｽ%sに接続完了", n.address.c_str())); break;
    case FtpNoticeKind::ReceivingResponse: Status("ｻｰﾊﾞｰからの応答を待っています。"); break;
    case FtpNoticeKind::ConnectionClosed: Status("ｻｰﾊﾞｰからの接続を閉じました。"); break;
    case FtpNoticeKind::RequestSent:
      if (transferring_) Status(Format("%dﾊﾞｲﾄ ｱｯﾌﾟﾛｰﾄﾞ完了", static_cast<int>(n.bytes)));
      break;
  }
}

void FtpSession::ReportNotOpen() { Status(kStatusNotOpen); }

std::string FtpSession::ReportError(const FtpError& error, const std::string& caption) {
  std::string status;
  if (error.code == kFtpSharingViolation) {
    status = Format("%s: %d", "他のﾌﾟﾛｾｽがﾌｧｲﾙを使用中", error.code);
    Status(status);
    return status;
  }
  if (error.code == kFtpDirNotEmpty) {
    status = Format("%s: %d", "ﾌｫﾙﾀﾞが空でない", error.code);
    Status(status);
    return status;
  }
  status = Format("%s: %d\n ", caption.c_str(), error.code);
  Status(status);
  if (!error.message.empty() && !messagesMuted_) Message(error.message);
  return status;
}

bool FtpSession::OpenInternet() {
  FtpError e = client_.Initialize();
  if (!e.ok()) {
    ReportError(e, "InternetOpen失敗");
    return false;
  }
  Status("InternetOpen成功");
  return true;
}

bool FtpSession::Connect(const std::string& host, const std::string& user, const std::string& password) {
  FtpError e = client_.Connect(host, user, password);
  lastError_ = e;
  if (!e.ok()) {
    ReportError(e, "InternetConnect失敗");
    return false;
  }
  if (hooks_.SetConnected) hooks_.SetConnected(true);
  isOpen_ = true;
  hostName_ = host;
  unavailableFolder_.clear();
  return true;
}

bool FtpSession::Open(const std::string& host, const std::string& user, const std::string& password) {
  if (isOpen_) {
    Status(Format("既に接続中です<%s>\n先にCloseしてください", hostName_.c_str()));
    return true;
  }
  if (!Connect(host, user, password)) {
    Status("セッションを閉じました。");
    return false;
  }
  const std::string note = client_.SecurityNote();
  Status(Format("<%s>へ接続しました%s", host.c_str(), note.empty() ? "" : (" (" + note + ")").c_str()));
  return true;
}

bool FtpSession::Close() {
  if (!isOpen_) {
    ReportNotOpen();
    return true;
  }
  FtpError e = client_.Disconnect();
  if (!e.ok()) ReportError(e, "InternetCloseHandle失敗");
  if (hooks_.SetConnected) hooks_.SetConnected(false);
  isOpen_ = false;
  Status("セッションを閉じました");
  return true;
}

void FtpSession::AddEntry(const FtpEntry& entry) {
  if (entry.isFolder && (entry.name == "." || entry.name == "..")) return;
  if (!entry.isFolder && IsTemporaryName(entry.name)) {
    // Left by a broken upload (empty when it stalled at once): never shown as a result,
    // removed by the next pass.
    const std::string path = client_.AbsolutePath(entry.name);
    if (std::find(strayTemporaries_.begin(), strayTemporaries_.end(), path) == strayTemporaries_.end())
      strayTemporaries_.push_back(path);
    return;
  }
  if (entry.size == 0) return;
  RemoteItem item;
  item.Caption = DisplayRemoteName(entry.name);
  item.Name = entry.name;
  item.Date = RemoteDateText(entry.modified);
  if (entry.isFolder) {
    item.ImageIndex = kFolderImage;
    item.Size.assign(1, '0');  // a plain literal trips a false -Wrestrict of GCC 12
    ++remoteDirCount_;
  } else {
    item.ImageIndex = kFileImage;
    item.Size = std::to_string(entry.size);
    ++remoteFileCount_;
  }
  items_.push_back(std::move(item));
}

bool FtpSession::List() {
  if (!isOpen_) {
    ReportNotOpen();
    return false;
  }
  items_.clear();
  remoteDirCount_ = 0;
  remoteFileCount_ = 0;
  std::vector<FtpEntry> entries;
  searching_ = true;
  FtpError e = client_.List("", entries);
  searching_ = false;
  if (!e.ok()) {
    ReportError(e, "FindFirst失敗");
    return true;
  }
  if (entries.empty()) {
    Status(kStatusEmptyFolder);
    return true;
  }
  for (const auto& entry : entries) AddEntry(entry);
  return true;
}

bool FtpSession::PutFile(const std::string& localPath, const std::string& remoteName) {
  if (!isOpen_) {
    lastError_ = FtpError{kFtpIncorrectHandleState, {}};
    ReportNotOpen();
    return true;
  }
  if (HasLineBreak(remoteName)) {
    lastError_ = FtpError{kFtpInvalidParameter, kStatusLineBreakRefused};
    Status(kStatusLineBreakRefused);
    return true;
  }
  std::string local = localPath;
  if (!local.empty() && local[0] != '/' && !localDir_.empty()) local = JoinPath(localDir_, local);
  transferring_ = true;
  FtpError e = client_.PublishFile(local, remoteName);
  transferring_ = false;
  lastError_ = e;
  if (IsConnectionFailure(e.code)) {
    const std::string temp = client_.AbsolutePath(TemporaryNameFor(remoteName));
    if (std::find(strayTemporaries_.begin(), strayTemporaries_.end(), temp) == strayTemporaries_.end())
      strayTemporaries_.push_back(temp);
  }
  if (!e.ok()) {
    if (e.code == kFtpInvalidParameter) {
      Message("ﾊﾟﾗﾒｰﾀが間違っています。");
      Message(Format("%s:%s", localPath.c_str(), remoteName.c_str()));
    }
    if (e.code == kFtpFileNotFound) Message(Format("%s が見つかりませんでした", localPath.c_str()));
    ReportError(e, "FtpPutFile失敗");
  }
  return true;
}

bool FtpSession::DeleteFile(const std::string& name) {
  if (!isOpen_) {
    ReportNotOpen();
    return true;
  }
  if (HasLineBreak(name)) {
    Status(kStatusLineBreakRefused);
    return false;
  }
  FtpError e = client_.DeleteFile(name);
  if (!e.ok()) {
    ReportError(e, "FtpDeleteFile失敗");
    return false;
  }
  return true;
}

bool FtpSession::CreateDirectory(const std::string& name) {
  if (!isOpen_) {
    ReportNotOpen();
    return true;
  }
  if (HasLineBreak(name)) {
    Status(kStatusLineBreakRefused);
    return true;
  }
  FtpError e = client_.CreateDirectory(name);
  if (e.code == kFtpServerError) {
    Status(kStatusFolderExists);
  } else if (!e.ok()) {
    ReportError(e, "FtpCreateDirectory失敗");
  }
  return true;
}

bool FtpSession::RemoveDirectory(const std::string& name) {
  if (!isOpen_) {
    ReportNotOpen();
    return true;
  }
  if (HasLineBreak(name)) {
    Status(kStatusLineBreakRefused);
    return false;
  }
  FtpError e = client_.RemoveDirectory(name);
  if (!e.ok()) {
    ReportError(e, "FtpRemoveDirectory失敗");
    return false;
  }
  Status("FtpRemoveDirectory");
  return true;
}

bool FtpSession::TryEnsureConnection() {
  if (reconnecting_ || !hooks_.EnsureConnection) return false;
  reconnecting_ = true;
  const bool ok = hooks_.EnsureConnection();
  reconnecting_ = false;
  return ok;
}

bool FtpSession::SetCurrentDirectory(const std::string& path, bool mayReconnect) {
  if (!isOpen_) {
    lastError_ = FtpError{kFtpIncorrectHandleState, {}};
    ReportNotOpen();
    return false;
  }
  if (HasLineBreak(path)) {
    lastError_ = FtpError{kFtpInvalidParameter, kStatusLineBreakRefused};
    Status(kStatusLineBreakRefused);
    return true;
  }
  FtpError e = client_.ChangeDirectory(path);
  if (!e.ok() && mayReconnect && TryEnsureConnection()) e = client_.ChangeDirectory(path);
  lastError_ = e;
  if (e.ok()) {
    unavailableFolder_.clear();
    Status("FtpSetCurrentDirectory");
  } else {
    ReportError(e, "FtpSetCurrentDirectory失敗");
  }
  return true;
}

bool FtpSession::SetLocalDirectory(const std::string& path) {
  if (path.empty() || !DirectoryExists(path)) {
    ReportError(FtpError{kFtpPathNotFound, path.empty() ? std::string() : path + ": " + std::strerror(ENOENT)}, "SetCurrentDirectory失敗");
    return false;
  }
  localDir_ = path;
  Status("SetCurrentDirectory");
  return true;
}

bool FtpSession::RenameFile(const std::string& oldName, const std::string& newName) {
  if (!isOpen_) {
    ReportNotOpen();
    return true;
  }
  if (HasLineBreak(oldName) || HasLineBreak(newName)) {
    Status(kStatusLineBreakRefused);
    return false;
  }
  FtpError e = client_.Rename(oldName, newName);
  if (!e.ok()) {
    ReportError(e, "FtpRenameFile失敗");
    return false;
  }
  Status("FtpRenameFile");
  return true;
}

bool FtpSession::GetCurrentDirectory(std::string& path) {
  if (!isOpen_) {
    ReportNotOpen();
    return false;
  }
  FtpError e = client_.CurrentDirectory(path);
  if (e.ok()) return true;
  TryEnsureConnection();
  if (!isOpen_) {
    ReportError(e, "FtpGetCurrentDirectory失敗");
    return false;
  }
  e = client_.CurrentDirectory(path);
  if (e.ok()) return true;
  ReportError(e, "FtpGetCurrentDirectory失敗");
  return false;
}

bool FtpSession::IsAtShownFolder() {
  if (!isOpen_) {
    lastError_ = FtpError{kFtpIncorrectHandleState, {}};
    ReportNotOpen();
    return false;
  }
  std::string path;
  FtpError e = client_.CurrentDirectory(path);
  lastError_ = e;
  if (!e.ok()) {
    ReportError(e, "FtpGetCurrentDirectory失敗");
    return false;
  }
  const std::string shown = hooks_.ShownFolder ? hooks_.ShownFolder() : std::string();
  return AsciiLower(path) == AsciiLower(shown);
}

bool FtpSession::Exists(const std::string& path) {
  if (HasLineBreak(path) || !client_.IsConnected()) return false;
  searching_ = true;
  const bool exists = client_.FolderExists(path);
  searching_ = false;
  return exists;
}

FtpError FtpSession::RemoveStrayTemporaries() {
  while (!strayTemporaries_.empty()) {
    FtpError e = client_.DeleteFile(strayTemporaries_.back());
    if (IsConnectionFailure(e.code)) return e;
    strayTemporaries_.pop_back();  // gone, or refused: a later listing brings it back
  }
  return {};
}

}  // namespace zun::ftp
