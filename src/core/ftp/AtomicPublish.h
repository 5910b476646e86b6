#pragma once
// Publishing a file so that visitors of the server never read a torn or empty copy.
#include <string>

#include "ftp/FtpClient.h"

namespace zun::ftp {

// Stores the local file under TemporaryNameFor(remoteName) in the same folder, checks that the
// server holds as many bytes as were sent, then renames it over `remoteName`. A temporary left
// by a failure is deleted, unless the connection failed (the session then deletes it later).
FtpError PublishThroughTemporary(FtpClient& client, const std::string& localPath, const std::string& remoteName);

}  // namespace zun::ftp
