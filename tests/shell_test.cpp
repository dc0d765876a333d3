// Opening targets: executables start directly in the current folder, every
// other target and web addresses go to the opener, nothing passes through a
// shell and no child is left behind.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/posix_filesystem.h"
#include "platform/posix/posix_shell.h"
#include "support/temp_folder.h"

namespace tarvolin::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Waits (bounded) for a file that a started program writes last.
bool WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (fs::exists(path)) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startFolder_ = fs::current_path();
    files_.SetDriveMap({{'c', temp_.Path()}});
    // The opener writes each call's arguments, one a line, to a file of its
    // own, renamed into place once complete.
    WriteScript("opener.sh", "calls='" + temp_ / "calls" +
                                 "'\n"
                                 "f=$(mktemp \"$calls/call.XXXXXX\")\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$f\"\n"
                                 "mv \"$f\" \"$f.done\"\n");
    temp_.MakeFolder("calls");
  }

  void TearDown() override {
    fs::current_path(startFolder_);
    // Every child was reaped: the started programs belong to init.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
  }

  std::string WriteScript(const std::string& relative, const std::string& body) const {
    const std::string path = temp_.Write(relative, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
  }

  // The arguments of every opener call so far, once `count` calls are done.
  std::vector<std::vector<std::string>> OpenerCalls(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<fs::path> done;
    while (std::chrono::steady_clock::now() < deadline) {
      done.clear();
      for (const auto& entry : fs::directory_iterator(temp_ / "calls")) {
        if (entry.path().extension() == ".done") {
          done.push_back(entry.path());
        }
      }
      if (done.size() >= count) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::vector<std::string>> calls;
    for (const auto& path : done) {
      std::vector<std::string> arguments;
      std::string text = temp_.Read(fs::relative(path, temp_.Path()).string());
      for (std::size_t end; (end = text.find('\n')) != std::string::npos; text.erase(0, end + 1)) {
        arguments.push_back(text.substr(0, end));
      }
      calls.push_back(arguments);
    }
    return calls;
  }

  void ClearOpenerCalls() const {
    fs::remove_all(temp_ / "calls");
    temp_.MakeFolder("calls");
  }

  TempFolder temp_;
  PosixFileSystem files_{"/"};
  PosixShell shell_{files_, temp_ / "opener.sh"};
  fs::path startFolder_;
};

TEST_F(ShellTest, ExecutableStartsDetachedInTheCurrentFolderWithoutArguments) {
  WriteScript("Games/run.sh",
              "{ echo \"$#\"; pwd; readlink /proc/$$/fd/0; cut -d' ' -f6 /proc/$$/stat; } "
              "> marker.tmp\nmv marker.tmp marker\n");
  ASSERT_TRUE(files_.SetCurrentFolder("c:\\games\\"));
  shell_.Open("c:\\games\\run.sh");
  ASSERT_TRUE(WaitForFile(temp_ / "Games/marker"));
  const std::string expected = "0\n" + fs::canonical(temp_ / "Games").string() + "\n/dev/null\n";
  const std::string marker = temp_.Read("Games/marker");
  ASSERT_EQ(marker.substr(0, expected.size()), expected);
  // It runs in a session of its own.
  EXPECT_NE(std::stol(marker.substr(expected.size())), static_cast<long>(::getsid(0)));
  EXPECT_TRUE(OpenerCalls(0).empty());
}

TEST_F(ShellTest, NameWithShellCharactersRunsThatFileOnly) {
  const std::string name = "a b;touch PWNED $(touch PWNED2) \"q\".sh";
  WriteScript("evil/" + name, "echo ran > ran.tmp\nmv ran.tmp ran\n");
  ASSERT_TRUE(files_.SetCurrentFolder("c:\\evil"));
  // The command bar lower-cases the line; the name is still found.
  shell_.Open("c:\\evil\\a b;touch pwned $(touch pwned2) \"q\".sh");
  ASSERT_TRUE(WaitForFile(temp_ / "evil/ran"));

  // A document of the same kind reaches the opener as one argument.
  temp_.Write("evil/x;rm -rf y $(touch PWNED3) 'z'.txt", "");
  shell_.Open("c:\\evil\\x;rm -rf y $(touch PWNED3) 'z'.txt");
  const auto calls = OpenerCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::vector<std::string>{temp_ / "evil/x;rm -rf y $(touch PWNED3) 'z'.txt"});

  for (const auto& folder : {temp_.Path(), temp_ / "evil", startFolder_.string()}) {
    for (const char* marker : {"PWNED", "PWNED2", "PWNED3", "pwned", "pwned2"}) {
      EXPECT_FALSE(fs::exists(folder + "/" + marker)) << folder << "/" << marker;
    }
  }
}

TEST_F(ShellTest, DocumentsFoldersAndWebAddressesGoToTheOpener) {
  temp_.Write("Docs/read me.txt", "text");
  temp_.Write("Docs/tool.sh", "#!/bin/sh\n");  // not executable: a document
  struct Case {
    std::string target;
    std::string argument;
  };
  const std::vector<Case> cases = {
      {"c:\\docs\\read me.txt", temp_ / "Docs/read me.txt"},
      {"c:\\docs\\tool.sh", temp_ / "Docs/tool.sh"},
      {"c:\\docs", temp_ / "Docs"},
      {"c:\\DOCS\\", temp_ / "Docs/"},
      {"www.x.org", "http://www.x.org"},
      {"WWW.X.ORG/a b", "http://WWW.X.ORG/a b"},
      {"http://x.org/?a=1&b=$(touch PWNED)", "http://x.org/?a=1&b=$(touch PWNED)"},
      {"HTTPS://x.org", "HTTPS://x.org"},
  };
  for (const auto& c : cases) {
    ClearOpenerCalls();
    shell_.Open(c.target);
    const auto calls = OpenerCalls(1);
    ASSERT_EQ(calls.size(), 1u) << c.target;
    EXPECT_EQ(calls[0], std::vector<std::string>{c.argument}) << c.target;
  }
}

TEST_F(ShellTest, RelativeTargetsAreTakenFromTheCurrentFolder) {
  WriteScript("Tools/go.sh", "pwd > went.tmp\nmv went.tmp went\n");
  temp_.Write("Tools/-n.txt", "");
  ASSERT_TRUE(files_.SetCurrentFolder("c:\\tools"));
  shell_.Open("GO.SH");
  ASSERT_TRUE(WaitForFile(temp_ / "Tools/went"));
  // A name that looks like an option reaches the opener as a path.
  shell_.Open("-n.txt");
  const auto calls = OpenerCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::vector<std::string>{"./-n.txt"});
}

TEST_F(ShellTest, MissingTargetsStartNothing) {
  shell_.Open("c:\\nowhere\\x.exe");
  shell_.Open("c:\\nowhere\\");
  shell_.Open("q:\\games\\run.exe");
  shell_.Open("no-such-file.txt");
  shell_.Open("");
  // Each spawn has started its program before Open returns, so a call made
  // for any of the targets above would be done by the time this one is.
  shell_.Open("www.sentinel.org");
  const auto calls = OpenerCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::vector<std::string>{"http://www.sentinel.org"});
}

TEST_F(ShellTest, SpawnDetachedReportsWhetherTheProgramStarted) {
  temp_.Write("plain.txt", "");
  EXPECT_TRUE(SpawnDetached("true", {}));
  EXPECT_FALSE(SpawnDetached("", {}));
  EXPECT_FALSE(SpawnDetached("tarvolin-no-such-program", {}));
  EXPECT_FALSE(SpawnDetached(temp_ / "missing", {}));
  EXPECT_FALSE(SpawnDetached(temp_ / "plain.txt", {}));
  EXPECT_FALSE(SpawnDetached(temp_.Path(), {}));

  EXPECT_TRUE(SpawnDetached(temp_ / "opener.sh", {"a b", "$(touch PWNED)", "", "'\""}));
  const auto calls = OpenerCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], (std::vector<std::string>{"a b", "$(touch PWNED)", "", "'\""}));
  EXPECT_FALSE(fs::exists(temp_ / "PWNED"));
}

}  // namespace
}  // namespace tarvolin::platform
