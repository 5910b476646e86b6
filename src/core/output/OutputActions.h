#pragma once
// The output files the delete commands remove, by kind.
#include <string>
#include <vector>

#include "platform/OutputNames.h"

namespace zun {

enum class OutputKind {
  FlagFile,
  PureText,
  OverallRanking,
  CountRankings,  // the count ranking files listed from the 999 folder
};

struct OutputFolders {
  std::string FlagFilePath;
  std::string TextDir;
  std::string Dir000;
  std::string Dir999;
};

// The paths of one kind; CountRankings joins each listed name to the 999 folder.
std::vector<std::string> OutputFilePaths(OutputKind kind, const OutputFolders& folders,
                                         const std::vector<std::string>& listed999);

// Deletes the files of one kind that exist; failures are ignored (the lists show them again).
void DeleteOutputFiles(OutputKind kind, const OutputFolders& folders, const std::vector<std::string>& listed999);

}  // namespace zun
