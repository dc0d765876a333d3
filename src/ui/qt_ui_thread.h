// The user-interface thread as Qt's event loop runs it.
#pragma once

#include <QObject>

#include "online/ui_thread.h"

namespace tarvolin::ui {

class QtUiThread : public tarvolin::UiThread {
 public:
  // Must be created on the thread that runs the event loop.
  QtUiThread() = default;
  QtUiThread(const QtUiThread&) = delete;
  QtUiThread& operator=(const QtUiThread&) = delete;

  void Post(std::function<void()> work) override;
  void PostAfter(int delayMs, std::function<void()> work) override;

 private:
  // Every posted call goes to this object; when it is destroyed, Qt drops
  // the calls still queued for it.
  QObject context_;
};

}  // namespace tarvolin::ui
