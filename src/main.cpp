// Tarvolin: a one-line command bar in a corner of the screen.

#include <QApplication>

#include "bar/program.h"
#include "platform/posix/ini_store.h"
#include "platform/posix/posix_filesystem.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_system.h"
#include "platform/qt/qt_http.h"
#include "platform/qt/qt_program_icon.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_tray.h"
#include "settings/settings_file.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tarvolin::platform::InstallProgramIcon();
  tarvolin::platform::QtToolkit ui;
  tarvolin::platform::PosixFileSystem files(
      tarvolin::platform::PosixFileSystem::ExecutableFolder());
  files.LoadDriveMap(tarvolin::SettingsFilePath(files));
  tarvolin::platform::IniStore profile;
  tarvolin::platform::PosixShell shell(files);
  tarvolin::platform::PosixSystem system;
  tarvolin::platform::QtHttpClient http;
  tarvolin::platform::QtTray tray;
  tarvolin::platform::Platform platform{ui, files, profile, shell, system, &http, &tray};

  tarvolin::Program program(platform);
  program.Start();
  return QApplication::exec();
}
