// The desktop's applications through GIO, on desktop entries of our own:
// the user's data folder, a system one and a Flatpak-like exports folder,
// set before GIO reads them (once per process: this program is the one
// that reads them). The programs the entries run are a marker script that
// writes where it started and its arguments, and a stand-in terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "sys/posix/desktop_applications.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"

namespace tarvolin::sys {
namespace {

using Strings = std::vector<std::string>;

class AppsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new testing::TempFolder;
    Script(
        "bin/mark",
        "printf '%s\\n' \"$PWD\" \"$@\" > \"$MARKS/$1.tmp\" && mv \"$MARKS/$1.tmp\" \"$MARKS/$1\"");
    Script("bin/term",
           "printf '%s\\n' \"$@\" > \"$MARKS/terminal.tmp\" && mv \"$MARKS/terminal.tmp\" "
           "\"$MARKS/terminal\"\nwhile [ \"$1\" != -e ]; do shift; "
           "done\nshift\nexec \"$@\"");
    Entry("home/applications/calc.desktop",
          "Name=Calculator\nName[de]=Rechner\nGenericName=Arithmetic\n"
          "Exec=mark calc %U --flag \"two words\" %c 100%%");
    Entry("home/applications/mypaint.desktop", "Name=Paint\nIcon=mypaint\nExec=mark user-paint");
    Entry("system/applications/paint.desktop", "Name=Paint\nExec=mark system-paint");
    Entry("system/applications/secret.desktop", "Name=Secret\nNoDisplay=true\nExec=mark secret");
    Entry("system/applications/gone.desktop", "Name=Gone\nHidden=true\nExec=mark gone");
    Entry("system/applications/ghost.desktop",
          "Name=Ghost\nTryExec=/nowhere/ghost\nExec=mark ghost");
    Entry("system/applications/kde.desktop", "Name=Elsewhere\nOnlyShowIn=KDE;\nExec=mark kde");
    Entry("system/applications/top.desktop", "Name=Top Viewer\nTerminal=true\nExec=mark top -d 1");
    Entry("flatpak/exports/share/applications/org.example.Draw.desktop",
          "Name=Draw\nExec=mark draw %f");
    // Hostile folders: links round a loop, a FIFO named as an entry, a name
    // no application has.
    ::symlink(".", (*temp_ / "system/applications/loop").c_str());
    ::symlink("../applications", (*temp_ / "system/applications/up").c_str());
    ::mkfifo((*temp_ / "system/applications/fifo.desktop").c_str(), 0644);
    Entry("system/applications/long.desktop",
          "Name=" + std::string(300000, 'x') + "\nExec=mark long");
    ::setenv("XDG_DATA_HOME", (*temp_ / "home").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (*temp_ / "system" + ":" + *temp_ / "flatpak/exports/share").c_str(),
             1);
    ::setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    ::setenv("LANGUAGE", "de", 1);
    ::setenv("MARKS", temp_->Path().c_str(), 1);
    ::setenv("TERMINAL", (*temp_ / "bin/term").c_str(), 1);
    ::setenv("PATH", (*temp_ / "bin:/usr/bin:/bin").c_str(), 1);
    apps_ = MakeDesktopApplications().release();
  }
  static void TearDownTestSuite() {
    delete apps_;
    delete temp_;
  }
  static void Script(const std::string& name, const std::string& body) {
    ::chmod(temp_->Write(name, "#!/bin/sh\n" + body + "\n").c_str(), 0755);
  }
  static void Entry(const std::string& name, const std::string& keys) {
    temp_->Write(name, "[Desktop Entry]\nType=Application\n" + keys + "\n");
  }
  // The lines a marker (or the terminal) wrote, once it has written them.
  static Strings Mark(const std::string& name) {
    for (int i = 0; i < 200 && !temp_->Exists(name); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Strings lines;
    std::string text = temp_->Read(name);
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      lines.push_back(text.substr(at, end - at));
    }
    return lines;
  }

  static testing::TempFolder* temp_;
  static Applications* apps_;
};
testing::TempFolder* AppsTest::temp_ = nullptr;
Applications* AppsTest::apps_ = nullptr;

// Names in the user's language or generic, in any case; the user's entry
// before the system's of the same name; Flatpak's exports found; hidden,
// NoDisplay, another desktop's and a missing TryExec never. A loop of links
// and a FIFO are passed by.
TEST_F(AppsTest, NamesFindTheShownEntriesOnly) {
  EXPECT_EQ(apps_->Find("rechner"), "calc.desktop");
  EXPECT_EQ(apps_->Find("ARITHMETIC"), "calc.desktop");
  EXPECT_EQ(apps_->Find("Paint"), "mypaint.desktop");
  // Both entries of one name, for the user to choose; Tab's folding takes
  // accents off.
  const auto paints = apps_->FindAll("PAINT");
  ASSERT_EQ(paints.size(), 2u);
  EXPECT_EQ(paints[0].id + " " + paints[0].detail + " " + paints[0].icon,
            "mypaint.desktop mypaint mypaint");
  EXPECT_EQ(paints[1].id, "paint.desktop");
  EXPECT_EQ(apps_->Fold("\xC3\x89"
                        "DITEUR"),
            "editeur");
  EXPECT_EQ(apps_->Find("draw"), "org.example.Draw.desktop");
  EXPECT_EQ(apps_->Find("top viewer"), "top.desktop");
  for (const char* hidden : {"Secret", "Gone", "Ghost", "Elsewhere", "Calc", ""}) {
    EXPECT_EQ(apps_->Find(hidden), "") << hidden;
  }
  const Strings names = apps_->Names();
  for (const char* name : {"Rechner", "Arithmetic", "Draw", "Top Viewer", "Paint"}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
  }
  EXPECT_EQ(std::count(names.begin(), names.end(), "Secret"), 0);
  EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                           [](const std::string& name) { return name.size() > 1024; }));

  // An application installed while the bar runs is offered a moment later,
  // and found.
  Entry("home/applications/late.desktop", "Name=Latecomer\nExec=mark late");
  bool offered = false;
  for (int i = 0; i < 40 && !offered; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Strings fresh = apps_->Names();
    offered = std::find(fresh.begin(), fresh.end(), "Latecomer") != fresh.end();
  }
  EXPECT_TRUE(offered);
  EXPECT_EQ(apps_->Find("latecomer"), "late.desktop");
}

// GIO fills in the field codes (no files: %U and %f go; %c is the name;
// %% a percent sign) and starts the program in the folder given; an entry
// that asks for a terminal, or a launch that does, runs in $TERMINAL.
TEST_F(AppsTest, LaunchRunsTheEntryInItsFolderOrTerminal) {
  const std::string work = temp_->Write("work/.keep", "").substr(0, (*temp_ / "work").size());
  EXPECT_EQ(apps_->Launch("calc.desktop", work, false), "");
  EXPECT_EQ(Mark("calc"), (Strings{work, "calc", "--flag", "two words", "Rechner", "100%"}));

  EXPECT_EQ(apps_->Launch("top.desktop", work, false), "");
  EXPECT_EQ(Mark("top"), (Strings{work, "top", "-d", "1"}));
  EXPECT_EQ(Mark("terminal"), (Strings{"-e", "mark", "top", "-d", "1"}));
  ::unlink((*temp_ / "terminal").c_str());
  EXPECT_EQ(apps_->Launch("org.example.Draw.desktop", work, true), "");
  EXPECT_EQ(Mark("draw"), (Strings{work, "draw"}));
  EXPECT_FALSE(Mark("terminal").empty());
  // A % in the terminal's own words reaches it as it is, not as a field
  // code of the entry's.
  for (const char* marker : {"terminal", "top"}) {
    ::unlink((*temp_ / marker).c_str());
  }
  ::setenv("TERMINAL", (*temp_ / "bin/term").append(" %c").c_str(), 1);
  EXPECT_EQ(apps_->Launch("top.desktop", work, false), "");
  EXPECT_EQ(Mark("top"), (Strings{work, "top", "-d", "1"}));
  EXPECT_EQ(Mark("terminal"), (Strings{"%c", "-e", "mark", "top", "-d", "1"}));
  ::setenv("TERMINAL", (*temp_ / "bin/term").c_str(), 1);
  EXPECT_NE(apps_->Launch("removed.desktop", work, false), "");
}

// The shell's terminal: $TERMINAL with its own options; without one
// installed, the start fails and says so.
TEST_F(AppsTest, ProgramsRunInTheUsersTerminal) {
  PosixFileSystem files(temp_->Path());
  PosixShell shell(files);
  ::unlink((*temp_ / "terminal").c_str());
  ::setenv("TERMINAL", (*temp_ / "bin/term").append(" --hold").c_str(), 1);
  EXPECT_EQ(shell.StartInTerminal(*temp_ / "bin/mark", {"vim", "a b"}, temp_->Path()), "");
  EXPECT_EQ(Mark("terminal"), (Strings{"--hold", "-e", *temp_ / "bin/mark", "vim", "a b"}));
  EXPECT_EQ(Mark("vim"), (Strings{temp_->Path(), "vim", "a b"}));

  ::setenv("TERMINAL", "no-such-terminal", 1);
  ::setenv("PATH", (*temp_ / "bin").c_str(), 1);
  EXPECT_EQ(shell.StartInTerminal(*temp_ / "bin/mark", {"x"}, temp_->Path()), kNoTerminalText);
  ::setenv("PATH", (*temp_ / "bin:/usr/bin:/bin").c_str(), 1);
  ::setenv("TERMINAL", (*temp_ / "bin/term").c_str(), 1);
}

}  // namespace
}  // namespace tarvolin::sys
