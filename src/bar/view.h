// What the bar's rules ask of a front end: the command box, the bar's
// window, the dialogs, message boxes and the file dialog, and the timer.
// The front end draws and forwards; it decides nothing a user can see.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/geometry.h"
#include "core/interpreter.h"

namespace tarvolin::bar {

// The window a message box or the file dialog belongs to: a dialog, or the
// bar when none is given.
using Owner = std::optional<Dialog>;

// A message's text with each line ended as a toolkit's box wants: the
// program's texts end a line with CR, LF or CR LF.
std::string MessageText(const std::string& text, std::string_view lineBreak);

// Message boxes titled "Tarvolin" and the file-open dialog. Each waits for
// the user's answer.
class Prompts {
 public:
  virtual ~Prompts() = default;
  // An OK box. A CR, LF or CR LF starts a new line.
  virtual void Inform(Owner owner, const std::string& text) = 0;
  // A Yes/No box, Yes the default; true for Yes.
  virtual bool AskYesNo(Owner owner, const std::string& text) = 0;
  // The file-open dialog over all files, starting at `start` (a file or a
  // folder in the system's form): the chosen file, or empty when cancelled.
  virtual std::string OpenFile(Owner owner, const std::string& start) = 0;
};

// The sizes the bar is placed by. `screen` is the work area, the part of
// the primary screen that panels and task bars leave free, and
// `workOrigin` its top left corner: on a screen without them, the whole
// screen at 0, 0.
struct Metrics {
  Size bar;
  Size screen;
  float twipsPerPixel = 15;
  Point workOrigin = {};
};

// A row of the list unrolled from the bar: the candidate, what it is, and
// its icon (a themed icon's name or a file), empty where it has none.
struct ListRow {
  std::string text;
  std::string kind;
  std::string icon;
  bool operator==(const ListRow&) const = default;
};

// The list unrolled from the bar: the rows it shows, the one marked (-1 for
// none), and its frame on the screen in pixels. Each row is as high as the
// bar.
struct CandidateList {
  std::vector<ListRow> rows;
  int current = -1;
  Point place;
  Size size;
};

class View : public Prompts {
 public:
  // The command box. Positions and lengths count UTF-16 code units, as the
  // toolkits' text boxes do.
  virtual std::string Text() const = 0;
  // Replaces the text; the caret goes to its end and nothing is selected. A
  // change of the text reaches the rules as an edit.
  virtual void SetText(const std::string& text) = 0;
  virtual int SelectionLength() const = 0;
  virtual void Select(int start, int length) = 0;
  virtual int Caret() const = 0;
  virtual void SetCaret(int position) = 0;
  // The keyboard focus goes to the box.
  virtual void FocusBox() = 0;
  // Whether the box shows `text` whole, in its face and width.
  virtual bool FitsInBox(const std::string& text) const = 0;

  // The bar's window.
  virtual Metrics Measure() const = 0;
  // Moves the bar unless it stands there already.
  virtual void MoveBar(Point place) = 0;
  // Shows the bar; with `activate`, in front with the focus in its box.
  virtual void ShowBar(bool activate) = 0;
  // Whether the bar is shown and holds the keyboard focus.
  virtual bool BarInFront() const = 0;
  // Hides the bar behind its icon in the notification area; false, the bar
  // staying, when there is no notification area.
  virtual bool ToTray() = 0;
  // Hides the bar without an icon.
  virtual void HideBar() = 0;
  // Shows the bar, hides its icon, and puts it in front with the focus in
  // its box.
  virtual void Restore() = 0;

  // Shows the dialog next to the bar in `corner` and unrolls it (once more
  // when it is open); the dialog takes its model from the rules.
  virtual void RollOut(Dialog dialog, int corner) = 0;
  // Once the window that is closing is gone, the bar, when shown, is put in
  // front with the focus in its box.
  virtual void ReturnFocusToBar() = 0;

  // Shows the list in front of every window, or changes it, leaving the
  // keyboard focus in the box; a click on a row goes to the rules.
  virtual void ShowList(const CandidateList& list) = 0;
  virtual void HideList() = 0;

  // The 750 ms tick runs until the rules say it may stop.
  virtual void KeepTicking() = 0;
  // Ends the process at once, saving nothing.
  virtual void EndProcess() = 0;
};

}  // namespace tarvolin::bar
