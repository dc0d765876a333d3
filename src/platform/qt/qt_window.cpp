#include "platform/qt/qt_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

#include "platform/qt/frame_estimate.h"
#include "platform/qt/twips.h"
#include "platform/qt/x11_window_state.h"

#ifdef _WIN32
#include "platform/windows/top_most.h"
#endif

namespace tarvolin::platform {

namespace {

Qt::WindowFlags FlagsFor(WindowStyle style) {
  switch (style) {
    case WindowStyle::kCommandBar:
      return Qt::Window | Qt::FramelessWindowHint;
    case WindowStyle::kToolDialog:
      return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
  }
  return Qt::Window;
}

// How long a first showing waits for the window manager's frame.
constexpr int kFrameWaitMs = 1000;

}  // namespace

FormWidget::FormWidget(QtWindow& window, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), window_(window) {}

bool FormWidget::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WindowActivate && window_.GotFocus) {
    window_.GotFocus();
  }
  return handled;
}

void FormWidget::closeEvent(QCloseEvent* event) {
  if (window_.QueryUnload && !window_.QueryUnload()) {
    event->ignore();
    return;
  }
  event->accept();
  // The window is hidden only after this returns, and the handler may well
  // destroy it: Unload runs from the event loop, and not at all once the
  // window is gone.
  QMetaObject::invokeMethod(
      this,
      [this] {
        // A copy runs, so the handler may destroy the window and with it
        // the handler itself.
        const std::function<void()> unload = window_.Unload;
        if (unload) {
          unload();
        }
      },
      Qt::QueuedConnection);
}

QtWindow::QtWindow(const FormDesign& design)
    : style_(design.style), widget_(std::make_unique<FormWidget>(*this, FlagsFor(design.style))) {
  widget_->setWindowTitle(ToQString(design.caption));
  const QSize client(twips::ToPixels(design.clientWidth), twips::ToPixels(design.clientHeight));
  if (style_ == WindowStyle::kToolDialog) {
    widget_->setFixedSize(client);
  } else {
    widget_->resize(client);
  }
  for (const ControlDesign& control : design.controls) {
    QWidget* parent = widget_.get();
    if (!control.container.empty()) {
      auto* frame = dynamic_cast<QtFrame*>(FindControl(control.container));
      if (frame == nullptr) {
        throw std::invalid_argument("the container " + control.container + " of " + control.name +
                                    " is not a frame listed before it");
      }
      parent = frame->Widget();
    }
    controls_.push_back(CreateQtControl(control, parent, &tabOrder_));
  }
  tabOrder_.Arrange();
}

QtWindow::~QtWindow() {
  // Controls refer to widgets owned by the window's widget: drop them first.
  controls_.clear();
}

QMargins QtWindow::FrameMargins() const {
  const QRect frame = widget_->frameGeometry();
  const QRect client = widget_->geometry();
  if (frame != client) {
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
  }
  if (style_ != WindowStyle::kToolDialog) {
    return {};
  }
  if (!estimatedFrame_) {
    estimatedFrame_ = EstimateFrameMargins(widget_->windowFlags());
  }
  return *estimatedFrame_;
}

float QtWindow::Left() const {
  return twips::FromPixels(widget_->frameGeometry().x());
}
float QtWindow::Top() const {
  return twips::FromPixels(widget_->frameGeometry().y());
}
float QtWindow::Width() const {
  const QMargins frame = FrameMargins();
  return twips::FromPixels(widget_->width() + frame.left() + frame.right());
}
float QtWindow::Height() const {
  const QMargins frame = FrameMargins();
  return twips::FromPixels(widget_->height() + frame.top() + frame.bottom());
}

void QtWindow::SetLeft(float twips) {
  widget_->move(twips::ToPixels(twips), widget_->frameGeometry().y());
}

void QtWindow::SetTop(float twips) {
  widget_->move(widget_->frameGeometry().x(), twips::ToPixels(twips));
}

// A window keeps a client area of at least one pixel: the window system
// does not show an empty one, so the smallest window is its frame and one
// pixel.
void QtWindow::SetWidth(float twips) {
  const QMargins frame = FrameMargins();
  const int client = std::max(1, twips::ToPixels(twips) - frame.left() - frame.right());
  if (style_ == WindowStyle::kToolDialog) {
    widget_->setFixedWidth(client);
  } else {
    widget_->resize(client, widget_->height());
  }
}

void QtWindow::SetHeight(float twips) {
  const QMargins frame = FrameMargins();
  const int client = std::max(1, twips::ToPixels(twips) - frame.top() - frame.bottom());
  if (style_ == WindowStyle::kToolDialog) {
    widget_->setFixedHeight(client);
  } else {
    widget_->resize(widget_->width(), client);
  }
}

std::string QtWindow::Caption() const {
  return FromQString(widget_->windowTitle());
}
void QtWindow::SetCaption(const std::string& caption) {
  widget_->setWindowTitle(ToQString(caption));
}

void QtWindow::Show() {
  const bool firstShowing = !widget_->isVisible();
  const QPoint framePosition = widget_->frameGeometry().topLeft();
  // The window manager drops a window's states when it is withdrawn, so they
  // are set again before every map.
  x11::PrepareSkipTaskbar(widget_.get());
  widget_->show();
  x11::RequestSkipTaskbar(widget_.get());
  if (firstShowing && style_ == WindowStyle::kToolDialog && !FrameMargins().isNull()) {
    WaitForFrame();
    if (widget_->frameGeometry().topLeft() != framePosition) {
      widget_->move(framePosition);
    }
  }
  if (widget_->focusWidget() == nullptr) {
    if (QWidget* first = tabOrder_.FirstFocusable()) {
      first->setFocus(Qt::OtherFocusReason);
    }
  }
}

void QtWindow::WaitForFrame() {
  QElapsedTimer timer;
  timer.start();
  while (widget_->frameGeometry() == widget_->geometry() && timer.elapsed() < kFrameWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(1);
  }
}

void QtWindow::Hide() {
  widget_->hide();
}

void QtWindow::Close() {
  widget_->close();
}

bool QtWindow::Visible() const {
  return widget_->isVisible();
}
void QtWindow::Refresh() {
  widget_->repaint();
}

void QtWindow::SetTopMost() {
#ifdef _WIN32
  // SetWindowPos with HWND_TOPMOST on the native window, size and place kept.
  MakeTopMost(reinterpret_cast<void*>(widget_->winId()));
  widget_->overrideWindowFlags(widget_->windowFlags() | Qt::WindowStaysOnTopHint);
  return;
#endif
  const Qt::WindowFlags flags = widget_->windowFlags() | Qt::WindowStaysOnTopHint;
  if (widget_->windowHandle() != nullptr) {
    // Changing the flags of a created window through QWidget would destroy
    // and re-create it; the native window takes the new flag in place.
    widget_->overrideWindowFlags(flags);
    widget_->windowHandle()->setFlags(flags);
  } else {
    widget_->setWindowFlags(flags);
  }
  x11::RequestAbove(widget_.get());
}

void QtWindow::Activate() {
  if (!widget_->isVisible()) {
    Show();
  }
  widget_->raise();
  widget_->activateWindow();
}

Control* QtWindow::FindControl(const std::string& name) {
  for (const auto& control : controls_) {
    if (control->Name() == name) {
      return control.get();
    }
  }
  return nullptr;
}

}  // namespace tarvolin::platform
