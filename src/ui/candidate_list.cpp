#include "ui/candidate_list.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/text.h"

namespace tarvolin::ui {

namespace {

constexpr int kMargin = 4;
constexpr int kIconSize = 16;

}  // namespace

// A tool tip's window: the window manager leaves it where it is put and
// gives it no focus, so typing goes on in the bar's box.
CandidateListWindow::CandidateListWindow(QWidget* bar)
    : QWidget(bar, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowTitle(QStringLiteral("Tarvolin list"));
  setFocusPolicy(Qt::NoFocus);
}

void CandidateListWindow::Show(const bar::CandidateList& list) {
  list_ = list;
  setGeometry(list.place.x, list.place.y, list.size.width, list.size.height);
  update();
  if (!isVisible()) {
    show();
  }
}

int CandidateListWindow::RowHeight() const {
  return list_.rows.empty() ? 1 : std::max(1, (height() - 2) / static_cast<int>(list_.rows.size()));
}

QPoint CandidateListWindow::RowCenter(int row) const {
  return {width() / 2, 1 + row * RowHeight() + RowHeight() / 2};
}

const QIcon& CandidateListWindow::IconOf(const std::string& icon) {
  const QString name = FromUtf8(icon);
  auto found = icons_.find(name);
  if (found == icons_.end()) {
    found = icons_.insert(name, name.startsWith('/') ? QIcon(name) : QIcon::fromTheme(name));
  }
  return *found;
}

void CandidateListWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const int rowHeight = RowHeight();
  for (int row = 0; row < static_cast<int>(list_.rows.size()); ++row) {
    const bar::ListRow& shown = list_.rows[static_cast<std::size_t>(row)];
    const QRect line(1, 1 + row * rowHeight, width() - 2, rowHeight);
    const bool current = row == list_.current;
    if (current) {
      painter.fillRect(line, palette().highlight());
    }
    if (!shown.icon.empty()) {
      const int top = line.top() + (rowHeight - kIconSize) / 2;
      IconOf(shown.icon).paint(&painter, kMargin, top, kIconSize, kIconSize);
    }
    // The kind to the right, greyed; the candidate takes what is left.
    QRect text = line.adjusted(2 * kMargin + kIconSize, 0, -kMargin, 0);
    const QString kind = FromUtf8(shown.kind);
    const int kindWidth = fontMetrics().horizontalAdvance(kind);
    painter.setPen(current ? palette().color(QPalette::HighlightedText)
                           : palette().color(QPalette::PlaceholderText));
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, kind);
    text.setRight(text.right() - kindWidth - 2 * kMargin);
    painter.setPen(palette().color(current ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(FromUtf8(shown.text), Qt::ElideMiddle, text.width()));
  }
}

void CandidateListWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !list_.rows.empty()) {
    const int row = (static_cast<int>(event->position().y()) - 1) / RowHeight();
    if (row >= 0 && row < static_cast<int>(list_.rows.size())) {
      emit Clicked(row);
    }
  }
}

}  // namespace tarvolin::ui
