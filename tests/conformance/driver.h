// One front end of the bar with the rules behind it, driven as a user
// drives it: keys, clicks and pastes go in through the front end's own
// event path (a key event, a window message), and what is read comes back
// from its own widgets. The same scenarios run against every front end.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bar/rules.h"
#include "core/geometry.h"
#include "support/recording_shell.h"

namespace tarvolin::conformance {

// What the editor's buttons and lists do, as a click on them.
enum class EditorAction { kAdd, kRemove, kBrowse };

class Driver {
 public:
  virtual ~Driver() = default;

  // Makes the bar's windows and starts the rules: placed and shown.
  virtual void Start() = 0;
  // The whole line replaced at once, as a paste over a selected line is.
  virtual void Paste(const std::string& text) = 0;
  // The key goes down in the box.
  virtual void Press(bar::Key key) = 0;
  // A click with the left button in the box.
  virtual void Click() = 0;
  virtual std::string Text() = 0;
  // In UTF-16 units; with nothing selected the start is the caret.
  virtual int SelectionStart() = 0;
  virtual int SelectionLength() = 0;

  // The list unrolled from the bar: the candidates of its rows as shown,
  // the marked one in brackets; empty while it is not shown. A click on a
  // row, counted from the top row shown.
  virtual std::vector<std::string> ListRows() = 0;
  virtual void ClickListRow(int row) = 0;
  // The list's frame on the screen: its top left corner and its size.
  virtual std::pair<Point, Size> ListFrame() = 0;

  virtual Point BarPlace() = 0;
  // Another program moves the bar.
  virtual void MoveBar(Point place) = 0;
  virtual bool BarShown() = 0;
  // The notification area goes away, or starts afresh.
  virtual void EndTray() = 0;
  // A panel `height` pixels high takes the top of the screen and reserves
  // its space (a strut); false where the driver cannot have one.
  virtual bool ReservePanel(int height) = 0;

  virtual bool DialogOpen(Dialog dialog) = 0;
  // The user closes the dialog's window.
  virtual void CloseDialog(Dialog dialog) = 0;
  // The editor: its target and name boxes as shown; a box typed into; a
  // button clicked; a row clicked in the list of targets.
  virtual std::vector<std::string> EditorBoxes() = 0;
  virtual void TypeInEditor(bool nameBox, const std::string& text) = 0;
  virtual void ClickInEditor(EditorAction action) = 0;
  virtual void PickEditorRow(int row) = 0;

  // The 750 ms tick, then whatever the front end has pending.
  virtual void Tick() = 0;
  virtual bar::BarRules& Rules() = 0;
};

// What a driver is made with: the program folder, where tv.ini and
// files.cfg are; the clock the rules read; the shell they start things
// through; answers for the file dialog, in order.
struct Setup {
  std::string programFolder;
  const double* clock = nullptr;
  testing::RecordingShell* shell = nullptr;
  std::vector<std::string> fileChoices;
};

// Each front end's suite defines this.
std::unique_ptr<Driver> MakeDriver(const Setup& setup);

// What the rules are given in every driver: these files, the setup's
// clock and shell, no programs on PATH, and jobs run at once.
// The rows as ListRows gives them.
inline std::vector<std::string> RowsOf(const bar::CandidateList& list) {
  std::vector<std::string> rows;
  for (const bar::ListRow& row : list.rows) {
    rows.push_back(static_cast<int>(rows.size()) == list.current ? "[" + row.text + "]" : row.text);
  }
  return rows;
}

inline bar::System SystemFor(sys::FileSystem& files, sys::ProfileStore& profile,
                             const Setup& setup) {
  bar::System system{files, profile, *setup.shell};
  system.clock = [clock = setup.clock] { return *clock; };
  system.programs = [] { return std::vector<std::string>(); };
  system.runAside = [](const std::function<void()>& job) { job(); };
  system.calculate = bar::Calculate;
  return system;
}

}  // namespace tarvolin::conformance
