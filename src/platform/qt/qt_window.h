// A form's window through Qt.
#pragma once

#include <QMargins>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "platform/qt/qt_controls.h"
#include "platform/ui.h"

namespace tarvolin::platform {

class QtWindow;

// The top-level widget: reports activation, close requests and closing to
// its form.
class FormWidget : public QWidget {
 public:
  FormWidget(QtWindow& window, Qt::WindowFlags flags);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QtWindow& window_;
};

// A form's window built from its design table. Controls sit in the form's
// client area or in the frame their design names; the tab order follows the
// controls' tab indexes. A tool dialog has a fixed size that only the
// program changes.
class QtWindow : public Window {
 public:
  // Throws std::invalid_argument for a container that is not a frame listed
  // earlier in the table.
  explicit QtWindow(const FormDesign& design);
  ~QtWindow() override;

  float Left() const override;
  float Top() const override;
  float Width() const override;
  float Height() const override;
  void SetLeft(float twips) override;
  void SetTop(float twips) override;
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;

  // A tool dialog's first showing under a window manager waits (up to a
  // second, handling pending events other than user input) until the frame
  // is known, so the rectangle read afterwards is the framed one and the
  // window stands where Left and Top put its frame.
  // Gives the focus to the first control of the tab order when nothing in
  // the window has it yet.
  void Show() override;
  void Hide() override;
  void Close() override;
  bool Visible() const override;
  void Refresh() override;
  void SetTopMost() override;
  void Activate() override;

  Control* FindControl(const std::string& name) override;

  QWidget* Widget() const { return widget_.get(); }

 private:
  friend class FormWidget;

  // The frame around the client area, in pixels: the one the window system
  // reports once it has framed the window, before that its estimate.
  QMargins FrameMargins() const;
  void WaitForFrame();

  WindowStyle style_;
  std::unique_ptr<FormWidget> widget_;
  TabOrder tabOrder_;
  std::vector<std::unique_ptr<Control>> controls_;
  mutable std::optional<QMargins> estimatedFrame_;
};

}  // namespace tarvolin::platform
