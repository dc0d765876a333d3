// The dialogs on real (offscreen) windows: the quickcommand editor, the
// options, the help screen and the first-run set-up, checked against what
// they write to disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "bar/dialog_form.h"
#include "bar/form1.h"
#include "help/form3.h"
#include "quickcommands/form2.h"
#include "settings/form5.h"
#include "support/qt/bar_fixture.h"
#include "support/qt/test_app.h"

namespace tarvolin {
namespace {

using platform::MessageBoxAnswer;

class EditorTest : public testing::BarFixture {
 protected:
  void SetUp() override {
    drive_.Write("Games/run.exe", "#!/bin/sh\n");
    drive_.Write("Games/other.exe", "#!/bin/sh\n");
  }

  Form2& Open(const std::string& barText = "") {
    SetBoxText(barText);
    program_->RollOutForm(Dialog::kEditor);
    return Editor();
  }
  Form2& Editor() { return dynamic_cast<Form2&>(*program_->LoadedDialog(Dialog::kEditor)); }
  template <typename T>
  T& Control(const char* name) {
    return *Editor().Window().Find<T>(name);
  }
  platform::TextBox& TargetBox() { return Control<platform::TextBox>("Text1"); }
  platform::TextBox& NameBox() { return Control<platform::TextBox>("Text2"); }
  platform::ListBox& Targets() { return Control<platform::ListBox>("List1"); }
  platform::ListBox& Names() { return Control<platform::ListBox>("List2"); }

  void Add(const std::string& target, const std::string& name) {
    TargetBox().SetText(target);
    NameBox().SetText(name);
    Editor().Command1_Click();
  }

  // Closes the editor as its close box does, and waits until it is gone.
  void Close() {
    Editor().Window().Close();
    ASSERT_TRUE(testing::PumpUntil(
        [&] { return program_->LoadedDialog(Dialog::kEditor) == nullptr; }, 5000));
  }

  std::vector<std::string> Rows(platform::ListBox& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.ListCount(); ++i) {
      rows.push_back(list.List(i));
    }
    return rows;
  }

  std::string FileBytes() { return drive_.Read("prog/files.cfg"); }
};

TEST_F(EditorTest, LoadTakesTheBarTextUnlessItIsTheUnknownCommandText) {
  Start();
  Open("Unknown command (F1 for help)");
  EXPECT_EQ(TargetBox().Text(), "");
  Close();
  Open("C:\\Games\\run.exe");
  EXPECT_EQ(TargetBox().Text(), "C:\\Games\\run.exe");
  EXPECT_EQ(NameBox().Text(), "");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(programFolder_));
  // The blank placeholder shows as one empty row in each list.
  EXPECT_EQ(Rows(Targets()), std::vector<std::string>{""});
  EXPECT_EQ(Rows(Names()), std::vector<std::string>{""});
  EXPECT_EQ(Targets().ListIndex(), -1);
}

TEST_F(EditorTest, TheCommandEditOpensItWithAnEmptyTargetBox) {
  Start();
  Enter("edit");
  EXPECT_EQ(TargetBox().Text(), "");
}

TEST_F(EditorTest, AnEmptyNameOrAnInvalidTargetChangesNothing) {
  Start();
  Open();
  Add("C:\\Nowhere\\x.txt", "");
  Add("C:\\Nowhere\\x.txt", "x");
  ASSERT_EQ(ui_.boxes.size(), 2u);
  EXPECT_EQ(ui_.boxes[0].text, "You must type a quickcommand for the file");
  EXPECT_EQ(ui_.boxes[1].text, "'C:\\Nowhere\\x.txt'\ris not a valid command.");
  for (const auto& box : ui_.boxes) {
    EXPECT_EQ(box.title, "Tarvolin");
    EXPECT_FALSE(box.yesNo);
  }
  EXPECT_EQ(TargetBox().Text(), "C:\\Nowhere\\x.txt");
  EXPECT_EQ(NameBox().Text(), "x");
  EXPECT_EQ(Rows(Targets()), std::vector<std::string>{""});
}

TEST_F(EditorTest, AnAddBelowThePlaceholderRowIsSavedAfterIt) {
  Start();
  Open();
  Add("C:\\Games\\run.exe", "play");
  EXPECT_EQ(Rows(Targets()), (std::vector<std::string>{"", "C:\\Games\\run.exe"}));
  EXPECT_EQ(TargetBox().Text(), "");
  EXPECT_EQ(NameBox().Text(), "");
  Close();
  EXPECT_EQ(FileBytes(), "\r\n\r\nC:\\Games\\run.exe\r\nplay\r\n");
  // The bar runs the new word.
  EXPECT_EQ(program_->quickcommands.Count(), 2);
}

TEST_F(EditorTest, ANameThatExistsAsksToChangeItsFile) {
  Start("loca=4\r\n", {{"C:\\Games\\run.exe", "play"}});
  Open();
  ui_.answers = {MessageBoxAnswer::kNo};
  Add("C:\\Games\\other.exe", "play");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, "'play'already exists.\rChange file to: C:\\Games\\other.exe ???");
  EXPECT_TRUE(ui_.boxes[0].yesNo);
  EXPECT_EQ(program_->quickcommands[0].Target, "C:\\Games\\run.exe");
  EXPECT_EQ(TargetBox().Text(), "C:\\Games\\other.exe");  // No keeps the boxes

  ui_.answers = {MessageBoxAnswer::kYes};
  Editor().Command1_Click();
  EXPECT_EQ(program_->quickcommands[0].Target, "C:\\Games\\other.exe");
  EXPECT_EQ(Rows(Targets()), std::vector<std::string>{"C:\\Games\\other.exe"});
  EXPECT_EQ(TargetBox().Text(), "");
  Close();
  EXPECT_EQ(FileBytes(), "C:\\Games\\other.exe\r\nplay\r\n");
}

TEST_F(EditorTest, ATargetThatExistsAsksToChangeItsWord) {
  Start("loca=4\r\n", {{"C:\\Games\\run.exe", "play"}});
  Open();
  Add("C:\\Games\\run.exe", "game");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text,
            "'C:\\Games\\run.exe'already exists.\rChange Quickcommand to: game ???");
  EXPECT_EQ(Rows(Names()), std::vector<std::string>{"game"});

  // The same pair again asks the same question with the unchanged word.
  Add("C:\\Games\\run.exe", "game");
  EXPECT_EQ(ui_.boxes.back().text,
            "'C:\\Games\\run.exe'already exists.\rChange Quickcommand to: game ???");
  EXPECT_EQ(program_->quickcommands.Count(), 1);
  EXPECT_EQ(NameBox().Text(), "");

  // Capitals count: Game with the same target asks, with another target it
  // is a new entry.
  ui_.boxes.clear();
  Add("C:\\Games\\run.exe", "Game");
  EXPECT_EQ(ui_.boxes.size(), 1u);
  Add("C:\\Games\\other.exe", "GAME");
  EXPECT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(program_->quickcommands.Count(), 2);
}

TEST_F(EditorTest, EveryMatchingRowIsAskedAboutInOrder) {
  Start("loca=4\r\n", {{"www.a.example", "a"},
                       {"www.b.example", "b"},
                       {"C:\\Games\\run.exe", "c"},
                       {"www.d.example", "d"},
                       {"www.e.example", "e"},
                       {"www.f.example", "play"}});
  Open();
  ui_.answers = {MessageBoxAnswer::kYes, MessageBoxAnswer::kNo};
  Add("C:\\Games\\run.exe", "play");
  ASSERT_EQ(ui_.boxes.size(), 2u);
  EXPECT_NE(ui_.boxes[0].text.find("Change Quickcommand to: play"), std::string::npos);
  EXPECT_NE(ui_.boxes[1].text.find("Change file to: C:\\Games\\run.exe"), std::string::npos);
  EXPECT_EQ(program_->quickcommands[2], (QuickcommandEntry{"C:\\Games\\run.exe", "play"}));
  EXPECT_EQ(program_->quickcommands[5], (QuickcommandEntry{"www.f.example", "play"}));
  // The last answer was No: the boxes keep the typed pair.
  EXPECT_EQ(TargetBox().Text(), "C:\\Games\\run.exe");
  EXPECT_EQ(NameBox().Text(), "play");
}

TEST_F(EditorTest, RemovingEveryRowSavesTwoEmptyLinesAndAnAddFillsThePlaceholder) {
  Start("loca=4\r\n", {{"C:\\Games\\run.exe", "play"}});
  Open();
  Editor().Command2_Click();  // nothing selected: nothing happens
  EXPECT_EQ(Targets().ListCount(), 1);
  Targets().SetListIndex(0);
  Editor().Command2_Click();
  EXPECT_EQ(Targets().ListCount(), 0);
  EXPECT_EQ(Names().ListCount(), 0);
  EXPECT_EQ(program_->quickcommands.Count(), 1);
  Close();
  EXPECT_EQ(FileBytes(), "\r\n\r\n");

  Open();
  Targets().SetListIndex(0);
  Editor().Command2_Click();
  Add("www.example.org", "ex");
  EXPECT_EQ(Rows(Targets()), std::vector<std::string>{"www.example.org"});
  EXPECT_EQ(program_->quickcommands.Entries(),
            (std::vector<QuickcommandEntry>{{"www.example.org", "ex"}}));
  Close();
  EXPECT_EQ(FileBytes(), "www.example.org\r\nex\r\n");
}

TEST_F(EditorTest, ListClicksSelectTheSameRowInBothListsAndDeleteRemovesIt) {
  Start("loca=4\r\n", {{"www.a.example", "a"},
                       {"www.b.example", "b"},
                       {"www.c.example", "c"},
                       {"www.d.example", "d"}});
  Open();
  Names().SetListIndex(3);
  EXPECT_EQ(Targets().ListIndex(), 3);
  EXPECT_EQ(TargetBox().Text(), "www.d.example");
  EXPECT_EQ(NameBox().Text(), "d");
  Targets().SetListIndex(1);
  EXPECT_EQ(Names().ListIndex(), 1);
  EXPECT_EQ(NameBox().Text(), "b");

  Names().KeyDown(platform::kKeyDelete, 0);
  EXPECT_EQ(Rows(Targets()),
            (std::vector<std::string>{"www.a.example", "www.c.example", "www.d.example"}));
  EXPECT_EQ(Rows(Names()), (std::vector<std::string>{"a", "c", "d"}));
  EXPECT_EQ(TargetBox().Text(), "");
  Targets().KeyDown('A', 0);  // other keys do nothing
  EXPECT_EQ(Targets().ListCount(), 3);
}

TEST_F(EditorTest, BrowseFillsTheTargetAndRemembersTheFileWhileOpen) {
  Start();
  Open();
  TargetBox().SetText("typed");
  Editor().Command3_Click();  // cancelled before any choice
  EXPECT_EQ(TargetBox().Text(), "typed");
  ui_.files = {drive_ / "Games/run.exe"};
  Editor().Command3_Click();
  EXPECT_EQ(TargetBox().Text(), "C:\\Games\\run.exe");
  TargetBox().SetText("");
  Editor().Command3_Click();  // cancelled: the earlier file comes again
  EXPECT_EQ(TargetBox().Text(), "C:\\Games\\run.exe");
  EXPECT_EQ(ui_.openDialogs.back().initialFile, drive_ / "Games/run.exe");
  Close();
  Open();
  Editor().Command3_Click();  // a new load starts with no file name
  EXPECT_EQ(TargetBox().Text(), "");
}

TEST_F(EditorTest, EnterAddsAndEscapeSavesAndBringsTheBarBack) {
  Start();
  Open();
  TargetBox().SetText("www.example.org");
  NameBox().SetText("ex");
  NameBox().KeyDown(platform::kKeyReturn, 0);
  EXPECT_EQ(program_->quickcommands.Count(), 2);
  program_->form1().Window().Hide();
  TargetBox().KeyDown(platform::kKeyEscape, 0);
  ASSERT_TRUE(
      testing::PumpUntil([&] { return program_->LoadedDialog(Dialog::kEditor) == nullptr; }, 5000));
  EXPECT_EQ(FileBytes(), "\r\n\r\nwww.example.org\r\nex\r\n");
  EXPECT_TRUE(program_->form1().Window().Visible());
  Enter("EX");
  EXPECT_EQ(Opened(1), std::vector<std::string>{"http://www.example.org"});
}

TEST_F(EditorTest, LongAndNonAsciiTextsSaveUnchanged) {
  Start();
  Open();
  const std::string target = "www." + std::string(996, 'x');
  const std::string name = "caf\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC-" + std::string(986, 'n');
  Add(target, name);
  EXPECT_EQ(Targets().List(1), target);
  EXPECT_EQ(Names().List(1), name);
  Close();
  EXPECT_EQ(FileBytes(), "\r\n\r\n" + target + "\r\n" + name + "\r\n");
}

TEST_F(EditorTest, AFailedSaveIsReportedAndTheEditsStayInTheTable) {
  Start("loca=4\r\n");
  // A folder in the file's place cannot be replaced, whoever runs the test.
  std::filesystem::remove_all(drive_ / "prog/files.cfg");
  drive_.Write("prog/files.cfg/keep", "x");
  Open();
  Add("www.example.org", "ex");
  Close();
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].title, "Tarvolin");
  EXPECT_NE(ui_.boxes[0].text.find("could not be saved"), std::string::npos);
  EXPECT_EQ(program_->quickcommands.Entries().back(), (QuickcommandEntry{"www.example.org", "ex"}));
  EXPECT_EQ(drive_.Read("prog/files.cfg/keep"), "x");
}

class OptionsTest : public testing::BarFixture {
 protected:
  Form5& Open() {
    program_->RollOutForm(Dialog::kOptions);
    return Options();
  }
  Form5& Options() { return dynamic_cast<Form5&>(*program_->LoadedDialog(Dialog::kOptions)); }
  template <typename T>
  T& Control(const std::string& name) {
    return *Options().Window().Find<T>(name);
  }
  platform::OptionButton& Option(int k) {
    return Control<platform::OptionButton>("Option" + std::to_string(k));
  }
  void Close() {
    Options().Window().Close();
    ASSERT_TRUE(testing::PumpUntil(
        [&] { return program_->LoadedDialog(Dialog::kOptions) == nullptr; }, 5000));
  }
  std::string Ini() { return drive_.Read("prog/tv.ini"); }
  platform::Window& Bar() { return program_->form1().Window(); }
};

TEST_F(OptionsTest, OpeningSelectsTheCornerAndMovesTheBarAsAClickWould) {
  for (int corner = 0; corner <= 5; ++corner) {
    Start("loca=" + std::to_string(corner) + "\r\n");
    Open();
    for (int k = 1; k <= 4; ++k) {
      EXPECT_EQ(Option(k).Value(), k == corner) << corner << " " << k;
    }
    EXPECT_EQ(program_->settings.CornerCode, corner);
    if (corner == 1 || corner == 2) {
      // The dialog's own top for the top corners, until the bar re-places.
      // 285 - 310 twips, as the window rounds it to whole pixels.
      EXPECT_EQ(Bar().Top(), -30);
      program_->form1().Timer1_Timer();
      EXPECT_EQ(Bar().Top(), 0);
    } else {
      EXPECT_EQ(Bar().Top(), 10755);
    }
    program_.reset();
  }
}

TEST_F(OptionsTest, ACornerAndCaseTakeEffectAtOnceTheRestOnClose) {
  Start("loca=4\r\nCaseSensitive=1\r\nAutoUpdate=1\r\nWebExtensions=com\r\n");
  Open();
  EXPECT_EQ(Control<platform::CheckBox>("Check1").Value(), 1);
  EXPECT_EQ(Control<platform::CheckBox>("Check2").Value(), 1);
  Option(3).SetValue(true);
  EXPECT_EQ(Bar().Left(), 0);
  EXPECT_EQ(Bar().Top(), 10755);
  EXPECT_EQ(program_->settings.CornerCode, 3);
  EXPECT_NE(Ini().find("loca=4"), std::string::npos);  // not written yet

  Control<platform::CheckBox>("Check1").SetValue(0);
  EXPECT_FALSE(program_->settings.CaseSensitive);
  Control<platform::CheckBox>("Check2").SetValue(0);
  EXPECT_TRUE(program_->settings.AutoUpdate);
  // The box shows the saved text selected as the dialog goes (checked before
  // the window system moves the focus about).
  platform::TextBox& box = program_->form1().Text1();
  int selectedOnUnload = -1;
  platform::Window& options = Options().Window();
  auto unload = options.Unload;
  options.Unload = [&, unload] {
    unload();
    selectedOnUnload = box.SelLength();
  };
  Close();
  EXPECT_EQ(selectedOnUnload, 17);
  EXPECT_FALSE(program_->settings.AutoUpdate);
  EXPECT_EQ(Ini(),
            "[Tarvolin]\r\nloca= 3\r\nCaseSensitive= 0\r\nAutoUpdate= 0\r\nWebExtensions=com\r\n");
  EXPECT_EQ(BoxText(), "Settings Saved...");
}

TEST_F(OptionsTest, TheWebTextIsWrittenAsTypedAndSplitAsTyped) {
  Start("loca=4\r\nWebExtensions=com,org,net\r\n");
  Open();
  EXPECT_EQ(Control<platform::TextBox>("Text1").Text(), "com,org,net");
  Control<platform::TextBox>("Text1").SetText("com,org,");
  Close();
  EXPECT_EQ(program_->settings.WebExtensionList, (std::vector<std::string>{".com", ".org,"}));
  EXPECT_NE(Ini().find("WebExtensions=com,org,\r\n"), std::string::npos);
  Open();
  EXPECT_EQ(Control<platform::TextBox>("Text1").Text(), "com,org,");

  Control<platform::TextBox>("Text1").SetText("");
  Close();
  EXPECT_EQ(program_->settings.WebExtensionList, std::vector<std::string>{"."});
  EXPECT_NE(Ini().find("WebExtensions=\r\n"), std::string::npos);
  // The next start reads the empty value as no endings at all.
  program_.reset();
  program_ = std::make_unique<Program>(*platform_);
  program_->Start();
  EXPECT_TRUE(program_->settings.WebExtensionList.empty());
  Open();
  EXPECT_EQ(Control<platform::TextBox>("Text1").Text(), "");
}

TEST_F(OptionsTest, TabsShowOneFrameAndEveryOpeningStartsOnGeneral) {
  Start();
  Open();
  auto shown = [&] {
    std::vector<int> frames;
    for (int k = 0; k < 3; ++k) {
      if (Control<platform::Frame>("Frame1(" + std::to_string(k) + ")").Visible()) {
        frames.push_back(k);
      }
    }
    return frames;
  };
  EXPECT_EQ(shown(), std::vector<int>{0});
  Control<platform::TabStrip>("TabStrip1").SetSelectedIndex(2);
  EXPECT_EQ(shown(), std::vector<int>{2});
  EXPECT_EQ(Options().CurrentFrame(), 2);
  Close();
  Open();
  EXPECT_EQ(Options().CurrentFrame(), 0);
  EXPECT_EQ(shown(), std::vector<int>{0});
  Control<platform::TabStrip>("TabStrip1").SetSelectedIndex(1);
  EXPECT_EQ(shown(), std::vector<int>{1});
}

TEST_F(OptionsTest, FormatWebExtensionsDropsEachDot) {
  EXPECT_EQ(FormatWebExtensions({".com", ".org", ".net"}), "com,org,net");
  EXPECT_EQ(FormatWebExtensions({".com", ".", ".net"}), "com,,net");
  EXPECT_EQ(FormatWebExtensions({"."}), "");
  EXPECT_EQ(FormatWebExtensions({}), "");
}

class HelpTest : public testing::BarFixture {};

TEST_F(HelpTest, TheCaptionJoinsTheVersionNumbers) {
  EXPECT_EQ(HelpCaption({1, 2, 3}, false), "Tarvolin - Version 1.23");
  EXPECT_EQ(HelpCaption({0, 12, 5}, true), "Tarvolin - Version 0.125 BETA");
  Start();
  drive_.Write("prog/ReadMe.txt", "read me");
  drive_.Write("prog/Changelog.txt", "changes");
  Press(Qt::Key_F1);
  ASSERT_EQ(OpenDialogs(), std::vector<Dialog>{Dialog::kHelp});
  Form3& help = dynamic_cast<Form3&>(*program_->LoadedDialog(Dialog::kHelp));
  EXPECT_EQ(help.Window().Caption(), "Tarvolin - Version 0.87 BETA");
  help.Command1_Click();
  help.Command2_Click();
  EXPECT_EQ(Opened(2), (std::vector<std::string>{programFolder_ + "/ReadMe.txt",
                                                 programFolder_ + "/Changelog.txt"}));
}

class FirstRunTest : public testing::BarFixture {};

TEST_F(FirstRunTest, WritesTheDefaultsAndOpensTheEditorWithTheSavedText) {
  drive_.Write("prog/files.cfg", "\r\n\r\n");
  program_ = std::make_unique<Program>(*platform_);
  program_->Start();
  EXPECT_EQ(drive_.Read("prog/tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");
  ASSERT_EQ(OpenDialogs(), std::vector<Dialog>{Dialog::kEditor});
  platform::Window& editor = program_->LoadedDialog(Dialog::kEditor)->Window();
  EXPECT_EQ(editor.Find<platform::TextBox>("Text1")->Text(), "Settings Saved...");
  EXPECT_EQ(BoxText(), "Settings Saved...");

  program_->RollOutForm(Dialog::kOptions);
  platform::Window& options = program_->LoadedDialog(Dialog::kOptions)->Window();
  EXPECT_EQ(options.Find<platform::TextBox>("Text1")->Text(), "com,net,org");
  EXPECT_TRUE(options.Find<platform::OptionButton>("Option4")->Value());
  EXPECT_EQ(options.Find<platform::CheckBox>("Check1")->Value(), 0);
  EXPECT_EQ(options.Find<platform::CheckBox>("Check2")->Value(), 1);

  // Ending the program saves nothing; the next start reads the file's order.
  program_.reset();
  program_ = std::make_unique<Program>(*platform_);
  program_->Start();
  EXPECT_TRUE(OpenDialogs().empty());
  program_->RollOutForm(Dialog::kOptions);
  EXPECT_EQ(
      program_->LoadedDialog(Dialog::kOptions)->Window().Find<platform::TextBox>("Text1")->Text(),
      "com,org,net");
}

}  // namespace
}  // namespace tarvolin
