// Controls of a form, each a Qt widget behind the program's control
// interfaces.
#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

class QWidget;
class QLabel;
class QPushButton;
class QGroupBox;
class QCheckBox;
class QRadioButton;
class QTabBar;

namespace tarvolin::platform {

// Positions in a UTF-8 text count characters; a QString counts UTF-16 units.
int CharIndexToQt(const QString& text, int charIndex);
int QtIndexToChar(const QString& text, int qtIndex);
QString ToQString(const std::string& utf8);
std::string FromQString(const QString& text);

// The virtual key code of a Qt key, or 0 for keys without one.
int VirtualKeyOf(int qtKey);
// The shift state bits of Qt's keyboard modifiers.
int ShiftOf(Qt::KeyboardModifiers modifiers);

class TabOrder;

// What a form's window needs of each of its controls, whatever its kind.
class QtControlBase {
 public:
  QtControlBase(const ControlDesign& design, QWidget* widget, TabOrder* tabOrder);
  virtual ~QtControlBase() = default;
  QtControlBase(const QtControlBase&) = delete;
  QtControlBase& operator=(const QtControlBase&) = delete;

  // The widget placed on the form (or in its frame).
  QWidget* Widget() const { return widget_; }
  // The widget that takes the keyboard focus for the control.
  virtual QWidget* FocusWidget() const { return widget_; }
  // The control's place in the tab order, -1 when it takes no part in it.
  int TabIndex() const { return tabIndex_; }

 protected:
  bool FocusControl();
  void MoveInTabOrder(int index);

  std::string name_;
  QWidget* widget_;

 private:
  friend class TabOrder;
  TabOrder* tabOrder_;
  int tabIndex_;
  Qt::FocusPolicy focusPolicy_ = Qt::NoFocus;  // as the widget came, before the tab order
};

// The keyboard focus order of one form's controls. Setting a control's tab
// index puts it at that place and moves the others behind it along, so the
// indexes always run 0, 1, 2, ... over the controls that take part. Controls
// that cannot take the focus (labels, frames) keep their place in the
// numbering but are skipped by the focus.
class TabOrder {
 public:
  // Takes a control; `Arrange` orders what was added.
  void Add(QtControlBase& control);
  // Orders the controls by their design indexes (ties in the order added)
  // and hands the order to the widgets.
  void Arrange();
  // Puts the control at place `index` (the last place when beyond it), or
  // takes it out of the order with a negative index.
  void Move(QtControlBase& control, int index);
  // The first control in the order that can take the focus now.
  QWidget* FirstFocusable() const;

 private:
  void Apply();

  std::vector<QtControlBase*> all_;
  std::vector<QtControlBase*> order_;
};

// The common part of the Control interface for each kind of control.
template <typename Interface>
class QtControl : public Interface, public QtControlBase {
 public:
  const std::string& Name() const override { return name_; }
  bool SetFocus() override { return FocusControl(); }
  void Refresh() override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetTabIndex(int index) override { MoveInTabOrder(index); }

 protected:
  QtControl(const ControlDesign& design, QWidget* widget, TabOrder* tabOrder)
      : QtControlBase(design, widget, tabOrder) {}
};

// Builds the control of a design row inside `parent`.
std::unique_ptr<Control> CreateQtControl(const ControlDesign& design, QWidget* parent,
                                         TabOrder* tabOrder);

class LineEdit;

class QtTextBox : public QtControl<TextBox> {
 public:
  QtTextBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelStart() const override;
  void SetSelStart(int start) override;
  int SelLength() const override;
  void SetSelLength(int length) override;

 private:
  LineEdit* edit_;
};

class QtLabel : public QtControl<Label> {
 public:
  QtLabel(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;

 private:
  QLabel* label_;
};

class QtButton : public QtControl<Button> {
 public:
  QtButton(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;

 private:
  QPushButton* button_;
};

class ListWidget;

class QtListBox : public QtControl<ListBox> {
 public:
  QtListBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  void AddItem(const std::string& text) override;
  void RemoveItem(int index) override;
  void Clear() override;
  int ListCount() const override;
  std::string List(int index) const override;
  void SetList(int index, const std::string& text) override;
  int ListIndex() const override;
  void SetListIndex(int index) override;

 private:
  friend class ListWidget;
  void SelectQuietly(int index);

  ListWidget* list_;
  bool quiet_ = false;  // selection changes made by removal raise no Click
};

class QtFrame : public QtControl<Frame> {
 public:
  QtFrame(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  bool Visible() const override;

 private:
  QGroupBox* box_;
};

class QtCheckBox : public QtControl<CheckBox> {
 public:
  QtCheckBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  int Value() const override;
  void SetValue(int value) override;

 private:
  QCheckBox* box_;
};

class QtOptionButton : public QtControl<OptionButton> {
 public:
  QtOptionButton(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  bool Value() const override;
  void SetValue(bool value) override;

 private:
  QRadioButton* button_;
};

class QtTabStrip : public QtControl<TabStrip> {
 public:
  QtTabStrip(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  QWidget* FocusWidget() const override;
  int TabCount() const override;
  std::string TabCaption(int index) const override;
  int SelectedIndex() const override;
  void SetSelectedIndex(int index) override;

  QTabBar* Bar() const { return bar_; }

 private:
  QTabBar* bar_;
};

class QtPictureBox : public QtControl<PictureBox> {
 public:
  QtPictureBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder = nullptr);

  bool LoadPicture(const std::string& path) override;
  void SetPicture(const Picture& picture) override;

  // What the box shows; a null image when empty.
  QImage Image() const;

 private:
  QLabel* label_;
};

}  // namespace tarvolin::platform
