#include "sys/posix/posix_shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

// The file a program name stands for: a name with a "/" is a path already;
// a bare name is looked up on PATH (empty entries, meaning the current
// folder, are skipped). Empty when nothing is found.
std::string FindProgram(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return program;
  }
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const std::size_t end = std::min(dirs.find(':'), dirs.size());
    if (end > 0) {
      const std::string candidate = std::string(dirs.substr(0, end)) + "/" + program;
      struct stat st {};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    dirs.remove_prefix(std::min(end + 1, dirs.size()));
  }
  return {};
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

// Runs in the first child, between fork and exec: async-signal-safe calls
// only. It leaves the session, forks the program's process and exits at
// once, so the program is adopted by init and never waited for by us.
[[noreturn]] void StartGrandchild(const char* path, char* const* argv, int report) {
  ::setsid();
  const int null = ::open("/dev/null", O_RDONLY);
  if (null > 0) {
    ::dup2(null, STDIN_FILENO);
    ::close(null);
  }
  const pid_t grandchild = ::fork();
  if (grandchild == 0) {
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
    ::execv(path, argv);
    Report(report, errno);
    ::_exit(127);
  }
  if (grandchild < 0) {
    Report(report, errno);
  }
  ::_exit(0);
}

}  // namespace

PosixShell::PosixShell(const FileSystem& files, std::string opener)
    : files_(files), opener_(std::move(opener)) {}

void PosixShell::Open(const std::string& target) {
  if (StartsWithIgnoringCase(target, "http://") || StartsWithIgnoringCase(target, "https://")) {
    SpawnDetached(opener_, {target});
    return;
  }
  if (StartsWithIgnoringCase(target, "www.")) {
    SpawnDetached(opener_, {"http://" + target});
    return;
  }
  std::string path = files_.NativePath(target);
  if (path.empty()) {
    return;
  }
  // A relative path must not be taken for a program on PATH, nor for an
  // option of the opener.
  if (path[0] != '/') {
    path = "./" + path;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return;
  }
  if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) {
    SpawnDetached(path, {});
  } else {
    SpawnDetached(opener_, {path});
  }
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
  if (program.empty()) {
    return false;
  }
  const std::string path = FindProgram(program);
  if (path.empty()) {
    return false;
  }
  // Everything the child needs is built here: after fork it may not allocate.
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(program);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  int report[2];
  if (!MakeReportPipe(report)) {
    return false;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    StartGrandchild(path.c_str(), argv.data(), report[1]);
  }
  ::close(report[1]);
  if (child < 0) {
    ::close(report[0]);
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return got == 0;
}

}  // namespace tarvolin::sys
