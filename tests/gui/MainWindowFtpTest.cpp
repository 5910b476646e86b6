// The real window against a real FTP server on the loopback: connect, browse, upload, disconnect,
// driven through its widgets on the offscreen platform.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>
#include <memory>
#include <optional>

#include "Application.h"
#include "FakePrompter.h"
#include "FtpTestServer.h"
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
    zun::FormMainOptions options;
    options.ExecutablePath = (dir.path() + QStringLiteral("/zuntexteditor")).toStdString();
    options.CurrentDirectory = dir.path().toStdString();
    MainWindow w(&prompter, options);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    prompter.files.push_back(race.toStdString());
    Find<QAction>(w, "ZunText1")->trigger();
    Find<QToolButton>(w, "SBPutCleanText")->click();

    QTest::keyClicks(Find<QLineEdit>(w, "EHost"), QString::fromStdString(server.Host()));
    QTest::keyClicks(Find<QLineEdit>(w, "EUserId"), QStringLiteral("demo"));
    QTest::keyClicks(Find<QLineEdit>(w, "EPassword"), QStringLiteral("secret"));
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
};

int main(int argc, char** argv) {
  zun::gui::Application app(argc, argv);
  MainWindowFtpTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainWindowFtpTest.moc"
