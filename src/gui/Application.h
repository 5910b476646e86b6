#pragma once
// The application object: an exception that reaches the event loop is shown and the loop goes on.
#include <QApplication>
#include <functional>

namespace zun::gui {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // How an escaped exception is shown; a message box unless a test replaces it.
  static void SetExceptionReporter(std::function<void(const QString&)> reporter);
  static void ReportException(const QString& text);
};

// The window font: "ＭＳ Ｐゴシック" when installed, else a Japanese sans, 12 pixels.
QFont WindowFont();

}  // namespace zun::gui
