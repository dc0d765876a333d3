// Controls of a form, each a Qt widget behind the program's control
// interfaces.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <string>

#include "platform/ui.h"

namespace tarvolin::platform {

// Positions in a UTF-8 text count characters; a QString counts UTF-16 units.
int CharIndexToQt(const QString& text, int charIndex);
int QtIndexToChar(const QString& text, int qtIndex);
QString ToQString(const std::string& utf8);
std::string FromQString(const QString& text);

// The virtual key code of a Qt key, or 0 for keys without one.
int VirtualKeyOf(int qtKey);

class LineEdit;

class QtTextBox : public TextBox {
 public:
  QtTextBox(const ControlDesign& design, QWidget* parent);

  const std::string& Name() const override { return name_; }
  bool SetFocus() override;
  void Refresh() override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetTabIndex(int index) override { tabIndex_ = index; }

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override;
  void SetSelStart(int start) override;
  int SelLength() const override;
  void SetSelLength(int length) override;

  QWidget* Widget() const;
  int TabIndex() const { return tabIndex_; }

 private:
  std::string name_;
  int tabIndex_;
  LineEdit* edit_;
};

class QtLabel : public Control {
 public:
  QtLabel(const ControlDesign& design, QWidget* parent);

  const std::string& Name() const override { return name_; }
  bool SetFocus() override { return false; }
  void Refresh() override { label_->repaint(); }
  void SetVisible(bool visible) override { label_->setVisible(visible); }
  void SetEnabled(bool enabled) override { label_->setEnabled(enabled); }
  void SetTabIndex(int) override {}

  std::string Caption() const;
  void SetCaption(const std::string& caption);

 private:
  std::string name_;
  QLabel* label_;
};

}  // namespace tarvolin::platform
