#include "ui/qt_ui_thread.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace tarvolin::ui {

void QtUiThread::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

void QtUiThread::PostAfter(int delayMs, std::function<void()> work) {
  QTimer::singleShot(std::max(0, delayMs), &context_, std::move(work));
}

}  // namespace tarvolin::ui
