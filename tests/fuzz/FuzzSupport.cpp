#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zun::fuzz {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string pattern = "/tmp/zun-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

std::string ScratchFile(std::string_view name) { return ScratchDir() + "/" + std::string(name); }

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::abort();
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace zun::fuzz
