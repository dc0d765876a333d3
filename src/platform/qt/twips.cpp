#include "platform/qt/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace tarvolin::platform::twips {

float PerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  return static_cast<float>(1440.0 / (dpi > 0 ? dpi : 96.0));
}

int ToPixels(float twips) {
  return static_cast<int>(std::lround(twips / PerPixel()));
}

float FromPixels(int pixels) {
  return static_cast<float>(pixels) * PerPixel();
}

}  // namespace tarvolin::platform::twips
