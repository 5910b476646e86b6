// The main window's automation cycle: the options that run it, one tick of Timer1 and the gate
// of the automatic upload. What a tick does is decided in live/CyclePolicy; here the window
// supplies what it sees and acts on the step.
#include "app/FormMain.h"
#include "ftp/PassOutcome.h"
#include "live/CyclePolicy.h"
#include "output/Automation.h"
#include "platform/Seconds.h"

namespace zun {

void FormMain::CBAutoClick() {
  Timer1.enabled = CBAuto.checked;
  UpdateControlStates();
}

void FormMain::CBFtpClick() { UpdateControlStates(); }

FileStamp FormMain::StampOfZunText(const std::string& path) const {
  if (options_.StampOf) return options_.StampOf(path);
  if (!FileExists(path)) return FileStamp{};
  return StampOf(path);
}

void FormMain::Timer1Timer() {
  struct ShowState {
    FormMain& form;
    ~ShowState() { form.UpdateCycleStatus(); }
  } showState{*this};
  ++CycleTicks;

  LookFacts facts;
  facts.loaded = StringGrid1.visible;
  facts.fileMissing = facts.loaded && !FileExists(cyclePath_);
  // A tick that finds a file to look at moves the bar; from here on, it ends by enabling Timer1
  // again, whatever happens in between.
  const bool working = facts.loaded && !facts.fileMissing;
  if (working) {
    ProgressBar1.position = NextProgressPosition(ProgressBar1.position);
    Timer1.enabled = false;
  }
  inCycleTick_ = true;
  struct Rearm {
    FormMain& form;
    bool working;
    ~Rearm() {
      form.inCycleTick_ = false;
      if (!working) return;
      form.Timer1.enabled = true;
      // A reload inside the tick ran the control-state rule while the timer was off.
      form.ProgressBar1.visible = true;
    }
  } rearm{*this, working};

  if (working) {
    const FileStamp stamp = StampOfZunText(cyclePath_);
    // An emptied file is one being written anew, as a missing one is being replaced: with the
    // snapshot at size 0 its new contents would not load.
    facts.fileEmpty = stamp.exists && stamp.size == 0;
    if (stamp.exists && !facts.fileEmpty) CurrentSnapshot = stamp;
    // Marks saved by another program show and are published without waiting for a reading.
    facts.reloadDue = !facts.fileEmpty && (SnapshotCallsForReload(PreviousSnapshot, CurrentSnapshot) ||
                                           FlagFileChangedElsewhere() || Live.PieceLeft());
  }
  facts.lineOpen = [this] { return Live.HoldsForLineEnd(AbsolutePath(cyclePath_), CycleTicks * Timer1.interval); };
  facts.flagFileUnreadable = [this] {
    flagFileHeld_ = FlagFileUnreadable(AbsolutePath(cyclePath_));
    return flagFileHeld_;
  };
  facts.writesOutputs = CBAuto.checked && CBPure.checked;
  facts.tooBig = gridTooBig_;
  facts.outputsDue = MarksChangedSinceOutputs || OutputsFailingSince != 0;
  // As after a write, only when the rankings are written.
  facts.publishes = CBNeedCSV.checked && CBFtp.checked && UploadedOnce;
  facts.passHeld = publishHeldAway_ || passWaiting_;
  facts.passFailed = Publish.failing() || !Publish.lastUploadOk;
  facts.retryDue = SecondsPassed(Publish.lastUploadAt, Now(), kQuietRetrySeconds);
  facts.filesLeftOver = Publish.filesLeftOver > 0;

  CycleStep step = DecideLook(facts);
  if (step.action == CycleAction::Reload) {
    ReloadKeepingView();
    if (!zunTextHeld_) ++StringGrid1.repaints;
    step = AfterReload(!zunTextHeld_, gridTooBig_, facts.writesOutputs);
  }
  switch (step.action) {
    case CycleAction::Write: ActionPutCleanTextExecute(); break;
    case CycleAction::Send:
      AutoUploadGate();
      UpdateControlStates();
      break;
    case CycleAction::None:
    case CycleAction::Reload: break;
  }
  // A held look leaves the previous snapshot, so the tick after it still sees the change.
  if (step.hold == CycleHold::None || step.hold == CycleHold::TooBig) PreviousSnapshot = CurrentSnapshot;
}

UploadGateDecision FormMain::AutoUploadDecision() const {
  const Control* label = nullptr;
  switch (RGUpLDOpt.itemIndex) {
    case 0: label = &Label3; break;
    case 1: label = &Label1; break;
    case 2: label = &Label2; break;
    default: break;
  }
  // During an outage the folder was chosen before the connection was lost: the pass reconnects.
  const bool sourceReady = (label != nullptr && label->fontColor == kColorRed) || Publish.failing();
  return DecideAutoUpload(sourceReady, UploadedOnce, publishFolder_.empty() || shownFolder_ == publishFolder_);
}

void FormMain::AutoUploadGate() {
  const UploadGateDecision gate = AutoUploadDecision();
  publishHeldAway_ = gate.awayFromPublishFolder;
  if (gate.upload) {
    // A pass still out sends what stood when it read the files: the newer outputs go with the
    // next tick after it.
    if (RemoteBusy()) {
      passWaiting_ = true;
      return;
    }
    if (!ftp::PassMayGo(Publish.awaitingServer, serverProbe_, loginInUse_.Host, Now())) return;
    ++automaticPasses_;
    automaticPass_ = true;
    UploadOutputs();
    if (!RemoteBusy()) automaticPass_ = false;  // the pass ended, or none began
    return;
  }
  // The cycle's status says why it sends nothing: a box here would wait for OK at every reading
  // and hold the cycle still, as after a disconnect.
  if (inCycleTick_) return;
  if (gate.notUploadedByHand) prompter_.ShowMessage(kMsgNotUploadedByHand);
  if (gate.sourceNotSet) prompter_.ShowMessage(kMsgSourceNotSet);
  if (gate.awayFromPublishFolder) prompter_.ShowMessage(AwayFromPublishFolderText(publishFolder_));
}

}  // namespace zun
