// gui_open_bench: the real window (offscreen unless QT_QPA_PLATFORM says otherwise) opening a
// zunText file until the grid is painted, a filter by bib over it, clearing it, a jump to the
// middle, the process's memory, and the automation tick after one appended reading (reload,
// outputs written, grid mirrored and painted) and after a mark. The file gets 7 lines appended
// and a zuntext.flg beside it.
//   gui_open_bench FILE [BIB]
#include <QAbstractButton>
#include <QCheckBox>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Application.h"
#include "GridModel.h"
#include "GridView.h"
#include "MainWindow.h"

namespace {

class BenchPrompter : public zun::Prompter {
 public:
  std::string path;
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
  bool Confirm(const std::string&) override { return true; }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&, const std::string&) override {
    return path;
  }
  void ShowFolder(const std::string&) override {}
  void ShowHostDialog(zun::HostForm&) override {}
};

// VmRSS or VmHWM of this process in KiB.
long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line))
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_open_bench FILE [BIB]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  zun::gui::Application app(argc, argv);
  app.setFont(zun::gui::WindowFont());
  const QString bib = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("150");

  QTemporaryDir home;
  BenchPrompter prompter;
  prompter.path = argv[1];
  zun::FormMainOptions options;
  options.ExecutablePath = (home.path() + QStringLiteral("/zuntexteditor")).toStdString();
  options.CurrentDirectory = home.path().toStdString();
  zun::gui::MainWindow window(&prompter, options);
  window.show();
  QApplication::processEvents();
  zun::gui::GridView* grid = window.Grid();
  zun::gui::GridModel* model = window.Model();
  const long rssBefore = StatusKiB("VmRSS");

  QElapsedTimer clock;
  clock.start();
  window.findChild<QAction*>(QStringLiteral("ZunText1"))->trigger();
  const double loadMs = clock.nsecsElapsed() / 1e6;
  grid->viewport()->repaint();
  QApplication::processEvents();
  const double openMs = clock.nsecsElapsed() / 1e6;
  const int rows = model->rowCount();
  const long rssOpen = StatusKiB("VmRSS");

  auto* edit = window.findChild<QLineEdit*>(QStringLiteral("LEdit4"));
  auto* indicator = window.findChild<QLabel*>(QStringLiteral("Label5"));
  std::vector<double> filterMs, clearMs;
  int shown = 0;
  for (int i = 0; i < 5; ++i) {
    clock.restart();
    edit->setText(bib);
    Q_EMIT edit->textEdited(bib);
    Q_EMIT edit->returnPressed();
    grid->viewport()->repaint();
    filterMs.push_back(clock.nsecsElapsed() / 1e6);
    shown = model->rowCount();

    clock.restart();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(indicator, &release);
    grid->viewport()->repaint();
    clearMs.push_back(clock.nsecsElapsed() / 1e6);
  }

  clock.restart();
  grid->scrollTo(model->index(rows / 2, 0), QAbstractItemView::PositionAtCenter);
  grid->viewport()->repaint();
  const double jumpMs = clock.nsecsElapsed() / 1e6;

  // The same load again, split into the core's pipeline and the window's mirroring.
  clock.restart();
  window.Form().LoadResultGrid();
  const double coreMs = clock.nsecsElapsed() / 1e6;
  clock.restart();
  window.Mirror();
  grid->viewport()->repaint();
  const double mirrorMs = clock.nsecsElapsed() / 1e6;

  // The live cycle with outputs: one reading appended before each tick.
  for (const char* name : {"CBAuto", "CBPure", "CBNeedCSV"}) {
    auto* box = window.findChild<QCheckBox*>(QString::fromLatin1(name));
    if (!box->isChecked()) box->click();
  }
  // Seven ticks, each after one more reading of bib `firstBib` + k.
  const auto ticksAfterReadings = [&](int firstBib) {
    std::vector<double> ms;
    for (int k = 0; k < 7; ++k) {
      {
        std::ofstream file(argv[1], std::ios::app);
        file << "1,1," << firstBib + k << ",2,99000000,99000000,99000000\n";
      }
      // Readings come a second apart: what the cycle writes ahead between ticks is done by then.
      for (QElapsedTimer pause; !pause.isValid() || pause.elapsed() < 300;) {
        if (!pause.isValid()) pause.start();
        QApplication::processEvents(QEventLoop::AllEvents, 50);
      }
      clock.restart();
      window.Form().Timer1Timer();
      window.Mirror();
      grid->viewport()->repaint();
      ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    return ms;
  };
  const std::vector<double> tickMs = ticksAfterReadings(100);

  // The same while the operator looks up a bib: the filter is applied again to every reload.
  edit->setText(bib);
  Q_EMIT edit->textEdited(bib);
  Q_EMIT edit->returnPressed();
  const std::vector<double> filteredTickMs = ticksAfterReadings(200);
  const int filteredRows = model->rowCount();
  {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(indicator, &release);
  }

  // The operator marks a reading invalid: the flag file changes, and the next tick loads whole.
  clock.restart();
  window.Form().RememberedRow = rows / 2;
  window.Form().ButtonDoignoreClick();
  window.Mirror();
  const double markMs = clock.nsecsElapsed() / 1e6;
  clock.restart();
  window.Form().Timer1Timer();
  window.Mirror();
  grid->viewport()->repaint();
  const double markTickMs = clock.nsecsElapsed() / 1e6;

  std::printf("rows                         %d\n", rows);
  std::printf("reload: core LoadResultGrid  %.1f ms\n", coreMs);
  std::printf("reload: mirror and paint     %.1f ms\n", mirrorMs);
  std::printf("open (load + mirror)         %.1f ms\n", loadMs);
  std::printf("open until grid painted      %.1f ms\n", openMs);
  std::printf("filter bib %s (%d rows)     %.1f ms (median of 5)\n", qPrintable(bib), shown, Median(filterMs));
  std::printf("clear filter                 %.1f ms (median of 5)\n", Median(clearMs));
  std::printf("scroll to middle and paint   %.1f ms\n", jumpMs);
  std::printf("tick after one reading        %.1f ms (median of 7; %d rows)\n", Median(tickMs), model->rowCount());
  std::printf("tick under the filter          %.1f ms (median of 7; %d rows shown)\n", Median(filteredTickMs),
              filteredRows);
  std::printf("mark a reading x              %.1f ms, then its tick %.1f ms\n", markMs, markTickMs);
  std::printf("RSS before open              %ld KiB\n", rssBefore);
  std::printf("RSS with the grid shown      %ld KiB\n", rssOpen);
  std::printf("RSS after filters            %ld KiB (peak %ld KiB)\n", StatusKiB("VmRSS"), StatusKiB("VmHWM"));
  if (rows > 0)
    std::printf("memory per row               %.0f bytes\n", (rssOpen - rssBefore) * 1024.0 / rows);
  return 0;
}
