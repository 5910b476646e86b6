#include "output/OutputActions.h"

#include "output/PureText.h"
#include "platform/Paths.h"

namespace zun {

std::vector<std::string> OutputFilePaths(OutputKind kind, const OutputFolders& folders,
                                         const std::vector<std::string>& listed999) {
  switch (kind) {
    case OutputKind::FlagFile: return {folders.FlagFilePath};
    case OutputKind::PureText: return {JoinPath(folders.TextDir, kPureTextFileName)};
    case OutputKind::OverallRanking: return {JoinPath(folders.Dir000, kOverallRankingFileName)};
    case OutputKind::CountRankings: {
      std::vector<std::string> paths;
      paths.reserve(listed999.size());
      for (const std::string& name : listed999) paths.push_back(JoinPath(folders.Dir999, name));
      return paths;
    }
  }
  return {};
}

void DeleteOutputFiles(OutputKind kind, const OutputFolders& folders, const std::vector<std::string>& listed999) {
  for (const std::string& path : OutputFilePaths(kind, folders, listed999))
    if (FileExists(path)) RemoveFile(path);
}

}  // namespace zun
