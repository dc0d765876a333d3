#include "platform/qt/qt_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QWindow>
#include <stdexcept>

#include "platform/qt/qt_controls.h"
#include "platform/qt/twips.h"
#include "platform/qt/x11_window_state.h"

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
    switch (control.kind) {
      case ControlKind::kTextBox:
        controls_.push_back(std::make_unique<QtTextBox>(control, widget_.get()));
        break;
      case ControlKind::kLabel:
        controls_.push_back(std::make_unique<QtLabel>(control, widget_.get()));
        break;
      default:
        throw std::invalid_argument("this toolkit cannot build the control " + control.name);
    }
  }
}

QtWindow::~QtWindow() {
  // Controls refer to widgets owned by the window's widget: drop them first.
  controls_.clear();
}

QSize QtWindow::FrameExtra() const {
  return widget_->frameGeometry().size() - widget_->geometry().size();
}

float QtWindow::Left() const {
  return twips::FromPixels(widget_->frameGeometry().x());
}
float QtWindow::Top() const {
  return twips::FromPixels(widget_->frameGeometry().y());
}
float QtWindow::Width() const {
  return twips::FromPixels(widget_->frameGeometry().width());
}
float QtWindow::Height() const {
  return twips::FromPixels(widget_->frameGeometry().height());
}

void QtWindow::SetLeft(float twips) {
  widget_->move(twips::ToPixels(twips), widget_->frameGeometry().y());
}

void QtWindow::SetTop(float twips) {
  widget_->move(widget_->frameGeometry().x(), twips::ToPixels(twips));
}

void QtWindow::SetWidth(float twips) {
  const int client = std::max(0, twips::ToPixels(twips) - FrameExtra().width());
  if (style_ == WindowStyle::kToolDialog) {
    widget_->setFixedWidth(client);
  } else {
    widget_->resize(client, widget_->height());
  }
}

void QtWindow::SetHeight(float twips) {
  const int client = std::max(0, twips::ToPixels(twips) - FrameExtra().height());
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
  // The window manager drops a window's states when it is withdrawn, so they
  // are set again before every map.
  x11::PrepareSkipTaskbar(widget_.get());
  widget_->show();
  x11::RequestSkipTaskbar(widget_.get());
}

void QtWindow::Hide() {
  widget_->hide();
}
bool QtWindow::Visible() const {
  return widget_->isVisible();
}
void QtWindow::Refresh() {
  widget_->repaint();
}

void QtWindow::SetTopMost() {
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
