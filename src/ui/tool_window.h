// What the dialogs share: a fixed-size tool window with a close box only
// and no task-bar entry, whose content keeps its designed size while the
// window unrolls out of the bar.
#pragma once

#include <QWidget>

#include "core/geometry.h"
#include "platform/desktop.h"

namespace tarvolin::ui {

class ToolWindow : public QWidget {
  Q_OBJECT
 public:
  // Destroyed once closed.
  ToolWindow(const QString& caption, QSize clientSize);

  // The widget the dialog lays its controls out in.
  QWidget* Body() { return body_; }

  // Shows the window next to the bar (at `barFrame`) and unrolls it: it
  // starts as a strip and grows in steps, repainting after each. A window
  // that is already shown collapses and unrolls again from its current
  // height. Where the desktop places dialogs itself, it shows whole where
  // it would end. Then it is activated and `FirstFocus()` gets the focus.
  void RollOut(const QRect& barFrame, int corner, platform::Desktop& desktop);

 signals:
  // The user closed the window; it is hidden and destroyed right after.
  void Closed();

 protected:
  // The control that has the focus when the dialog opens.
  virtual QWidget* FirstFocus() = 0;

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The outer height for a client height, frame included.
  int OuterHeight(int clientHeight) const;
  void SetOuterHeight(int outerHeight);
  // The steps, each shown.
  void PlayRollOut(const RollOutPlan& plan);

  QWidget* body_;
};

}  // namespace tarvolin::ui
