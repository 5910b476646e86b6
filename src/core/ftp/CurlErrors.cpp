#include "ftp/CurlErrors.h"

#include <curl/curl.h>

namespace zun::ftp {

bool TransportErrorForCurl(int curlCode, const std::string& curlText, FtpError& error) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_COULDNT_RESOLVE_HOST: error = {kFtpNameNotResolved, curlText}; return true;
    case CURLE_COULDNT_CONNECT: error = {kFtpCannotConnect, curlText}; return true;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT: error = {kFtpTimeout, curlText}; return true;
    case CURLE_URL_MALFORMAT: error = {kFtpInvalidUrl, curlText}; return true;
    case CURLE_READ_ERROR: error = {kFtpReadFault, curlText}; return true;  // the local file could not be read
    default: return false;
  }
}

FtpError FtpErrorForCurl(int curlCode, const std::string& curlText, const std::string* errorReply) {
  FtpError transport;
  if (TransportErrorForCurl(curlCode, curlText, transport)) return transport;
  const std::string message = errorReply ? *errorReply : curlText;
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_LOGIN_DENIED: return {kFtpLoginFailure, message};
    case CURLE_USE_SSL_FAILED: return {kFtpSecureFailure, "ｻｰﾊﾞｰがTLSを受け付けません: " + message};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return {kFtpInvalidCertificate, "ｻｰﾊﾞｰ証明書を確認できません: " + curlText};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED: return {kFtpSecureFailure, "TLS: " + curlText};
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_WEIRD_SERVER_REPLY: return {kFtpConnectionAborted, message};
    default: return {errorReply ? kFtpServerError : kFtpConnectionAborted, message};
  }
}

}  // namespace zun::ftp
