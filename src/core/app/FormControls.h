#pragma once
// Every control of the main window, written once. FormMain declares one record per entry; the
// window binds each widget through its id and names the widget after the entry, so a control
// renamed here breaks the build wherever it is still used under its old name.
#include <ctime>
#include <string>

#include "app/Control.h"
#include "view/RowVisibility.h"

// X(record type, name): in the order the window is built.
#define ZUN_FORM_CONTROLS(X)                                                          \
  X(Control, Window) /* the form itself: caption */                                   \
  X(Control, Edit1)                                                                   \
  X(Control, GroupBox1)                                                               \
  X(Control, LEdit1) /* LEdit1..LEdit5: tags 0..4 = the grid column searched */       \
  X(Control, LEdit2)                                                                  \
  X(Control, LEdit3)                                                                  \
  X(Control, LEdit4)                                                                  \
  X(Control, LEdit5)                                                                  \
  X(Control, RGDispOpt)                                                               \
  X(Control, SB_NEW)                                                                  \
  X(Control, SB_TOP2)                                                                 \
  X(Control, SB_Refresh)                                                              \
  X(Control, SpeedButton1)                                                            \
  X(Control, Label5)                                                                  \
  X(Control, GroupBox2)                                                               \
  X(Control, CBAuto)                                                                  \
  X(Control, CBPure)                                                                  \
  X(Control, CBFtp)                                                                   \
  X(Control, ProgressBar1)                                                            \
  X(Control, EHost)                                                                   \
  X(Control, EUserId)                                                                 \
  X(Control, EPassword)                                                               \
  X(Control, CBignoreFR)                                                              \
  X(GridControl, StringGrid1)                                                         \
  X(Control, Label4)                                                                  \
  X(Control, ButtonDoignore)                                                          \
  X(Control, ButtonCancalIgnore)                                                      \
  X(Control, SpeedButton2)                                                            \
  X(Control, SpeedButton4)                                                            \
  X(Control, SBPutCleanText)                                                          \
  X(Control, SBOpenEXP)                                                               \
  X(Control, SpeedButton3)                                                            \
  X(Control, CBNeedCSV)                                                               \
  X(Control, RGUpLDOpt)                                                               \
  X(Control, ListBox1)                                                                \
  X(Control, ListView1)                                                               \
  X(Control, ListView2)                                                               \
  X(Control, CheckListBox1)                                                           \
  X(Control, Label3)                                                                  \
  X(Control, Label2)                                                                  \
  X(Control, Label1)                                                                  \
  X(Control, ToolBar1)                                                                \
  X(Control, TBConnect)                                                               \
  X(Control, TBDisConnect)                                                            \
  X(Control, ToolButtonUpLoad)                                                        \
  X(Control, SpeedUpDir)                                                              \
  X(Control, ComboCurrDir)                                                            \
  X(Control, RemoteFileListV)                                                         \
  X(Control, PMRemote)                                                                \
  X(Control, MakeHDir)                                                                \
  X(Control, RemoteRename)                                                            \
  X(Control, RemoteDelete)                                                            \
  X(Control, StatusBar1) /* items: the three panel texts */                           \
  X(Control, MainMenu1)                                                               \
  X(Control, ZunText1)                                                                \
  X(Control, OpenHostList1)                                                           \
  X(Control, ActionClose1)                                                            \
  X(Control, Timer1) /* enabled, interval */                                          \
  /* Actions; a button or menu item bound to one takes its caption and state from it */ \
  X(Control, ActionOpenZunText)                                                       \
  X(Control, ActionClose)                                                             \
  X(Control, ActionPutCleanText)                                                      \
  X(Control, ActionTextDirOpen)                                                       \
  X(Control, ActionOpenZunFolder)                                                     \
  X(Control, ActionOpenFlgHolder)                                                     \
  X(Control, ActionRefresh)                                                           \
  X(Control, ActionDelteFlgFile)                                                      \
  X(Control, ActionDeletePurefiles)                                                   \
  X(Control, OpenHostList)                                                            \
  X(Control, ActionConnectHost)                                                       \
  X(Control, ActionDisconnectHost)                                                    \
  X(Control, ActionUpload)                                                            \
  X(Control, ActionUpDirectory)                                                       \
  X(Control, Action1)

namespace zun {

// The result grid control. Row 0 is the fixed header row; Rows holds which data rows the filter
// hides (a view shows row 0, then Rows.ShownRow(0), Rows.ShownRow(1), ...).
struct GridControl : Control {
  int currentRow = 0;
  int currentCol = 0;
  int topRow = 1;       // the first data row in view (the window reports it)
  int leftCol = 0;
  RowVisibility Rows;
  int modelResets = 0;     // bumped when the rows or their visibility change: rebuild the view
  int repaints = 0;        // bumped when cells changed or the display mode changed: repaint
  int scrollRequests = 0;  // bumped when the current row must be scrolled into view
  bool keepScroll = false;  // the last reset kept the operator's place: the view keeps its scroll position
  // The operator's pointer on the grid, and when it last moved there (the window reports both).
  bool pointerInside = false;
  std::time_t pointerMovedAt = 0;
};

// The open dialog's settings.
struct OpenDialogRecord {
  std::string Filter;  // "Text files (*.txt)|*.TXT" once the window is shown
  std::string DefaultExt = "db";
  std::string InitialDir = "vekData";  // relative to the current directory
};

enum class ControlId {
#define ZUN_CONTROL_ID(type, name) name,
  ZUN_FORM_CONTROLS(ZUN_CONTROL_ID)
#undef ZUN_CONTROL_ID
};

inline constexpr const char* kControlNames[] = {
#define ZUN_CONTROL_NAME(type, name) #name,
    ZUN_FORM_CONTROLS(ZUN_CONTROL_NAME)
#undef ZUN_CONTROL_NAME
};
inline constexpr int kControlCount = static_cast<int>(sizeof kControlNames / sizeof kControlNames[0]);

inline constexpr const char* ControlName(ControlId id) { return kControlNames[static_cast<int>(id)]; }

}  // namespace zun
