// The command bar's start-up and its small events, on real (offscreen)
// windows and a real program folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "bar/form1.h"
#include "support/qt/program_fixture.h"
#include "support/qt/test_app.h"

namespace tarvolin {
namespace {

class Form1Test : public testing::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    files_.SetDriveMap({{'c', folder_.Path()}});
  }
};

TEST_F(Form1Test, StartUpReadsTheSettingsPlacesTheBarAndLoadsTheTable) {
  folder_.Write("tv.ini",
                "[Tarvolin]\r\nloca=2\r\nCaseSensitive= 1\r\nAutoUpdate=0\r\n"
                "WebExtensions=com,de\r\n");
  folder_.Write("files.cfg", "C:\\Games\\run.exe\r\nplay\r\nD:\\Music\r\nmusic\r\n");
  std::filesystem::current_path("/");

  Program& program = Start();

  EXPECT_EQ(program.settings.CornerCode, 2);
  // Start-up clears the switch before the file is read; the file turns it on.
  EXPECT_TRUE(program.settings.CaseSensitive);
  EXPECT_FALSE(program.settings.AutoUpdate);
  EXPECT_EQ(program.settings.WebExtensionList, (std::vector<std::string>{".com", ".de"}));
  ASSERT_EQ(program.quickcommands.Count(), 2);
  EXPECT_EQ(program.quickcommands[1], (QuickcommandEntry{"D:\\Music", "music"}));

  // Top right of a 1024 by 768 screen, bar 3750 twips wide.
  platform::Window& bar = program.form1().Window();
  EXPECT_EQ(bar.Left(), 15360 - 3750);
  EXPECT_EQ(bar.Top(), 0);
  EXPECT_EQ(bar.Width(), 3750);
  EXPECT_EQ(bar.Height(), 285);
  EXPECT_TRUE(bar.Visible());

  EXPECT_EQ(program.bar.UnknownCommandText, "Unknown command (F1 for help)");
  EXPECT_EQ(program.bar.CommandHistory, (std::vector<std::string>{""}));
  EXPECT_EQ(program.bar.HistoryPosition, -1);
  EXPECT_TRUE(program.bar.IsBeta);
  EXPECT_FALSE(program.bar.UpdateChecked);
  EXPECT_FALSE(program.bar.UsageReportSent);
  EXPECT_EQ(program.form1().Text1().Text(), "");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder_.Path()));
  // The settings file was only read.
  EXPECT_EQ(folder_.Read("tv.ini"),
            "[Tarvolin]\r\nloca=2\r\nCaseSensitive= 1\r\nAutoUpdate=0\r\n"
            "WebExtensions=com,de\r\n");
}

TEST_F(Form1Test, StartUpWithoutSettingsWritesTheDefaultsAndShowsThem) {
  folder_.Write("files.cfg", "\r\n\r\n");

  Program& program = Start();

  EXPECT_EQ(folder_.Read("tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");
  EXPECT_EQ(program.settings.CornerCode, 4);
  EXPECT_TRUE(program.settings.AutoUpdate);
  EXPECT_FALSE(program.settings.CaseSensitive);
  // Until the next start the list keeps the order set in memory.
  EXPECT_EQ(program.settings.WebExtensionList, (std::vector<std::string>{".com", ".net", ".org"}));

  platform::Window& bar = program.form1().Window();
  EXPECT_EQ(bar.Left(), 11610);
  EXPECT_EQ(bar.Top(), 10755);
  platform::TextBox& box = program.form1().Text1();
  EXPECT_EQ(box.Text(), "Settings Saved...");
  EXPECT_EQ(box.SelStart(), 0);
  EXPECT_EQ(box.SelLength(), 17);
  ASSERT_EQ(program.quickcommands.Count(), 1);
  EXPECT_EQ(program.quickcommands[0], (QuickcommandEntry{"", ""}));

  // The next start reads what the first one wrote, in the file's order.
  program_.reset();
  Program& second = Start();
  EXPECT_EQ(second.settings.CornerCode, 4);
  EXPECT_TRUE(second.settings.AutoUpdate);
  EXPECT_FALSE(second.settings.CaseSensitive);
  EXPECT_EQ(second.settings.WebExtensionList, (std::vector<std::string>{".com", ".org", ".net"}));
  EXPECT_EQ(second.form1().Text1().Text(), "");
}

TEST_F(Form1Test, ASettingsFileWithoutValuesPlacesTheBarBottomRight) {
  folder_.Write("tv.ini", "");
  Program& program = Start();
  EXPECT_EQ(program.settings.CornerCode, 0);
  EXPECT_FALSE(program.settings.AutoUpdate);
  EXPECT_TRUE(program.settings.WebExtensionList.empty());
  EXPECT_EQ(program.form1().Window().Left(), 11610);
  EXPECT_EQ(program.form1().Window().Top(), 10755);
  // No first-run set-up: the empty file stays empty.
  EXPECT_EQ(folder_.Read("tv.ini"), "");
}

TEST_F(Form1Test, DamagedFilesStillStartTheBarAndLoseNothing) {
  using namespace std::string_literals;
  const std::string ini = "\x01\x02\0binary\r[Tarvolin]\nloca=3\r\n"s + std::string(1 << 20, 'x') +
                          "\n\0\xff\xfe=junk\rAutoUpdate=1\n"s;
  folder_.Write("tv.ini", ini);
  const std::string records =
      "C:\\a\0b\r\nn\xe9v\rwww.x.org\n"s + std::string(1 << 20, 'y') + "\r\n";
  folder_.Write("files.cfg", records);

  Program& program = Start();

  EXPECT_EQ(program.settings.CornerCode, 3);
  EXPECT_TRUE(program.settings.AutoUpdate);
  EXPECT_EQ(program.form1().Window().Left(), 0);
  EXPECT_TRUE(program.form1().Window().Visible());
  ASSERT_EQ(program.quickcommands.Count(), 2);
  EXPECT_EQ(program.quickcommands[0].Target, "C:\\a\0b"s);
  EXPECT_EQ(program.quickcommands[1].Name, std::string(1 << 20, 'y'));
  // Reading changed nothing on disk.
  EXPECT_EQ(folder_.Read("tv.ini"), ini);

  // The next save writes every record back, line ends made uniform.
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(program.quickcommands, true, folder_.Path(), &error)) << error;
  EXPECT_EQ(folder_.Read("files.cfg"),
            "C:\\a\0b\r\nn\xe9v\r\nwww.x.org\r\n"s + std::string(1 << 20, 'y') + "\r\n");
}

TEST_F(Form1Test, AClickSelectsTheWholeText) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  Form1& form1 = Start().form1();
  platform::TextBox& box = form1.Text1();

  box.SetText("");
  form1.Text1_Click();
  EXPECT_EQ(box.SelLength(), 0);

  // Positions count characters, not bytes.
  box.SetText("n\xC3\xB6tepad \xF0\x9F\x98\x80");
  box.SetSelStart(3);
  form1.Text1_Click();
  EXPECT_EQ(box.SelStart(), 0);
  EXPECT_EQ(box.SelLength(), 9);
}

TEST_F(Form1Test, EveryChangeOfTheTextIsTimed) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  Program& program = Start();
  platform::TextBox& box = program.form1().Text1();

  system_.now = 100.25;
  box.SetText("typed");
  EXPECT_DOUBLE_EQ(program.bar.LastEditTime, 100.25);
  system_.now = 200.5;
  box.SetText("");
  EXPECT_DOUBLE_EQ(program.bar.LastEditTime, 200.5);
}

TEST_F(Form1Test, TheBarGoesBackToItsCornerOnEveryTickAndOnFocus) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=3\r\n");
  Program& program = Start();
  platform::Window& bar = program.form1().Window();
  EXPECT_EQ(bar.Left(), 0);
  EXPECT_EQ(bar.Top(), 10755);

  program.settings.CornerCode = 2;
  program.form1().Timer1_Timer();
  EXPECT_EQ(bar.Left(), 11610);
  EXPECT_EQ(bar.Top(), 0);

  bar.SetLeft(3000);
  program.settings.CornerCode = 1;
  program.form1().Form_GotFocus();
  EXPECT_EQ(bar.Left(), 0);
  EXPECT_EQ(bar.Top(), 0);

  // The timer itself ticks: a moved bar returns without any call of ours.
  bar.SetTop(4500);
  EXPECT_TRUE(testing::PumpUntil([&] { return bar.Top() == 0; }, 3000));
}

}  // namespace
}  // namespace tarvolin
