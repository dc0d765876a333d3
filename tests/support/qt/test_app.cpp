#include "support/qt/test_app.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <string>

namespace tarvolin::testing {

void EnsureApplication() {
  // The application lives until the process ends: destroying it after the
  // test framework's own statics are gone would touch freed state.
  static QApplication* app = nullptr;
  if (app != nullptr) {
    return;
  }
  if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
    const QString config = QDir::temp().filePath("tarvolin-offscreen-screen.json");
    QFile file(config);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      file.write(R"({"screens": [{"name": "primary", "x": 0, "y": 0, "width": 1024, "height": 768,)"
                 R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
      file.close();
    }
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
  }
  static int argc = 1;
  static char name[] = "tarvolin-test";
  static char* argv[] = {name, nullptr};
  app = new QApplication(argc, argv);
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace tarvolin::testing
