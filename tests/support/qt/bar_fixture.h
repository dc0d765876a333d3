// A command bar started in a temporary program folder on a temporary drive C,
// with real launches: programs on the drive are scripts that leave a marker
// when they run, and the desktop's opener is a script that records what it
// was given.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bar/program.h"
#include "platform/posix/ini_store.h"
#include "platform/posix/posix_filesystem.h"
#include "platform/posix/posix_shell.h"
#include "support/fake_system.h"
#include "support/qt/scripted_toolkit.h"
#include "support/temp_folder.h"

namespace tarvolin::testing {

class BarFixture : public ::testing::Test {
 protected:
  BarFixture();
  ~BarFixture() override;

  // Starts the bar with these settings (the "Tarvolin" section's lines) and
  // these quickcommands (target, name).
  Program& Start(const std::string& settingsLines = "loca=4\r\nWebExtensions=com,org,net\r\n",
                 const std::vector<QuickcommandEntry>& quickcommands = {});

  // Puts a program on the drive (path relative to the drive's root) that
  // writes the folder it was started in to markers/<marker>.
  void AddProgram(const std::string& relativePath, const std::string& marker);

  // Types the text into the box, as real key events.
  void Type(const std::string& text);
  // Types the text into the box and presses Enter, as real key events.
  void Submit(const std::string& text);
  // Enter with the line in the box, through the key handler itself (the
  // program may end inside it).
  void Enter(const std::string& line);
  // A key going down in the box as a real key event.
  void Press(int qtKey, int modifiers = 0);
  void SetBoxText(const std::string& text);
  std::string BoxText();
  // The box's own widget.
  QWidget* BoxWidget();
  // The dialogs that are loaded and shown, in the order of the Dialog enum.
  std::vector<Dialog> OpenDialogs();

  // Waits (boundedly) for a program's marker; the folder it ran in, or empty.
  std::string WaitForMarker(const std::string& marker);
  // The markers present now.
  std::vector<std::string> Markers();
  // What the opener was given, one line per argument, after waiting boundedly
  // for `count` lines.
  std::vector<std::string> Opened(std::size_t count = 1);

  std::filesystem::path originalFolder_ = std::filesystem::current_path();
  TempFolder drive_;
  std::string programFolder_;
  ScriptedToolkit ui_;
  platform::PosixFileSystem files_;
  platform::IniStore profile_;
  std::unique_ptr<platform::PosixShell> shell_;
  FakeSystem system_;
  std::unique_ptr<platform::Platform> platform_;
  std::unique_ptr<Program> program_;
};

}  // namespace tarvolin::testing
