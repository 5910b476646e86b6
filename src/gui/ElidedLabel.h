#pragma once
// A label for a folder path: it shows as much as fits, eliding the middle, and the whole path as
// its tool tip, so a long path never widens the window.
#include <QLabel>

namespace zun::gui {

class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {
    setMinimumWidth(40);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }
  void SetFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    setToolTip(text);
    update();
  }
  QString FullText() const { return full_; }
  QSize minimumSizeHint() const override { return {40, fontMetrics().height() + 2}; }
  QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(full_), fontMetrics().height() + 2}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString full_;
};

}  // namespace zun::gui
