#include "StatusPanels.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <numeric>

namespace zun::gui {

namespace {
constexpr int kMargin = 4;

QString OneLine(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String(" "));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return text.trimmed();
}
}  // namespace

StatusPanel::StatusPanel(QWidget* parent, Qt::TextElideMode elide) : QLabel(parent), elide_(elide) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // Neither its size nor its hint follows the text: a new text never moves a panel.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  QFont bold = font();
  bold.setBold(true);
  const int line = std::max(fontMetrics().height(), QFontMetrics(bold).height());
  setFixedHeight(line + 2 * frameWidth() + 2);
}

QSize StatusPanel::sizeHint() const { return minimumSizeHint(); }
QSize StatusPanel::minimumSizeHint() const { return {minimumWidth(), height()}; }

int StatusPanel::TextWidth() const { return std::max(0, contentsRect().width() - 2 * kMargin); }

void StatusPanel::SetColors(const QColor& background, const QColor& foreground) {
  if (background == background_ && foreground == foreground_) return;
  background_ = background;
  foreground_ = foreground;
  update();
}

QString StatusPanel::ShownText() const { return fontMetrics().elidedText(OneLine(text()), elide_, TextWidth()); }

void StatusPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  if (background_.isValid()) p.fillRect(contentsRect(), background_);
  p.setPen(foreground_.isValid() ? foreground_ : palette().color(QPalette::WindowText));
  p.drawText(contentsRect().adjusted(kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             ShownText());
}

CycleStateLabel::CycleStateLabel(QWidget* parent) : StatusPanel(parent, Qt::ElideMiddle) {}

void CycleStateLabel::SetStatus(const zun::CycleStatus& status) {
  if (status == status_ && !text().isEmpty()) return;
  status_ = status;
  QFont f = font();
  f.setBold(status.level == zun::CycleLevel::Paused || status.level == zun::CycleLevel::Failing);
  setFont(f);
  switch (status.level) {
    case zun::CycleLevel::Off: SetColors(QColor(), QColor(0x55, 0x55, 0x55)); break;
    case zun::CycleLevel::Watching: SetColors(QColor(0xd6, 0xf5, 0xd6), QColor(0x0b, 0x5d, 0x0b)); break;
    case zun::CycleLevel::Paused: SetColors(QColor(0xff, 0xc9, 0x4d), QColor(0, 0, 0)); break;
    case zun::CycleLevel::Failing: SetColors(QColor(0xd3, 0x2f, 0x2f), QColor(0xff, 0xff, 0xff)); break;
  }
  const QString full = QString::fromStdString(status.text);
  setText(full);
  setToolTip(full);
  update();
}

// The key facts first; then the others by rank, each taken when it still fits beside them, all
// shown in their own order. Key facts too long even alone lose their middle (a folder's path).
QString CycleStateLabel::ShownText() const {
  const std::vector<zun::CyclePart>& parts = status_.parts;
  if (parts.empty()) return StatusPanel::ShownText();
  std::vector<bool> taken(parts.size());
  for (size_t i = 0; i < parts.size(); ++i) taken[i] = parts[i].rank == 0;
  const auto join = [&] {
    QString s;
    for (size_t i = 0; i < parts.size(); ++i)
      if (taken[i]) s += QString::fromStdString(parts[i].text);
    return s.trimmed();
  };
  const int room = TextWidth();
  const QFontMetrics fm = fontMetrics();
  std::vector<size_t> byRank(parts.size());
  std::iota(byRank.begin(), byRank.end(), 0);
  std::stable_sort(byRank.begin(), byRank.end(), [&](size_t a, size_t b) { return parts[a].rank < parts[b].rank; });
  for (size_t i : byRank) {
    if (taken[i]) continue;
    taken[i] = true;
    if (fm.horizontalAdvance(join()) > room) taken[i] = false;
  }
  return fm.elidedText(join(), Qt::ElideMiddle, room);
}

void CycleStateLabel::mousePressEvent(QMouseEvent* event) {
  QToolTip::showText(mapToGlobal(QPoint(0, height())), toolTip(), this);
  event->accept();
}

}  // namespace zun::gui
