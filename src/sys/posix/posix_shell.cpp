#include "sys/posix/posix_shell.h"

#include "sys/environment.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvolin::sys {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
    if (c != prefix[i]) {
      return false;
    }
  }
  return true;
}

// A descriptor closed on exec and kept clear of 0, 1 and 2, which the child
// rearranges.
bool MoveAboveStandardStreams(int* fd) {
  if (*fd > 2) {
    return true;
  }
  const int moved = ::fcntl(*fd, F_DUPFD_CLOEXEC, 3);
  ::close(*fd);
  *fd = moved;
  return moved >= 0;
}

// The pipe through which a child reports why it could not start the
// program; both ends are closed on exec, so a successful start reads as
// end of file.
bool MakeReportPipe(int fds[2]) {
#if defined(__linux__)
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return false;
  }
#else
  if (::pipe(fds) != 0) {
    return false;
  }
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#endif
  const bool readOk = MoveAboveStandardStreams(&fds[0]);
  const bool writeOk = MoveAboveStandardStreams(&fds[1]);
  if (!readOk || !writeOk) {
    if (fds[0] >= 0) {
      ::close(fds[0]);
    }
    if (fds[1] >= 0) {
      ::close(fds[1]);
    }
    return false;
  }
  return true;
}

void Report(int fd, int error) {
  // Nothing can be done when this fails; the parent then sees a start.
  [[maybe_unused]] const ssize_t written = ::write(fd, &error, sizeof error);
}

// Between fork and exec: async-signal-safe calls only.
[[noreturn]] void Exec(const char* path, char* const* argv, const char* folder, int report) {
  // Dispositions and the signal mask survive exec; the program starts
  // with the defaults whatever this process has set.
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  for (int sig = 1; sig < 65; ++sig) {
    ::sigaction(sig, &defaults, nullptr);
  }
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (folder != nullptr && ::chdir(folder) != 0) {
    Report(report, errno);
    ::_exit(127);
  }
  ::execv(path, argv);
  Report(report, errno);
  ::_exit(127);
}

// Runs in the first child: it leaves the session and, unless the program is
// to be watched, forks the program's process and exits at once, so the
// program is adopted by init and never waited for by us.
[[noreturn]] void StartChild(const char* path, char* const* argv, const char* folder, int report,
                             bool watched) {
  ::setsid();
  const int null = ::open("/dev/null", O_RDONLY);
  if (null > 0) {
    ::dup2(null, STDIN_FILENO);
    ::close(null);
  }
  const pid_t grandchild = watched ? 0 : ::fork();
  if (grandchild == 0) {
    Exec(path, argv, folder, report);
  }
  if (grandchild < 0) {
    Report(report, errno);
  }
  ::_exit(0);
}

// Whether a file the user may execute is a program: an ELF binary or a
// script with a "#!" line. Documents on file systems that mark every file
// executable (vfat, NTFS, network shares) are not.
bool IsProgram(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  char head[4] = {};
  const ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  return (got >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
         (got >= 2 && head[0] == '#' && head[1] == '!');
}

}  // namespace

PosixShell::PosixShell(const FileSystem& files, std::string opener)
    : files_(files), opener_(std::move(opener)) {}

std::string PosixShell::Opener(const std::string& argument, const std::string& folder) {
  const std::string opener = opener_.find('/') != std::string::npos ? opener_ : FindOnPath(opener_);
  if (opener.empty()) {
    return "The desktop's opener, " + opener_ + ", is not installed.";
  }
  pid_t pid = 0;
  std::string failure = Spawn(opener, {argument}, folder, &pid);
  if (failure.empty()) {
    openers_.push_back({pid, argument});
  }
  return failure;
}

std::vector<std::string> PosixShell::FailedOpenings() {
  std::vector<std::string> failures;
  for (auto it = openers_.begin(); it != openers_.end();) {
    int status = 0;
    const pid_t ended = ::waitpid(it->pid, &status, WNOHANG);
    if (ended == 0) {
      ++it;
      continue;
    }
    if (ended == it->pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      failures.push_back(
          "The desktop's opener, " + opener_ + ", could not open " + it->target +
          (WIFEXITED(status)
               ? " (exit status " + std::to_string(WEXITSTATUS(status)) + ")."
               : " (it was ended by signal " + std::to_string(WTERMSIG(status)) + ")."));
    }
    it = openers_.erase(it);
  }
  return failures;
}

std::string PosixShell::Open(const std::string& target, const std::string& folder) {
  const std::string start = files_.NativePath(folder);
  if (StartsWithIgnoringCase(target, "http://") || StartsWithIgnoringCase(target, "https://")) {
    return Opener(target, start);
  }
  if (StartsWithIgnoringCase(target, "www.")) {
    return Opener("http://" + target, start);
  }
  std::string path = files_.NativePath(target);
  // A relative path lies in the folder it starts in; it must not be taken
  // for a program on PATH, nor for an option of the opener.
  if (!path.empty() && path[0] != '/') {
    path = (start.empty() ? "." : start) + "/" + path;
  }
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    return target + " does not exist.";
  }
  if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0 && IsProgram(path)) {
    return SpawnDetached(path, {}, start);
  }
  return Opener(path, start);
}

std::string PosixShell::Start(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder) {
  return SpawnDetached(program, arguments, folder);
}

std::string PosixShell::StartInTerminal(const std::string& program,
                                        const std::vector<std::string>& arguments,
                                        const std::string& folder) {
  std::vector<std::string> command = TerminalCommand();
  if (command.empty()) {
    return kNoTerminalText;
  }
  command.push_back(program);
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string terminal = command.front();
  return SpawnDetached(terminal, {command.begin() + 1, command.end()}, folder);
}

std::vector<std::string> TerminalCommand() {
  if (const auto chosen = Variable("TERMINAL")) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = chosen->find_first_not_of(" \t", at)) != std::string::npos) {
      const std::size_t end = chosen->find_first_of(" \t", at);
      words.push_back(chosen->substr(at, end - at));
      at = end;
    }
    if (!words.empty()) {
      words.front() = words.front().find('/') == std::string::npos ? FindOnPath(words.front())
                      : IsExecutableFile(words.front())            ? words.front()
                                                                   : std::string();
    }
    if (!words.empty() && !words.front().empty()) {
      words.emplace_back("-e");
      return words;
    }
  }
  // Debian's choice first; then what GNOME, KDE and Xfce install.
  static constexpr std::pair<const char*, const char*> kKnown[] = {{"x-terminal-emulator", "-e"},
                                                                   {"gnome-terminal", "--"},
                                                                   {"konsole", "-e"},
                                                                   {"xfce4-terminal", "-x"},
                                                                   {"kgx", "-e"},
                                                                   {"xterm", "-e"}};
  for (const auto& [name, option] : kKnown) {
    const std::string path = FindOnPath(name);
    if (!path.empty()) {
      return {path, option};
    }
  }
  return {};
}

std::string SpawnDetached(const std::string& path, const std::vector<std::string>& arguments,
                          const std::string& folder) {
  return Spawn(path, arguments, folder, nullptr);
}

std::string Spawn(const std::string& path, const std::vector<std::string>& arguments,
                  const std::string& folder, pid_t* watched) {
  // Everything the child needs is built here: after fork it may not allocate.
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(path);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  int report[2];
  if (!MakeReportPipe(report)) {
    return std::strerror(errno);
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    StartChild(path.c_str(), argv.data(), folder.empty() ? nullptr : folder.c_str(), report[1],
               watched != nullptr);
  }
  const int forkError = errno;
  ::close(report[1]);
  if (child < 0) {
    ::close(report[0]);
    return std::strerror(forkError);
  }
  if (watched != nullptr) {
    *watched = child;
  } else {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return got == 0 ? std::string() : path + ": " + std::strerror(error);
}

}  // namespace tarvolin::sys
