// The real window against a real FTP server on the loopback: connect, browse, upload, disconnect,
// driven through its widgets on the offscreen platform.
#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>
#include <memory>
#include <optional>

#include "Application.h"
#include "FakePrompter.h"
#include "FtpTestServer.h"
#include "GridModel.h"
#include "GridView.h"
#include "MainWindow.h"

using zun::gui::MainWindow;

namespace {

using ScriptedPrompter = zun::test::FakePrompter;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class MainWindowFtpTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  T* Find(MainWindow& w, const char* name) {
    T* object = w.findChild<T*>(QString::fromLatin1(name));
    if (!object) qWarning("no control %s", name);
    return object;
  }
  static QTreeWidgetItem* ItemNamed(QTreeWidget* list, const QString& name) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->text(0) == name) return list->topLevelItem(i);
    return nullptr;
  }
  static QColor ColorOf(QWidget* w) { return w->palette().color(QPalette::WindowText); }
  static zun::FormMainOptions OptionsIn(const QTemporaryDir& dir) {
    zun::FormMainOptions options;
    options.ExecutablePath = (dir.path() + QStringLiteral("/zuntexteditor")).toStdString();
    options.CurrentDirectory = dir.path().toStdString();
    return options;
  }
  // Shows the window, opens `race`, writes its outputs and fills in the test server's login.
  void OpenAndFillHost(MainWindow& w, ScriptedPrompter& prompter, const QString& race, const std::string& host) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    prompter.files.push_back(race.toStdString());
    Find<QAction>(w, "ZunText1")->trigger();
    Find<QToolButton>(w, "SBPutCleanText")->click();
    QTest::keyClicks(Find<QLineEdit>(w, "EHost"), QString::fromStdString(host));
    QTest::keyClicks(Find<QLineEdit>(w, "EUserId"), QStringLiteral("demo"));
    QTest::keyClicks(Find<QLineEdit>(w, "EPassword"), QStringLiteral("secret"));
  }
  // A race of 30,000 runners (bibs from 100), about 1 MB of pure text: seconds at the throttled
  // server's speed.
  void OpenSlowRaceAndConnect(MainWindow& w, ScriptedPrompter& prompter, const QTemporaryDir& dir,
                              zun::test::FtpTestServer& server) {
    QByteArray lines;
    for (int i = 0; i < 30000; ++i)
      lines += "1,1," + QByteArray::number(100 + i) + ",1," + QByteArray::number(1000000 + i) + "," +
               QByteArray::number(1000000 + i) + "," + QByteArray::number(91000000 + i) + "\r\n";
    const QString race = dir.path() + QStringLiteral("/race.txt");
    WriteFile(race, lines);
    OpenAndFillHost(w, prompter, race, server.Host());
    QTest::mouseClick(Find<QToolButton>(w, "TBConnect"), Qt::LeftButton);
    QVERIFY(w.Form().Connected);
  }

 private Q_SLOTS:
  void connectsBrowsesUploadsAndDisconnects() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QStringLiteral("/root");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/sub")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/emptydir")));
    WriteFile(root + QStringLiteral("/a.txt"), "abc");
    WriteFile(root + QStringLiteral("/b.csv"), "1234567890");
    WriteFile(root + QStringLiteral("/sub/inner.csv"), "x");
    zun::test::FtpTestServer server(root.toStdString(), "demo", "secret", (dir.path() + "/server.log").toStdString());
    QVERIFY(server.Start());
    const QString race = dir.path() + QStringLiteral("/race.txt");
    WriteFile(race, "1,1,12,1,1000000,1000000,91000000\r\n1,1,7,1,1100000,1100000,91100000\r\n");

    ScriptedPrompter prompter;
    MainWindow w(&prompter, OptionsIn(dir));
    OpenAndFillHost(w, prompter, race, server.Host());

    auto* connectButton = Find<QToolButton>(w, "TBConnect");
    QVERIFY(connectButton->isEnabled());
    QTest::mouseClick(connectButton, Qt::LeftButton);

    auto* list = Find<QTreeWidget>(w, "RemoteFileListV");
    auto* combo = Find<QComboBox>(w, "ComboCurrDir");
    auto* label3 = Find<QLabel>(w, "Label3");
    QVERIFY2(w.Form().Connected, prompter.shown.empty() ? "" : prompter.shown.back().c_str());
    QCOMPARE(list->topLevelItemCount(), 4);
    QVERIFY(list->isEnabled());
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("StatusBar1Panel2"))->text(), QStringLiteral("ﾌｧｲﾙ数=2 (Dir=2)"));
    QCOMPARE(combo->currentText(), QStringLiteral("/"));
    QCOMPARE(ColorOf(label3), QColor(255, 0, 0));
    QVERIFY(!connectButton->isEnabled());
    QVERIFY(Find<QToolButton>(w, "TBDisConnect")->isEnabled());
    QVERIFY(!ItemNamed(list, QStringLiteral("sub"))->icon(0).isNull());

    // Into the folder by a double click, and back through the visited folders.
    QTreeWidgetItem* sub = ItemNamed(list, QStringLiteral("sub"));
    const QRect rect = list->visualItemRect(sub);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(w.Form().RemoteFileListV.selectedRows.size(), size_t(1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(combo->currentText(), QStringLiteral("/sub"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(combo->count(), 2);

    Find<QToolButton>(w, "ToolButtonUpLoad")->click();
    QCOMPARE(ReadFile(root + QStringLiteral("/sub/zuntextpure.txt")),
             ReadFile(QString::fromStdString(w.Form().PureTextPath)));
    QVERIFY(ItemNamed(list, QStringLiteral("zuntextpure.txt")));

    combo->setCurrentIndex(0);
    Q_EMIT combo->textActivated(combo->itemText(0));
    QCOMPARE(combo->currentText(), QStringLiteral("/"));
    QCOMPARE(list->topLevelItemCount(), 4);

    Find<QToolButton>(w, "TBDisConnect")->click();
    QVERIFY(!w.Form().Connected);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!list->isEnabled());
    QCOMPARE(ColorOf(label3), QColor(0, 128, 128));
    QVERIFY(connectButton->isEnabled());
    QCOMPARE(w.Form().FtpClientOf().LoginCount(), 1);
  }

  // An upload over a slow line: the operator goes on choosing a row in the grid, and a click on
  // the mark button or a request to close is carried out once the upload has ended; other
  // clicks are dropped.
  void theOperatorWorksInTheGridWhileAnUploadWaits_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("close button") << false;
    QTest::newRow("終了 in the menu") << true;
  }
  void theOperatorWorksInTheGridWhileAnUploadWaits() {
    QFETCH(bool, byMenu);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QStringLiteral("/root");
    QVERIFY(QDir().mkpath(root));
    zun::test::FtpTestServer server(root.toStdString(), "demo", "secret", (dir.path() + "/server.log").toStdString());
    QVERIFY(server.Start(zun::test::FtpServerKind::Throttled));
    ScriptedPrompter prompter;
    MainWindow w(&prompter, OptionsIn(dir));
    OpenSlowRaceAndConnect(w, prompter, dir, server);

    zun::gui::GridView* grid = w.Grid();
    auto* mark = Find<QPushButton>(w, "ButtonDoignore");
    auto* unmark = Find<QPushButton>(w, "ButtonCancalIgnore");
    auto* flags = Find<QListWidget>(w, "ListBox1");
    // A mark made before, and its line chosen in the flag list to be taken back.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(w.Model()->index(grid->rowAt(5), 1)).center());
    QTRY_COMPARE(w.Form().RememberedRow, w.Form().StringGrid1.currentRow);
    QTest::mouseClick(mark, Qt::LeftButton);
    QCOMPARE(flags->count(), 1);
    QTest::mouseClick(flags->viewport(), Qt::LeftButton, {}, flags->visualItemRect(flags->item(0)).center());
    QVERIFY(unmark->isEnabled());
    bool during = false;
    int rowWanted = -1;
    int rowNext = -1;
    int rowChosen = 0;
    int marksDuring = -1;
    bool openAfterClose = false;
    bool menuDuring = true;
    QTimer::singleShot(400, &w, [&] {
      during = w.Form().Uploading;
      const int shown = grid->rowAt(grid->viewport()->height() / 2);
      rowWanted = w.Model()->GridRowOf(shown);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(w.Model()->index(shown, 1)).center());
      rowChosen = w.Form().StringGrid1.currentRow;
      QTest::qWait(100);  // the operator's eye on the framed row
      QTest::mouseClick(mark, Qt::LeftButton);
      QTest::mouseClick(mark, Qt::LeftButton);
      // The next runner to mark, and then a row only looked at: each mark stays with its row.
      rowNext = w.Model()->GridRowOf(shown + 2);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(w.Model()->index(shown + 2, 1)).center());
      QTest::qWait(100);
      QTest::mouseClick(mark, Qt::LeftButton);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(w.Model()->index(shown + 4, 1)).center());
      QTest::qWait(100);
      QTest::mouseClick(unmark, Qt::LeftButton);
      marksDuring = flags->count();
      QTest::mouseClick(Find<QToolButton>(w, "TBDisConnect"), Qt::LeftButton);
      auto* edit = Find<QLineEdit>(w, "Edit1");
      QContextMenuEvent menu(QContextMenuEvent::Mouse, edit->rect().center(), edit->mapToGlobal(edit->rect().center()));
      QCoreApplication::sendEvent(edit, &menu);
      menuDuring = QApplication::activePopupWidget() != nullptr;
      if (byMenu) {
        QMenuBar* bar = w.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Find<QAction>(w, "ActionClose1")).center());
      } else {
        w.close();
      }
      openAfterClose = w.isVisible();
    });
    prompter.answers = {true, false};  // "close?": yes; "still connected, disconnect?": no
    std::vector<std::string> flagsWhenAsked;  // the marks clicked before the close are made before it asks
    prompter.onConfirm = [&](const std::string&) { flagsWhenAsked = w.Form().Flags; };
    Find<QToolButton>(w, "ToolButtonUpLoad")->click();

    QVERIFY(during);
    QVERIFY(rowWanted > 1);
    QCOMPARE(rowChosen, rowWanted);
    QCOMPARE(marksDuring, 1);
    QVERIFY(openAfterClose);
    QVERIFY(!menuDuring);  // a right click makes no menu either
    // Then: one mark on each row chosen, the earlier one taken back, the disconnect click gone,
    // and the close asked for.
    QCOMPARE(flags->count(), 2);
    QCOMPARE(flagsWhenAsked, w.Form().Flags);
    QVERIFY(flags->item(0)->text().startsWith(QString::number(rowWanted) + QStringLiteral(",")));
    QVERIFY(flags->item(1)->text().startsWith(QString::number(rowNext) + QStringLiteral(",")));
    QVERIFY(w.Form().Connected);
    QCOMPARE(prompter.confirmations,
             (std::vector<std::string>{"終了しますか ?", "ホストに接続中です。\n切断してもいいですか？"}));
    QVERIFY(prompter.messages.empty());
    QVERIFY(w.isVisible());
    QCOMPARE(ReadFile(root + QStringLiteral("/zuntextpure.txt")).size(),
             ReadFile(QString::fromStdString(w.Form().PureTextPath)).size());
  }

  // Closing asks whether to close first, then, connected, whether to disconnect: a No to either
  // leaves the window open and connected. A close that goes on sends the reading of the last
  // second before it disconnects, so the site is not left a reading behind.
  void closingAsksInOrderAndPublishesTheLastReading() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QStringLiteral("/root");
    QVERIFY(QDir().mkpath(root));
    zun::test::FtpTestServer server(root.toStdString(), "demo", "secret", (dir.path() + "/server.log").toStdString());
    QVERIFY(server.Start());
    const QString race = dir.path() + QStringLiteral("/race.txt");
    WriteFile(race, "1,1,12,1,1000000,1000000,91000000\r\n1,1,7,1,1100000,1100000,91100000\r\n");
    ScriptedPrompter prompter;
    MainWindow w(&prompter, OptionsIn(dir));
    OpenAndFillHost(w, prompter, race, server.Host());
    QTest::mouseClick(Find<QToolButton>(w, "TBConnect"), Qt::LeftButton);
    QVERIFY(w.Form().Connected);
    Find<QToolButton>(w, "ToolButtonUpLoad")->click();
    for (const char* box : {"CBAuto", "CBPure", "CBFtp"}) QTest::mouseClick(Find<QCheckBox>(w, box), Qt::LeftButton);
    QVERIFY(w.Form().CyclePublishes());
    const int ticks = w.Form().ProgressBar1.position;
    QTRY_VERIFY_WITH_TIMEOUT(w.Form().ProgressBar1.position != ticks, 3000);  // the cycle has seen the file

    const std::string disconnect = "ホストに接続中です。\n切断してもいいですか？";
    prompter.answers = {false};
    QVERIFY(!w.close());
    QCOMPARE(prompter.confirmations, std::vector<std::string>{"終了しますか ?"});
    QVERIFY(w.isVisible() && w.Form().Connected);
    prompter.Clear();
    prompter.answers = {true, false};
    QVERIFY(!w.close());
    QCOMPARE(prompter.confirmations, (std::vector<std::string>{"終了しますか ?", disconnect}));
    QVERIFY(w.isVisible() && w.Form().Connected);

    // A reading the timing system wrote an instant before the close, before any tick saw it.
    QFile file(race);
    QVERIFY(file.open(QIODevice::Append));
    file.write("1,1,9,1,1200000,1200000,91200000\r\n");
    file.close();
    prompter.Clear();
    prompter.answers = {true, true};
    QVERIFY(w.close());
    QCOMPARE(prompter.confirmations, (std::vector<std::string>{"終了しますか ?", disconnect}));
    QVERIFY(prompter.messages.empty());
    QVERIFY(!w.Form().Connected);
    const QByteArray published = ReadFile(root + QStringLiteral("/zuntextpure.txt"));
    QVERIFY2(published.contains("1,1,9,1,1200000,1200000,91200000"), published.constData());
    QCOMPARE(published, ReadFile(QString::fromStdString(w.Form().PureTextPath)));
  }

  // Typing goes on while an upload waits: a bib typed into a search box keeps every digit, and
  // its search filters the grid.
  void theOperatorSearchesWhileAnUploadWaits() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QStringLiteral("/root");
    QVERIFY(QDir().mkpath(root));
    zun::test::FtpTestServer server(root.toStdString(), "demo", "secret", (dir.path() + "/server.log").toStdString());
    QVERIFY(server.Start(zun::test::FtpServerKind::Throttled));
    ScriptedPrompter prompter;
    MainWindow w(&prompter, OptionsIn(dir));
    OpenSlowRaceAndConnect(w, prompter, dir, server);

    auto* bibBox = Find<QLineEdit>(w, "LEdit4");
    bibBox->setFocus();
    bool during = false;
    QString typed;
    int rowsShown = -1;
    QTimer poll;  // the first moment the upload waits for the line
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &w, [&] {
      if (!w.Form().Uploading) return;
      poll.stop();
      during = true;
      QTest::keyClicks(bibBox, QStringLiteral("10105"));
      typed = bibBox->text();
      QTest::keyClick(bibBox, Qt::Key_Return);
      rowsShown = w.Model()->rowCount();
      during = w.Form().Uploading;
    });
    poll.start();
    Find<QToolButton>(w, "ToolButtonUpLoad")->click();

    QVERIFY2(during, prompter.shown.empty() ? "" : prompter.shown.back().c_str());
    QCOMPARE(typed, QStringLiteral("10105"));
    QCOMPARE(rowsShown, 1);
    QCOMPARE(w.Model()->rowCount(), 1);
    QVERIFY(prompter.messages.empty());
  }
};

int main(int argc, char** argv) {
  zun::gui::Application app(argc, argv);
  MainWindowFtpTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainWindowFtpTest.moc"
