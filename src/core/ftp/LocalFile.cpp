#include "ftp/LocalFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace zun::ftp {

FtpError LocalFile::Open(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) {
    const int err = errno;
    return FtpError{err == EACCES || err == EPERM ? kFtpAccessDenied : kFtpFileNotFound, std::strerror(err)};
  }
  struct stat st {};
  if (fstat(fileno(file_.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
    file_.reset();
    return FtpError{kFtpFileNotFound, {}};
  }
  size_ = st.st_size;
  return {};
}

}  // namespace zun::ftp
