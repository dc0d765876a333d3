#include "ui/tool_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "core/geometry.h"
#include "platform/x11_window_state.h"

namespace tarvolin::ui {

ToolWindow::ToolWindow(const QString& caption, QSize clientSize)
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      body_(new QWidget(this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption);
  // The content keeps its size and the window clips it while it unrolls.
  body_->setFixedSize(clientSize);
  setFixedSize(clientSize);
}

void ToolWindow::showEvent(QShowEvent* event) {
  platform::x11::SkipTaskbar(this);
  QWidget::showEvent(event);
}

void ToolWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit Closed();
}

int ToolWindow::OuterHeight(int clientHeight) const {
  return clientHeight + frameGeometry().height() - geometry().height();
}

void ToolWindow::SetOuterHeight(int outerHeight) {
  setFixedHeight(std::max(1, outerHeight - (frameGeometry().height() - geometry().height())));
}

void ToolWindow::RollOut(const QRect& barFrame, int corner, platform::Desktop& desktop) {
  const bool firstShowing = !isVisible();
  const int designed = body_->height();
  const int current = frameGeometry().height();
  // A desktop that would place the window again at each change of its size
  // gets it whole from the start.
  const bool whole = desktop.PlacesDialogs();
  setFixedHeight(whole ? body_->height() : 1);
  if (firstShowing) {
    move(barFrame.topLeft());
  }
  show();
  if (firstShowing) {
    desktop.AwaitFrame(*this);
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const float twipsPerPixel = static_cast<float>(1440.0 / screen->logicalDotsPerInchY());
  const RollOutPlan plan = RollOutSteps(
      {barFrame.x(), barFrame.y()}, {barFrame.width(), barFrame.height()}, frameGeometry().width(),
      UnrollHeight(firstShowing, OuterHeight(designed), current), OuterHeight(1),
      screen->geometry().width(), corner, twipsPerPixel);
  if (whole && !plan.steps.empty()) {
    SetOuterHeight(plan.steps.back().height);
    desktop.PlaceDialog(*this, {plan.left, plan.steps.back().top});
  } else {
    PlayRollOut(plan);
  }
  raise();
  activateWindow();
  if (QWidget* first = FirstFocus()) {
    first->setFocus(Qt::OtherFocusReason);
  }
}

void ToolWindow::PlayRollOut(const RollOutPlan& plan) {
  move(plan.left, plan.start.top);
  for (const RollOutStep& step : plan.steps) {
    SetOuterHeight(step.height);
    move(plan.left, step.top);
    repaint();
  }
}

}  // namespace tarvolin::ui
