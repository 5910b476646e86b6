#include "ElidedLabel.h"

#include <QPainter>

namespace zun::gui {

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::WindowText));
  const QRect r = contentsRect();
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(full_, Qt::ElideMiddle, r.width()));
}

}  // namespace zun::gui
