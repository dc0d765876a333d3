// `tarvolin`: hands the request to the resident bar when one runs, else
// loads the bar (libtarvolin-bar.so) into this process and runs it. It links
// no Qt, so a second start costs a millisecond or two, not the tens a Qt
// program needs to load its libraries; a first start pays for one process,
// as if the bar were started directly.

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/command_line.h"
#include "desktop_key.h"
#include "instance/instance.h"

namespace {

// This program's file; empty when it cannot be told.
std::string SelfPath() {
  char self[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
}

// This program with --toggle, as a desktop runs a command: its path quoted
// when it holds a blank or a quote.
std::string ToggleCommand() {
  std::string path = SelfPath();
  if (path.empty()) {
    path = "tarvolin";
  }
  if (path.find_first_of(" \t'\"\\") != std::string::npos) {
    std::string quoted = "'";
    for (const char c : path) {
      quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    path = quoted + "'";
  }
  return path + " --toggle";
}

// The bar beside this program (a program folder, or the build), else where
// the package puts it: <prefix>/lib/tarvolin beside <prefix>/bin.
std::string BarLibrary() {
  std::string folder = SelfPath();
  folder.erase(folder.find_last_of('/') + 1);
  std::string beside = folder + "libtarvolin-bar.so";
  if (::access(beside.c_str(), R_OK) == 0) {
    return beside;
  }
  return folder + "../lib/tarvolin/libtarvolin-bar.so";
}

// A Qt program on X11 reads fontconfig's configuration (dozens of XML files,
// some 10 ms) when its first widget asks for a font, and only then can draw.
// Here it is read on a thread of its own while the bar's libraries load,
// which leaves a core idle; Qt then finds it ready. The configuration is the
// user's own, as Qt would read it. The library itself is loaded before the
// bar's, not on the new thread: the bar needs it anyway, and two threads
// loading libraries at once would wait for each other.
class FontConfigWarmUp {
 public:
  FontConfigWarmUp() {
    void* library = ::dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
    const auto init =
        library != nullptr ? reinterpret_cast<int (*)()>(::dlsym(library, "FcInit")) : nullptr;
    if (init != nullptr) {
      thread_ = std::thread(init);
    }
  }
  ~FontConfigWarmUp() {
    if (thread_.joinable()) {
      thread_.join();
    }
  }

 private:
  std::thread thread_;
};

}  // namespace

int main(int argc, char* argv[]) {
  const tarvolin::CommandLine command = tarvolin::ParseCommandLine(
      std::vector<std::string>(argv + 1, argv + argc), tarvolin::Platform::kLinux);
  switch (command.action) {
    case tarvolin::CommandLine::Action::kHelp:
      std::fputs(tarvolin::UsageText(tarvolin::Platform::kLinux).c_str(), stdout);
      return 0;
    case tarvolin::CommandLine::Action::kVersion:
      std::fputs(tarvolin::VersionText().c_str(), stdout);
      return 0;
    case tarvolin::CommandLine::Action::kBindKey:
      return tarvolin::BindGnomeKey(command.key, ToggleCommand());
    case tarvolin::CommandLine::Action::kUnbindKey:
      return tarvolin::UnbindGnomeKey();
    case tarvolin::CommandLine::Action::kRefuse:
      std::fputs(command.error.c_str(), stderr);
      return 2;
    case tarvolin::CommandLine::Action::kRun:
      break;
  }
  tarvolin::instance::Request request{command.request, {}, {}};
  std::vector<char*> passed = {argv[0]};
  for (const std::string& option : command.passed) {
    passed.push_back(const_cast<char*>(option.c_str()));
  }
  // What the desktop gave for the window it expects goes to the bar that
  // shows one; a bar started here takes it from the environment itself.
  for (const auto& [variable, field] : {std::pair{"XDG_ACTIVATION_TOKEN", &request.activationToken},
                                        std::pair{"DESKTOP_STARTUP_ID", &request.startupId}}) {
    if (const char* value = std::getenv(variable)) {
      *field = value;
    }
  }
  const std::string socket = tarvolin::instance::SocketPath();
  const std::string line = tarvolin::instance::FormatRequest(request);
  auto handover = tarvolin::instance::SendToResident(socket, line);
  if (handover == tarvolin::instance::Handover::kNoBar && line != request.verb) {
    // A bar from before the tokens closes a line that carries them
    // unanswered: it still takes the bare request, without them.
    handover = tarvolin::instance::SendToResident(socket, request.verb);
  }
  switch (handover) {
    case tarvolin::instance::Handover::kDone:
      return 0;
    case tarvolin::instance::Handover::kNoBar:
      break;
    case tarvolin::instance::Handover::kUnsafe:
      // A bar may run that no second start can reach: a toggle must not
      // start another. A plain start does, and the bar says it is unguarded.
      if (request.verb == "toggle") {
        const std::string why = socket.empty() ? "no folder of this user's alone for its socket"
                                               : "another user's socket or lock at " + socket;
        std::fprintf(stderr, "tarvolin: --toggle cannot safely reach a bar (%s) and starts none\n",
                     why.c_str());
        return 1;
      }
      break;
  }
  void* bar = nullptr;
  {
    const FontConfigWarmUp fonts;
    bar = ::dlopen(BarLibrary().c_str(), RTLD_LAZY | RTLD_LOCAL);
  }
  const auto run = bar != nullptr ? reinterpret_cast<tarvolin::instance::BarEntry>(
                                        ::dlsym(bar, tarvolin::instance::kBarEntryName))
                                  : nullptr;
  if (run == nullptr) {
    std::fprintf(stderr, "tarvolin: cannot start the bar: %s\n", ::dlerror());
    return 1;
  }
  const int count = static_cast<int>(passed.size());
  passed.push_back(nullptr);
  return run(count, passed.data());
}
