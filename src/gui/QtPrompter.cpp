#include "QtPrompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace zun::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void QtPrompter::ShowMessage(const std::string& text) {
  QMessageBox::information(parent_, QApplication::applicationName(), Q(text));
}

bool QtPrompter::Confirm(const std::string& text) {
  return QMessageBox::question(parent_, QStringLiteral("確認"), Q(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<std::string> QtPrompter::InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) {
  bool ok = false;
  const QString value = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return value.toStdString();
}

QStringList NameFiltersOf(const std::string& filter) {
  // The dialog matches a filter's patterns ignoring case, so "(*.txt)" also offers *.TXT.
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList result;
  for (int i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    if (description.contains(QLatin1Char('(')) || pattern.isEmpty())
      result << description;
    else
      result << QStringLiteral("%1 (%2)").arg(description, QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' ')));
  }
  return result;
}

void ConfigureOpenDialog(QFileDialog& dialog, const std::string& filter, const std::string& initialDir,
                         const std::string& defaultExt) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFiltersOf(filter));
  dialog.setDefaultSuffix(Q(defaultExt));
  // A missing initial folder opens the folder it would have been in.
  const QString dir = QDir::current().absoluteFilePath(Q(initialDir));
  const QString parent = QFileInfo(dir).absolutePath();
  dialog.setDirectory(QDir(dir).exists() ? dir : QDir(parent).exists() ? parent : QDir::currentPath());
}

std::optional<std::string> QtPrompter::OpenFile(const std::string& filter, const std::string& initialDir,
                                                const std::string& defaultExt) {
  QFileDialog dialog(parent_);
  ConfigureOpenDialog(dialog, filter, initialDir, defaultExt);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void QtPrompter::ShowFolder(const std::string& path) {
  // Handed to the desktop as a URL, never through a shell command line.
  QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

}  // namespace zun::gui
