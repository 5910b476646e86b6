#pragma once
// Where the program keeps its settings file, its host file and its default output folder: beside
// the executable when that folder is writable (a portable copy, as the program always was), and
// in the user's own folders when it is installed where users cannot write (/usr/bin).
#include <string>

namespace zun {

struct FileLocations {
  std::string SettingsFile;      // "<name>.INI"
  std::string HostFile;          // "<name>.H$$"
  std::string DefaultOutputDir;  // "TXT"
  bool operator==(const FileLocations&) const = default;
};

// The rule, from what it depends on. Empty XDG folders fall back to ~/.config and ~/.local/share.
FileLocations LocateFiles(const std::string& executablePath, bool executableFolderWritable,
                          const std::string& xdgConfigHome, const std::string& xdgDataHome, const std::string& home);

// The rule for this process and user (a folder under /usr/ counts as not writable); the user's
// folders are created.
FileLocations LocateFilesForThisUser(const std::string& executablePath);

}  // namespace zun
