// The tray module's order of calls and its filtering of the icon's
// notifications, over a recording tray, bar and box that share one log.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tray/bar_tray.h"

namespace tarvolin {
namespace {

using Log = std::vector<std::string>;

class RecordingBar : public platform::Window {
 public:
  float Left() const override { return 0; }
  float Top() const override { return 0; }
  float Width() const override { return 3750; }
  float Height() const override { return 285; }
  void SetLeft(float) override {}
  void SetTop(float) override {}
  void SetWidth(float) override {}
  void SetHeight(float) override {}
  std::string Caption() const override { return "Tarvolin"; }
  void SetCaption(const std::string&) override {}
  void Show() override { writes.push_back("Show"); }
  void Hide() override { writes.push_back("Hide"); }
  bool Visible() const override { return false; }
  void Refresh() override {}
  void SetTopMost() override {}
  void Activate() override { writes.push_back("Activate"); }
  platform::Control* FindControl(const std::string&) override { return nullptr; }

  Log writes;  // what was done to the bar, its box and the tray, in order
};

class RecordingBox : public platform::TextBox {
 public:
  explicit RecordingBox(Log& log) : log_(log) {}
  const std::string& Name() const override { return name_; }
  bool SetFocus() override {
    log_.push_back("SetFocus");
    return true;
  }
  void Refresh() override {}
  void SetVisible(bool) override {}
  void SetEnabled(bool) override {}
  void SetTabIndex(int) override {}
  std::string Text() const override { return {}; }
  void SetText(const std::string&) override {}
  int SelStart() const override { return 0; }
  void SetSelStart(int) override {}
  int SelLength() const override { return 0; }
  void SetSelLength(int) override {}

 private:
  Log& log_;
  std::string name_ = "Text1";
};

// Records what it is asked and delivers notifications to the window
// procedure in place, as the platform does.
class RecordingTray : public platform::Tray {
 public:
  explicit RecordingTray(Log& log) : log_(log) {}
  bool Available() const override { return available; }
  void NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) override {
    log_.push_back(action == platform::kNimAdd ? "Add" : "Delete");
    records.push_back(data);
  }
  platform::WindowProc SetWindowProc(platform::Window& window, platform::WindowProc proc) override {
    log_.push_back("SetWindowProc");
    return std::exchange(procs[&window], std::move(proc));
  }
  std::uint32_t IconHandle(platform::Window&) const override { return 0x1c4e; }

  std::int32_t Send(platform::Window& window, std::uint32_t message, std::int32_t lParam) {
    const platform::WindowProc current = procs[&window];
    return platform::CallWindowProc(current, window, message, 0x1c4e, lParam);
  }

  bool available = true;
  std::vector<platform::NotifyIconData> records;
  std::map<platform::Window*, platform::WindowProc> procs;

 private:
  Log& log_;
};

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The bar's own procedure, in place before the tray module touches it.
    tray_.procs[&bar_] = [this](platform::Window&, std::uint32_t message, std::uint32_t,
                                std::int32_t lParam) {
      original_.emplace_back(message, lParam);
      return 42;
    };
  }

  const Log& log() const { return bar_.writes; }
  void ClearLog() { bar_.writes.clear(); }

  RecordingBar bar_;
  RecordingBox text1_{bar_.writes};
  RecordingTray tray_{bar_.writes};
  std::vector<std::pair<std::uint32_t, std::int32_t>> original_;
  BarTray module_{tray_, bar_, text1_};
};

std::array<char, 64> TipField(const std::string& tip) {
  std::array<char, 64> field;
  field.fill(' ');
  std::copy(tip.begin(), tip.end(), field.begin());
  if (tip.size() < field.size()) {
    field[tip.size()] = '\0';
  }
  return field;
}

TEST_F(TrayTest, ToTrayAndALeftClickBackKeepTheirOrder) {
  module_.mnutotray_Click();
  EXPECT_EQ(log(), (Log{"SetWindowProc", "Add", "Hide"}));
  ASSERT_EQ(tray_.records.size(), 1u);
  const platform::NotifyIconData& added = tray_.records[0];
  EXPECT_EQ(added.cbSize, 88u);
  EXPECT_EQ(added.hWnd, &bar_);
  EXPECT_EQ(added.uID, 0x1c4eu);
  EXPECT_EQ(added.hIcon, 0x1c4eu);
  EXPECT_EQ(added.uFlags, 7u);
  EXPECT_EQ(added.uCallbackMessage, 0x203u);
  EXPECT_EQ(added.szTip, TipField("Tarvolin"));

  ClearLog();
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x202), -1);
  EXPECT_EQ(log(), (Log{"Activate", "SetWindowProc", "Show", "Delete", "SetFocus"}));
  EXPECT_TRUE(original_.empty());
  // The delete names the icon that was added.
  EXPECT_EQ(tray_.records.at(1).hWnd, &bar_);
  EXPECT_EQ(tray_.records.at(1).uID, 0x1c4eu);

  // The bar's own procedure is back and gets the same message now.
  ClearLog();
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x202), 42);
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(original_.size(), 1u);
}

TEST_F(TrayTest, EveryOtherMessageGoesToTheBarsOwnProcedure) {
  module_.mnutotray_Click();
  ClearLog();
  const std::vector<std::int32_t> mouse = {0x200, 0x201, 0x203, 0x204, 0x205, 0x207, 0x208};
  for (std::int32_t lParam : mouse) {
    EXPECT_EQ(tray_.Send(bar_, 0x203, lParam), 42);
  }
  // A left release under another message number is no tray click.
  EXPECT_EQ(tray_.Send(bar_, 0x0f, 0x202), 42);
  EXPECT_TRUE(log().empty());
  ASSERT_EQ(original_.size(), mouse.size() + 1);
  EXPECT_EQ(original_[2], std::make_pair(0x203u, 0x203));

  // Behind it the default procedure answers 0; out of place, TrayWindowProc
  // answers 0 and passes nothing on.
  tray_.procs[&bar_] = {};
  module_.PreviousWindowProc = {};
  EXPECT_EQ(module_.TrayWindowProc(bar_, 0x203, 0, 0x205), 0);
  module_.UnsubclassBar();
  EXPECT_EQ(module_.TrayWindowProc(bar_, 0x203, 0, 0x202), 0);
  EXPECT_EQ(log(), (Log{"SetWindowProc"}));
}

TEST_F(TrayTest, SubclassingTwiceReplacesTheProcedureOnce) {
  module_.SubclassBar(bar_);
  module_.SubclassBar(bar_);
  EXPECT_EQ(log(), (Log{"SetWindowProc"}));
  // Had the second call saved TrayWindowProc as the previous procedure, the
  // move would never reach the bar's own one.
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x200), 42);
  module_.UnsubclassBar();
  module_.UnsubclassBar();
  EXPECT_EQ(log(), (Log{"SetWindowProc", "SetWindowProc"}));
}

TEST_F(TrayTest, RestoreWhileOnScreenOnlyShowsDeletesAndFocuses) {
  module_.mnurestore_Click();
  EXPECT_EQ(log(), (Log{"Show", "Delete", "SetFocus"}));
  // No icon was ever added: the delete carries the empty record.
  EXPECT_EQ(tray_.records.at(0).hWnd, nullptr);
  EXPECT_EQ(tray_.records.at(0).uFlags, 0u);

  // A second trip installs procedure and icon again.
  module_.mnutotray_Click();
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x202), -1);
  ClearLog();
  module_.mnutotray_Click();
  EXPECT_EQ(log(), (Log{"SetWindowProc", "Add", "Hide"}));
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x200), 42);
  EXPECT_EQ(original_.size(), 1u);
}

TEST_F(TrayTest, WithoutANotificationAreaTheBarStaysOnScreen) {
  tray_.available = false;
  module_.mnutotray_Click();
  EXPECT_TRUE(log().empty());
  EXPECT_FALSE(module_.IsSubclassed);
}

TEST_F(TrayTest, ATipThatFillsTheFieldLosesItsEnd) {
  module_.AddTrayIcon(bar_, 5, 6, std::string(70, 't'));
  EXPECT_EQ(tray_.records.at(0).szTip, TipField(std::string(64, 't')));
  module_.AddTrayIcon(bar_, 5, 6, std::string(63, 'u'));
  EXPECT_EQ(tray_.records.at(1).szTip, TipField(std::string(63, 'u')));
}

TEST_F(TrayTest, TheModuleGoneTheBarsOwnProcedureIsBack) {
  {
    BarTray other(tray_, bar_, text1_);
    other.mnutotray_Click();
  }
  EXPECT_EQ(tray_.Send(bar_, 0x203, 0x202), 42);
}

}  // namespace
}  // namespace tarvolin
