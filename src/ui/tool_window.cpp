#include "ui/tool_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include "core/geometry.h"
#include "ui/sway.h"
#include "ui/x11_window_state.h"

namespace tarvolin::ui {

namespace {

// How long a first showing waits for the window manager's frame.
constexpr int kFrameWaitMs = 1000;
// Once the window manager has said how it frames the window, how long Qt
// gets to take that in.
constexpr int kFrameSettleMs = 50;

}  // namespace

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
  x11::SkipTaskbar(this);
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

void ToolWindow::RollOut(const QRect& barFrame, int corner) {
  const bool firstShowing = !isVisible();
  const int designed = firstShowing ? body_->height() : -1;
  const int current = frameGeometry().height();
  // sway would centre the window again at each change of its size once it
  // is mapped: there it keeps its size from the start.
  const bool onSway = sway::Running();
  setFixedHeight(onSway ? body_->height() : 1);
  if (firstShowing) {
    move(barFrame.topLeft());
  }
  show();
  if (firstShowing && QGuiApplication::platformName() == QLatin1String("xcb") &&
      x11::WindowManagerTellsFrames()) {
    // The frame belongs to the window manager and is known only once it has
    // framed the window; the steps are made for the framed window. A window
    // manager that never says how it frames windows is not waited for.
    QElapsedTimer timer;
    timer.start();
    qint64 knownAt = -1;
    while (timer.elapsed() < kFrameWaitMs) {
      if (knownAt < 0 && x11::FrameKnown(this)) {
        knownAt = timer.elapsed();
      }
      // Qt takes the frame in with the window manager's notice; a frame of
      // nothing at all (a window manager that draws none) never shows.
      if (knownAt >= 0 &&
          (frameGeometry() != geometry() || timer.elapsed() - knownAt > kFrameSettleMs)) {
        break;
      }
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      QThread::msleep(1);
    }
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const float twipsPerPixel = static_cast<float>(1440.0 / screen->logicalDotsPerInchY());
  const RollOutPlan plan =
      RollOutSteps({barFrame.x(), barFrame.y()}, {barFrame.width(), barFrame.height()},
                   frameGeometry().width(), firstShowing ? OuterHeight(designed) : current,
                   OuterHeight(1), screen->geometry().width(), corner, twipsPerPixel);
  if (onSway && !plan.steps.empty()) {
    // sway centres a floating window at each of its own moves and resizes:
    // the dialog shows whole, and sway puts it where it ends.
    const RollOutStep& last = plan.steps.back();
    SetOuterHeight(last.height);
    const std::string place =
        "move absolute position " + std::to_string(plan.left) + " " + std::to_string(last.top);
    QElapsedTimer timer;
    timer.start();
    // Found once sway has mapped it.
    while (!sway::Command(winId(), place) && timer.elapsed() < kFrameWaitMs) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      QThread::msleep(5);
    }
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
