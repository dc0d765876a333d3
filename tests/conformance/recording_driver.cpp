// The scenarios against the recording view: the rules alone, the measure
// the front ends are held to.
#include <deque>
#include <memory>

#include "conformance/driver.h"
#include "support/recording_view.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin::conformance {
namespace {

class RecordingDriver : public Driver {
 public:
  explicit RecordingDriver(const Setup& setup)
      : files_(setup.programFolder), rules_(SystemFor(files_, profile_, setup), view_) {
    view_.rules = &rules_;
    view_.answers.assign(setup.fileChoices.begin(), setup.fileChoices.end());
  }

  void Start() override {
    rules_.Start();
    rules_.OnShown();
  }
  void Paste(const std::string& text) override { view_.Type(text); }
  void Press(bar::Key key) override { rules_.OnKey(key); }
  void Click() override { rules_.OnBoxClicked(); }
  std::string Text() override { return view_.text; }
  int SelectionStart() override {
    return view_.selectionLength > 0 ? view_.selectionStart : view_.caret;
  }
  int SelectionLength() override { return view_.selectionLength; }
  std::vector<std::string> ListRows() override {
    return view_.list ? RowsOf(*view_.list) : std::vector<std::string>();
  }
  void ClickListRow(int row) override { rules_.OnListClicked(row); }
  std::pair<Point, Size> ListFrame() override {
    return view_.list ? std::pair(view_.list->place, view_.list->size) : std::pair<Point, Size>();
  }
  Point BarPlace() override { return view_.place; }
  void MoveBar(Point place) override { view_.place = place; }
  bool BarShown() override { return view_.shown; }
  void EndTray() override {
    view_.hasTray = false;
    rules_.OnTrayGone();
  }
  bool ReservePanel(int height) override {
    view_.metrics.workOrigin = {0, height};
    view_.metrics.screen.height -= height;
    return true;
  }
  bool DialogOpen(Dialog dialog) override { return rules_.IsOpen(dialog); }
  void CloseDialog(Dialog dialog) override { rules_.OnDialogClosed(dialog); }
  std::vector<std::string> EditorBoxes() override {
    return {rules_.Editor()->targetBox, rules_.Editor()->nameBox};
  }
  void TypeInEditor(bool nameBox, const std::string& text) override {
    (nameBox ? rules_.Editor()->nameBox : rules_.Editor()->targetBox) = text;
  }
  void ClickInEditor(EditorAction action) override {
    switch (action) {
      case EditorAction::kAdd:
        rules_.Editor()->Add();
        break;
      case EditorAction::kRemove:
        rules_.Editor()->Remove(row_);
        break;
      case EditorAction::kBrowse:
        rules_.Editor()->Browse();
        break;
    }
  }
  void PickEditorRow(int row) override {
    row_ = static_cast<std::size_t>(row);
    rules_.Editor()->ShowRow(row_);
  }
  void Tick() override { rules_.OnTick(); }
  bar::BarRules& Rules() override { return rules_; }

 private:
  sys::PosixFileSystem files_;
  sys::IniStore profile_;
  testing::RecordingView view_;
  bar::BarRules rules_;
  std::size_t row_ = 0;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver(const Setup& setup) {
  return std::make_unique<RecordingDriver>(setup);
}

}  // namespace tarvolin::conformance
