// Tarvolin: a one-line command bar in a corner of the screen.

#include <QApplication>

#include "bar/program.h"
#include "platform/net/socket_http.h"
#include "platform/qt/qt_program_icon.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_ui_thread.h"
#include "settings/settings_file.h"

#ifdef _WIN32
#include "platform/windows/windows_filesystem.h"
#include "platform/windows/windows_profile.h"
#include "platform/windows/windows_shell.h"
#include "platform/windows/windows_system.h"
namespace system_side {
using FileSystem = tarvolin::platform::WindowsFileSystem;
using ProfileStore = tarvolin::platform::WindowsProfileStore;
using System = tarvolin::platform::WindowsSystem;
// The shell needs no drive map where the system has drive letters.
struct Shell : tarvolin::platform::WindowsShell {
  explicit Shell(const FileSystem&) {}
};
}  // namespace system_side
#else
#include "platform/posix/ini_store.h"
#include "platform/posix/posix_filesystem.h"
#include "platform/posix/posix_shell.h"
#include "platform/posix/posix_system.h"
namespace system_side {
using FileSystem = tarvolin::platform::PosixFileSystem;
using ProfileStore = tarvolin::platform::IniStore;
using Shell = tarvolin::platform::PosixShell;
using System = tarvolin::platform::PosixSystem;
}  // namespace system_side
#endif

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tarvolin::platform::InstallProgramIcon();
  tarvolin::platform::QtToolkit ui;
  system_side::FileSystem files(system_side::FileSystem::ExecutableFolder());
  // Where the system has no drive letters, tv.ini says which folder each
  // letter stands for.
  files.LoadDriveMap(tarvolin::SettingsFilePath(files));
  system_side::ProfileStore profile;
  system_side::Shell shell(files);
  system_side::System system;
  tarvolin::platform::QtUiThread uiThread;
  tarvolin::platform::SocketHttpClient http(uiThread);
  tarvolin::platform::QtTray tray;
  tarvolin::platform::Platform platform{ui, files, profile, shell, system, &http, &tray};

  tarvolin::Program program(platform);
  program.Start();
  return QApplication::exec();
}
