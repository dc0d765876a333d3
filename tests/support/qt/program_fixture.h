// A program started from a temporary program folder, with real windows, the
// real file system and INI store, a recording shell and a clock the test
// sets.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "bar/program.h"
#include "platform/posix/ini_store.h"
#include "platform/posix/posix_filesystem.h"
#include "platform/qt/qt_toolkit.h"
#include "support/fake_system.h"
#include "support/qt/test_app.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"

namespace tarvolin::testing {

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
  void TearDown() override { std::filesystem::current_path(originalFolder_); }

  // Loads the bar as start-up does.
  Program& Start() {
    program_ = std::make_unique<Program>(platform_);
    program_->Start();
    return *program_;
  }

  std::filesystem::path originalFolder_ = std::filesystem::current_path();
  TempFolder folder_;
  platform::QtToolkit ui_;
  platform::PosixFileSystem files_{folder_.Path()};
  platform::IniStore profile_;
  RecordingShell shell_;
  FakeSystem system_;
  platform::Platform platform_{ui_, files_, profile_, shell_, system_};
  std::unique_ptr<Program> program_;
};

}  // namespace tarvolin::testing
