#include "output/OutputActions.h"

#include "output/PureText.h"
#include "platform/Paths.h"

namespace zun {

std::vector<std::string> OutputFilePaths(int kind, const OutputFolders& folders,
                                         const std::vector<std::string>& listed999) {
  switch (kind) {
    case 0: return {folders.FlagFilePath};
    case 1: return {JoinPath(folders.TextDir, kPureTextFileName)};
    case 2: return {JoinPath(folders.Dir000, kOverallRankingFileName)};
    case 3: {
      std::vector<std::string> paths;
      paths.reserve(listed999.size());
      for (const std::string& name : listed999) paths.push_back(JoinPath(folders.Dir999, name));
      return paths;
    }
    default: return {};
  }
}

void DeleteOutputFiles(int kind, const OutputFolders& folders, const std::vector<std::string>& listed999) {
  for (const std::string& path : OutputFilePaths(kind, folders, listed999))
    if (FileExists(path)) RemoveFile(path);
}

}  // namespace zun
