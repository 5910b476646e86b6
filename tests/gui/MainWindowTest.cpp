// The real window on the offscreen platform: widgets found by name, events sent to them.
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>
#include <optional>
#include <stdexcept>

#include "Application.h"
#include "GridModel.h"
#include "GridView.h"
#include "MainWindow.h"
#include "FakePrompter.h"
#include "QtPrompter.h"
#include "StatusPanels.h"

using zun::gui::MainWindow;

namespace {

using ScriptedPrompter = zun::test::FakePrompter;  // No and Cancel when nothing is queued

// Eight results; bib 12 has three, two of them first laps (the later one gets "R").
const char* const kRace =
    "1,1,12,1,1000000,1000000,91000000\r\n"
    "1,1,7,1,1100000,1100000,91100000\r\n"
    "1,2,12,2,2000000,2000000,92000000\r\n"
    "1,2,9,1,1200000,1200000,91200000\r\n"
    "1,1,12,1,1300000,1300000,91300000\r\n"
    "1,1,30,1,1400000,1400000,91400000\r\n"
    "1,2,31,1,1500000,1500000,91500000\r\n"
    "1,1,32,1,1600000,1600000,91600000\r\n";

void WriteFile(const QString& path, const QByteArray& bytes, bool append = false) {
  QFile file(path);
  QVERIFY(file.open(append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

bool IsColor(QRgb pixel, int r, int g, int b) { return qRed(pixel) == r && qGreen(pixel) == g && qBlue(pixel) == b; }

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  ScriptedPrompter prompter_;
  std::unique_ptr<MainWindow> window_;
  QString racePath_;

  void MakeWindow() {
    zun::FormMainOptions options;
    options.ExecutablePath = (dir_->path() + QStringLiteral("/zuntexteditor")).toStdString();
    options.CurrentDirectory = dir_->path().toStdString();
    window_ = std::make_unique<MainWindow>(&prompter_, options);
  }
  template <typename T>
  T* Find(const char* name) {
    T* object = window_->findChild<T*>(QString::fromLatin1(name));
    if (!object) qWarning("no control %s", name);
    return object;
  }
  QString Panel(int i) { return window_->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(i))->text(); }
  void OpenRace() {
    prompter_.files.push_back(racePath_.toStdString());
    Find<QAction>("ZunText1")->trigger();
  }

 private Q_SLOTS:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    racePath_ = dir_->path() + QStringLiteral("/race.txt");
    WriteFile(racePath_, kRace);
    prompter_ = ScriptedPrompter();
    MakeWindow();
  }

  void cleanup() {
    window_.reset();  // destroyed without closing: nothing is asked
    dir_.reset();
  }

  void buildsEveryControlWithItsCaption() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("zunTextEditor"));
    QCOMPARE(window_->size(), QSize(1026, 697));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(window_->windowTitle(), QStringLiteral("zunTextEditor ver 0.4"));

    // Every control but the form itself is a widget, action or timer named after it.
    for (const char* name : zun::kControlNames) {
      if (std::string_view(name) == zun::ControlName(zun::ControlId::Window)) continue;
      QVERIFY2(window_->findChild<QObject*>(QString::fromLatin1(name)), name);
    }

    const std::pair<const char*, const char*> labels[] = {
        {"LEdit1Label", "行番号"}, {"LEdit2Label", "部門1"}, {"LEdit3Label", "部門2"}, {"LEdit4Label", "ゼッケン"},
        {"LEdit5Label", "回数"}, {"EHostLabel", "ホスト名"}, {"EUserIdLabel", "ユーザー名"},
        {"EPasswordLabel", "パスワード"}, {"Label4", "zun Text を開いて下さい。"},
        {"Label5", "※只今フィルタが掛かっています。"}};
    for (const auto& [name, text] : labels) QCOMPARE(Find<QLabel>(name)->text(), QString::fromUtf8(text));

    const std::pair<const char*, const char*> buttons[] = {
        {"SB_NEW", "↓↓"}, {"SB_TOP2", "↑↑"}, {"SB_Refresh", "ﾘﾌﾚｯｼｭGrid"}, {"SpeedButton1", "zunText Dir"},
        {"ButtonDoignore", "x FLGｾｯﾄ"}, {"ButtonCancalIgnore", "x FLGｱﾝｾｯﾄ"}, {"SpeedButton2", "FLG Dir"},
        {"SBPutCleanText", "ﾋﾟｭｱﾃｷｽﾄ出力"}, {"SBOpenEXP", "ﾋﾟｭｱDir"}, {"TBConnect", "接続"},
        {"TBDisConnect", "切断"}, {"ToolButtonUpLoad", "ｱﾌﾟﾛｰﾄﾞ"}, {"CBAuto", "ﾘﾌﾚｯｼｭGrid"},
        {"CBPure", "ﾋﾟｭｱﾃｷｽﾄ出力"}, {"CBFtp", "FTP"}, {"CBNeedCSV", "要CSV"},
        {"CBignoreFR", "2回目以降の第一ラップを無効にする(繰り上げ対策)"}};
    for (const auto& [name, text] : buttons) QCOMPARE(Find<QAbstractButton>(name)->text(), QString::fromUtf8(text));
    QCOMPARE(Find<QToolButton>("SB_NEW")->toolTip(), QStringLiteral("最終行へ"));
    QCOMPARE(Find<QToolButton>("SB_TOP2")->toolTip(), QStringLiteral("先頭行へ"));
    QCOMPARE(Find<QToolButton>("SpeedButton3")->toolTip(), QStringLiteral("ﾋﾟｭｱﾌｧｲﾙ削除"));

    QCOMPARE(Find<QAction>("ZunText1")->text(), QStringLiteral("ZunTextを開く"));
    QCOMPARE(Find<QAction>("OpenHostList1")->text(), QStringLiteral("ﾎｽﾄﾘｽﾄを開く"));
    QCOMPARE(Find<QAction>("ActionClose1")->text(), QStringLiteral("終了"));
    QCOMPARE(Find<QAction>("MakeHDir")->text(), QStringLiteral("ﾌｫﾙﾀﾞ作成"));
    QCOMPARE(Find<QAction>("RemoteRename")->text(), QStringLiteral("名前変更"));
    QCOMPARE(Find<QAction>("RemoteDelete")->text(), QStringLiteral("削除"));

    QCOMPARE(Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("検索"));
    QCOMPARE(Find<QGroupBox>("GroupBox2")->title(), QStringLiteral("自動化ｵﾌﾟｼｮﾝ"));
    QCOMPARE(Find<QGroupBox>("RGDispOpt")->title(), QStringLiteral("表示方式"));
    QCOMPARE(Find<QRadioButton>("RGDispOpt_0")->text(), QStringLiteral("そのまま"));
    QVERIFY(Find<QRadioButton>("RGDispOpt_1")->isChecked());
    QCOMPARE(Find<QRadioButton>("RGDispOpt_1")->text(), QStringLiteral("マスク表示"));
    QCOMPARE(Find<QGroupBox>("RGUpLDOpt")->title(), QStringLiteral("ｱﾌﾟﾛｰﾄﾞﾌｫﾙﾀﾞ"));
    QCOMPARE(Find<QRadioButton>("RGUpLDOpt_1")->text(), QStringLiteral("999"));
    QVERIFY(Find<QRadioButton>("RGUpLDOpt_0")->isChecked());
    QCOMPARE(Find<QTreeWidget>("ListView1")->headerItem()->text(1), QStringLiteral("更新日時"));
    QCOMPARE(Find<QTreeWidget>("RemoteFileListV")->headerItem()->text(2), QStringLiteral("ｻｲｽﾞ"));

    // Defaults and the start state: grid hidden behind its label, options as the window defines.
    QVERIFY(Find<QCheckBox>("CBignoreFR")->isChecked());
    QVERIFY(Find<QCheckBox>("CBNeedCSV")->isChecked());
    QVERIFY(!Find<QCheckBox>("CBAuto")->isChecked());
    QVERIFY(!Find<QWidget>("StringGrid1")->isVisible());
    QVERIFY(Find<QWidget>("Label4")->isVisible());
    QVERIFY(!Find<QWidget>("Label5")->isVisible());
    QVERIFY(!Find<QWidget>("SB_NEW")->isEnabled());
    QVERIFY(!Find<QWidget>("LEdit4")->isEnabled());
    QCOMPARE(Find<QLineEdit>("EPassword")->echoMode(), QLineEdit::Password);
    QCOMPARE(Find<QProgressBar>("ProgressBar1")->maximum(), 50);
    QCOMPARE(Find<QTimer>("Timer1")->interval(), 1000);
    QVERIFY(!Find<QTimer>("Timer1")->isActive());
    const int widths[] = {100, 260, 200};
    for (int i = 0; i < 3; ++i)
      QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(i))->width(), widths[i]);
  }

  void openingAFileFillsTheGridAndRowCount() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    QVERIFY(Find<QWidget>("StringGrid1")->isVisible());
    QVERIFY(!Find<QWidget>("Label4")->isVisible());
    QCOMPARE(Find<QLineEdit>("Edit1")->text(), racePath_);
    zun::gui::GridModel* model = window_->Model();
    QCOMPARE(model->rowCount(), 8);
    QCOMPARE(Panel(0), QStringLiteral("行数=8"));
    QCOMPARE(model->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("ゼッケン"));
    QCOMPARE(model->headerData(9, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("z FLG"));
    QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("1"));
    QCOMPARE(model->data(model->index(6, 3), Qt::DisplayRole).toString(), QStringLiteral("31"));
    QCOMPARE(model->data(model->index(4, 9), Qt::DisplayRole).toString(), QStringLiteral("R"));
    // The load makes the last row current and leaves the search fields usable.
    QCOMPARE(window_->Grid()->currentIndex().row(), 7);
    QVERIFY(Find<QWidget>("LEdit4")->isEnabled());
    QVERIFY(Find<QWidget>("SB_NEW")->isEnabled());
    QVERIFY(Find<QWidget>("CBAuto")->isEnabled());

    // Cancelling the dialog keeps what is shown.
    Find<QAction>("ZunText1")->trigger();
    QCOMPARE(model->rowCount(), 8);
  }

  void bibAndEnterInLEdit4Filters() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    auto* bib = Find<QLineEdit>("LEdit4");
    QTest::mouseClick(bib, Qt::LeftButton);
    QTest::keyClicks(bib, QStringLiteral("12"));
    QTest::keyClick(bib, Qt::Key_Return);
    zun::gui::GridModel* model = window_->Model();
    QCOMPARE(model->rowCount(), 3);
    for (int r = 0; r < 3; ++r) QCOMPARE(model->data(model->index(r, 3), Qt::DisplayRole).toString(), QStringLiteral("12"));
    QVERIFY(Find<QWidget>("Label5")->isVisible());

    // Narrowing by count keeps only bib 12 on lap 2 (line 3).
    auto* count = Find<QLineEdit>("LEdit5");
    count->setFocus();
    QTest::keyClicks(count, QStringLiteral("2"));
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("3"));

    // A click on the indicator shows every row again and empties the fields.
    QTest::mouseClick(Find<QLabel>("Label5"), Qt::LeftButton);
    QCOMPARE(model->rowCount(), 8);
    QVERIFY(bib->text().isEmpty());
    QVERIFY(count->text().isEmpty());
    QVERIFY(!Find<QWidget>("Label5")->isVisible());

    // A bib no row has leaves every row without the indicator and says so; a jump leaves the
    // indicator as it was, off here and on under a filter.
    QTest::mouseClick(bib, Qt::LeftButton);
    QTest::keyClicks(bib, QStringLiteral("999"));
    QTest::keyClick(bib, Qt::Key_Return);
    QCOMPARE(model->rowCount(), 8);
    QVERIFY(!Find<QWidget>("Label5")->isVisible());
    QCOMPARE(Panel(2), QStringLiteral("ゼッケン 999: 該当なし"));
    auto* line = Find<QLineEdit>("LEdit1");
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("6"));
    QTest::keyClick(line, Qt::Key_Return);
    QCOMPARE(window_->Form().StringGrid1.currentRow, 6);
    QVERIFY(!Find<QWidget>("Label5")->isVisible());
    QTest::mouseClick(count, Qt::LeftButton);
    QTest::keyClicks(count, QStringLiteral("2"));
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(model->rowCount(), 1);
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("3"));
    QTest::keyClick(line, Qt::Key_Return);
    QCOMPARE(window_->Form().StringGrid1.currentRow, 3);
    QVERIFY(Find<QWidget>("Label5")->isVisible());
  }

  // Whatever the panels say, the status bar keeps one height, so no button above it moves; the
  // cycle's key facts show at the default size, and the whole state is its tool tip.
  void statusBarKeepsItsHeightAndTheStateItsKeyFacts() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    const char* const buttons[] = {"ButtonDoignore", "ButtonCancalIgnore", "SBPutCleanText", "TBConnect", "CBAuto"};
    const auto positions = [&] {
      std::vector<QPoint> at;
      for (const char* name : buttons) at.push_back(Find<QWidget>(name)->mapTo(window_.get(), QPoint(0, 0)));
      at.push_back(QPoint(0, window_->statusBar()->height()));
      return at;
    };
    QApplication::processEvents();
    const std::vector<QPoint> before = positions();

    zun::FormMain& f = window_->Form();
    auto* state = Find<zun::gui::CycleStateLabel>("CycleState");
    const std::time_t at = 1700000000;
    std::vector<zun::CycleFacts> states(9);
    for (zun::CycleFacts& facts : states) {
      facts.autoChecked = facts.writesOutputs = facts.gridShown = true;
      facts.lastReloadAt = facts.lastOutputsAt = at;
    }
    states[0].autoChecked = false;
    states[1].publish.lastUploadAt = at;
    states[1].publish.lastUploadOk = true;
    states[2].flagFileUnreadable = true;
    states[3].uploadHeldBack = "ｱﾌﾟﾛｰﾄﾞ先 /results/2026 以外のフォルダを表示中";
    states[8].uploadHeldBack = "ｱﾌﾟﾛｰﾄﾞ先 /results/2026/spring-marathon/finish-line/10km 以外のフォルダを表示中";
    states[4].publish.failingSince = at;
    states[4].publish.failedAttempts = 12;
    states[4].publish.awaitingServer = true;
    states[4].uploading = true;
    states[4].publish.lastServerReply = "421 Timeout (no response from the server for 15 seconds)\r\n";
    states[5].outputsFailingSince = at;
    states[5].publish = states[4].publish;
    states[6].gridTooBig = true;
    states[7].sendingBeforeClose = true;
    for (size_t i = 0; i < states.size(); ++i) {
      f.Cycle = zun::DescribeCycle(states[i]);
      f.StatusBar1.items = {"行数=4999949", "/home/timing/races/2026/spring-marathon/zuntext.flg の保存に失敗しました!!!!!!",
                            "ﾎｽﾄがｵｰﾌﾟﾝできませんでした。\nホスト再接続に失敗しました。"};
      window_->Mirror();
      QApplication::processEvents();
      QCOMPARE(positions(), before);
      QCOMPARE(state->toolTip(), QString::fromStdString(f.Cycle.text));
      const QString shown = state->ShownText();
      // A folder too long for any panel loses its middle, and nothing else.
      if (i == 8) {
        QVERIFY2(shown.startsWith(QStringLiteral("監視中  送信停止: ｱﾌﾟﾛｰﾄﾞ先 /results/")), qPrintable(shown));
        QVERIFY(shown.endsWith(QStringLiteral("10km 以外のフォルダを表示中")));
        continue;
      }
      for (const zun::CyclePart& part : f.Cycle.parts)
        if (part.rank == 0) QVERIFY2(shown.contains(QString::fromStdString(part.text).trimmed()), qPrintable(shown));
      QVERIFY(state->fontMetrics().horizontalAdvance(shown) <= state->contentsRect().width());
    }
    QCOMPARE(Panel(2), QStringLiteral("ﾎｽﾄがｵｰﾌﾟﾝできませんでした。\nホスト再接続に失敗しました。"));
    QVERIFY(Find<zun::gui::StatusPanel>("StatusBar1Panel1")->ShownText().endsWith(QStringLiteral("の保存に失敗しました!!!!!!")));
  }

  void timerPicksUpAnAppendedLine() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    QTest::mouseClick(Find<QCheckBox>("CBAuto"), Qt::LeftButton);
    QVERIFY(Find<QCheckBox>("CBAuto")->isChecked());
    QVERIFY(Find<QTimer>("Timer1")->isActive());
    QVERIFY(Find<QWidget>("ProgressBar1")->isVisible());
    // The first tick only takes the file's snapshot.
    QTRY_VERIFY_WITH_TIMEOUT(Find<QProgressBar>("ProgressBar1")->value() > 0, 3000);
    QCOMPARE(window_->Model()->rowCount(), 8);
    WriteFile(racePath_, "1,1,40,1,1700000,1700000,91700000\r\n", true);
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), 9, 4000);
    QCOMPARE(Panel(0), QStringLiteral("行数=9"));
    QVERIFY(Find<QTimer>("Timer1")->isActive());

    // Unchecking stops the cycle.
    QTest::mouseClick(Find<QCheckBox>("CBAuto"), Qt::LeftButton);
    QVERIFY(!Find<QTimer>("Timer1")->isActive());
  }

  void liveReadingsLeaveTheOperatorsChoicesAlone() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    QTest::mouseClick(Find<QCheckBox>("CBAuto"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Find<QProgressBar>("ProgressBar1")->value() > 0, 3000);
    auto* cycle = Find<zun::gui::CycleStateLabel>("CycleState");
    QVERIFY(cycle->text().startsWith(QStringLiteral("監視中")));

    zun::gui::GridView* grid = window_->Grid();
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(2, 1)).center());
    QTRY_COMPARE(window_->Form().RememberedRow, 3);
    int rows = 8;
    for (int reading = 0; reading < 2; ++reading) {
      WriteFile(racePath_, QByteArray("1,1,4") + QByteArray::number(reading) + ",1,1700000,1700000,91700000\r\n", true);
      ++rows;
      QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    }
    QCOMPARE(grid->currentIndex().row(), 2);

    // Typing in a search box is not interrupted by a reload.
    auto* division = Find<QLineEdit>("LEdit2");
    QTest::mouseClick(division, Qt::LeftButton);
    QTRY_VERIFY(division->hasFocus());
    WriteFile(racePath_, "1,1,50,1,1800000,1800000,91800000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QVERIFY(division->hasFocus());

    // The mark goes to line 3, which the operator chose before the readings came.
    QTest::mouseClick(Find<QPushButton>("ButtonDoignore"), Qt::LeftButton);
    auto* flags = Find<QListWidget>("ListBox1");
    QCOMPARE(flags->count(), 1);
    QVERIFY(flags->item(0)->text().startsWith(QStringLiteral("3,")));

    // A line chosen in the flag list stays chosen through a reload and can be taken away.
    QTest::mouseClick(flags->viewport(), Qt::LeftButton, {}, flags->visualItemRect(flags->item(0)).center());
    WriteFile(racePath_, "1,1,51,1,1900000,1900000,91900000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QCOMPARE(flags->currentRow(), 0);
    QTest::mouseClick(Find<QPushButton>("ButtonCancalIgnore"), Qt::LeftButton);
    QCOMPARE(flags->count(), 0);
    QCOMPARE(static_cast<int>(prompter_.messages.size()), 0);

    // Looking up a division holds nothing up: the readings are read and written on under the
    // filter, and the search box keeps its text and the focus.
    WriteFile(racePath_, "2,1,52,1,2000000,2000000,92000000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QTest::mouseClick(division, Qt::LeftButton);
    QTest::keyClicks(division, QStringLiteral("2"));
    QTest::keyClick(division, Qt::Key_Return);
    QTRY_VERIFY(Find<QLabel>("Label5")->isVisible());
    const int shown = window_->Model()->rowCount();
    QVERIFY(shown < rows);
    WriteFile(racePath_, "2,1,53,1,2100000,2100000,92100000\r\n1,1,54,1,2200000,2200000,92200000\r\n", true);
    QTRY_COMPARE_WITH_TIMEOUT(window_->Form().Data.Grid.RowCount(), rows + 3, 4000);
    QCOMPARE(window_->Model()->rowCount(), shown + 1);
    QCOMPARE(division->text(), QStringLiteral("2"));
    QVERIFY(division->hasFocus());
    QVERIFY(cycle->text().startsWith(QStringLiteral("監視中")));
  }

  // A reading that scrolled the rows as the operator clicked would put another reading under the
  // click, and a view the operator moved away from the chosen row stays where it was put.
  void liveReadingsLeaveTheRowsTheOperatorAimsAtInPlace() {
    QByteArray more;
    for (int i = 0; i < 60; ++i) more += "1,1," + QByteArray::number(200 + i) + ",1,1700000,1700000,91700000\r\n";
    WriteFile(racePath_, more, true);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    QTest::mouseClick(Find<QCheckBox>("CBAuto"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Find<QProgressBar>("ProgressBar1")->value() > 0, 3000);
    zun::gui::GridView* grid = window_->Grid();
    QScrollBar* bar = grid->verticalScrollBar();
    int rows = window_->Model()->rowCount();
    QCOMPARE(bar->value(), bar->maximum());  // following the last reading

    QTest::mouseMove(grid->viewport(), grid->viewport()->rect().center());
    QTRY_VERIFY(window_->Form().StringGrid1.pointerInside);
    const int aimedAt = bar->value();
    WriteFile(racePath_, "1,1,300,1,1800000,1800000,91800000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QCOMPARE(bar->value(), aimedAt);
    QCOMPARE(grid->currentIndex().row(), rows - 1);

    // The pointer leaves: the next reading is followed again.
    QTest::mouseMove(Find<QWidget>("ListBox1"));
    QTRY_VERIFY(!window_->Form().StringGrid1.pointerInside);
    WriteFile(racePath_, "1,1,301,1,1900000,1900000,91900000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QTRY_COMPARE(bar->value(), bar->maximum());

    // Scrolling back by the scroll bar (or the wheel) holds the view as a move does.
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int scrolledTo = bar->value();
    QVERIFY(scrolledTo < bar->maximum());
    WriteFile(racePath_, "1,1,303,1,1950000,1950000,91950000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QCOMPARE(bar->value(), scrolledTo);

    // A row chosen, then the view scrolled away from it by the operator.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(rows - 2, 1)).center());
    QTest::mouseMove(Find<QWidget>("ListBox1"));
    bar->setValue(0);
    WriteFile(racePath_, "1,1,302,1,2000000,2000000,92000000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Model()->rowCount(), rows, 4000);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(grid->currentIndex().row(), rows - 3);

    // A runner looked up by bib and chosen: clearing the filter shows all rows around that one,
    // not whatever stands at the place the filtered view had.
    auto* bib = Find<QLineEdit>("LEdit4");
    QTest::mouseClick(bib, Qt::LeftButton);
    QTest::keyClicks(bib, QStringLiteral("250"));
    QTest::keyClick(bib, Qt::Key_Return);
    QTRY_COMPARE(window_->Model()->rowCount(), 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(0, 1)).center());
    const int chosen = window_->Form().StringGrid1.currentRow;
    QCOMPARE(window_->Form().Data.Grid.Cell(zun::ColBib, chosen), "250");
    QTest::mouseMove(Find<QWidget>("ListBox1"));
    WriteFile(racePath_, "1,1,304,1,2100000,2100000,92100000\r\n", true);
    ++rows;
    QTRY_COMPARE_WITH_TIMEOUT(window_->Form().Data.Grid.RowCount(), rows + 1, 4000);
    QTest::mouseClick(bib, Qt::LeftButton);
    QTRY_COMPARE(window_->Model()->rowCount(), rows);
    QCOMPARE(grid->currentIndex().row(), chosen - 1);
    QVERIFY(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex()).center()));
  }

  void closingAsksFirst() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    prompter_.answers = {false};
    QVERIFY(!window_->close());
    QVERIFY(window_->isVisible());
    QCOMPARE(prompter_.Count("終了しますか ?"), 1);
    QCOMPARE(static_cast<int>(prompter_.shown.size()), 1);  // not connected: nothing else is asked

    // The menu item asks the same, and Yes closes and saves the settings beside the program.
    prompter_.answers = {true};
    Find<QAction>("ActionClose1")->trigger();
    QVERIFY(!window_->isVisible());
    QCOMPARE(prompter_.Count("終了しますか ?"), 2);
    QVERIFY(QFile::exists(dir_->path() + QStringLiteral("/zuntexteditor.INI")));
  }

  void markSetsTheRowFramedByPainting() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    zun::gui::GridView* grid = window_->Grid();
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(2, 1)).center());
    // The frame is painted on line 3, and that paint makes it the remembered row.
    QTRY_COMPARE(window_->Form().RememberedRow, 3);
    QTest::mouseClick(Find<QPushButton>("ButtonDoignore"), Qt::LeftButton);
    auto* flags = Find<QListWidget>("ListBox1");
    QCOMPARE(flags->count(), 1);
    QCOMPARE(flags->item(0)->text(), QStringLiteral("3,1,2,12,2,2000000,2000000,92000000,x"));
    QCOMPARE(window_->Model()->data(window_->Model()->index(2, 8), Qt::DisplayRole).toString(), QStringLiteral("x"));
    QVERIFY(Panel(1).endsWith(QStringLiteral("zuntext.flg 保存 1 回目")));
    QVERIFY(QFile::exists(dir_->path() + QStringLiteral("/zuntext.flg")));

    // Choosing the marked row in the grid, by the pointer or the keys, chooses its line.
    QVERIFY(!Find<QWidget>("ButtonCancalIgnore")->isEnabled());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(4, 1)).center());
    QVERIFY(!Find<QWidget>("ButtonCancalIgnore")->isEnabled());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(2, 1)).center());
    QCOMPARE(flags->currentRow(), 0);
    QVERIFY(Find<QWidget>("ButtonCancalIgnore")->isEnabled());
    QTest::mouseClick(Find<QPushButton>("ButtonCancalIgnore"), Qt::LeftButton);
    QCOMPARE(flags->count(), 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(3, 1)).center());
    QTRY_COMPARE(window_->Form().RememberedRow, 4);
    QTest::mouseClick(Find<QPushButton>("ButtonDoignore"), Qt::LeftButton);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(flags->currentRow(), 0);
    QTest::mouseClick(Find<QPushButton>("ButtonCancalIgnore"), Qt::LeftButton);
    QCOMPARE(flags->count(), 0);
    QCOMPARE(window_->Model()->data(window_->Model()->index(3, 8), Qt::DisplayRole).toString(), QString());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(window_->Model()->index(2, 1)).center());
    QTRY_COMPARE(window_->Form().RememberedRow, 3);
    QTest::mouseClick(Find<QPushButton>("ButtonDoignore"), Qt::LeftButton);
    QCOMPARE(flags->count(), 1);

    // Choosing the line and "x FLGｱﾝｾｯﾄ" takes the mark away again.
    QTest::mouseClick(flags->viewport(), Qt::LeftButton, {}, flags->visualItemRect(flags->item(0)).center());
    QVERIFY(Find<QWidget>("ButtonCancalIgnore")->isEnabled());
    QTest::mouseClick(Find<QPushButton>("ButtonCancalIgnore"), Qt::LeftButton);
    QCOMPARE(flags->count(), 0);
    QCOMPARE(window_->Model()->data(window_->Model()->index(2, 8), Qt::DisplayRole).toString(), QString());
    QVERIFY(Panel(1).endsWith(QStringLiteral("保存 6 回目")));
  }

  void paintsCellsAsTheCoreDecides() {
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    OpenRace();
    zun::gui::GridView* grid = window_->Grid();
    grid->setFocus();
    QApplication::processEvents();
    const QImage cells = grid->viewport()->grab().toImage();
    const QRect number = grid->visualRect(window_->Model()->index(0, 0));
    const QRect bib = grid->visualRect(window_->Model()->index(0, 3));
    QVERIFY(IsColor(cells.pixel(number.left() + 2, number.top() + 2), 192, 220, 192));
    QVERIFY(IsColor(cells.pixel(bib.left() + 2, bib.top() + 2), 255, 255, 255));
    // The current (last) row carries the green frame along its top edge.
    const QRect framed = grid->visualRect(window_->Model()->index(7, 3));
    QVERIFY(IsColor(cells.pixel(framed.center().x(), framed.top()), 0, 128, 0));
    // Line 5 is a later first lap of bib 12: its "R" is red.
    const QRect mark = grid->visualRect(window_->Model()->index(4, 9));
    bool red = false;
    for (int x = mark.left(); x < mark.right() && !red; ++x)
      for (int y = mark.top(); y < mark.bottom() && !red; ++y) {
        const QRgb p = cells.pixel(x, y);
        red = qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90;
      }
    QVERIFY(red);
    const QImage header = grid->horizontalHeader()->viewport()->grab().toImage();
    QVERIFY(IsColor(header.pixel(3, 3), 192, 220, 192));
  }

  void openDialogOffersTextFilesInBothCases() {
    QDir(dir_->path()).mkdir(QStringLiteral("vekData"));
    const QString data = dir_->path() + QStringLiteral("/vekData");
    for (const char* name : {"/a.txt", "/B.TXT", "/c.csv"}) WriteFile(data + QString::fromLatin1(name), "x");
    QFileDialog dialog;
    zun::gui::ConfigureOpenDialog(dialog, "Text files (*.txt)|*.TXT", data.toStdString(), "db");
    QCOMPARE(dialog.nameFilters(), QStringList{QStringLiteral("Text files (*.txt)")});
    QCOMPARE(dialog.directory().absolutePath(), data);
    auto* files = dialog.findChild<QFileSystemModel*>();
    QVERIFY(files);
    const QModelIndex root = files->index(data);
    QTRY_COMPARE_WITH_TIMEOUT(files->rowCount(root), 2, 3000);
    QStringList names;
    for (int r = 0; r < files->rowCount(root); ++r) names << files->index(r, 0, root).data().toString();
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("B.TXT"), QStringLiteral("a.txt")}));

    // Without "vekData" the dialog opens the folder it would be in.
    QFileDialog other;
    QVERIFY(QDir(data).removeRecursively());
    zun::gui::ConfigureOpenDialog(other, "Text files (*.txt)|*.TXT", data.toStdString(), "db");
    QCOMPARE(other.directory().absolutePath(), dir_->path());
  }

  void exceptionReachingTheLoopIsShownAndTheLoopGoesOn() {
    struct Thrower : QObject {
      bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("boom");
        return QObject::event(e);
      }
    } thrower;
    QString reported;
    zun::gui::Application::SetExceptionReporter([&reported](const QString& text) { reported = text; });
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    QCOMPARE(reported, QStringLiteral("boom"));
    reported.clear();
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(reported, QStringLiteral("boom"));
    zun::gui::Application::SetExceptionReporter(nullptr);
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  zun::gui::Application app(argc, argv);
  app.setFont(zun::gui::WindowFont());
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
