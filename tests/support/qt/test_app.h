// The QApplication of a test program that builds real windows.
#pragma once

namespace tarvolin::testing {

// Creates the application once. Under the offscreen platform its primary
// screen is 1024 by 768 pixels at 96 dots per inch (15 twips a pixel).
void EnsureApplication();

// Handles events for about `ms` milliseconds, or until `done` returns true.
template <typename Done>
bool PumpUntil(Done done, int ms);
void Pump(int ms);

}  // namespace tarvolin::testing

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tarvolin::testing {

template <typename Done>
bool PumpUntil(Done done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (done()) {
      return true;
    }
    QThread::msleep(5);
  }
  return done();
}

}  // namespace tarvolin::testing
