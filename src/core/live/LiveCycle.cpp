#include "live/LiveCycle.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <future>
#include <set>
#include <thread>
#include <utility>


namespace zun {

namespace {

FileStamp StampIfThere(const std::string& path) { return FileExists(path) ? StampOf(path) : FileStamp{}; }

}  // namespace

LoadReport LiveCycle::Load(const std::string& zunTextPath, Mode mode, bool flagsAsGiven) {
  // Stamps and flag bytes first: a change during the load is then seen by the next look.
  const FileStamp zunNow = StampIfThere(zunTextPath);
  const FileStamp flagNow = StampIfThere(FlagFilePathFor(zunTextPath));
  bool flagThere = false;
  std::string flagBytes;
  ReadFlagBytes(zunTextPath, flagThere, flagBytes);
  // The cut must still fall after a line break: a file written anew since is read whole.
  resume_.readTo = mode == Mode::Update && EndsALine(zunTextPath, readTo_) ? readTo_ : UINT64_MAX;
  readTo_ = UINT64_MAX;
  if (mode == Mode::Update && !flagsAsGiven) TakeFlagFile(zunTextPath, zunNow, flagThere, flagBytes);
  int firstNew = INT_MAX;
  appended_ = mode == Mode::Update && CanAppend(zunTextPath, zunNow, flagThere, flagBytes) &&
              LoadAppendedLines(Data, Flags, zunTextPath, resume_, repeats_, pureFrom_, firstNew, rankingRows_) &&
              loadedBytes_.Extend(zunTextPath, resume_.end);
  if (appended_) {
    // The rows from the first one read again have their stamps read again at the next mark.
    stamps_.resize(std::min(stamps_.size(), static_cast<size_t>(std::max(firstNew, 0))));
    last_.firstRepeatFound = repeats_.AnyMarked();
    rankingFrom_ = std::min(rankingFrom_, firstNew);
  } else {
    rankingWhole_ = true;
    rankingRows_.clear();
    stamps_.clear();
    // A file the cycle sees but cannot open (being replaced, a share that hiccups) keeps the
    // readings loaded: an emptied grid would be published as the race's results.
    const bool keepIfUnopened = mode == Mode::Update;
    // Only a later load of appended lines would read the per-row tables again.
    const LoadReport report =
        appendable_ ? LoadResultGrid(Data, Flags, zunTextPath, resume_, &repeats_, /*keepTables=*/true,
                                     flagsAsGiven, keepIfUnopened)
                    : LoadResultGrid(Data, Flags, zunTextPath, resume_, nullptr, /*keepTables=*/false, flagsAsGiven,
                                     keepIfUnopened);
    pureFrom_ = 1;
    if (!report.fileOpened && keepIfUnopened) {
      // The stamps stay, so the change is still seen, and the next load is whole.
      last_.fileOpened = false;
      return report;
    }
    last_ = report;
    loadedBytes_.Clear();
    // Without the loaded bytes' hash the next load is whole again.
    if (!appendable_ || !loadedBytes_.Extend(zunTextPath, resume_.end)) resume_.end = UINT64_MAX;
  }
  pieceLeft_ = resume_.readTo != UINT64_MAX && resume_.end < static_cast<uint64_t>(zunNow.size);
  path_ = zunTextPath;
  zunStamp_ = zunNow;
  flagStamp_ = flagNow;
  flagsLoaded_ = Flags;
  flagFileThere_ = flagThere;
  flagBytes_ = std::move(flagBytes);
  return last_;
}

void LiveCycle::ReadFlagBytes(const std::string& zunTextPath, bool& there, std::string& bytes) {
  const std::string flagPath = FlagFilePathFor(zunTextPath);
  there = FileExists(flagPath) && ReadFileBytes(flagPath, bytes);
  if (!there) bytes.clear();
}

bool LiveCycle::CanAppend(const std::string& zunTextPath, const FileStamp& zunNow, bool flagThere,
                          const std::string& flagBytes) const {
  if (zunTextPath != path_ || !last_.fileOpened || !Data.HasTables) return false;
  if (Data.RowTotal != Data.Grid.RowCount()) return false;
  // The flag file is small: its bytes, not its time, tell whether it changed.
  if (Flags != flagsLoaded_ || flagThere != flagFileThere_ || flagBytes != flagBytes_) return false;
  if (!zunNow.exists || static_cast<uint64_t>(zunNow.size) < resume_.end) return false;
  return loadedBytes_.Bytes() == resume_.end && loadedBytes_.Matches(zunTextPath);
}

bool LiveCycle::HoldsForLineEnd(const std::string& path, int64_t nowMs) {
  readTo_ = lineEnd_.LoadUpTo(path, nowMs);
  if (readTo_ == UINT64_MAX) return false;
  // The open line read as it stood, growing again: nothing complete came after it.
  const bool sameOpenLine = path == path_ && readTo_ == resume_.offset && resume_.end > resume_.offset;
  if (readTo_ != 0 && !sameOpenLine) return false;
  readTo_ = UINT64_MAX;
  return true;
}

bool LiveCycle::MarksUpdatable(const FlagList& flags) const {
  return appendable_ && last_.fileOpened && Data.HasTables && Data.RowTotal == Data.Grid.RowCount() &&
         flags == flagsLoaded_;
}

MarkOutcome LiveCycle::SetMark(int row, const std::string& flagFilePath) {
  if (!MarksUpdatable(Flags)) return SetFlagMark(Data.Grid, Flags, row, flagFilePath);
  const FlagList before = Flags;
  if (!AddFlagMark(Data.Grid, Flags, row)) return MarkOutcome::AlreadyMarked;
  return SaveBesideRemark(before, row, flagFilePath);
}

MarkOutcome LiveCycle::RemoveMark(int index, const std::string& flagFilePath) {
  if (!MarksUpdatable(Flags) || index < 0 || index >= static_cast<int>(Flags.size()))
    return RemoveFlagMark(Data.Grid, Flags, index, flagFilePath);
  const FlagList before = Flags;
  // The rows the line matched get their marks back from the remark, saved or not.
  Flags.erase(Flags.begin() + index);
  return SaveBesideRemark(before, 0, flagFilePath);
}

MarkOutcome LiveCycle::SaveBesideRemark(const FlagList& before, int markedRow, const std::string& flagFilePath) {
  // The save waits for the disk, the remark for the processor: each goes on while the other does.
  std::future<MarkOutcome> saved =
      std::async(std::launch::async, [flags = Flags, &flagFilePath] { return SaveFlags(flags, flagFilePath); });
  MarksChanged(before, markedRow);
  const MarkOutcome outcome = saved.get();
  NoteFlagFileSaved(flagFilePath);
  return outcome;
}

bool LiveCycle::MarksChanged(const FlagList& before, int markedRow) {
  // Otherwise the lists differ, and the next load and write start from the whole file.
  if (!MarksUpdatable(before)) return false;
  ResultGrid& grid = Data.Grid;
  if (stamps_.size() > static_cast<size_t>(grid.RowCount())) stamps_.clear();
  ReadRowStamps(grid, stamps_);
  const std::vector<int32_t> changed = RemarkFlaggedRows(grid, stamps_, before, Flags, Data.OwnMarks, markedRow);
  if (!changed.empty()) {
    std::set<int32_t> touched;
    for (int32_t r : changed) repeats_.Touch(grid, r, touched);
    const size_t known = rankingRows_.size();
    rankingRows_.insert(rankingRows_.end(), changed.begin(), changed.end());
    repeats_.Remark(grid, touched, rankingRows_);
    // The pure text converts again only the blocks of these rows.
    pureRows_.insert(pureRows_.end(), rankingRows_.begin() + static_cast<std::ptrdiff_t>(known), rankingRows_.end());
    last_.firstRepeatFound = repeats_.AnyMarked();
  }
  flagsLoaded_ = Flags;
  if (flagsWritten_ == before) flagsWritten_ = Flags;
  if (flagsRanked_ == before) flagsRanked_ = Flags;
  return true;
}

void LiveCycle::NoteFlagFileSaved(const std::string& flagFilePath) {
  // The file as saved holds these marks, unless the save failed or another program changed it
  // again: the next load then takes in what it holds.
  if (flagFilePath != FlagFilePathFor(path_)) return;
  bool there = false;
  std::string bytes;
  ReadFlagBytes(path_, there, bytes);
  FlagList onDisk;
  const FlagFileRead read = ReadFlagFile(flagFilePath, onDisk);
  if (read == FlagFileRead::OpenFailed || onDisk != Flags) return;
  last_.flagFile = read;
  flagFileThere_ = there;
  flagBytes_ = std::move(bytes);
  flagStamp_ = StampIfThere(flagFilePath);
}

void LiveCycle::TakeFlagFile(const std::string& zunTextPath, const FileStamp& zunNow, bool flagThere,
                             const std::string& flagBytes) {
  if (flagThere == flagFileThere_ && flagBytes == flagBytes_) return;
  // Only when the lines loaded are likely to stay: a file written anew is loaded whole anyway.
  if (zunTextPath != path_ || !MarksUpdatable(Flags) || !zunNow.exists ||
      static_cast<uint64_t>(zunNow.size) < resume_.end)
    return;
  FlagList onDisk;
  const FlagFileRead read = ReadFlagFile(FlagFilePathFor(zunTextPath), onDisk);
  if (read == FlagFileRead::OpenFailed) return;
  const FlagList before = std::exchange(Flags, std::move(onDisk));
  MarksChanged(before);
  last_.flagFile = read;
  flagFileThere_ = flagThere;
  flagBytes_ = flagBytes;
}

bool LiveCycle::SourcesChanged() const {
  return StampIfThere(path_) != zunStamp_ || StampIfThere(FlagFilePathFor(path_)) != flagStamp_;
}

OutputReport LiveCycle::WriteOutputs(const OutputTargets& targets) {
  OutputReport report;
  // The rankings on a second core while this one builds and writes the pure text, then the
  // count files here while the other writes 000.csv. A run that writes once keeps no texts, as
  // they would only add to its peak memory: each file is streamed as it is formatted, and no
  // memo of written files is kept.
  std::thread rankings;
  std::promise<void> rankingsBuilt;
  bool overallOpened = false;
  bool overallWritten = false;
  RankingMemo* const memo = appendable_ ? &rankingMemo_ : nullptr;
  if (targets.Csv && Data.HasTables) {
    report.rankingsWritten = true;
    if (rankingWhole_ || Flags != flagsRanked_ || !ranking_.Updatable()) {
      rankingWhole_ = true;
      rankingRows_.clear();
    }
    rankings = std::thread([this, &report, &targets, &rankingsBuilt, &overallOpened, &overallWritten, memo] {
      if (!appendable_) {
        overallOpened = ranking_.OpenOverall(targets.Dir000);
        ranking_.BuildOnce(Data.Grid, Data.RowTotal);
      } else if (rankingWhole_) {
        ranking_.Rebuild(Data.Grid, Data.RowTotal, Data.Passages);
      } else {
        ranking_.Update(Data.Grid, Data.RowTotal, rankingFrom_, rankingRows_);
      }
      rankingsBuilt.set_value();
      overallWritten = ranking_.WriteOverall(targets.Dir000, memo, report.ranking);
    });
    flagsRanked_ = Flags;
  }
  if (Flags != flagsWritten_) pureFrom_ = 1;
  if (appendable_) {
    // Most of the text stays from one tick to the next: it is written to the next file ahead.
    pureFile_.Settle();
    if (pureFrom_ > 1) pure_.Redo(Data.Grid, pureRows_);
    const std::string_view text = pure_.Build(Data.Grid, pureFrom_);
    report.pureText = pureFile_.Replace(targets.PureTextPath, text, pure_.KeptBytes());
    if (report.pureText == SaveResult::Ok)
      pureFile_.WriteAhead(targets.PureTextPath, text.substr(0, pure_.StableBytes()));
  } else {
    report.pureText = WritePureTextFile(Data.Grid, targets.PureTextPath);
  }
  pureFrom_ = INT_MAX;
  pureRows_.clear();
  flagsWritten_ = Flags;
  // While the other core ranks, the rows' stamps are read for the next mark: after a whole load
  // all of them, after appended lines only those.
  if (appendable_ && Data.HasTables) ReadRowStamps(Data.Grid, stamps_);
  if (rankings.joinable()) {
    RankingReport counts;
    rankingsBuilt.get_future().wait();
    if (!appendable_) {
      // Count files are written only when 000.csv could be opened.
      if (overallOpened) ranking_.WriteCounts(targets.Dir999, memo, counts);
    } else {
      ranking_.FormatCounts();
    }
    rankings.join();
    if (appendable_ && overallWritten) ranking_.WriteCounts(targets.Dir999, memo, counts);
    report.ranking.countFilesWritten = counts.countFilesWritten;
    report.ranking.countFileFailed = counts.countFileFailed;
    report.ranking.filesKept += counts.filesKept;
    rankingWhole_ = false;
    rankingFrom_ = INT_MAX;
    rankingRows_.clear();
  }
  return report;
}

}  // namespace zun
