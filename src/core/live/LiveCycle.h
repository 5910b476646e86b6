#pragma once
// The live cycle's data: the loaded grid, the flag list and what the last load saw of the files.
// The window's tick and zuntext-batch both load and write through here.
#include <string>

#include "live/LoadPipeline.h"
#include "output/Ranking.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace zun {

struct OutputTargets {
  std::string PureTextPath;
  bool Csv = true;  // also the ranking files
  std::string Dir000;
  std::string Dir999;
};

struct OutputReport {
  SaveResult pureText = SaveResult::Ok;
  bool rankingsWritten = false;  // the ranking writer ran (Csv and tables present)
  RankingReport ranking;
};

class LiveCycle {
 public:
  ResultData Data;
  FlagList Flags;

  // A full load of `zunTextPath` and its flag file.
  LoadReport Load(const std::string& zunTextPath);

  // True when the zunText file or the flag file differs (time or size) from what the last load saw.
  bool SourcesChanged() const;

  // The pure text and, when asked, the ranking files from the loaded data.
  OutputReport WriteOutputs(const OutputTargets& targets);

 private:
  std::string path_;
  FileStamp zunStamp_;
  FileStamp flagStamp_;
};

}  // namespace zun
