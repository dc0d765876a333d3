#include "ui/command_bar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <limits>

#include "bar/faces.h"
#include "platform/x11_window_state.h"

namespace tarvolin::ui {

CommandBox::CommandBox(QWidget* parent)
    : QLineEdit(parent), flashTime_(QGuiApplication::styleHints()->cursorFlashTime()) {
  caretRest_.setSingleShot(true);
  caretRest_.setInterval(10000);
  connect(&caretRest_, &QTimer::timeout, this,
          [] { QGuiApplication::styleHints()->setCursorFlashTime(0); });
}

void CommandBox::WakeCaret() {
  if (QGuiApplication::styleHints()->cursorFlashTime() != flashTime_) {
    QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
  }
  caretRest_.start();
}

bool CommandBox::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::FocusIn:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
      WakeCaret();
      break;
    default:
      break;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      emit KeyDown(key->key(), key->modifiers());
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CommandBox::keyPressEvent(QKeyEvent* event) {
  emit KeyDown(event->key(), event->modifiers());
  QLineEdit::keyPressEvent(event);
}

void CommandBox::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) {
    emit Clicked();
  }
}

CommandBar::CommandBar()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      box_(new CommandBox(this)) {
  platform::x11::PrepareSkipTaskbar();
  setWindowTitle(QStringLiteral("Tarvolin"));
  // Qt's pixel is a 96th of an inch: 15 twips.
  setFixedSize(bar::kBarTwips.width / 15, bar::kBarTwips.height / 15);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, (bar::kBarTwips.width - bar::kBoxTwips.width) / 15, 0);
  layout->addWidget(box_);
}

bool CommandBar::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WindowActivate) {
    emit Activated();
  } else if (event->type() == QEvent::WindowDeactivate) {
    emit Deactivated();
  }
  return handled;
}

void CommandBar::LiftLengthLimit() {
  // The limit sets the text anew, which drops a selection: it is kept.
  const int start = box_->selectionStart();
  const int length = box_->selectionLength();
  box_->setMaxLength(std::numeric_limits<int>::max());
  if (start >= 0) {
    box_->setSelection(start, length);
  }
}

void CommandBar::setVisible(bool visible) {
  // The first time, the window's map request goes out before its box is
  // shown. Qt shows a window's children before the window itself, and the
  // first widget shown sets up the accessibility bridge, a D-Bus connection
  // that takes milliseconds; the window would wait for it.
  if (visible && !shownBefore_) {
    shownBefore_ = true;
    box_->hide();
    QWidget::setVisible(true);
    box_->show();
    return;
  }
  const bool again = visible && !isVisible();
  QWidget::setVisible(visible);
  if (again) {
    // Shown again, perhaps soon after it hid (a toggle pressed twice, a
    // re-map to get the focus): the states are asked for after the map too.
    platform::x11::KeepOnTop(this);
  }
}

void CommandBar::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  emit Moved();
}

void CommandBar::showEvent(QShowEvent* event) {
  platform::x11::SkipTaskbar(this);
  QWidget::showEvent(event);
}

}  // namespace tarvolin::ui
