#include "platform/FileLocations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Paths.h"

namespace zun {

namespace {

constexpr const char* kAppFolder = "zuntexteditor";

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Like mkdir -p; failures show later, when a file in the folder cannot be written.
void CreateFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
    if (slash == std::string::npos) break;
  }
}

}  // namespace

FileLocations LocateFiles(const std::string& executablePath, bool executableFolderWritable,
                          const std::string& xdgConfigHome, const std::string& xdgDataHome, const std::string& home) {
  const std::string name = FileNameOf(executablePath);
  if (executableFolderWritable) {
    return {ReplaceExtension(executablePath, ".INI"), ReplaceExtension(executablePath, ".H$$"),
            JoinPath(FolderOf(executablePath), "TXT")};
  }
  // Relative XDG folders are to be ignored, as the base directory rules say.
  const std::string config =
      JoinPath(!xdgConfigHome.empty() && xdgConfigHome[0] == '/' ? xdgConfigHome : JoinPath(home, ".config"), kAppFolder);
  const std::string data = JoinPath(
      !xdgDataHome.empty() && xdgDataHome[0] == '/' ? xdgDataHome : JoinPath(home, ".local/share"), kAppFolder);
  return {JoinPath(config, ReplaceExtension(name, ".INI")), JoinPath(config, ReplaceExtension(name, ".H$$")),
          JoinPath(data, "TXT")};
}

FileLocations LocateFilesForThisUser(const std::string& executablePath) {
  const std::string folder = FolderOf(executablePath);
  // The system's program folders are never used for data, even by root.
  const bool writable =
      access(folder.empty() ? "." : folder.c_str(), W_OK) == 0 && folder.rfind("/usr/", 0) != 0;
  FileLocations files = LocateFiles(executablePath, writable, EnvOrEmpty("XDG_CONFIG_HOME"),
                                    EnvOrEmpty("XDG_DATA_HOME"), EnvOrEmpty("HOME"));
  if (!writable) {
    CreateFolders(FolderOf(files.SettingsFile));
    CreateFolders(FolderOf(files.DefaultOutputDir));
  }
  return files;
}

}  // namespace zun
