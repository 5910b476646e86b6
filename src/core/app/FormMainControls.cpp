// The main window's controls: their captions and first state, and each record found by its id.
#include <unistd.h>

#include "app/FormMain.h"
#include "app/OwnerThreadPrompter.h"

namespace zun {

namespace {

std::string ProcessCurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

void SetCaption(Control& c, const char* text, const char* hint = "") {
  c.text = text;
  c.hint = hint;
}

}  // namespace

FormMain::FormMain(Prompter& prompter, FormMainOptions options)
    : prompter_(prompter), options_(std::move(options)), files_(LocateFilesForThisUser(options_.ExecutablePath)) {
  CurrentDirectory = options_.CurrentDirectory.empty() ? ProcessCurrentDirectory() : options_.CurrentDirectory;
  SetTexts();

  // Controls bound to an action show its caption and hint.
  const std::pair<Control*, Control*> bound[] = {
      {&SB_Refresh, &ActionRefresh},       {&SpeedButton1, &ActionOpenZunFolder},
      {&SpeedButton4, &ActionDelteFlgFile}, {&SBPutCleanText, &ActionPutCleanText},
      {&SBOpenEXP, &ActionTextDirOpen},     {&SpeedButton3, &ActionDeletePurefiles},
      {&ZunText1, &ActionOpenZunText},      {&OpenHostList1, &OpenHostList},
      {&ActionClose1, &ActionClose},        {&TBConnect, &ActionConnectHost},
      {&TBDisConnect, &ActionDisconnectHost}, {&ToolButtonUpLoad, &ActionUpload},
      {&SpeedUpDir, &ActionUpDirectory}};
  for (const auto& [button, action] : bound) {
    button->text = action->text;
    button->hint = action->hint;
  }
  SpeedButton2.hint = ActionOpenFlgHolder.text;
  SyncBoundButtons();
  MakeFtpSession();
}

// Captions, hints and the first state of every control.
void FormMain::SetTexts() {
  Window.text = "zunTextEditor";
  GroupBox1.text = "検索";
  const char* const searchLabels[5] = {"行番号", "部門1", "部門2", "ゼッケン", "回数"};
  for (int tag = 0; tag < 5; ++tag) {
    LEdit(tag)->label = searchLabels[tag];
    LEdit(tag)->tag = tag;
  }
  RGDispOpt.text = "表示方式";
  RGDispOpt.items = {"そのまま", "マスク表示"};
  RGDispOpt.itemIndex = DisplayMasked;
  SetCaption(SB_NEW, "↓↓", "最終行へ");
  SB_NEW.enabled = false;
  SetCaption(SB_TOP2, "↑↑", "先頭行へ");
  SB_TOP2.enabled = false;
  Label5.text = "※只今フィルタが掛かっています。";
  Label5.fontColor = kColorBlue;
  Label5.visible = false;
  GroupBox2.text = "自動化ｵﾌﾟｼｮﾝ";
  CBAuto.text = "ﾘﾌﾚｯｼｭGrid";
  CBPure.text = "ﾋﾟｭｱﾃｷｽﾄ出力";
  CBFtp.text = "FTP";
  ProgressBar1.position = 0;
  EHost.label = "ホスト名";
  EUserId.label = "ユーザー名";
  EPassword.label = "パスワード";
  CBignoreFR.text = "2回目以降の第一ラップを無効にする(繰り上げ対策)";
  CBignoreFR.checked = true;
  StringGrid1.visible = false;
  Label4.text = "zun Text を開いて下さい。";
  Label4.fontColor = kColorBlue;
  ButtonDoignore.text = "x FLGｾｯﾄ";
  ButtonCancalIgnore.text = "x FLGｱﾝｾｯﾄ";
  SpeedButton2.text = "FLG Dir";
  CBNeedCSV.text = "要CSV";
  CBNeedCSV.checked = true;
  RGUpLDOpt.text = "ｱﾌﾟﾛｰﾄﾞﾌｫﾙﾀﾞ";
  RGUpLDOpt.items = {"TXT", "999", "000"};
  RGUpLDOpt.itemIndex = 0;
  ListView1.items = {"名前", "更新日時", "ｻｲｽﾞ"};
  ListView2.items = ListView1.items;
  RemoteFileListV.items = ListView1.items;
  for (Control* label : {&Label3, &Label2, &Label1}) label->fontColor = kColorTeal;
  MakeHDir.text = "ﾌｫﾙﾀﾞ作成";
  RemoteRename.text = "名前変更";
  RemoteDelete.text = "削除";
  StatusBar1.items = {"", "", ""};
  Timer1.enabled = false;
  Timer1.interval = 1000;

  SetCaption(ActionOpenZunText, "ZunTextを開く");
  SetCaption(ActionClose, "終了");
  SetCaption(ActionPutCleanText, "ﾋﾟｭｱﾃｷｽﾄ出力");
  SetCaption(ActionTextDirOpen, "ﾋﾟｭｱDir");
  SetCaption(ActionOpenZunFolder, "zunText Dir");
  SetCaption(ActionOpenFlgHolder, "FLGﾌｧｲﾙの場所を開く");
  SetCaption(ActionRefresh, "ﾘﾌﾚｯｼｭGrid");
  SetCaption(ActionDelteFlgFile, "");
  SetCaption(ActionDeletePurefiles, "", "ﾋﾟｭｱﾌｧｲﾙ削除");
  SetCaption(OpenHostList, "ﾎｽﾄﾘｽﾄを開く");
  SetCaption(ActionConnectHost, "接続", "接続");
  SetCaption(ActionDisconnectHost, "切断", "切断");
  SetCaption(ActionUpload, "ｱﾌﾟﾛｰﾄﾞ", "ｱﾌﾟﾛｰﾄﾞ");
  SetCaption(ActionUpDirectory, "");
  SetCaption(Action1, "Action1");
}

Control& FormMain::Record(ControlId id) {
  switch (id) {
#define ZUN_CONTROL_CASE(type, name) \
  case ControlId::name:              \
    return name;
    ZUN_FORM_CONTROLS(ZUN_CONTROL_CASE)
#undef ZUN_CONTROL_CASE
  }
  return Window;
}

Control* FormMain::LEdit(int tag) {
  switch (tag) {
    case 0: return &LEdit1;
    case 1: return &LEdit2;
    case 2: return &LEdit3;
    case 3: return &LEdit4;
    case 4: return &LEdit5;
    default: return nullptr;
  }
}

const Control* FormMain::LEdit(int tag) const { return const_cast<FormMain*>(this)->LEdit(tag); }

}  // namespace zun
