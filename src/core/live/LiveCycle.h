#pragma once
// The live cycle's data: the loaded grid, the flag list and what the last load saw of the files.
// The window's tick and zuntext-batch both load and write through here.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "live/LineEndWait.h"
#include "live/LoadPipeline.h"
#include "platform/PrefixHash.h"
#include "output/PureText.h"
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
  // Without `appendable` every load is whole and the loaded bytes are not kept for the check.
  explicit LiveCycle(bool appendable = true) : appendable_(appendable) {}

  ResultData Data;
  FlagList Flags;

  // Update reads only the lines appended since the last load when the file only grew (checked
  // byte for byte) and nothing else changed; otherwise, and with Full, the whole file is loaded.
  // An Update that cannot open the file leaves Data and Flags as they were (fileOpened false).
  enum class Mode { Full, Update };
  // With `flagsAsGiven` a whole load marks the rows from Flags as it stands, not from the flag
  // file: marks the file could not take are kept.
  LoadReport Load(const std::string& zunTextPath, Mode mode = Mode::Full, bool flagsAsGiven = false);
  // The last load read only appended lines.
  bool LastLoadAppended() const { return appended_; }

  // True when the zunText file or the flag file differs (time or size) from what the last load saw.
  bool SourcesChanged() const;

  // Before the Update load of a tick (at `nowMs` on the tick's steady clock): while the last line
  // of `path` is still being written, that load reads only the lines before it. True when the
  // tick has nothing to load: no line break at all, or only the open line already read, growing.
  bool HoldsForLineEnd(const std::string& path, int64_t nowMs);
  // The last load left a line's piece unread: the next look loads, whether the files changed or not.
  bool PieceLeft() const { return pieceLeft_; }

  // The operator's marks (SetFlagMark, RemoveFlagMark), after which every row's marks, the "R"
  // marks and the next write are brought up to date from the rows the change touches, as a full
  // load with the new list would leave them.
  MarkOutcome SetMark(int row, const std::string& flagFilePath);
  MarkOutcome RemoveMark(int index, const std::string& flagFilePath);

  // The pure text and, when asked, the ranking files from the loaded data.
  OutputReport WriteOutputs(const OutputTargets& targets);

 private:
  bool CanAppend(const std::string& zunTextPath, const FileStamp& zunNow, bool flagThere,
                 const std::string& flagBytes) const;
  static void ReadFlagBytes(const std::string& zunTextPath, bool& there, std::string& bytes);
  // The loaded data, last loaded with `flags`, can take a change of marks in place.
  bool MarksUpdatable(const FlagList& flags) const;
  // Flags has changed from `before` (and SetFlagMark marked `markedRow`): the rows, "R" marks
  // and what the next write redoes follow. False when the data cannot take it in place (the next
  // load is then whole).
  bool MarksChanged(const FlagList& before, int markedRow = 0);
  // Flags has changed from `before`: the flag file is saved while the rows follow.
  MarkOutcome SaveBesideRemark(const FlagList& before, int markedRow, const std::string& flagFilePath);
  void NoteFlagFileSaved(const std::string& flagFilePath);
  // A flag file another program rewrote, taken in without a full load when the lines can stay.
  void TakeFlagFile(const std::string& zunTextPath, const FileStamp& zunNow, bool flagThere,
                    const std::string& flagBytes);

  bool appendable_;
  std::string path_;
  FileStamp zunStamp_;
  FileStamp flagStamp_;
  LoadReport last_;
  FlagList flagsLoaded_;  // the flag list as the last load left it
  bool flagFileThere_ = false;
  std::string flagBytes_;  // the flag file as the last load found it
  ZunTextResume resume_;
  FirstRepeatIndex repeats_;
  std::vector<int32_t> stamps_;  // ReadRowStamps' of the grid, brought up to date at each write
  FilePrefix loadedBytes_;  // the bytes of the file the grid holds
  bool appended_ = false;
  LineEndWait lineEnd_;
  uint64_t readTo_ = UINT64_MAX;  // where the next Update load stops
  bool pieceLeft_ = false;
  PureTextBuilder pure_;
  FileWrittenAhead pureFile_;  // after pure_: it writes from pure_'s text until it is gone
  int pureFrom_ = 1;       // the first row changed since the pure text was last built
  std::vector<int32_t> pureRows_;  // earlier rows whose marks changed since
  FlagList flagsWritten_;  // the flag list at that time: a mark set since changes rows too
  RankingMemo rankingMemo_;
  RankingBuilder ranking_;
  bool rankingWhole_ = true;          // the next ranking write starts from the whole grid
  int rankingFrom_ = INT_MAX;         // the first row read again since the last ranking write
  std::vector<int32_t> rankingRows_;  // earlier rows whose marks changed since
  FlagList flagsRanked_;              // the flag list at the last ranking write
};

}  // namespace zun
