// The bar on Linux: a one-line command bar in a corner of the screen, a
// library that the launcher (`tarvolin`) loads and runs when no bar is
// resident (the Windows program is src/win32/). Between the launcher's check and
// the lock taken here another start may have won: then this one only asks
// that bar to come to the front.

#include <QApplication>
#include <QFont>
#include <QLibrary>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "app.h"
#include "sys/environment.h"
#include "ui/program_icon.h"
#include "ui/prompter.h"

#include <dlfcn.h>
#include <unistd.h>

#include "instance/instance.h"
#include "instance/request_reader.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"

namespace {

// The desktop's applications from the module beside the bar (GLib and GIO
// cost start-up time): loaded and read on a thread once the bar is on
// screen, or at the first question if that comes first.
class ApplicationsModule final : public tarvolin::sys::Applications {
 public:
  explicit ApplicationsModule(const std::string& folder)
      : module_(QString::fromStdString(folder) + QStringLiteral("/tarvolin_apps")) {}
  std::string Find(const std::string& name) override {
    return Loaded() ? loaded_->Find(name) : std::string();
  }
  std::vector<Choice> FindAll(const std::string& name) override {
    return Loaded() ? loaded_->FindAll(name) : std::vector<Choice>();
  }
  std::vector<std::string> Names() override {
    return Loaded() ? loaded_->Names() : std::vector<std::string>();
  }
  std::string Fold(const std::string& name) override {
    return Loaded() ? loaded_->Fold(name) : Applications::Fold(name);
  }
  std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) override {
    return Loaded() ? loaded_->Launch(id, folder, inTerminal)
                    : std::string("The desktop's applications could not be read.");
  }
  // The module and the names, on a thread of their own: thousands of
  // entries take seconds to read.
  void Prefetch() override {
    if (!tried_ && !prefetch_.valid()) {
      prefetch_ = std::async(std::launch::async, [this] {
        if (Open()) {
          loaded_->Names();
        }
      });
    }
  }

 private:
  bool Loaded() {
    if (prefetch_.valid()) {
      prefetch_.get();
    }
    return Open();
  }
  bool Open() {
    if (!tried_) {
      tried_ = true;
      const auto create = reinterpret_cast<tarvolin::sys::ApplicationsFactory>(
          module_.resolve(tarvolin::sys::kApplicationsFactoryName));
      if (create != nullptr) {
        loaded_.reset(create());
      } else {
        std::fprintf(stderr, "tarvolin: no desktop applications: %s\n",
                     qPrintable(module_.errorString()));
      }
    }
    return loaded_ != nullptr;
  }

  QLibrary module_;
  bool tried_ = false;
  std::unique_ptr<tarvolin::sys::Applications> loaded_;
  // Last, so that it is waited for before the rest goes.
  std::future<void> prefetch_;
};

// ReadMe.txt and Changelog.txt: beside the bar, or where the package puts
// them (<prefix>/share/tarvolin beside <prefix>/lib/tarvolin).
std::string DocumentFolder(const std::string& barFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(fs::path(barFolder) / "ReadMe.txt", ec)) {
    return barFolder;
  }
  return (fs::path(barFolder) / "../../share/tarvolin").lexically_normal().string();
}

// The folder of the bar's own library, where its modules lie: the launcher
// loaded it from its own folder (the program folder, for tv.ini) or from
// <prefix>/lib/tarvolin.
std::string BarFolder(const std::string& programFolder) {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&BarFolder), &info) != 0 && info.dli_fname != nullptr) {
    return std::filesystem::path(info.dli_fname).parent_path().string();
  }
  return programFolder;
}

// Where an X server runs (XWayland included) the bar is its client unless
// the user names a platform (-platform, QT_QPA_PLATFORM): there it can keep
// its corner, stay on top and grab its key, none of which a Wayland client
// may do. A Wayland session without an X server gets native Wayland. The
// choice goes in as an argument, not the environment, which the programs
// the bar starts inherit.
std::vector<char*> WithPlatform(int argc, char* argv[]) {
  std::vector<char*> arguments(argv, argv + argc);
  static char option[] = "-platform";
  // And where that X server turns the bar away, Wayland after all.
  static char xcb[] = "xcb;wayland";
  const auto named = [](const char* argument) {
    return std::strcmp(argument, "-platform") == 0 || std::strcmp(argument, "--platform") == 0;
  };
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  const char* display = std::getenv("DISPLAY");
  if (std::none_of(arguments.begin(), arguments.end(), named) &&
      (chosen == nullptr || *chosen == '\0') && display != nullptr && *display != '\0') {
    arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), {option, xcb});
  }
  arguments.push_back(nullptr);
  return arguments;
}

// Qt's Wayland client loads EGL for OpenGL windows as it starts, about
// 50 MB the bar, which draws with the CPU alone, never uses. Qt is told so
// while the bar's window is made; the programs the bar starts later
// inherit nothing of it, and Qt's notice that it loaded no such support
// is not shown.
class LeanWayland {
 public:
  LeanWayland() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display != nullptr && *display != '\0' &&
        std::getenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION") == nullptr) {
      ::setenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "none", 1);
      QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.wayland.warning=false"));
      set_ = true;
    }
  }
  // The bar's window is made.
  void Done() {
    if (set_) {
      ::unsetenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION");
      QLoggingCategory::setFilterRules(QString());
      set_ = false;
    }
  }

 private:
  bool set_ = false;
};

int RunBar(int argc, char* argv[]) {
  // One bar per user and display: while another holds the lock, this start
  // only asks it to come to the front. A bar still starting up gets a few
  // seconds to listen.
  namespace instance = tarvolin::instance;
  const std::string socketPath = instance::SocketPath();
  const int listening = instance::ListenAsResident(socketPath);
  const int error = errno;
  if (listening == instance::kOtherResident) {
    for (int attempt = 0; attempt < 60; ++attempt) {
      if (instance::SendToResident(socketPath, "show") == instance::Handover::kDone) {
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  // Without the guard the bar still runs, but a second start cannot find
  // it: the user is told why, once.
  if (listening < 0) {
    const std::string why =
        socketPath.empty() ? "neither $XDG_RUNTIME_DIR nor /tmp/tarvolin-" +
                                 std::to_string(::geteuid()) + " is a folder of this user's alone"
        : listening == instance::kNotOurs ? socketPath + ".lock is a link or another user's file"
        : listening == instance::kOtherResident
            ? "the bar that holds " + socketPath + ".lock does not answer"
            : socketPath + ": " + std::strerror(error);
    std::fprintf(stderr,
                 "tarvolin: this bar runs unguarded, tarvolin --toggle cannot reach it: %s\n",
                 why.c_str());
  }
  std::vector<char*> arguments = WithPlatform(argc, argv);
  LeanWayland lean;
  int argumentCount = static_cast<int>(arguments.size()) - 1;
  QApplication app(argumentCount, arguments.data());
  // The bar lives on while it hides in the notification area and while its
  // dialogs open and close; only the program's own commands end it.
  QApplication::setQuitOnLastWindowClosed(false);
  // Qt takes the desktop's launch token of its own platform for the bar's
  // first window (X11's id as it connects, Wayland's at the first
  // activation); the other platform's would reach the programs the bar
  // starts, which were never announced with it.
  const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
  qunsetenv(wayland ? "DESKTOP_STARTUP_ID" : "XDG_ACTIVATION_TOKEN");
  // A Wayland client is placed and stacked by the desktop alone.
  if (wayland) {
    std::fprintf(stderr,
                 "tarvolin: on native Wayland the desktop places the bar: its corner and its "
                 "place on top are the desktop's to give (with DISPLAY set it runs on X11)\n");
  }
  // The dialogs were laid out for a small face of Arial's widths, which
  // Liberation Sans has; where it is missing the desktop's own face stands in.
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("Liberation Sans"), font.family()});
  font.setPointSizeF(8);
  QApplication::setFont(font);

  tarvolin::sys::PosixFileSystem files(tarvolin::sys::PosixFileSystem::ExecutableFolder());
  tarvolin::sys::IniStore profile;
  tarvolin::sys::PosixShell shell(files);
  const auto [settingsFolder, workFolder] = tarvolin::sys::ChooseFolders(files.ProgramFolder());
  // Without drive letters, tv.ini says which folder each letter stands for.
  files.LoadDriveMap(tarvolin::sys::FileInFolder(settingsFolder, "tv.ini"));
  // The HTTP client lives in a module beside the program, loaded at the first
  // online tick: start-up does not pay for Qt Network.
  const std::string barFolder = BarFolder(files.ProgramFolder());
  QLibrary module(QString::fromStdString(barFolder) + QStringLiteral("/tarvolin_http"));
  // A copy installed from a package has no HTTP module, and so no update
  // check and no usage report: the package manager updates it.
  std::function<std::unique_ptr<tarvolin::HttpClient>()> http;
  std::error_code noModule;
  if (std::filesystem::exists(barFolder + "/libtarvolin_http.so", noModule)) {
    http = [&module]() -> std::unique_ptr<tarvolin::HttpClient> {
      const auto create = reinterpret_cast<tarvolin::HttpClientFactory>(
          module.resolve(tarvolin::kHttpClientFactoryName));
      if (create == nullptr) {
        std::fprintf(stderr, "tarvolin: no update check: %s\n", qPrintable(module.errorString()));
        return nullptr;
      }
      return std::unique_ptr<tarvolin::HttpClient>(create());
    };
  }
  tarvolin::ui::Prompter prompter;
  // Commands start in that folder, given to each start; the process stays
  // there too, where nothing but the file dialog would show it.
  std::error_code ignored;
  std::filesystem::current_path(workFolder, ignored);
  tarvolin::bar::System system{
      files, profile, shell, settingsFolder, workFolder, DocumentFolder(barFolder), http};
  system.launcherReaches = listening >= 0;
  ApplicationsModule applications(barFolder);
  system.applications = &applications;
  // The calculator from its module beside the bar, loaded at the first "=":
  // muParser's library would cost every start, and most lines never need it.
  auto calculator = std::make_shared<QLibrary>(QString::fromStdString(barFolder) +
                                               QStringLiteral("/tarvolin_calc"));
  system.calculate = [calculator](const std::string& expression) {
    tarvolin::bar::Calculation result;
    if (const auto calculate = reinterpret_cast<tarvolin::bar::CalculateFunction>(
            calculator->resolve(tarvolin::bar::kCalculateName))) {
      calculate(&expression, &result);
    } else {
      std::fprintf(stderr, "tarvolin: no calculator: %s\n", qPrintable(calculator->errorString()));
      result.text = tarvolin::bar::kNoCalculatorText;
    }
    return result;
  };
  tarvolin::App bar(std::move(system), prompter);
  bar.Start();
  lean.Done();
  // The icon is drawn once the bar is on screen.
  QTimer::singleShot(0, [] { QApplication::setWindowIcon(tarvolin::ui::ProgramIcon()); });
  // Requests come in on the reader's thread and are acted on on this one.
  // The reader ends before the bar does.
  std::unique_ptr<instance::RequestReader> requests;
  if (listening >= 0) {
    requests = std::make_unique<instance::RequestReader>(
        listening, [&bar](const instance::Request& request) {
          QMetaObject::invokeMethod(
              &bar,
              [&bar, request] {
                bar.Summon(request.verb == "toggle", request.activationToken, request.startupId);
              },
              Qt::QueuedConnection);
        });
  }
  return QApplication::exec();
}

}  // namespace

extern "C" Q_DECL_EXPORT int tarvolin_bar_main(int argc, char* argv[]) {
  return RunBar(argc, argv);
}
