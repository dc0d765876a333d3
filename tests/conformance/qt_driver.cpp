// The scenarios against the Qt bar on a display of its own (Xvfb, openbox
// and trayer): keys and clicks as events to its widgets.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "app.h"
#include "conformance/driver.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "ui/text.h"

namespace tarvolin::conformance {
namespace {

QApplication& Qt() {
  static int argc = 1;
  static char name[] = "conformance_qt";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

class QtDriver : public Driver {
 public:
  explicit QtDriver(const Setup& setup)
      : files_(setup.programFolder), app_(SystemFor(files_, profile_, setup), prompter_) {
    QStringList answers;
    for (const std::string& choice : setup.fileChoices) {
      answers << ui::FromUtf8(choice);
    }
    prompter_.AnswerInAdvance(answers);
    app_.endProcess = [] {};
  }
  ~QtDriver() override {
    if (trayEnded_) {
      // The next scenario gets a notification area again.
      qint64 pid = 0;
      QProcess::startDetached("trayer",
                              {"--edge", "top", "--align", "left", "--widthtype", "pixel",
                               "--width", "120", "--height", "24", "--SetDockType", "true"},
                              {}, &pid);
      qputenv("TARVOLIN_TRAY_PID", QByteArray::number(pid));
      QTest::qWait(500);
    }
  }

  void Start() override {
    app_.Start();
    EXPECT_TRUE(QTest::qWaitFor([this] { return app_.Bar().isVisible(); }, 5000));
    Settle();
  }
  void Paste(const std::string& text) override {
    Box().selectAll();
    Box().insert(ui::FromUtf8(text));
    Settle();
  }
  void Press(bar::Key key) override {
    // The key a user presses for each of the rules' keys, in their order.
    static constexpr Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Return, Qt::Key_Escape,
                                        Qt::Key_Up,     Qt::Key_Down,   Qt::Key_F1,
                                        Qt::Key_F2,     Qt::Key_F3,     Qt::Key_F10,
                                        Qt::Key_Tab,    Qt::Key_Space,  Qt::Key_Backtab};
    const bool shift = key == bar::Key::kShiftEnter || key == bar::Key::kShiftTab;
    QTest::keyClick(&Box(), kKeys[static_cast<int>(key)],
                    shift ? Qt::ShiftModifier : Qt::NoModifier);
    Settle();
  }
  void Click() override {
    QTest::mouseClick(&Box(), Qt::LeftButton, {}, QPoint(5, 5));
    Settle();
  }
  std::string Text() override { return ui::ToUtf8(Box().text()); }
  int SelectionStart() override {
    return Box().hasSelectedText() ? Box().selectionStart() : Box().cursorPosition();
  }
  int SelectionLength() override { return Box().selectionLength(); }
  std::vector<std::string> ListRows() override {
    return app_.List().isVisible() ? RowsOf(app_.List().Shown()) : std::vector<std::string>();
  }
  void ClickListRow(int row) override {
    QTest::mouseClick(&app_.List(), Qt::LeftButton, {}, app_.List().RowCenter(row));
    Settle();
  }
  std::pair<Point, Size> ListFrame() override {
    const QRect frame = app_.List().geometry();
    return {{frame.x(), frame.y()}, {frame.width(), frame.height()}};
  }
  Point BarPlace() override { return {app_.Bar().x(), app_.Bar().y()}; }
  void MoveBar(Point place) override {
    app_.Bar().move(place.x, place.y);
    EXPECT_TRUE(QTest::qWaitFor([&] { return BarPlace() == place; }, 2000));
  }
  bool BarShown() override { return app_.Bar().isVisible(); }
  void EndTray() override {
    const char* pid = std::getenv("TARVOLIN_TRAY_PID");
    ASSERT_NE(pid, nullptr) << "no notification area to end";
    ::kill(std::atoi(pid), SIGTERM);
    trayEnded_ = true;
    // The bar looks for the notification area once a second.
    (void)QTest::qWaitFor([this] { return BarShown(); }, 5000);
  }
  bool ReservePanel(int height) override {
    panel_.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                            "100", "--height", QString::number(height), "--SetDockType", "true",
                            "--SetPartialStrut", "true"});
    return QTest::qWaitFor(
        [height] { return QGuiApplication::primaryScreen()->availableGeometry().top() == height; },
        10000);
  }
  bool DialogOpen(Dialog dialog) override { return app_.OpenDialog(dialog) != nullptr; }
  void CloseDialog(Dialog dialog) override {
    if (ui::ToolWindow* window = app_.OpenDialog(dialog)) {
      window->close();
    }
    Settle();
  }
  std::vector<std::string> EditorBoxes() override {
    return {ui::ToUtf8(EditorPart<QLineEdit>("targetBox")->text()),
            ui::ToUtf8(EditorPart<QLineEdit>("nameBox")->text())};
  }
  void TypeInEditor(bool nameBox, const std::string& text) override {
    QLineEdit* box = EditorPart<QLineEdit>(nameBox ? "nameBox" : "targetBox");
    box->selectAll();
    box->insert(ui::FromUtf8(text));
    Settle();
  }
  void ClickInEditor(EditorAction action) override {
    static const char* const kNames[] = {"add", "remove", "browse"};
    QTest::mouseClick(EditorPart<QPushButton>(kNames[static_cast<int>(action)]), Qt::LeftButton);
    Settle();
  }
  void PickEditorRow(int row) override {
    auto* list = EditorPart<QTableView>("targets");
    const QRect place = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    Settle();
  }
  void Tick() override {
    app_.Rules().OnTick();
    Settle();
  }
  bar::BarRules& Rules() override { return app_.Rules(); }

 private:
  ui::CommandBox& Box() { return app_.Bar().Box(); }
  template <typename T>
  T* EditorPart(const char* name) {
    ui::ToolWindow* editor = app_.OpenDialog(Dialog::kEditor);
    T* part = editor != nullptr ? editor->findChild<T*>(QLatin1String(name)) : nullptr;
    if (part == nullptr) {
      ADD_FAILURE() << "the editor has no " << name;
      std::abort();
    }
    return part;
  }
  // What the front end has pending: posted events and the window
  // manager's answers.
  static void Settle() { QTest::qWait(30); }

  QApplication& qt_ = Qt();
  sys::PosixFileSystem files_;
  sys::IniStore profile_;
  ui::Prompter prompter_;
  App app_;
  bool trayEnded_ = false;
  QProcess panel_;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver(const Setup& setup) {
  return std::make_unique<QtDriver>(setup);
}

}  // namespace tarvolin::conformance
