// Text between the core (UTF-8 std::string) and the windows (QString).
#pragma once

#include <QString>
#include <string>

namespace tarvolin::ui {

inline QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace tarvolin::ui
