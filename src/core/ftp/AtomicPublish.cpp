#include "ftp/AtomicPublish.h"

#include "ftp/RemoteName.h"
#include "platform/Text.h"

namespace zun::ftp {

FtpError PublishThroughTemporary(FtpClient& client, const std::string& localPath, const std::string& remoteName) {
  if (FtpError e = CheckRemoteFileName(remoteName); !e.ok()) return e;
  if (!client.IsConnected()) return NotConnected();
  const std::string finalPath = client.AbsolutePath(remoteName);
  const std::string tempPath = client.AbsolutePath(TemporaryNameFor(remoteName));
  int64_t sent = -1;
  FtpError e = client.StoreFile(localPath, tempPath, sent);
  if (e.code == kFtpFileNotFound || e.code == kFtpAccessDenied) return e;  // nothing reached the server
  int64_t held = -1;
  if (e.ok()) e = client.RemoteSize(tempPath, held);
  if (e.ok() && (sent < 0 || held != sent))
    e = FtpError{kFtpServerError, Format("ｻｲｽﾞが一致しません (送信 %lld, ｻｰﾊﾞｰ %lld ﾊﾞｲﾄ)", static_cast<long long>(sent),
                                         static_cast<long long>(held))};
  if (e.ok()) e = client.RenameOver(tempPath, finalPath);
  if (!e.ok() && !IsConnectionFailure(e.code)) client.DeleteFile(tempPath);
  return e;
}

}  // namespace zun::ftp
