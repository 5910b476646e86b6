#pragma once
// What a failed libcurl transfer means to the session: libcurl's code, turned into the codes the
// session's reports know.
#include <string>

#include "ftp/FtpClient.h"

namespace zun::ftp {

// A failed FTP transfer. `curlText` is libcurl's explanation; `errorReply` the text of the
// server's last error reply, or null when it sent none (then the message is libcurl's).
FtpError FtpErrorForCurl(int curlCode, const std::string& curlText, const std::string* errorReply);

// The failures every protocol shares (name, connection, timeout, URL, local file); false for any
// other code, which the protocol's own table judges.
bool TransportErrorForCurl(int curlCode, const std::string& curlText, FtpError& error);

}  // namespace zun::ftp
