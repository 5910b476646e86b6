#include "Application.h"

#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>
#include <exception>

namespace zun::gui {

namespace {
std::function<void(const QString&)>& Reporter() {
  static std::function<void(const QString&)> reporter;
  return reporter;
}
}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("zunTextEditor"));
  // The window speaks Japanese whatever the locale, so Qt's own buttons and dialogs do too.
  auto* translator = new QTranslator(this);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(translator);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportException(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportException(QString());
  }
  return false;
}

void Application::SetExceptionReporter(std::function<void(const QString&)> reporter) {
  Reporter() = std::move(reporter);
}

void Application::ReportException(const QString& text) {
  if (Reporter()) {
    Reporter()(text);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
}

QFont WindowFont() {
  const QStringList families = QFontDatabase::families();
  QString family;
  for (const QString& candidate :
       {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}) {
    if (families.contains(candidate)) {
      family = candidate;
      break;
    }
  }
  QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
  font.setPixelSize(12);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace zun::gui
