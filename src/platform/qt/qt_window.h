// A form's window through Qt.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "platform/ui.h"

namespace tarvolin::platform {

class QtWindow;

// The top-level widget: reports activation and close requests to its form.
class FormWidget : public QWidget {
 public:
  FormWidget(QtWindow& window, Qt::WindowFlags flags);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QtWindow& window_;
};

class QtWindow : public Window {
 public:
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

  void Show() override;
  void Hide() override;
  bool Visible() const override;
  void Refresh() override;
  void SetTopMost() override;
  void Activate() override;

  Control* FindControl(const std::string& name) override;

  QWidget* Widget() const { return widget_.get(); }

 private:
  friend class FormWidget;

  // The frame's extra size around the client area, in pixels.
  QSize FrameExtra() const;

  WindowStyle style_;
  std::unique_ptr<FormWidget> widget_;
  std::vector<std::unique_ptr<Control>> controls_;
};

}  // namespace tarvolin::platform
