// The command bar: a borderless, always-on-top strip that its one text box
// fills.
#pragma once

#include <QLineEdit>
#include <QTimer>
#include <QWidget>

namespace tarvolin::ui {

// The bar's box: every key that goes down passes KeyDown first and is then
// handled as usual; a click is told once the box has handled it. After ten seconds
// without a key the caret stops blinking and stays shown, as desktop
// toolkits do, so an idle bar wakes nobody up; a key or the focus starts it
// again.
class CommandBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit CommandBox(QWidget* parent);

 signals:
  void KeyDown(int key, Qt::KeyboardModifiers modifiers);
  // A left click, once the box has placed its caret.
  void Clicked();

 protected:
  // Tab and Shift+Tab stay in the box: they complete the word under the
  // caret.
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void WakeCaret();

  QTimer caretRest_;
  int flashTime_ = 0;
};

class CommandBar : public QWidget {
  Q_OBJECT
 public:
  CommandBar();
  CommandBox& Box() { return *box_; }
  const CommandBox& Box() const { return *box_; }
  // Nothing typed or pasted is cut off; the bar refuses a line too long.
  // Setting the limit lays out the box's text, and so loads the fonts (some
  // 10 ms at start-up): it is done once the bar has been shown.
  void LiftLengthLimit();
  void setVisible(bool visible) override;

 signals:
  // The bar became the active window, or stopped being it.
  void Activated();
  void Deactivated();
  // The bar was moved, by the program or by anyone else.
  void Moved();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  CommandBox* box_;
  bool shownBefore_ = false;
};

}  // namespace tarvolin::ui
