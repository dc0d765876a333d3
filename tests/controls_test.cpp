// The controls of a dialog, its window and the toolkit's modal boxes, on
// real (offscreen) Qt widgets.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "support/qt/test_app.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

using platform::ControlKind;
using platform::Place;

// One control of each kind, two frames on top of each other as the options
// dialog has them, and a tab order that differs from the table's order.
platform::FormDesign Design() {
  platform::FormDesign design;
  design.name = "Form9";
  design.caption = "Controls";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = 6000;
  design.clientHeight = 4500;
  design.controls = {
      Place(ControlKind::kTabStrip, "TabStrip1", "General|Position|Web", 90, 30, 3495, 1605),
      Place(ControlKind::kFrame, "Frame1(0)", "General", 120, 360, 3375, 1215),
      Place(ControlKind::kCheckBox, "Check1", "Case Sensitive", 240, 240, 1575, 255, 4,
            "Frame1(0)"),
      Place(ControlKind::kOptionButton, "Option1", "Top Left", 240, 600, 1335, 255, 5, "Frame1(0)"),
      Place(ControlKind::kOptionButton, "Option2", "Top Right", 1680, 600, 1215, 255, 6,
            "Frame1(0)"),
      Place(ControlKind::kTextBox, "Text1", "", 240, 900, 2895, 285, 7, "Frame1(0)"),
      Place(ControlKind::kFrame, "Frame1(1)", "Position", 120, 360, 3375, 1215, -1, "", false),
      Place(ControlKind::kOptionButton, "Option3", "Bottom Left", 240, 360, 1215, 255, 8,
            "Frame1(1)"),
      Place(ControlKind::kOptionButton, "Option4", "Bottom Right", 1680, 360, 1335, 255, 9,
            "Frame1(1)"),
      Place(ControlKind::kListBox, "List1", "", 3720, 120, 2160, 1800, 2),
      Place(ControlKind::kListBox, "List2", "", 3720, 2000, 2160, 1200, 3),
      Place(ControlKind::kButton, "Command1", "Add", 3720, 3300, 855, 285, 0),
      Place(ControlKind::kTextBox, "Text2", "", 120, 3300, 2535, 285, 1),
      Place(ControlKind::kLabel, "Label1", "Quickcommands:", 120, 3700, 1815, 255, 10),
      Place(ControlKind::kPictureBox, "Picture1", "", 4700, 3240, 1095, 1215),
  };
  return design;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureApplication();
    window_ = std::make_unique<platform::QtWindow>(Design());
  }

  template <typename T>
  T& Get(const std::string& name) {
    T* control = window_->Find<T>(name);
    if (control == nullptr) {
      throw std::logic_error("no control " + name);
    }
    return *control;
  }
  platform::QtControlBase& Handle(const std::string& name) {
    return Get<platform::QtControlBase>(name);
  }
  template <typename W>
  W* Widget(const std::string& name) {
    return qobject_cast<W*>(Handle(name).Widget());
  }

  // The controls' focus widgets in the order the Tab key visits them, over
  // one round of the window's focus chain.
  std::vector<std::string> FocusChain(const std::vector<std::string>& names) {
    std::vector<std::string> order;
    QWidget* start = window_->Widget();
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
      for (const std::string& name : names) {
        if (Handle(name).FocusWidget() == w && (w->focusPolicy() & Qt::TabFocus) != 0) {
          order.push_back(name);
        }
      }
    }
    return order;
  }

  std::unique_ptr<platform::QtWindow> window_;
};

void SendMouse(QWidget* target, QEvent::Type type, QPoint at) {
  QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

void ClickAt(QWidget* target, QPoint at) {
  SendMouse(target, QEvent::MouseButtonPress, at);
  SendMouse(target, QEvent::MouseButtonRelease, at);
}

void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent down(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(target, &up);
}

// --- List box ---

TEST_F(ControlsTest, AListSelectsByCodeAndRaisesClickOnlyForAChange) {
  platform::ListBox& list = Get<platform::ListBox>("List1");
  int clicks = 0;
  list.Click = [&] { ++clicks; };
  for (const char* row : {"C:\\Games\\run.exe", "", "www.example.org"}) {
    list.AddItem(row);
  }
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.List(1), "");
  EXPECT_EQ(list.List(3), "");
  EXPECT_EQ(list.ListIndex(), -1);  // adding rows selects nothing
  EXPECT_EQ(clicks, 0);

  list.SetListIndex(2);
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(clicks, 1);
  list.SetListIndex(2);
  EXPECT_EQ(clicks, 1);
  list.SetListIndex(7);  // out of range: nothing
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(clicks, 1);
  list.SetListIndex(-1);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(clicks, 2);

  list.SetListIndex(0);
  list.SetList(0, "D:\\Music");
  EXPECT_EQ(list.List(0), "D:\\Music");
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_EQ(list.ListCount(), 3);
}

TEST_F(ControlsTest, RemovingRowsKeepsTheSelectionOnItsRowWithoutAClick) {
  platform::ListBox& list = Get<platform::ListBox>("List1");
  for (const char* row : {"a", "b", "c", "d"}) {
    list.AddItem(row);
  }
  int clicks = 0;
  list.SetListIndex(2);
  list.Click = [&] { ++clicks; };

  list.RemoveItem(0);  // above the selection: "c" stays selected
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(list.List(list.ListIndex()), "c");
  list.RemoveItem(2);  // below it
  EXPECT_EQ(list.ListIndex(), 1);
  list.RemoveItem(5);  // out of range
  EXPECT_EQ(list.ListCount(), 2);
  list.RemoveItem(1);  // the selected row itself: nothing is selected
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.ListCount(), 1);
  EXPECT_EQ(list.List(0), "b");
  EXPECT_EQ(clicks, 0);

  list.SetListIndex(0);
  EXPECT_EQ(clicks, 1);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, TwoListsThatFollowEachOthersSelectionSettleOnOneRow) {
  // The editor's two lists: a click in one selects the same row in the other.
  platform::ListBox& targets = Get<platform::ListBox>("List1");
  platform::ListBox& names = Get<platform::ListBox>("List2");
  for (int i = 0; i < 5; ++i) {
    targets.AddItem("target " + std::to_string(i));
    names.AddItem("name " + std::to_string(i));
  }
  int targetClicks = 0;
  int nameClicks = 0;
  targets.Click = [&] {
    ++targetClicks;
    names.SetListIndex(targets.ListIndex());
  };
  names.Click = [&] {
    ++nameClicks;
    targets.SetListIndex(names.ListIndex());
  };

  names.SetListIndex(3);
  EXPECT_EQ(targets.ListIndex(), 3);
  EXPECT_EQ(nameClicks, 1);
  EXPECT_EQ(targetClicks, 1);

  window_->Show();
  auto* view = Widget<QListWidget>("List1");
  ClickAt(view->viewport(), view->visualItemRect(view->item(1)).center());
  EXPECT_EQ(targets.ListIndex(), 1);
  EXPECT_EQ(names.ListIndex(), 1);
  EXPECT_EQ(targetClicks, 2);
  EXPECT_EQ(nameClicks, 2);
}

TEST_F(ControlsTest, AUserClickOnARowIsAClickEvenOnTheSelectedRow) {
  platform::ListBox& list = Get<platform::ListBox>("List1");
  for (const char* row : {"a", "b", "c"}) {
    list.AddItem(row);
  }
  window_->Show();
  int clicks = 0;
  list.Click = [&] { ++clicks; };
  auto* view = Widget<QListWidget>("List1");
  const QPoint second = view->visualItemRect(view->item(1)).center();

  ClickAt(view->viewport(), second);
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(clicks, 1);
  ClickAt(view->viewport(), second);  // again: copies the row's texts again
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(clicks, 2);
  // Below the last row: the selection stays and nothing is reported.
  ClickAt(view->viewport(), QPoint(5, view->viewport()->height() - 3));
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, KeysInAListReachItsHandlerFirstAndArrowsSelect) {
  platform::ListBox& list = Get<platform::ListBox>("List1");
  for (const char* row : {"a", "b", "c"}) {
    list.AddItem(row);
  }
  window_->Show();
  list.SetListIndex(0);
  std::vector<std::string> events;
  list.KeyDown = [&](int key, int shift) {
    events.push_back("key " + std::to_string(key) + " " + std::to_string(shift) + " at " +
                     std::to_string(list.ListIndex()));
  };
  list.Click = [&] { events.push_back("click at " + std::to_string(list.ListIndex())); };
  auto* view = Widget<QListWidget>("List1");

  PressKey(view, Qt::Key_Down);
  PressKey(view, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(events, (std::vector<std::string>{"key 40 0 at 0", "click at 1", "key 46 1 at 1"}));
  EXPECT_EQ(list.ListCount(), 3);  // the list itself does nothing with Delete
}

// --- Option buttons, check box ---

TEST_F(ControlsTest, OptionButtonsExcludeEachOtherOnlyWithinTheirFrame) {
  std::vector<std::string> clicks;
  for (const char* name : {"Option1", "Option2", "Option3", "Option4"}) {
    Get<platform::OptionButton>(name).Click = [&clicks, name] { clicks.emplace_back(name); };
  }
  auto value = [&](const char* name) { return Get<platform::OptionButton>(name).Value(); };
  EXPECT_FALSE(value("Option1") || value("Option2") || value("Option3") || value("Option4"));

  Get<platform::OptionButton>("Option1").SetValue(true);
  Get<platform::OptionButton>("Option4").SetValue(true);
  EXPECT_TRUE(value("Option1"));
  EXPECT_TRUE(value("Option4"));  // another frame: both stay selected

  Get<platform::OptionButton>("Option2").SetValue(true);
  EXPECT_FALSE(value("Option1"));
  EXPECT_TRUE(value("Option2"));
  EXPECT_TRUE(value("Option4"));
  Get<platform::OptionButton>("Option2").SetValue(true);  // already selected
  EXPECT_EQ(clicks, (std::vector<std::string>{"Option1", "Option4", "Option2"}));

  // A user's click selects as well and clears its neighbour.
  window_->Show();
  Widget<QRadioButton>("Option3")->click();
  EXPECT_TRUE(value("Option3"));
  EXPECT_FALSE(value("Option4"));
  EXPECT_TRUE(value("Option2"));
  EXPECT_EQ(clicks.back(), "Option3");

  // Clearing the selected one leaves its frame with none, silently.
  clicks.clear();
  Get<platform::OptionButton>("Option3").SetValue(false);
  EXPECT_FALSE(value("Option3"));
  EXPECT_FALSE(value("Option4"));
  EXPECT_TRUE(clicks.empty());
}

TEST_F(ControlsTest, ACheckBoxRaisesClickForEveryChangeOfItsValue) {
  platform::CheckBox& box = Get<platform::CheckBox>("Check1");
  std::vector<int> seen;
  box.Click = [&] { seen.push_back(box.Value()); };
  EXPECT_EQ(box.Value(), 0);
  box.SetValue(1);
  box.SetValue(1);
  box.SetValue(0);
  box.SetValue(2);  // any other value checks it
  EXPECT_EQ(box.Value(), 1);
  window_->Show();
  Widget<QCheckBox>("Check1")->click();
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 1, 0}));
  EXPECT_EQ(box.Caption(), "Case Sensitive");
}

// --- Tab strip, frames ---

TEST_F(ControlsTest, TheTabStripTakesItsTabsFromTheCaptionAndReportsEveryClick) {
  platform::TabStrip& strip = Get<platform::TabStrip>("TabStrip1");
  ASSERT_EQ(strip.TabCount(), 3);
  EXPECT_EQ(strip.TabCaption(0), "General");
  EXPECT_EQ(strip.TabCaption(2), "Web");
  EXPECT_EQ(strip.SelectedIndex(), 0);

  std::vector<int> clicks;
  strip.Click = [&] { clicks.push_back(strip.SelectedIndex()); };
  strip.SetSelectedIndex(2);
  strip.SetSelectedIndex(2);
  strip.SetSelectedIndex(3);  // no such tab
  EXPECT_EQ(clicks, std::vector<int>{2});

  window_->Show();
  QTabBar* bar = dynamic_cast<platform::QtTabStrip&>(strip).Bar();
  ClickAt(bar, bar->tabRect(1).center());
  ClickAt(bar, bar->tabRect(1).center());  // the selected tab: still a click
  EXPECT_EQ(clicks, (std::vector<int>{2, 1, 1}));
  EXPECT_EQ(strip.SelectedIndex(), 1);
}

TEST_F(ControlsTest, AFrameHoldsItsControlsWhereverItIsAndHidesThemWithIt) {
  window_->Show();
  platform::Frame& general = Get<platform::Frame>("Frame1(0)");
  platform::Frame& position = Get<platform::Frame>("Frame1(1)");
  EXPECT_EQ(general.Caption(), "General");
  EXPECT_TRUE(general.Visible());
  // Hidden by its design, with what it holds.
  EXPECT_FALSE(position.Visible());
  EXPECT_FALSE(Handle("Option3").Widget()->isVisible());

  // Controls in a frame are placed from the frame's corner: frame at (120,
  // 360) twips, box at (240, 900) in it, 15 twips a pixel.
  QWidget* box = Handle("Text1").Widget();
  EXPECT_EQ(box->mapTo(window_->Widget(), QPoint(0, 0)), QPoint(8 + 16, 24 + 60));
  EXPECT_EQ(box->size(), QSize(193, 19));

  general.SetVisible(false);
  position.SetVisible(true);
  EXPECT_FALSE(general.Visible());
  EXPECT_FALSE(box->isVisible());
  EXPECT_FALSE(Handle("Check1").Widget()->isVisible());
  EXPECT_TRUE(Handle("Option3").Widget()->isVisible());
  // Hidden controls cannot take the focus.
  EXPECT_FALSE(Get<platform::TextBox>("Text1").SetFocus());
  general.SetVisible(true);
  EXPECT_TRUE(box->isVisible());
  EXPECT_TRUE(Get<platform::TextBox>("Text1").SetFocus());
}

TEST_F(ControlsTest, AContainerMustBeAFrameListedBeforeItsControls) {
  platform::FormDesign design = Design();
  design.controls.push_back(Place(ControlKind::kLabel, "Label9", "x", 0, 0, 10, 10, -1, "Frame7"));
  EXPECT_THROW(platform::QtWindow{design}, std::invalid_argument);

  design = Design();
  design.controls.push_back(Place(ControlKind::kLabel, "Label9", "x", 0, 0, 10, 10, -1, "List1"));
  EXPECT_THROW(platform::QtWindow{design}, std::invalid_argument);

  design = Design();
  std::swap(design.controls[1], design.controls[2]);  // Check1 before its frame
  EXPECT_THROW(platform::QtWindow{design}, std::invalid_argument);
}

// --- Tab order ---

TEST_F(ControlsTest, TheTabKeyFollowsTheTabIndexesAndAMovedIndexShiftsTheRest) {
  const std::vector<std::string> focusable = {"Command1", "Text2",   "List1",    "List2",
                                              "Check1",   "Option1", "Option2",  "Text1",
                                              "Option3",  "Option4", "TabStrip1"};
  EXPECT_EQ(FocusChain(focusable),
            (std::vector<std::string>{"Command1", "Text2", "List1", "List2", "Check1", "Option1",
                                      "Option2", "Text1", "Option3", "Option4"}));

  // Put the name box first, as the editor does when the target box is
  // filled: everything before its old place moves one on.
  Get<platform::TextBox>("Text1").SetTabIndex(0);
  EXPECT_EQ(Handle("Text1").TabIndex(), 0);
  EXPECT_EQ(Handle("Command1").TabIndex(), 1);
  EXPECT_EQ(Handle("Check1").TabIndex(), 5);
  EXPECT_EQ(Handle("Option2").TabIndex(), 7);
  EXPECT_EQ(Handle("Option3").TabIndex(), 8);  // after the moved one: unchanged
  EXPECT_EQ(Handle("Label1").TabIndex(), 10);

  // Out of the order: Tab passes it by, a click still reaches it.
  Get<platform::ListBox>("List2").SetTabIndex(-1);
  EXPECT_EQ(Handle("List2").TabIndex(), -1);
  EXPECT_EQ(Handle("Label1").TabIndex(), 9);
  EXPECT_NE(Handle("List2").Widget()->focusPolicy() & Qt::ClickFocus, 0);
  EXPECT_EQ(FocusChain(focusable),
            (std::vector<std::string>{"Text1", "Command1", "Text2", "List1", "Check1", "Option1",
                                      "Option2", "Option3", "Option4"}));

  // Back in, beyond the end: it goes last.
  Get<platform::ListBox>("List2").SetTabIndex(99);
  EXPECT_EQ(Handle("List2").TabIndex(), 10);
  EXPECT_EQ(FocusChain(focusable).back(), "List2");
}

TEST_F(ControlsTest, ShowingTheWindowFocusesTheFirstControlThatCanTakeIt) {
  Get<platform::TextBox>("Text2").SetTabIndex(0);
  window_->Show();
  EXPECT_EQ(window_->Widget()->focusWidget(), Handle("Text2").Widget());

  // Disabled or hidden controls are passed over.
  auto second = std::make_unique<platform::QtWindow>(Design());
  second->Find<platform::Button>("Command1")->SetEnabled(false);
  second->Find<platform::TextBox>("Text2")->SetVisible(false);
  second->Show();
  EXPECT_EQ(second->Widget()->focusWidget(),
            dynamic_cast<platform::QtControlBase*>(second->FindControl("List1"))->Widget());
}

// --- Buttons, pictures ---

TEST_F(ControlsTest, AButtonIsPressedByMouseSpaceAndEnter) {
  platform::Button& button = Get<platform::Button>("Command1");
  int clicks = 0;
  button.Click = [&] { ++clicks; };
  window_->Show();
  auto* widget = Widget<QPushButton>("Command1");
  widget->click();
  PressKey(widget, Qt::Key_Space);
  PressKey(widget, Qt::Key_Return);
  EXPECT_EQ(clicks, 3);
  button.SetCaption("Remove");
  EXPECT_EQ(widget->text(), "Remove");
}

TEST_F(ControlsTest, APictureBoxShowsPixelsOrAnImageFile) {
  auto& box = dynamic_cast<platform::QtPictureBox&>(Get<platform::PictureBox>("Picture1"));
  box.SetPicture({2, 1, {255, 0, 0, 255, 0, 0, 255, 128}});
  QImage shown = box.Image();
  ASSERT_EQ(shown.size(), QSize(2, 1));
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(255, 0, 0, 255));
  EXPECT_EQ(shown.pixelColor(1, 0).blue(), 255);
  EXPECT_EQ(shown.pixelColor(1, 0).alpha(), 128);

  box.SetPicture({2, 2, {1, 2, 3, 4}});  // too few bytes for its size
  EXPECT_TRUE(box.Image().isNull());

  testing::TempFolder folder;
  QImage picture(68, 79, QImage::Format_RGB32);
  picture.fill(QColor(10, 200, 30));
  const std::string path = folder / "mirelo.png";
  ASSERT_TRUE(picture.save(QString::fromStdString(path)));
  EXPECT_TRUE(box.LoadPicture(path));
  EXPECT_EQ(box.Image().size(), QSize(68, 79));
  EXPECT_EQ(box.Image().pixelColor(5, 5), QColor(10, 200, 30));

  const std::string text = folder.Write("not-a-picture.bmp", "hello");
  EXPECT_FALSE(box.LoadPicture(text));
  EXPECT_TRUE(box.Image().isNull());
}

// --- The window ---

TEST_F(ControlsTest, ClosingAsksQueryUnloadThenUnloadsFromTheEventLoop) {
  window_->Show();
  bool allow = false;
  int unloads = 0;
  window_->QueryUnload = [&] { return allow; };
  window_->Unload = [&] {
    ++unloads;
    window_.reset();  // a dialog is destroyed when it unloads
  };

  window_->Close();
  testing::Pump(50);
  EXPECT_TRUE(window_->Visible());
  EXPECT_EQ(unloads, 0);

  allow = true;
  window_->Close();
  EXPECT_FALSE(window_->Visible());
  EXPECT_EQ(unloads, 0);  // not inside the close itself
  EXPECT_TRUE(testing::PumpUntil([&] { return unloads == 1; }, 2000));
  EXPECT_EQ(window_, nullptr);
  testing::Pump(20);
  EXPECT_EQ(unloads, 1);
}

TEST_F(ControlsTest, AToolDialogsRectangleIsTheOuterOneBeforeAndAfterShowing) {
  QWidget* widget = window_->Widget();
  EXPECT_EQ(widget->size(), QSize(400, 300));  // the client area as designed
  EXPECT_EQ(widget->minimumSize(), widget->maximumSize());
  const float frameWidth = window_->Width() - 6000;
  const float frameHeight = window_->Height() - 4500;
  EXPECT_GE(frameHeight, 0);

  window_->SetLeft(1500);
  window_->SetTop(1200);
  window_->SetHeight(3000);
  EXPECT_EQ(window_->Height(), 3000);
  EXPECT_EQ(static_cast<float>(widget->height()) * 15 + frameHeight, 3000);

  // Showing puts the frame where it was asked for, at the size it was given.
  window_->Show();
  EXPECT_EQ(window_->Left(), 1500);
  EXPECT_EQ(window_->Top(), 1200);
  EXPECT_EQ(window_->Width(), 6000 + frameWidth);
  EXPECT_EQ(window_->Height(), 3000);

  // The smallest window is its frame around one pixel; the user cannot
  // resize it.
  window_->SetHeight(1);
  EXPECT_EQ(window_->Height(), frameHeight + 15);
  EXPECT_EQ(widget->minimumSize(), widget->maximumSize());
}

// --- Modal boxes and the file dialog ---

// Runs `answer` on the next modal window once the event loop of its own
// has put it up.
void WhenModal(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      answer(modal);
    }
  });
  poll->start();
}

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }
  void TearDown() override { std::filesystem::current_path(originalFolder_); }

  std::filesystem::path originalFolder_ = std::filesystem::current_path();
};

TEST_F(ToolkitTest, MessageBoxesCarryTitleAndTextAndBreakLinesAtCR) {
  platform::QtToolkit ui;
  QString title;
  QString text;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    EXPECT_EQ(box->buttons().size(), 1);
    box->button(QMessageBox::Ok)->click();
  });
  ui.MessageBoxOk("'C:\\Nowhere\\x.txt'\ris not a valid command.", "Tarvolin");
  EXPECT_EQ(title, "Tarvolin");
  EXPECT_EQ(text, "'C:\\Nowhere\\x.txt'\nis not a valid command.");
}

TEST_F(ToolkitTest, YesIsTheDefaultAnswerAndDismissingMeansNo) {
  platform::QtToolkit ui;
  QString text;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text();
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
    PressKey(box, Qt::Key_Return);
  });
  EXPECT_EQ(ui.MessageBoxYesNo("'play'already exists.\r\nChange file to: x ???", "Tarvolin"),
            platform::MessageBoxAnswer::kYes);
  EXPECT_EQ(text, "'play'already exists.\nChange file to: x ???");

  WhenModal(
      [](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click(); });
  EXPECT_EQ(ui.MessageBoxYesNo("?", "Tarvolin"), platform::MessageBoxAnswer::kNo);

  WhenModal([](QWidget* modal) { PressKey(modal, Qt::Key_Escape); });
  EXPECT_EQ(ui.MessageBoxYesNo("?", "Tarvolin"), platform::MessageBoxAnswer::kNo);
}

TEST_F(ToolkitTest, TheFileDialogStartsInTheCurrentFolderOrAtTheLastFile) {
  platform::QtToolkit ui;
  testing::TempFolder folder;
  const std::string first = folder.Write("Games/run.exe", "x");
  const std::string second = folder.Write("Games/other.exe", "y");
  std::filesystem::current_path(folder / "Games");

  QString startFolder;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    startFolder = dialog->directory().absolutePath();
    dialog->selectFile(QString::fromStdString(second));
    static_cast<QDialog*>(dialog)->accept();  // as its Open button does
  });
  EXPECT_EQ(ui.ShowOpenDialog("", ""), second);
  EXPECT_EQ(startFolder, QDir(QString::fromStdString(folder / "Games")).absolutePath());

  // Started at the last file and cancelled: nothing is chosen.
  QStringList selected;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    selected = dialog->selectedFiles();
    dialog->reject();
  });
  EXPECT_EQ(ui.ShowOpenDialog("", first), "");
  EXPECT_EQ(selected, QStringList{QString::fromStdString(first)});
}

}  // namespace
}  // namespace tarvolin
