// The host dialog on the offscreen platform: opened from the menu of the real window, driven
// through its own widgets.
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <functional>

#include "Application.h"
#include "HostDialog.h"
#include "MainWindow.h"
#include "FakePrompter.h"
#include "QtPrompter.h"
#include "hosts/Ecypt.h"
#include "hosts/Hostlist.h"

using zun::gui::HostDialog;
using zun::gui::MainWindow;

namespace {

// Records the texts shown and answers Yes/No as queued (No when none). Its host dialog is the real
// one; `inDialog` runs once it is open.
class ScriptedPrompter : public zun::test::FakePrompter {
 public:
  std::function<void(HostDialog&)> inDialog;
  HostDialog* dialog = nullptr;
  int dialogs = 0;

  void ShowHostDialog(zun::HostForm& form) override {
    ++dialogs;
    QTimer::singleShot(0, [this] {
      if (inDialog) inDialog(*dialog);
      // Whatever the script did, the dialog does not stay open after it.
      if (dialog->isVisible()) dialog->reject();
    });
    dialog->Run(form, *this);
  }
};

QByteArray Record(const std::string& host, const std::string& user, const std::string& password,
                  const std::string& local, const std::string& remote) {
  std::string r(401, '\0');
  r[0] = 1;
  const std::string stored = zun::EncipherPassword(password);
  r.replace(1, host.size(), host);
  r.replace(81, user.size(), user);
  r.replace(161, stored.size(), stored);
  r.replace(241, local.size(), local);
  r.replace(321, remote.size(), remote);
  return QByteArray(r.data(), static_cast<qsizetype>(r.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class HostDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  ScriptedPrompter prompter_;
  std::unique_ptr<MainWindow> window_;
  QString hostFile_;

  void MakeWindow(zun::Prompter* prompter) {
    zun::FormMainOptions options;
    options.ExecutablePath = (dir_->path() + QStringLiteral("/zuntexteditor")).toStdString();
    options.CurrentDirectory = dir_->path().toStdString();
    window_ = std::make_unique<MainWindow>(prompter, options);
  }
  QString EditText(const char* name) { return window_->findChild<QLineEdit*>(QString::fromLatin1(name))->text(); }
  void OpenFromMenu() {
    QAction* item = window_->findChild<QAction*>(QStringLiteral("OpenHostList1"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("ﾎｽﾄﾘｽﾄを開く"));
    item->trigger();
  }
  static void Click(HostDialog& d, const char* button) {
    QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
  }

 private Q_SLOTS:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    hostFile_ = dir_->path() + QStringLiteral("/zuntexteditor.H$$");
    WriteFile(hostFile_, Record("ftp.one.jp", "runner", "password", "/l/one", "/www/one") +
                             Record("\x83\x7a\x83\x58\x83\x67.jp", "op", "\x83\x70\x83\x58", "/l/two", "/www/two"));
    prompter_ = ScriptedPrompter();
    MakeWindow(&prompter_);
    prompter_.dialog = new HostDialog(window_.get());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanup() {
    window_.reset();
    dir_.reset();
  }

  void dialogShowsTheStoredHosts() {
    QStringList hosts, users, buttons;
    prompter_.inDialog = [&](HostDialog& d) {
      QCOMPARE(d.windowTitle(), QStringLiteral("ホスト一覧"));
      QCOMPARE(d.size(), QSize(324, 253));
      QTreeWidget* list = d.List();
      QCOMPARE(list->objectName(), QStringLiteral("ListView1"));
      QCOMPARE(list->headerItem()->text(0), QStringLiteral("ホスト名"));
      QCOMPARE(list->headerItem()->text(1), QStringLiteral("ユーザー名"));
      QCOMPARE(list->columnWidth(0), 200);
      QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
      QCOMPARE(d.SelectedRow(), -1);
      for (int i = 0; i < list->topLevelItemCount(); ++i) {
        hosts << list->topLevelItem(i)->text(0);
        users << list->topLevelItem(i)->text(1);
      }
      for (const char* name : {"ButtonSet", "ButtonDelete", "ButtonCancel"})
        buttons << d.findChild<QPushButton*>(QString::fromLatin1(name))->text();
      Click(d, "ButtonCancel");
      QVERIFY(!d.isVisible());
    };
    OpenFromMenu();
    QCOMPARE(prompter_.dialogs, 1);
    QCOMPARE(hosts, QStringList({QStringLiteral("ftp.one.jp"), QStringLiteral("ホスト.jp")}));
    QCOMPARE(users, QStringList({QStringLiteral("runner"), QStringLiteral("op")}));
    QCOMPARE(buttons, QStringList({QStringLiteral("設定"), QStringLiteral("削除"), QStringLiteral("キャンセル")}));
    QCOMPARE(EditText("EHost"), QString());
    QVERIFY(prompter_.shown.empty());
  }

  void choosingAHostFillsTheEdits() {
    prompter_.answers = {true};
    prompter_.inDialog = [](HostDialog& d) {
      QTreeWidget* list = d.List();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
      QCOMPARE(d.SelectedRow(), 1);
      Click(d, "ButtonSet");
    };
    OpenFromMenu();
    QCOMPARE(prompter_.shown, std::vector<std::string>{zun::kAskSetHost});
    QCOMPARE(EditText("EHost"), QStringLiteral("ホスト.jp"));
    QCOMPARE(EditText("EUserId"), QStringLiteral("op"));
    QCOMPARE(EditText("EPassword"), QStringLiteral("パス"));
    zun::FormMain& f = window_->Form();
    QCOMPARE(f.LastLDir, std::string("/l/two"));
    QCOMPARE(f.LastHDir, std::string("/www/two"));
    QVERIFY(f.HostEdited);
  }

  void buttonsWithoutARowAskForOne() {
    bool stillOpen = false;
    prompter_.inDialog = [&](HostDialog& d) {
      Click(d, "ButtonSet");
      Click(d, "ButtonDelete");
      stillOpen = d.isVisible();
      Click(d, "ButtonCancel");
    };
    OpenFromMenu();
    QVERIFY(stillOpen);
    QCOMPARE(prompter_.shown, std::vector<std::string>(2, zun::kMsgHostNotChosen));
    QCOMPARE(EditText("EHost"), QString());
    QFile file(hostFile_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), 802);
  }

  void refusedWhileConnected() {
    window_->Form().Connected = true;
    OpenFromMenu();
    QCOMPARE(prompter_.dialogs, 0);
    QCOMPARE(prompter_.shown, std::vector<std::string>{zun::kMsgHostListWhileConnected});
  }

  void storedPasswordIsFilledInAtStart() {
    window_.reset();
    QFile ini(dir_->path() + QStringLiteral("/zuntexteditor.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Params]\r\nHostName=ftp.one.jp\r\nUserID=runner\r\n");
    ini.close();
    MakeWindow(&prompter_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(EditText("EPassword"), QStringLiteral("password"));
    QVERIFY(window_->Form().HostEdited);
  }

  void windowMakesItsDialogHiddenAtStart() {
    window_.reset();
    MakeWindow(nullptr);  // the real prompter
    auto* dialog = window_->findChild<HostDialog*>(QStringLiteral("HostForm"));
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->parentWidget(), window_.get());
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  zun::gui::Application app(argc, argv);
  app.setFont(zun::gui::WindowFont());
  HostDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "HostDialogTest.moc"
