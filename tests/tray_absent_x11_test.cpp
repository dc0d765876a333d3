// The bar on a real X display whose desktop has no notification area:
// Escape must not hide it, since nothing could bring it back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "bar/form1_design.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window.h"
#include "support/qt/test_app.h"
#include "tray/bar_tray.h"

namespace tarvolin {
namespace {

TEST(TrayAbsentX11Test, EscapeLeavesTheBarOnScreenWithTheFocusInItsBox) {
  testing::EnsureApplication();
  platform::QtToolkit ui;
  platform::QtTray tray;
  ASSERT_FALSE(tray.Available()) << "this display is not meant to have a notification area";

  std::unique_ptr<platform::Window> window = ui.CreateForm(Form1Design());
  platform::TextBox* text1 = window->Find<platform::TextBox>("Text1");
  ASSERT_NE(text1, nullptr);
  BarTray module(tray, *window, *text1);
  int escapes = 0;
  text1->KeyDown = [&](int key, int) {
    if (key == platform::kKeyEscape) {
      ++escapes;
      module.mnutotray_Click();
    }
  };
  window->Show();
  window->Activate();
  text1->SetFocus();
  QWidget* widget = dynamic_cast<platform::QtWindow&>(*window).Widget();
  auto* edit = widget->findChild<QLineEdit*>();
  ASSERT_TRUE(testing::PumpUntil(
      [&] { return widget->isActiveWindow() && QApplication::focusWidget() == edit; }, 15000));

  std::system("xdotool key --clearmodifiers Escape");
  ASSERT_TRUE(testing::PumpUntil([&] { return escapes == 1; }, 15000));
  testing::Pump(500);

  EXPECT_TRUE(window->Visible());
  EXPECT_TRUE(widget->isActiveWindow());
  EXPECT_EQ(QApplication::focusWidget(), edit);
  EXPECT_FALSE(module.IsSubclassed);

  // The box still takes what is typed.
  std::system("xdotool type --delay 30 ok");
  EXPECT_TRUE(testing::PumpUntil([&] { return edit->text() == "ok"; }, 15000));
}

}  // namespace
}  // namespace tarvolin
