#pragma once
// Makers of the window's kinds of widget, each named after the control it shows.
#include <QString>
#include <QStringList>

#include "app/FormControls.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QObject;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace zun::gui {

QString NameOf(zun::ControlId id);
// A flat button that never takes the focus from the grid.
QToolButton* SpeedButton(QWidget* parent, zun::ControlId id, const QString& text = {});
// A list of name, date and size columns.
QTreeWidget* ReportList(QWidget* parent, zun::ControlId id, bool multiSelect);
// A titled box of radio buttons, one per item, numbered from 0 in their group.
QGroupBox* RadioGroup(QWidget* parent, zun::ControlId id, const QString& title, const QStringList& items, int columns);
QButtonGroup* ButtonsOf(QObject* radioGroup);
// An edit with its caption beside or above it, both in a holder of their own.
QLineEdit* LabelledEdit(QWidget* parent, zun::ControlId id, const QString& caption, bool labelAbove);
// The name of the status bar's panel `i` (0..2).
QString StatusPanelName(int i);

}  // namespace zun::gui
