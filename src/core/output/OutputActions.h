#pragma once
// The output files the delete commands remove, by kind: 0 the flag file, 1 the pure text file,
// 2 the overall ranking file, 3 the count ranking files listed from the 999 folder.
#include <string>
#include <vector>

namespace zun {

inline constexpr const char* kOverallRankingFileName = "000.csv";

struct OutputFolders {
  std::string FlagFilePath;
  std::string TextDir;
  std::string Dir000;
  std::string Dir999;
};

// The paths of one kind; kind 3 joins each listed name to the 999 folder.
std::vector<std::string> OutputFilePaths(int kind, const OutputFolders& folders,
                                         const std::vector<std::string>& listed999);

// Deletes the files of one kind that exist; failures are ignored (the lists show them again).
void DeleteOutputFiles(int kind, const OutputFolders& folders, const std::vector<std::string>& listed999);

}  // namespace zun
