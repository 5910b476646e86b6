#include "live/LiveCycle.h"

#include "output/PureText.h"

namespace zun {

namespace {

FileStamp StampIfThere(const std::string& path) { return FileExists(path) ? StampOf(path) : FileStamp{}; }

}  // namespace

LoadReport LiveCycle::Load(const std::string& zunTextPath) {
  path_ = zunTextPath;
  // Stamps first: a change during the load is then seen by the next look.
  zunStamp_ = StampIfThere(path_);
  flagStamp_ = StampIfThere(FlagFilePathFor(path_));
  return LoadResultGrid(Data, Flags, zunTextPath);
}

bool LiveCycle::SourcesChanged() const {
  return StampIfThere(path_) != zunStamp_ || StampIfThere(FlagFilePathFor(path_)) != flagStamp_;
}

OutputReport LiveCycle::WriteOutputs(const OutputTargets& targets) {
  OutputReport report;
  report.pureText = WritePureTextFile(Data.Grid, targets.PureTextPath);
  if (targets.Csv && Data.HasTables) {
    report.rankingsWritten = true;
    report.ranking = WriteRankingFiles(Data.Grid, Data.RowTotal, Data.Passages, targets.Dir000, targets.Dir999);
  }
  return report;
}

}  // namespace zun
