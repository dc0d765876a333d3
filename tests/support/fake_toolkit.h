// A window toolkit without windows, so that a Program starts where no Qt is
// built (the Windows suite): forms keep their rectangle and a control for
// each row of their design table, text boxes keep text and selection in
// characters, timers never tick, message boxes and file dialogs are recorded
// and answered from a script. The screen is 1024 by 768 pixels at 15 twips a
// pixel.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/ui.h"
#include "support/scripted_dialogs.h"

namespace tarvolin::testing {

// What every fake control keeps.
template <typename Base>
class FakeControl : public Base {
 public:
  explicit FakeControl(const platform::ControlDesign& design)
      : visible(design.visible), tabIndex(design.tabIndex), name_(design.name) {}

  const std::string& Name() const override { return name_; }
  bool SetFocus() override {
    ++focusCount;
    return enabled && visible;
  }
  void Refresh() override {}
  void SetVisible(bool value) override { visible = value; }
  void SetEnabled(bool value) override { enabled = value; }
  void SetTabIndex(int index) override { tabIndex = index; }

  bool visible;
  bool enabled = true;
  int tabIndex;
  int focusCount = 0;

 private:
  std::string name_;
};

template <typename Base>
class FakeCaptioned : public FakeControl<Base> {
 public:
  explicit FakeCaptioned(const platform::ControlDesign& design)
      : FakeControl<Base>(design), caption(design.caption) {}
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string caption;
};

// A one-line text box. Text set by code puts the caret at the start; Change
// is raised when the text really changes, as the toolkit's box does.
class FakeTextBox : public FakeControl<platform::TextBox> {
 public:
  explicit FakeTextBox(const platform::ControlDesign& design)
      : FakeControl(design), text_(design.caption) {}

  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override {
    const bool changed = text != text_;
    text_ = text;
    selStart_ = 0;
    selLength_ = 0;
    if (changed && Change) {
      Change();
    }
  }
  int SelStart() const override { return selStart_; }
  void SetSelStart(int start) override {
    selStart_ = std::clamp(start, 0, platform::CharCount(text_));
    selLength_ = 0;
  }
  int SelLength() const override { return selLength_; }
  void SetSelLength(int length) override {
    selLength_ = std::clamp(length, 0, platform::CharCount(text_) - selStart_);
  }
  // The selected characters.
  std::string SelectedText() const {
    const std::size_t from = platform::ByteOffsetOfChar(text_, selStart_);
    return text_.substr(from, platform::ByteOffsetOfChar(text_, selStart_ + selLength_) - from);
  }

 private:
  std::string text_;
  int selStart_ = 0;
  int selLength_ = 0;
};

class FakeLabel : public FakeCaptioned<platform::Label> {
 public:
  using FakeCaptioned::FakeCaptioned;
};

class FakeButton : public FakeCaptioned<platform::Button> {
 public:
  using FakeCaptioned::FakeCaptioned;
};

class FakeFrame : public FakeCaptioned<platform::Frame> {
 public:
  using FakeCaptioned::FakeCaptioned;
  bool Visible() const override { return visible; }
};

class FakeListBox : public FakeControl<platform::ListBox> {
 public:
  using FakeControl::FakeControl;

  void AddItem(const std::string& text) override { rows.push_back(text); }
  void RemoveItem(int index) override {
    if (!InRange(index)) {
      return;
    }
    rows.erase(rows.begin() + index);
    if (index == selected_) {
      selected_ = -1;
    } else if (index < selected_) {
      --selected_;
    }
  }
  void Clear() override {
    rows.clear();
    selected_ = -1;
  }
  int ListCount() const override { return static_cast<int>(rows.size()); }
  std::string List(int index) const override {
    return InRange(index) ? rows[static_cast<std::size_t>(index)] : std::string();
  }
  void SetList(int index, const std::string& text) override {
    if (InRange(index)) {
      rows[static_cast<std::size_t>(index)] = text;
    }
  }
  int ListIndex() const override { return selected_; }
  void SetListIndex(int index) override {
    const int wanted = InRange(index) ? index : -1;
    if (wanted != selected_) {
      selected_ = wanted;
      if (Click) {
        Click();
      }
    }
  }

  std::vector<std::string> rows;

 private:
  bool InRange(int index) const { return index >= 0 && index < ListCount(); }
  int selected_ = -1;
};

class FakeCheckBox : public FakeCaptioned<platform::CheckBox> {
 public:
  using FakeCaptioned::FakeCaptioned;
  int Value() const override { return value_; }
  void SetValue(int value) override {
    const int wanted = value != 0 ? 1 : 0;
    if (wanted != value_) {
      value_ = wanted;
      if (Click) {
        Click();
      }
    }
  }

 private:
  int value_ = 0;
};

class FakeOptionButton : public FakeCaptioned<platform::OptionButton> {
 public:
  FakeOptionButton(const platform::ControlDesign& design, std::vector<FakeOptionButton*>* group)
      : FakeCaptioned(design), group_(group) {}
  bool Value() const override { return value_; }
  void SetValue(bool value) override {
    if (!value) {
      value_ = false;
      return;
    }
    if (value_) {
      return;
    }
    for (FakeOptionButton* other : *group_) {
      other->value_ = false;
    }
    value_ = true;
    if (Click) {
      Click();
    }
  }

 private:
  std::vector<FakeOptionButton*>* group_;
  bool value_ = false;
};

class FakeTabStrip : public FakeControl<platform::TabStrip> {
 public:
  explicit FakeTabStrip(const platform::ControlDesign& design) : FakeControl(design) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t bar = design.caption.find('|', start);
      captions.push_back(design.caption.substr(start, bar - start));
      if (bar == std::string::npos) {
        break;
      }
      start = bar + 1;
    }
  }
  int TabCount() const override { return static_cast<int>(captions.size()); }
  std::string TabCaption(int index) const override {
    return index >= 0 && index < TabCount() ? captions[static_cast<std::size_t>(index)] : "";
  }
  int SelectedIndex() const override { return selected_; }
  void SetSelectedIndex(int index) override {
    if (index != selected_ && index >= 0 && index < TabCount()) {
      selected_ = index;
      if (Click) {
        Click();
      }
    }
  }

  std::vector<std::string> captions;

 private:
  int selected_ = 0;
};

class FakePictureBox : public FakeControl<platform::PictureBox> {
 public:
  using FakeControl::FakeControl;
  bool LoadPicture(const std::string& path) override {
    loadedFile = path;
    return false;
  }
  void SetPicture(const platform::Picture& shown) override { picture = shown; }

  std::string loadedFile;
  platform::Picture picture;
};

// A form built from its design table.
class FakeForm : public platform::Window {
 public:
  explicit FakeForm(const platform::FormDesign& design)
      : name(design.name), style(design.style), caption_(design.caption) {
    width_ = design.clientWidth;
    height_ = design.clientHeight;
    for (const platform::ControlDesign& row : design.controls) {
      controls_.push_back(MakeControl(row));
    }
  }

  float Left() const override { return left_; }
  float Top() const override { return top_; }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetLeft(float twips) override { left_ = twips; }
  void SetTop(float twips) override { top_ = twips; }
  void SetWidth(float twips) override { width_ = twips; }
  void SetHeight(float twips) override { height_ = twips; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& text) override { caption_ = text; }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  void Refresh() override {}
  void SetTopMost() override { topMost = true; }
  void Activate() override { ++activations; }

  platform::Control* FindControl(const std::string& controlName) override {
    for (const auto& control : controls_) {
      if (control->Name() == controlName) {
        return control.get();
      }
    }
    return nullptr;
  }

  std::string name;
  platform::WindowStyle style;
  bool topMost = false;
  int activations = 0;

 private:
  std::unique_ptr<platform::Control> MakeControl(const platform::ControlDesign& row) {
    using platform::ControlKind;
    switch (row.kind) {
      case ControlKind::kTextBox:
        return std::make_unique<FakeTextBox>(row);
      case ControlKind::kListBox:
        return std::make_unique<FakeListBox>(row);
      case ControlKind::kButton:
        return std::make_unique<FakeButton>(row);
      case ControlKind::kFrame:
        return std::make_unique<FakeFrame>(row);
      case ControlKind::kCheckBox:
        return std::make_unique<FakeCheckBox>(row);
      case ControlKind::kOptionButton: {
        std::vector<FakeOptionButton*>& group = optionGroups_[row.container];
        auto button = std::make_unique<FakeOptionButton>(row, &group);
        group.push_back(button.get());
        return button;
      }
      case ControlKind::kTabStrip:
        return std::make_unique<FakeTabStrip>(row);
      case ControlKind::kPictureBox:
        return std::make_unique<FakePictureBox>(row);
      case ControlKind::kLabel:
        break;
    }
    return std::make_unique<FakeLabel>(row);
  }

  std::string caption_;
  float left_ = 0;
  float top_ = 0;
  float width_ = 0;
  float height_ = 0;
  bool visible_ = false;
  // Option buttons exclude each other within their container.
  std::map<std::string, std::vector<FakeOptionButton*>> optionGroups_;
  std::vector<std::unique_ptr<platform::Control>> controls_;
};

class FakeToolkit : public platform::Toolkit, public ScriptedDialogs {
 public:
  float ScreenWidth() const override { return 15360; }
  float ScreenHeight() const override { return 11520; }

  std::unique_ptr<platform::Window> CreateForm(const platform::FormDesign& design) override {
    auto form = std::make_unique<FakeForm>(design);
    forms.push_back(form.get());
    return form;
  }
  // Never ticks: a test calls the handlers itself.
  std::unique_ptr<platform::Timer> CreateTimer(int intervalMs) override {
    timerIntervals.push_back(intervalMs);
    return std::make_unique<platform::Timer>();
  }
  void MessageBoxOk(const std::string& text, const std::string& title) override { Ok(text, title); }
  platform::MessageBoxAnswer MessageBoxYesNo(const std::string& text,
                                             const std::string& title) override {
    return YesNo(text, title);
  }
  std::string ShowOpenDialog(const std::string& title, const std::string& initialFile) override {
    return Open(title, initialFile);
  }
  void ProcessEvents() override {}

  // Every form made, in order; each belongs to whoever asked for it and is
  // valid only while that one keeps it.
  std::vector<FakeForm*> forms;
  std::vector<int> timerIntervals;
};

}  // namespace tarvolin::testing
