#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards.
#include <string>
#include <string_view>

namespace zun::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const;  // path of `name` inside the folder

 private:
  std::string path_;
};

// Whole-file helpers for assertions.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, std::string_view bytes);

}  // namespace zun::test
