// How work done on another thread hands its result back to the
// user-interface thread.
#pragma once

#include <functional>

namespace tarvolin {

class UiThread {
 public:
  virtual ~UiThread() = default;

  // Runs `work` later on the user-interface thread, never from inside the
  // call. May be called from any thread. Work still waiting when the
  // UiThread is destroyed is dropped.
  virtual void Post(std::function<void()> work) = 0;

  // Runs `work` on the user-interface thread once delayMs have passed. Only
  // for the user-interface thread itself.
  virtual void PostAfter(int delayMs, std::function<void()> work) = 0;
};

}  // namespace tarvolin
