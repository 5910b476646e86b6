#pragma once
// The panels of the status bar. Each keeps to one line of one height whatever its text holds (a
// two-line message would grow the bar and move every button above it), shows what fits and
// gives the whole text as its tool tip.
#include <QColor>
#include <QLabel>

#include "app/CycleStatus.h"

namespace zun::gui {

class StatusPanel : public QLabel {
 public:
  explicit StatusPanel(QWidget* parent, Qt::TextElideMode elide = Qt::ElideMiddle);
  // The text on one line as far as it fits.
  virtual QString ShownText() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  int TextWidth() const;  // the room for text inside the frame and the margins
  void SetColors(const QColor& background, const QColor& foreground);

 private:
  Qt::TextElideMode elide_;
  QColor background_;  // invalid: the window's
  QColor foreground_;
};

// The automation cycle's state, readable from across the room: grey when off, green while
// watching, amber when paused, red while publishing fails. Its key facts always show; the times
// and the server's reply make room for them, and are in the tool tip, which a click also opens.
class CycleStateLabel : public StatusPanel {
 public:
  explicit CycleStateLabel(QWidget* parent);
  void SetStatus(const zun::CycleStatus& status);
  const zun::CycleStatus& Status() const { return status_; }
  QString ShownText() const override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  zun::CycleStatus status_;
};

}  // namespace zun::gui
