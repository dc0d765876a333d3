// The system side, one suite for both systems: natively on Linux (our INI
// store, the drive map, the shell) and, cross-built, under Wine on Windows
// (the same cases against the Win32 calls themselves).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/temp_folder.h"
#include "sys/environment.h"
#include "sys/posix/ini_store.h"
#ifdef _WIN32
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "sys/text.h"
#include "sys/windows/windows_applications.h"
#include "sys/windows/windows_filesystem.h"
#include "sys/windows/windows_profile.h"
#include "sys/windows/windows_shell.h"
#else
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <mutex>

#include "instance/instance.h"
#include "instance/request_reader.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"
#endif

namespace tarvolin::sys {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// What a started program wrote last, once it can be read (waiting at most
// 10 s); the file is removed, so the next wait is for a new one. Under Wine
// a file just renamed into place can exist a moment before it reads.
std::string Marker(const TempFolder& temp, const std::string& relative) {
  std::string text;
  for (int i = 0; i < 500 && (text = temp.Read(relative)).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  fs::remove(temp / relative);
  return text;
}

struct ProfileCase {
  const char* before;  // the file, or null for none
  const char* section;
  const char* key;
  const char* value;  // null: a read, which must give `after`
  const char* after;
  // Wine rewrites a whole profile file from what it parsed: blank lines are
  // dropped, a new key goes after the section's comment lines, a line
  // without "=" is a key. Such cases are left out for Wine's functions.
  bool wineDeparts = false;
};

const ProfileCase kProfileCases[] = {
    {"[tarVOLIN]\r\nWebExtensions=com\r\n", "Tarvolin", "webextensions", nullptr, "com"},
    {" \t[ A\t]  \r\n\t k \t=  v w \t\r\n", "A", "k", nullptr, "v w"},
    {"[A]\r\nk=\"a b\"\r\n", "A", "k", nullptr, "a b"},
    {"[A]\r\nk=\"a'\r\n", "A", "k", nullptr, "\"a'"},
    {"[A]\r\nk=1 ; note\r\n", "A", "k", nullptr, "1 ; note"},
    {"[A]\r\nk\r\nk=2\r\n", "A", "k", nullptr, "2", true},
    {"[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n", "A", "k", nullptr, "1"},
    {"k=1\r\n[A]\r\n[B]\r\nk=2\r\n", "A", "k", nullptr, ""},
    {"[B]\rk=1\n[A]\r\n\r\rk=2", "A", "k", nullptr, "2"},
    {nullptr, "Tarvolin", "loca", "4", "[Tarvolin]\r\nloca=4\r\n"},
    {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", "A", "c", "3", "[A]\r\na=1\r\nc=3\r\n[B]\r\nb=2\r\n"},
    {"[tarvolin]\r\nLOCA=4\r\nx=1\r\n", "Tarvolin", "loca", "2", "[tarvolin]\r\nLOCA=2\r\nx=1\r\n"},
    {"[A]\r\nk=\"old\"\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
    {"; head\r\n[A]\r\na=1\r\n[B]\r\n; note\r\nb=2\r\n", "A", "a", "5",
     "; head\r\n[A]\r\na=5\r\n[B]\r\n; note\r\nb=2\r\n"},
    {"[A]\r\na=1\r\n; note\r\n\r\n[B]\r\n", "A", "c", "3",
     "[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n[B]\r\n", true},
};

// Our INI store everywhere, and on Windows the system's profile functions
// on the same cases. (The INI fuzz target reads back any value written.)
TEST(Profile, ReadsAndWritesAsTheWindowsFunctions) {
  std::vector<std::unique_ptr<ProfileStore>> stores;
  stores.push_back(std::make_unique<IniStore>());
#ifdef _WIN32
  stores.push_back(std::make_unique<WindowsProfileStore>());
  // Wine's ntdll exports wine_get_version.
  const bool wine =
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  const bool wine = false;
#endif
  for (const auto& profile : stores) {
    const bool system = profile != stores.front();
    for (const ProfileCase& c : kProfileCases) {
      SCOPED_TRACE(::testing::Message() << (system ? "Win32 " : "ours ") << &c - kProfileCases);
      if (system && wine && c.wineDeparts) {
        continue;
      }
      TempFolder folder;
      if (c.before != nullptr) {
        folder.Write("t.ini", c.before);
      }
      if (c.value == nullptr) {
        EXPECT_EQ(profile->Read(c.section, c.key, folder / "t.ini"), c.after);
      } else {
        EXPECT_TRUE(profile->Write(c.section, c.key, c.value, folder / "t.ini"));
        EXPECT_EQ(folder.Read("t.ini"), c.after);
      }
    }
    TempFolder folder;
    EXPECT_FALSE(profile->Write("A", "k", "v", folder / "missing/tv.ini"));
    EXPECT_FALSE(folder.Exists("missing"));
  }
}

// A temporary folder reached by a drive path: on Windows its own path, on
// Linux drive C mapped to it.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("Games/run.exe", "x");
    temp_.Write("my.dir/readme", "");
#ifdef _WIN32
    drive_ = temp_.Path();
#else
    files_.SetDriveMap({{'c', temp_.Path()}});
#endif
  }
  void TearDown() override {
    fs::current_path(start_);
  }

  TempFolder temp_;
  std::string drive_ = "c:";
#ifdef _WIN32
  WindowsFileSystem files_{"C:\\"};
#else
  PosixFileSystem files_{"/"};
#endif
  fs::path start_ = fs::current_path();
};

// tv.ini and files.cfg stay beside a program the user may write to, and go
// to the user's own configuration folder, made on the spot, otherwise.
TEST_F(FileSystemTest, SettingsLiveBesideAWritableProgramElseWithTheUser) {
  EXPECT_EQ(SettingsFolder(temp_.Path()), temp_.Path());
  EXPECT_FALSE(temp_.Exists(".tarvolin-write-test"));
#ifdef _WIN32
  ::_putenv_s("APPDATA", (temp_ / "config").c_str());
  const std::string expected = temp_ / "config/Tarvolin";
#else
  ::setenv("XDG_CONFIG_HOME", (temp_ / "config").c_str(), 1);
  const std::string expected = temp_ / "config/tarvolin";
  // Where packages put programs, nothing is written, not even by root.
  EXPECT_EQ(SettingsFolder("/usr/lib/tarvolin"), expected);
#endif
  EXPECT_EQ(SettingsFolder(temp_ / "no/such/folder"), expected);
  EXPECT_TRUE(fs::is_directory(expected));
}

TEST_F(FileSystemTest, FindsEntriesInAnyCaseAndTellsFilesFromFolders) {
  const std::tuple<const char*, unsigned, const char*> cases[] = {
      {"\\GAMES\\RUN.EXE", kAttrDirectory, "run.exe"},
      {"\\Nowhere\\x.txt", kAttrDirectory, ""},
      {"\\games\\", kAttrDirectory, "."},  // a folder's contents start with "."
      {"\\games\\", kAttrNormal, "run.exe"},
      {"\\games\\R?N.*", kAttrNormal, "run.exe"},
      {"\\g*", kAttrDirectory, "Games"},
      {"\\g*", kAttrNormal, ""},  // folders only with the folder bit
  };
  for (const auto& [rest, attributes, expected] : cases) {
    EXPECT_EQ(files_.FirstMatchingEntry(drive_ + rest, attributes), expected) << rest;
  }
  EXPECT_EQ(files_.WhatIsHere(drive_ + "\\GAMES\\"), EntryKind::kFolder);
  EXPECT_EQ(files_.WhatIsHere(drive_ + "\\nowhere"), EntryKind::kNothing);
  EXPECT_EQ(files_.WhatIsHere(drive_ + "\\games\\run.exe"), EntryKind::kFile);
}

#ifndef _WIN32
// What only the drive map has: roots, hidden names, "..", unmapped letters,
// the case of every letter (not only A to Z, as Windows ignores it), and the
// way between drive paths and the system's own.
TEST_F(FileSystemTest, DriveMapStandsForTheDriveLetters) {
  temp_.Write("root/.a", "");
  temp_.Write("root/B/x", "");
  temp_.Write(".secret", "");
  temp_.Write("\xC3\x84rger/\xC3\x9C.txt", "");
  files_.LoadDriveMap(
      temp_.Write("tv.ini", "[drives]\r\nC=" + temp_.Path() + "\r\nd=" + temp_ / "root" + "/\r\n"));
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\", kAttrDirectory), "B");  // a root has no "."
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\", kAttrHidden), ".a");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\.secret", kAttrNormal), "");
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\..\\games\\run.exe", kAttrNormal), "");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\nowhere\\..\\games\\run.exe", kAttrNormal), "run.exe");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\\xC3\xA4RGER\\?.TXT", kAttrNormal), "\xC3\x9C.txt");
  EXPECT_EQ(files_.NativePath("C:\\GAMES\\new.txt"), temp_ / "Games/new.txt");
  EXPECT_EQ(files_.DrivePathOf(temp_ / "root/B/x.txt"), "D:\\B\\x.txt");
}

// The shell, with an opener that writes its arguments, one a line. Names
// that a shell would take apart run as they are, or go to the opener as one
// argument: nothing of them is ever run by a shell.
TEST_F(FileSystemTest, ShellStartsProgramsDetachedAndGivesEverythingElseToTheOpener) {
  const auto script = [&](const std::string& relative, const std::string& body) {
    ::chmod(temp_.Write(relative, "#!/bin/sh\n" + body).c_str(), 0755);
  };
  script("opener.sh", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + temp_ / "o.tmp" +
                          "'\nmv '" + temp_ / "o.tmp" + "' '" + temp_ / "opened" + "'\n");
  PosixShell shell(files_, temp_ / "opener.sh");
  script("Games/a b;touch PWNED.sh", "{ echo \"$#\"; pwd; } > m.tmp\nmv m.tmp marker\n");
  EXPECT_EQ(shell.Open("c:\\games\\a b;touch pwned.sh", "c:\\games\\"), "");
  EXPECT_EQ(Marker(temp_, "Games/marker"), "0\n" + fs::canonical(temp_ / "Games").string() + "\n");

  temp_.Write("Docs/read me;$(touch X).txt", "");
  // A document with the execute bit, as on vfat or NTFS, is not a program.
  ::chmod(temp_.Write("Docs/notes.txt", "to do\n").c_str(), 0755);
  const std::pair<std::string, std::string> cases[] = {
      {"c:\\docs\\read me;$(touch x).txt", temp_ / "Docs/read me;$(touch X).txt\n"},
      {"c:\\docs\\notes.txt", temp_ / "Docs/notes.txt\n"},
      {"www.x.org", "http://www.x.org\n"},
      {"http://x.org/?a=1&b=$(touch X)", "http://x.org/?a=1&b=$(touch X)\n"}};
  for (const auto& [target, arguments] : cases) {
    EXPECT_EQ(shell.Open(target, temp_.Path()), "");
    EXPECT_EQ(Marker(temp_, "opened"), arguments) << target;
  }
  EXPECT_FALSE(temp_.Exists("Docs/X") || temp_.Exists("Games/X") || temp_.Exists("Games/PWNED"));

  script("bin/args", "{ printf '%s|' \"$@\"; pwd; } > m.tmp\nmv m.tmp marker\n");
  EXPECT_EQ(shell.Start(temp_ / "bin/args", {"-a", "two words", ""}, temp_ / "my.dir"), "");
  EXPECT_EQ(Marker(temp_, "my.dir/marker"),
            "-a|two words||" + fs::canonical(temp_ / "my.dir").string() + "\n");
  ::chmod(temp_
              .Write("Docs/broken",
                     "\x7f"
                     "ELF but not really")
              .c_str(),
          0755);
  EXPECT_NE(shell.Start(temp_ / "Docs/broken", {}, temp_.Path()), "");
  EXPECT_NE(PosixShell(files_, "no-such-opener-at-all").Open("www.x.org", ""), "");
  // An opener that fails after it started is told, once; until it has ended
  // the shell is watching it.
  script("failing.sh", "sleep 0.3\nexit 4\n");
  PosixShell failing(files_, temp_ / "failing.sh");
  EXPECT_FALSE(failing.Watching());
  EXPECT_EQ(failing.Open("www.x.org", ""), "");
  EXPECT_TRUE(failing.Watching());
  EXPECT_TRUE(failing.FailedOpenings().empty());
  std::vector<std::string> told;
  for (int i = 0; i < 300 && told.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    told = failing.FailedOpenings();
  }
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("http://www.x.org (exit status 4)"), std::string::npos) << told[0];
  EXPECT_FALSE(failing.Watching());
  EXPECT_TRUE(failing.FailedOpenings().empty());
  // Every child is reaped: the started programs belong to init, the openers
  // to the shells' checks once they end.
  siginfo_t child{};
  for (int i = 0; i < 200 && ::waitid(P_ALL, 0, &child, WEXITED | WNOHANG | WNOWAIT) == 0; ++i) {
    EXPECT_TRUE(shell.FailedOpenings().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

// A resident bar's socket for a test, and the requests its reader took.
class Resident {
 public:
  explicit Resident(const std::string& socket)
      : listening_(instance::ListenAsResident(socket)), reader_(listening_, [this](auto& request) {
          const std::lock_guard lock(mutex_);
          taken_.push_back(instance::FormatRequest(request));
        }) {}
  int Listening() const { return listening_; }
  std::vector<std::string> Taken() {
    const std::lock_guard lock(mutex_);
    return taken_;
  }

 private:
  int listening_;
  std::mutex mutex_;
  std::vector<std::string> taken_;
  instance::RequestReader reader_;  // last: it stops before the rest goes
};

// A client connected to the socket, or -1 with errno set.
int Connect(const std::string& socket) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socket.copy(address.sun_path, sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}
void Send(int fd, const std::string& text) {
  ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}
// What the bar answers until it closes the connection (which ends here),
// waiting at most two seconds; "(open)" ends the text when it is still open.
std::string Answer(int fd) {
  std::string answer;
  char buffer[64];
  pollfd wait = {fd, POLLIN, 0};
  while (::poll(&wait, 1, 2000) == 1) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      ::close(fd);
      return answer;
    }
    answer.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return answer + "(open)";
}

// One resident bar: while it lives a second is turned away, a request
// reaches it and is answered; a socket left by a bar that ended is taken
// over by the next, and nobody answers on it meanwhile. A link at the lock
// is not followed: nothing is made where it points.
TEST_F(FileSystemTest, OneResidentBarAnswersAndALeftOverSocketIsTakenOver) {
  const std::string socket = temp_ / "bar.socket";
  EXPECT_EQ(instance::SendToResident(socket, "show"), instance::Handover::kNoBar);
  Resident bar(socket);
  ASSERT_GE(bar.Listening(), 0);
  EXPECT_EQ(instance::ListenAsResident(socket), instance::kOtherResident);
  EXPECT_EQ(instance::SendToResident(socket, "toggle"), instance::Handover::kDone);
  EXPECT_EQ(bar.Taken(), std::vector<std::string>{"toggle"});

  const std::string left = temp_ / "left.socket";
  const pid_t ended = ::fork();
  if (ended == 0) {
    ::_exit(instance::ListenAsResident(left) >= 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(ended, &status, 0), ended);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(fs::exists(left));
  EXPECT_EQ(instance::SendToResident(left, "show"), instance::Handover::kNoBar);
  EXPECT_GE(instance::ListenAsResident(left), 0);

  fs::create_symlink(temp_ / "planted", temp_ / "linked.socket.lock");
  EXPECT_EQ(instance::ListenAsResident(temp_ / "linked.socket"), instance::kNotOurs);
  EXPECT_FALSE(fs::exists(temp_ / "planted"));

  // One bar per display (":0" and ":0.0" are one), its socket in the
  // runtime folder or else in a folder only this user may enter.
  ::setenv("XDG_RUNTIME_DIR", temp_.Path().c_str(), 1);
  ::setenv("DISPLAY", ":7.0", 1);
  EXPECT_EQ(instance::SocketPath(), temp_ / "tarvolin-_7.socket");
  ::setenv("DISPLAY", "host:8", 1);
  EXPECT_EQ(instance::SocketPath(), temp_ / "tarvolin-host_8.socket");
  ::unsetenv("XDG_RUNTIME_DIR");
  const std::string own = "/tmp/tarvolin-" + std::to_string(::getuid());
  EXPECT_EQ(instance::SocketPath(), own + "/tarvolin-host_8.socket");
  struct stat folder {};
  ASSERT_EQ(::stat(own.c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// Each client has a second and a line: silent ones, one trickling a byte
// at a time, one sending without end and one sending a line that is no
// request hold up no request and are closed unanswered; a request sent in
// pieces is one. A request brings the launcher's token and id, plain ones
// only: a line with any other is no request.
TEST_F(FileSystemTest, SlowOrGarbledClientsHoldUpNoRequest) {
  const std::string socket = temp_ / "bar.socket";
  Resident bar(socket);
  const auto connected = std::chrono::steady_clock::now();
  std::vector<int> silent(8);
  for (int& fd : silent) {
    fd = Connect(socket);
  }
  const int trickling = Connect(socket), endless = Connect(socket), garbled = Connect(socket),
            pieces = Connect(socket);
  Send(trickling, "s");
  Send(endless, std::string(instance::RequestReader::kLineBytes + 1, 's'));
  Send(garbled, "reboot\n");
  Send(pieces, "tog");
  EXPECT_EQ(instance::SendToResident(socket, "show"), instance::Handover::kDone);
  EXPECT_EQ(Answer(endless), "");
  EXPECT_EQ(Answer(garbled), "");
  EXPECT_LT(std::chrono::steady_clock::now() - connected, std::chrono::milliseconds(300));
  Send(pieces, "gle\n");
  EXPECT_EQ(Answer(pieces), "ok\n");
  for (const char* piece : {"h", "o"}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Send(trickling, piece);
  }
  std::this_thread::sleep_until(connected + std::chrono::milliseconds(1100));
  Send(trickling, "w\n");
  EXPECT_EQ(Answer(trickling), "");
  for (const int fd : silent) {
    EXPECT_EQ(Answer(fd), "");
  }
  EXPECT_EQ(bar.Taken(), (std::vector<std::string>{"show", "toggle"}));

  const std::string token(instance::kMaxTokenBytes, 't');
  for (const std::string& line : std::vector<std::string>{
           "toggle xdg=" + token + " startup=host-7_TIME42", "show startup=id xdg=t",
           "show xdg=", "show xdg=a\tb", "show startup=a\"b", "show xdg=" + token + "t",
           "show  xdg=t", "show xdg=a xdg=b", "show trailing "}) {
    const int fd = Connect(socket);
    Send(fd, line + "\n");
    EXPECT_EQ(Answer(fd), line.rfind("toggle", 0) == 0 ? "ok\n" : "") << line;
  }
  EXPECT_EQ(bar.Taken().back(), "toggle xdg=" + token + " startup=host-7_TIME42");
  EXPECT_EQ(instance::FormatRequest({"show", "a b", "ok"}), "show startup=ok");
}

#if defined(TARVOLIN_LAUNCHER)
// The launcher copied to usr/bin in the test's folder, which is the runtime
// folder, on display :41. Run() gives its status; its standard error is in
// `errors`, and what a stand-in bar was given in `log`.
class LauncherTest : public FileSystemTest {
 protected:
  void SetUp() override {
    FileSystemTest::SetUp();
    fs::create_directories(temp_ / "usr/lib/tarvolin");
    fs::create_directories(temp_ / "usr/bin");
    fs::copy_file(TARVOLIN_LAUNCHER, temp_ / "usr/bin/tarvolin");
    ::setenv("XDG_RUNTIME_DIR", temp_.Path().c_str(), 1);
    ::setenv("DISPLAY", ":41", 1);
  }
  // `environment`: further variables for the launcher, "NAME=value ...".
  int Run(const std::string& arguments, const std::string& environment = "") {
    const std::string command = environment + " FAKE_BAR_LOG=" + (temp_ / "log") + " " +
                                (temp_ / "usr/bin/tarvolin") + " " + arguments + " 2>" +
                                (temp_ / "errors");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// With no bar resident, the launcher runs the bar beside it, else the one
// where the package puts it (../lib/tarvolin), hands it Qt's options but not
// its own, and ends as the bar does; without a bar it says so and ends with 1.
TEST_F(LauncherTest, RunsTheBarBesideItOrFromLib) {
  EXPECT_EQ(Run("--show"), 1);
  EXPECT_EQ(temp_.Read("errors").rfind("tarvolin: cannot start the bar: ", 0), 0u)
      << temp_.Read("errors");
  fs::copy_file(TARVOLIN_FAKE_BAR, temp_ / "usr/lib/tarvolin/libtarvolin-bar.so");
  EXPECT_EQ(Run("--toggle -platform offscreen -reverse"), 7);
  EXPECT_EQ(temp_.Read("log"),
            temp_ / "usr/bin/../lib/tarvolin/libtarvolin-bar.so -platform offscreen -reverse");
  fs::copy_file(TARVOLIN_FAKE_BAR, temp_ / "usr/bin/libtarvolin-bar.so");
  EXPECT_EQ(Run(""), 7);
  EXPECT_EQ(temp_.Read("log"), temp_ / "usr/bin/libtarvolin-bar.so");
}

// Where GNOME's keyboard settings cannot be reached (no session bus, or no
// such settings at all), --bind-key says so and fails: nothing was bound.
TEST_F(LauncherTest, BindingAKeyWithoutTheDesktopsSettingsFails) {
  EXPECT_EQ(Run("--bind-key=Super+F7 >" + (temp_ / "out"),
                "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (temp_ / "no-bus")),
            1);
  EXPECT_NE(temp_.Read("errors").find("tarvolin: "), std::string::npos);
  EXPECT_EQ(temp_.Read("out"), "");
}

// A resident bar from before the launcher passed tokens on closes such a
// line unanswered; the bare request after it reaches that bar, and the
// launcher starts no bar of its own.
TEST_F(LauncherTest, AnOlderResidentBarGetsTheBareRequest) {
  const int listening = instance::ListenAsResident(temp_ / "tarvolin-_41.socket");
  ASSERT_GE(listening, 0);
  std::vector<std::string> lines;
  std::thread older([&] {
    for (int i = 0; i < 2; ++i) {
      pollfd wait = {listening, POLLIN, 0};
      ASSERT_EQ(::poll(&wait, 1, 5000), 1);
      const int fd = ::accept(listening, nullptr, nullptr);
      std::string line;
      char c = 0;
      while (::read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
      }
      lines.push_back(line);
      if (line == "show" || line == "toggle") {
        Send(fd, "ok\n");
      }
      ::close(fd);
    }
  });
  ::setenv("XDG_ACTIVATION_TOKEN", "token-1", 1);
  EXPECT_EQ(Run("--toggle"), 0) << temp_.Read("errors");
  ::unsetenv("XDG_ACTIVATION_TOKEN");
  older.join();
  EXPECT_EQ(lines, (std::vector<std::string>{"toggle xdg=token-1", "toggle"}));
}

// A second user, made when missing (which needs root); null when not root.
const passwd* OtherUser() {
  if (::geteuid() != 0 || (::getpwnam("tvattacker") == nullptr &&
                           std::system("useradd -M -r -s /usr/sbin/nologin tvattacker") != 0)) {
    return nullptr;
  }
  return ::getpwnam("tvattacker");
}
// Runs `run` in a process of that user's, which ends with what it gives.
template <typename Run>
pid_t AsUser(const passwd& user, Run run) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(::setgroups(0, nullptr) == 0 &&
                    ::setresgid(user.pw_gid, user.pw_gid, user.pw_gid) == 0 &&
                    ::setresuid(user.pw_uid, user.pw_uid, user.pw_uid) == 0
                ? run()
                : 99);
  }
  return child;
}
int ExitStatus(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another user can neither pose as the bar nor reach it. Their socket in a
// runtime folder open to all, answering "ok", gets no request: such a
// folder, or one of theirs, is passed over, and a start never talks to
// their socket. Whatever the umask, the bar's socket is the user's alone,
// and even open to all, the bar answers only its user. (Their lock where
// the bar's would lie is e2e_resident's, with the real bar.)
TEST_F(LauncherTest, AnotherUserCanNeitherPoseAsTheBarNorReachIt) {
  const passwd* other = OtherUser();
  if (other == nullptr) {
    GTEST_SKIP() << "acting as a second user, tvattacker, needs root (and useradd)";
  }
  fs::copy_file(TARVOLIN_FAKE_BAR, temp_ / "usr/bin/libtarvolin-bar.so");
  const std::string shared = temp_ / "shared", theirs = temp_ / "theirs";
  fs::create_directories(shared);
  fs::create_directories(theirs);
  ::chmod(shared.c_str(), 01777);
  ASSERT_EQ(::chown(theirs.c_str(), other->pw_uid, other->pw_gid), 0);
  const std::string fake = shared + "/tarvolin-_41.socket";
  const pid_t poser = AsUser(*other, [&] {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    fake.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(fake.c_str(), 0777) != 0 || ::listen(fd, 8) != 0) {
      return 1;
    }
    for (;;) {
      const int client = ::accept(fd, nullptr, nullptr);
      if (char c = 0; ::read(client, &c, 1) == 1) {
        Send(client, "ok\n");
        return 42;  // told something
      }
      ::close(client);
    }
  });
  for (int i = 0; i < 200 && !fs::exists(fake); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(fs::exists(fake)) << "the other user's socket was not made";
  ::setenv("XDG_RUNTIME_DIR", theirs.c_str(), 1);
  EXPECT_EQ(instance::SocketPath().rfind("/tmp/tarvolin-", 0), 0u) << instance::SocketPath();
  ::setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
  EXPECT_EQ(instance::SocketPath().rfind("/tmp/tarvolin-", 0), 0u) << instance::SocketPath();
  EXPECT_EQ(Run("--toggle"), 7);
  EXPECT_EQ(instance::SendToResident(fake, "toggle"), instance::Handover::kUnsafe);
  EXPECT_EQ(::waitpid(poser, nullptr, WNOHANG), 0) << "another user's socket was told something";
  ::kill(poser, SIGKILL);
  ::waitpid(poser, nullptr, 0);

  ::setenv("XDG_RUNTIME_DIR", temp_.Path().c_str(), 1);
  const std::string socket = instance::SocketPath();
  const mode_t umask = ::umask(0);
  Resident bar(socket);
  ::umask(umask);
  struct stat made {};
  ASSERT_EQ(::stat(socket.c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0600u);
  // What comes of another user's request: 1 refused, 2 "ok", 3 closed unanswered.
  const auto request = [&] {
    return ExitStatus(AsUser(*other, [&socket] {
      const int fd = Connect(socket);
      if (fd < 0) {
        return errno == EACCES ? 1 : 4;
      }
      Send(fd, "toggle\n");
      return Answer(fd) == "ok\n" ? 2 : 3;
    }));
  };
  EXPECT_EQ(request(), 1);
  ::chmod(socket.c_str(), 0777);
  EXPECT_EQ(request(), 3);
  EXPECT_TRUE(bar.Taken().empty());
}
#endif
#else
// The shell starts a program in the folder it is given, with no arguments.
TEST_F(FileSystemTest, ShellStartsAProgramInTheFolderGiven) {
  const std::string program = temp_ / "Games\\start_marker.exe";
  fs::copy_file(WindowsFileSystem::ExecutableFolder() + "\\start_marker.exe", program);
  WindowsShell().Open(program, drive_ + "\\my.dir");
  EXPECT_EQ(Marker(temp_, "Games\\start_marker.txt"), temp_ / "my.dir" + "\n0\n");
}

// A shortcut at `path` to `target`, as installers put them in the Start menu.
void MakeShortcut(const std::string& path, const std::string& target) {
  fs::create_directories(fs::path(path).parent_path());
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
  link->SetPath(ToWide(target).c_str());
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  EXPECT_TRUE(SUCCEEDED(file->Save(ToWide(path).c_str(), TRUE)));
  file->Release();
  link->Release();
}

// The Start menu's shortcuts by name in any case, the user's before the
// common ones of the same name; a shortcut starts its program.
TEST_F(FileSystemTest, StartMenuShortcutsByName) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string program = temp_ / "Games\\start_marker.exe";
  fs::copy_file(WindowsFileSystem::ExecutableFolder() + "\\start_marker.exe", program);
  MakeShortcut(temp_ / "user\\Tools\\Marker.lnk", program);
  MakeShortcut(temp_ / "common\\Marker.lnk", "C:\\windows\\notepad.exe");
  MakeShortcut(temp_ / "common\\Other Tool.lnk", program);
  const auto apps = MakeStartMenuApplications({temp_ / "user", temp_ / "common"});
  EXPECT_EQ(apps->Find("MARKER"), temp_ / "user\\Tools\\Marker.lnk");
  EXPECT_EQ(apps->Find("other tool"), temp_ / "common\\Other Tool.lnk");
  EXPECT_EQ(apps->Find("Tools"), "");
  EXPECT_EQ(apps->Names(), (std::vector<std::string>{"Marker", "Other Tool"}));
  EXPECT_EQ(apps->Launch(apps->Find("marker"), temp_.Path(), false), "");
  EXPECT_NE(Marker(temp_, "Games\\start_marker.txt"), "");
  ::CoUninitialize();
}
#endif

}  // namespace
}  // namespace tarvolin::sys
