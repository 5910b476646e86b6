#pragma once
// A local file opened to be sent, closed however the send ends.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "ftp/FtpClient.h"

namespace zun::ftp {

class LocalFile {
 public:
  // Opens a regular file for reading. Fails with kFtpFileNotFound, or kFtpAccessDenied when it
  // may not be read.
  FtpError Open(const std::string& path);
  FILE* Get() const { return file_.get(); }
  int64_t Size() const { return size_; }  // as the file stood when it was opened

 private:
  struct Close {
    void operator()(FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<FILE, Close> file_;
  int64_t size_ = 0;
};

}  // namespace zun::ftp
