#pragma once
// The decision of one look of the live cycle, taken alike for the window's timer and for
// zuntext-batch --watch: each driver says what it sees of the files and of its passes, on its own
// clock, acts on the step and tells its user in its own way.
#include <functional>

namespace zun {

// Why a look loads nothing.
enum class CycleHold {
  None,
  NothingLoaded,       // no zunText file is in the grid yet
  FileMissing,         // the zunText file is not there: it is being replaced
  FileEmpty,           // it is empty: being written anew, and its outputs would be empty
  LineEnd,             // its last line is still being written
  FlagFileUnreadable,  // the flag file is there but cannot be read: a load would drop the marks
  FileUnopened,        // the load could not open the zunText file: the readings loaded stay
  TooBig,              // the grid reached the row limit and holds no marks: no outputs are written
};

enum class CycleAction {
  None,
  Reload,  // load the files, then act as AfterReload says
  Write,   // write the outputs of what is loaded; a pass follows the write as after every write
  Send,    // send the outputs as they stand
};

struct CycleStep {
  CycleHold hold = CycleHold::None;
  CycleAction action = CycleAction::None;
  bool operator==(const CycleStep&) const = default;
};

struct LookFacts {
  bool loaded = false;
  bool fileMissing = false;
  bool fileEmpty = false;
  // The files changed since the last load as the driver sees them, a piece of a line was left,
  // or the last load could not open the file.
  bool reloadDue = false;
  // Asked only when a reload is due and nothing above holds it, in this order: each reads a file.
  std::function<bool()> lineOpen;
  std::function<bool()> flagFileUnreadable;

  bool writesOutputs = false;  // a reload is followed by writing the outputs
  bool tooBig = false;         // the grid loaded last reached the row limit
  bool outputsDue = false;     // marks changed since the outputs were written, or their last write failed
  bool publishes = false;      // passes follow the writes
  bool passHeld = false;       // a pass the cycle held back (another folder shown, a pass still out)
  bool passFailed = false;     // the last pass failed or had a file refused
  bool retryDue = false;       // kQuietRetrySeconds have passed since that pass
  bool filesLeftOver = false;  // the last pass had no room for some files
};

// What a look does. A look whose files are held, or that finds nothing to load, still writes the
// outputs a failed write or a mark left due, and sends again what a pass could not: after the last
// reading no change would bring them.
CycleStep DecideLook(const LookFacts& facts);

// What follows a reload.
CycleStep AfterReload(bool fileOpened, bool tooBig, bool writesOutputs);

}  // namespace zun
