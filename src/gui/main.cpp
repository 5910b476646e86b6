#include <exception>

#include "Application.h"
#include "MainWindow.h"

int main(int argc, char** argv) {
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
