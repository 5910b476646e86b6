#pragma once
// Mirrors FormMain's control records onto the widgets bound to them: one small apply function
// per kind of widget, called for every binding after each event the window forwards.
#include <QObject>
#include <QPointer>
#include <array>
#include <optional>
#include <vector>

#include "app/FormControls.h"

namespace zun {
class FormMain;
}

namespace zun::gui {

enum class WidgetKind { Form, Edit, Check, Button, ActionButton, Action, Label, Group, Radio, ListBox, CheckList,
                        ListView, Combo, Progress, Timer, Grid, ToolBar, StatusBar, Menu };

class Binder {
 public:
  // Binds `object` to the record of `id` and names it after the control when it has no name yet.
  // A button or menu item bound to an action (ActionButton, Menu) follows that action's record too.
  void Bind(zun::ControlId id, QObject* object, WidgetKind kind, std::optional<zun::ControlId> action = std::nullopt);
  QObject* Object(zun::ControlId id) const { return objects_[static_cast<size_t>(id)].data(); }
  // Copies every record onto its widget; `timerMayRun` false keeps the timer still (closing).
  void Apply(zun::FormMain& form, bool timerMayRun) const;

 private:
  struct Binding {
    zun::ControlId id;
    QPointer<QObject> object;
    WidgetKind kind;
    std::optional<zun::ControlId> action;
  };
  std::vector<Binding> bindings_;
  std::array<QPointer<QObject>, zun::kControlCount> objects_;
};

}  // namespace zun::gui
