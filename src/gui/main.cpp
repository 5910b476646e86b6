#include <cstdio>
#include <cstring>
#include <exception>

#include "Application.h"
#include "MainWindow.h"

int main(int argc, char** argv) {
  // Answered before the toolkit starts, so it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zuntexteditor %s\n", ZUN_VERSION);
    return 0;
  }
  zun::gui::Application app(argc, argv);
  try {
    app.setFont(zun::gui::WindowFont());
    zun::gui::MainWindow window;
    window.show();
    return app.exec();
  } catch (const std::exception& e) {
    zun::gui::Application::ReportException(QString::fromUtf8(e.what()));
  } catch (...) {
    zun::gui::Application::ReportException(QString());
  }
  return 1;
}
