#pragma once
// The FTP client the session runs on: one control connection, kept open between operations.
// Every operation answers with an FtpError; code 0 is success.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/RemoteName.h"

namespace zun::ftp {

// Error codes handed to the session. The numbers are those the session's reports know.
enum FtpErrorCode : int {
  kFtpOk = 0,
  kFtpFileNotFound = 2,            // local file missing
  kFtpPathNotFound = 3,            // a local folder missing
  kFtpAccessDenied = 5,            // local file that may not be read
  kFtpNoMoreFiles = 18,            // a search found nothing (more)
  kFtpReadFault = 30,              // local file that could not be read to its end
  kFtpSharingViolation = 32,       // local file in use
  kFtpInvalidParameter = 87,       // a name or path that cannot be sent
  kFtpDirNotEmpty = 145,
  kFtpTimeout = 12002,             // the server did not answer in time
  kFtpServerError = 12003,         // the server answered with an error reply (message = the reply)
  kFtpInvalidUrl = 12005,
  kFtpNameNotResolved = 12007,
  kFtpLoginFailure = 12015,
  kFtpIncorrectHandleState = 12019,  // no connection open in the client
  kFtpCannotConnect = 12029,
  kFtpConnectionAborted = 12030,
  kFtpInvalidCertificate = 12045,   // the server's certificate could not be verified
  kFtpSecureFailure = 12157,        // TLS refused by the server or broken
  kFtpFolderUnavailable = 12900,    // the folder to upload into cannot be entered
};

// How sftp:// hosts log in and how their keys are checked.
struct SshSettings {
  std::string KeyFile;     // a private key: key login, the password is its passphrase; empty: password login
  std::string KnownHosts;  // OpenSSH's known_hosts file the host key must be in
  // Asked about a key the file does not hold (host as typed, "SHA256:..."); true remembers it
  // there. Unset: such a key is refused.
  std::function<bool(const std::string& host, const std::string& fingerprint)> ConfirmUnknownKey;
};

// Failures of the connection itself, after which no further command can get through; every other
// failure concerns one file or one name.
inline bool IsConnectionFailure(int code) {
  switch (code) {
    case kFtpTimeout:
    case kFtpInvalidUrl:
    case kFtpNameNotResolved:
    case kFtpLoginFailure:
    case kFtpIncorrectHandleState:
    case kFtpCannotConnect:
    case kFtpConnectionAborted:
    case kFtpInvalidCertificate:
    case kFtpSecureFailure: return true;
    default: return false;
  }
}

struct FtpError {
  int code = kFtpOk;
  std::string message;  // the server's reply or the client's own explanation; may be empty
  bool ok() const { return code == kFtpOk; }
};

// Modification time as the server gives it; no time-zone conversion. All zero when unknown.
struct FtpTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const FtpTime&) const = default;
};

struct FtpEntry {
  std::string name;
  bool isFolder = false;
  FtpTime modified;
  uint64_t size = 0;  // 0 when the server does not report one
};

// Progress notices of the connection and of uploads (the status line shows them).
enum class FtpNoticeKind { ConnectingToServer, ConnectedToServer, ReceivingResponse, ConnectionClosed, RequestSent };
struct FtpNotice {
  FtpNoticeKind kind;
  std::string address;  // ConnectingToServer, ConnectedToServer
  int64_t bytes = 0;    // RequestSent
};
using FtpNoticeFn = std::function<void(const FtpNotice&)>;

class FtpClient {
 public:
  virtual ~FtpClient() = default;

  virtual void SetNoticeHandler(FtpNoticeFn handler) = 0;

  // Prepares the client library; the session's OpenInternet.
  virtual FtpError Initialize() = 0;
  // Opens the control connection and logs in. `host` is "name" (port 21) or "name:port".
  virtual FtpError Connect(const std::string& host, const std::string& user, const std::string& password) = 0;
  virtual FtpError Disconnect() = 0;
  virtual bool IsConnected() const = 0;

  // Paths and names are absolute ("/a/b") or relative to the current folder.
  // `path` empty lists the current folder. A folder that holds nothing gives ok and no entries.
  virtual FtpError List(const std::string& path, std::vector<FtpEntry>& entries) = 0;
  virtual FtpError PutFile(const std::string& localPath, const std::string& remoteName) = 0;
  // Publishes a file so that `remoteName` only ever holds a complete copy. The clients of real
  // servers do it through PublishThroughTemporary (ftp/AtomicPublish.h); a client without
  // temporary names stores directly.
  virtual FtpError PublishFile(const std::string& localPath, const std::string& remoteName) {
    return PutFile(localPath, remoteName);
  }
  // The steps of PublishThroughTemporary. StoreFile is PutFile to an absolute path that also
  // tells the size of the local file as it was sent (-1: not known).
  virtual FtpError StoreFile(const std::string& localPath, const std::string& remotePath, int64_t& sentSize) {
    sentSize = -1;
    return PutFile(localPath, remotePath);
  }
  // The size of the file `remotePath` as the server holds it.
  virtual FtpError RemoteSize(const std::string& remotePath, int64_t& size) {
    (void)remotePath;
    size = -1;
    return {};
  }
  // Rename that replaces an existing `to`, whatever the server's own rename does with one.
  virtual FtpError RenameOver(const std::string& from, const std::string& to) { return Rename(from, to); }
  // True when `path` is a folder that can be entered, whether it holds entries or not. The
  // current folder stays as it was.
  virtual bool FolderExists(const std::string& path) {
    std::vector<FtpEntry> entries;
    return List(path, entries).ok();
  }
  // Certificates of ftps:// servers are checked against this file (empty: the system's store).
  virtual void SetCaFile(const std::string& path) { (void)path; }
  virtual void SetSshSettings(const SshSettings& settings) { (void)settings; }
  // Called now and then while an operation waits for the server (so that a window can repaint).
  virtual void SetWaitHook(std::function<void()> hook) { (void)hook; }
  // `name` as an absolute path, resolved against the current folder.
  virtual std::string AbsolutePath(const std::string& name) const { return name; }
  virtual FtpError DeleteFile(const std::string& name) = 0;
  virtual FtpError CreateDirectory(const std::string& name) = 0;
  virtual FtpError RemoveDirectory(const std::string& name) = 0;
  virtual FtpError Rename(const std::string& oldName, const std::string& newName) = 0;
  virtual FtpError ChangeDirectory(const std::string& path) = 0;
  // Asks the server (PWD), so a dead connection shows here.
  virtual FtpError CurrentDirectory(std::string& path) = 0;

  // Successful logins since the client was made (reconnections included).
  virtual int LoginCount() const = 0;
  // How the open connection is protected, for the status line ("" for plain FTP).
  virtual std::string SecurityNote() const { return {}; }
};

// CR, LF or NUL: such a name would smuggle a second command to the server.
inline bool HasLineBreak(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

inline FtpError RefusedName() { return FtpError{kFtpInvalidParameter, "改行を含む名前はｻｰﾊﾞｰに送れません。"}; }
inline FtpError NotConnected() { return FtpError{kFtpIncorrectHandleState, "接続されていません。"}; }

// A file name that can be stored: not empty, no folder, no line break.
inline FtpError CheckRemoteFileName(const std::string& remoteName) {
  if (remoteName.empty() || remoteName.back() == '/') return FtpError{kFtpInvalidParameter, "ﾌｧｲﾙ名がありません。"};
  if (HasLineBreak(remoteName)) return RefusedName();
  return {};
}

// A name for DeleteFile, CreateDirectory and the like: not empty, no line break.
inline FtpError CheckRemoteName(const std::string& name) {
  if (name.empty()) return FtpError{kFtpInvalidParameter, {}};
  if (HasLineBreak(name)) return RefusedName();
  return {};
}

}  // namespace zun::ftp
