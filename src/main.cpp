// Tarvolin: a one-line command bar in a corner of the screen.

#include <QApplication>
#include <QFont>
#include <QLibrary>
#include <cstdio>
#include <memory>

#include "app.h"
#include "ui/program_icon.h"
#include "ui/prompter.h"

#ifdef _WIN32
#include "sys/windows/windows_filesystem.h"
#include "sys/windows/windows_profile.h"
#include "sys/windows/windows_shell.h"
#else
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"
#endif

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The bar lives on while it hides in the notification area and while its
  // dialogs open and close; only the program's own commands end it.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(tarvolin::ui::ProgramIcon());
  // The dialogs were laid out for a small face of Arial's widths, which
  // Liberation Sans has; where it is missing the desktop's own face stands in.
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("Liberation Sans"), font.family()});
  font.setPointSizeF(8);
  QApplication::setFont(font);

#ifdef _WIN32
  tarvolin::sys::WindowsFileSystem files(tarvolin::sys::WindowsFileSystem::ExecutableFolder());
  tarvolin::sys::WindowsProfileStore profile;
  tarvolin::sys::WindowsShell shell;
#else
  tarvolin::sys::PosixFileSystem files(tarvolin::sys::PosixFileSystem::ExecutableFolder());
  // Without drive letters, tv.ini says which folder each letter stands for.
  files.LoadDriveMap(tarvolin::sys::FileInFolder(files.ProgramFolder(), "tv.ini"));
  tarvolin::sys::IniStore profile;
  tarvolin::sys::PosixShell shell(files);
#endif
  // The HTTP client lives in a module beside the program, loaded at the first
  // online tick: start-up does not pay for Qt Network.
  QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/tarvolin_http"));
  const auto http = [&module]() -> std::unique_ptr<tarvolin::HttpClient> {
    const auto create = reinterpret_cast<tarvolin::HttpClientFactory>(
        module.resolve(tarvolin::kHttpClientFactoryName));
    if (create == nullptr) {
      std::fprintf(stderr, "tarvolin: no update check: %s\n", qPrintable(module.errorString()));
      return nullptr;
    }
    return std::unique_ptr<tarvolin::HttpClient>(create());
  };
  tarvolin::ui::Prompter prompter;
  tarvolin::App bar({files, profile, shell, http}, prompter);
  bar.Start();
  return QApplication::exec();
}
