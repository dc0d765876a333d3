#include "platform/qt/qt_controls.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <algorithm>
#include <stdexcept>

#include "platform/qt/twips.h"

namespace tarvolin::platform {

QString ToQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text) {
  return text.toUtf8().toStdString();
}

int CharIndexToQt(const QString& text, int charIndex) {
  int qt = 0;
  for (int i = 0; i < charIndex && qt < text.size(); ++i) {
    qt +=
        (text.at(qt).isHighSurrogate() && qt + 1 < text.size() && text.at(qt + 1).isLowSurrogate())
            ? 2
            : 1;
  }
  return qt;
}

int QtIndexToChar(const QString& text, int qtIndex) {
  int chars = 0;
  for (int qt = 0; qt < qtIndex && qt < text.size(); ++chars) {
    qt +=
        (text.at(qt).isHighSurrogate() && qt + 1 < text.size() && text.at(qt + 1).isLowSurrogate())
            ? 2
            : 1;
  }
  return chars;
}

int VirtualKeyOf(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    return kKeyF1 + (qtKey - Qt::Key_F1);
  }
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) ||
      qtKey == Qt::Key_Space) {
    return qtKey;  // Qt and Windows share these codes
  }
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Tab:
      return kKeyTab;
    case Qt::Key_Delete:
      return kKeyDelete;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_End:
      return 35;
    default:
      return 0;
  }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) {
    shift |= kShiftMask;
  }
  if (modifiers & Qt::ControlModifier) {
    shift |= kCtrlMask;
  }
  if (modifiers & Qt::AltModifier) {
    shift |= kAltMask;
  }
  return shift;
}

namespace {

void PlaceWidget(QWidget* widget, const ControlDesign& design) {
  widget->setGeometry(twips::ToPixels(design.left), twips::ToPixels(design.top),
                      twips::ToPixels(design.width), twips::ToPixels(design.height));
}

bool TakesTabFocus(Qt::FocusPolicy policy) {
  return (policy & Qt::TabFocus) != 0;
}

}  // namespace

// --- The parts every control shares ---

QtControlBase::QtControlBase(const ControlDesign& design, QWidget* widget, TabOrder* tabOrder)
    : name_(design.name), widget_(widget), tabOrder_(tabOrder), tabIndex_(design.tabIndex) {
  PlaceWidget(widget_, design);
  if (!design.visible) {
    widget_->hide();
  }
}

bool QtControlBase::FocusControl() {
  QWidget* focus = FocusWidget();
  if (!focus->isVisible() || !focus->isEnabled() || focus->focusPolicy() == Qt::NoFocus) {
    return false;
  }
  focus->setFocus(Qt::OtherFocusReason);
  return true;
}

void QtControlBase::MoveInTabOrder(int index) {
  if (tabOrder_ != nullptr) {
    tabOrder_->Move(*this, index);
  } else {
    tabIndex_ = std::max(-1, index);
  }
}

template <typename Interface>
void QtControl<Interface>::Refresh() {
  widget_->repaint();
}

template <typename Interface>
void QtControl<Interface>::SetVisible(bool visible) {
  widget_->setVisible(visible);
}

template <typename Interface>
void QtControl<Interface>::SetEnabled(bool enabled) {
  widget_->setEnabled(enabled);
}

template class QtControl<TextBox>;
template class QtControl<Label>;
template class QtControl<Button>;
template class QtControl<ListBox>;
template class QtControl<Frame>;
template class QtControl<CheckBox>;
template class QtControl<OptionButton>;
template class QtControl<TabStrip>;
template class QtControl<PictureBox>;

// --- Tab order ---

void TabOrder::Add(QtControlBase& control) {
  control.focusPolicy_ = control.FocusWidget()->focusPolicy();
  all_.push_back(&control);
}

void TabOrder::Arrange() {
  order_.clear();
  for (QtControlBase* control : all_) {
    if (control->tabIndex_ >= 0) {
      order_.push_back(control);
    }
  }
  std::stable_sort(order_.begin(), order_.end(),
                   [](const auto* a, const auto* b) { return a->tabIndex_ < b->tabIndex_; });
  Apply();
}

void TabOrder::Move(QtControlBase& control, int index) {
  order_.erase(std::remove(order_.begin(), order_.end(), &control), order_.end());
  if (index < 0) {
    control.tabIndex_ = -1;
  } else {
    const auto place = std::min(static_cast<std::size_t>(index), order_.size());
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), &control);
  }
  Apply();
}

QWidget* TabOrder::FirstFocusable() const {
  for (const QtControlBase* control : order_) {
    QWidget* focus = control->FocusWidget();
    if (TakesTabFocus(control->focusPolicy_) && focus->isEnabled() &&
        focus->isVisibleTo(focus->window())) {
      return focus;
    }
  }
  return nullptr;
}

void TabOrder::Apply() {
  for (std::size_t i = 0; i < order_.size(); ++i) {
    order_[i]->tabIndex_ = static_cast<int>(i);
  }
  // A control outside the order can still be clicked into, but the Tab key
  // passes it by.
  for (QtControlBase* control : all_) {
    const Qt::FocusPolicy original = control->focusPolicy_;
    Qt::FocusPolicy policy = original;
    if (control->tabIndex_ < 0 && TakesTabFocus(original)) {
      policy = (original & Qt::ClickFocus) != 0 ? Qt::ClickFocus : Qt::NoFocus;
    }
    control->FocusWidget()->setFocusPolicy(policy);
  }
  QWidget* previous = nullptr;
  for (QtControlBase* control : order_) {
    if (!TakesTabFocus(control->focusPolicy_)) {
      continue;
    }
    if (previous != nullptr) {
      QWidget::setTabOrder(previous, control->FocusWidget());
    }
    previous = control->FocusWidget();
  }
}

// --- Text box ---

// The text box's widget: hands every key to the program's handler first and
// then handles it the ordinary way.
class LineEdit : public QLineEdit {
 public:
  LineEdit(QtTextBox& box, QWidget* parent) : QLineEdit(parent), box_(box) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = VirtualKeyOf(event->key());
    if (key != 0 && box_.KeyDown) {
      box_.KeyDown(key, ShiftOf(event->modifiers()));
    }
    QLineEdit::keyPressEvent(event);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && box_.Click) {
      box_.Click();
    }
  }

  // A text box keeps its selection while another control or window has the
  // focus, as the program expects (a status text stays selected, so the next
  // key replaces it); QLineEdit would drop it.
  void focusOutEvent(QFocusEvent* event) override {
    const bool hadSelection = hasSelectedText();
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    const bool caretAtStart = cursorPosition() == start;
    QLineEdit::focusOutEvent(event);
    if (hadSelection && !hasSelectedText()) {
      if (caretAtStart) {
        setSelection(start + length, -length);
      } else {
        setSelection(start, length);
      }
    }
  }

 private:
  QtTextBox& box_;
};

QtTextBox::QtTextBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new LineEdit(*this, parent), tabOrder),
      edit_(static_cast<LineEdit*>(widget_)) {
  edit_->setText(ToQString(design.caption));
  QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] {
    if (Change) {
      Change();
    }
  });
}

std::string QtTextBox::Text() const {
  return FromQString(edit_->text());
}

void QtTextBox::SetText(const std::string& text) {
  edit_->setText(ToQString(text));
  // A text set by code leaves the caret at the start, as a new text does.
  edit_->setCursorPosition(0);
}

int QtTextBox::SelStart() const {
  const int qt = edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
  return QtIndexToChar(edit_->text(), qt);
}

void QtTextBox::SetSelStart(int start) {
  const QString text = edit_->text();
  edit_->setCursorPosition(CharIndexToQt(text, std::max(0, start)));
}

int QtTextBox::SelLength() const {
  if (!edit_->hasSelectedText()) {
    return 0;
  }
  const QString text = edit_->text();
  const int start = edit_->selectionStart();
  return QtIndexToChar(text, start + static_cast<int>(edit_->selectedText().size())) -
         QtIndexToChar(text, start);
}

void QtTextBox::SetSelLength(int length) {
  const QString text = edit_->text();
  const int startChar = SelStart();
  const int start = CharIndexToQt(text, startChar);
  const int end = CharIndexToQt(text, startChar + std::max(0, length));
  edit_->setSelection(start, end - start);
}

// --- Label ---

QtLabel::QtLabel(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QLabel(parent), tabOrder), label_(static_cast<QLabel*>(widget_)) {
  label_->setTextFormat(Qt::PlainText);
  label_->setText(ToQString(design.caption));
  label_->setWordWrap(true);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

std::string QtLabel::Caption() const {
  return FromQString(label_->text());
}
void QtLabel::SetCaption(const std::string& caption) {
  label_->setText(ToQString(caption));
}

// --- Button ---

QtButton::QtButton(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QPushButton(parent), tabOrder),
      button_(static_cast<QPushButton*>(widget_)) {
  button_->setText(ToQString(design.caption));
  // Enter on the focused button presses it, as Space does.
  button_->setAutoDefault(true);
  QObject::connect(button_, &QPushButton::clicked, button_, [this] {
    if (Click) {
      Click();
    }
  });
}

std::string QtButton::Caption() const {
  return FromQString(button_->text());
}
void QtButton::SetCaption(const std::string& caption) {
  button_->setText(ToQString(caption));
}

// --- List box ---

// The list box's widget: keys go to the program's handler first, and a click
// on the row that is already selected is a click too.
class ListWidget : public QListWidget {
 public:
  ListWidget(QtListBox& box, QWidget* parent) : QListWidget(parent), box_(box) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = VirtualKeyOf(event->key());
    if (key != 0 && box_.KeyDown) {
      box_.KeyDown(key, ShiftOf(event->modifiers()));
    }
    QListWidget::keyPressEvent(event);
  }

  void mousePressEvent(QMouseEvent* event) override {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
      // A click below the last row keeps the selection.
      setFocus(Qt::MouseFocusReason);
      return;
    }
    pressedSelectedRow_ = event->button() == Qt::LeftButton && index.row() == box_.ListIndex();
    QListWidget::mousePressEvent(event);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QListWidget::mouseReleaseEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (pressedSelectedRow_ && index.isValid() && index.row() == box_.ListIndex() && box_.Click) {
      box_.Click();
    }
    pressedSelectedRow_ = false;
  }

 private:
  QtListBox& box_;
  bool pressedSelectedRow_ = false;
};

QtListBox::QtListBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new ListWidget(*this, parent), tabOrder),
      list_(static_cast<ListWidget*>(widget_)) {
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Every row is one line of text: no need to measure each one, which keeps
  // a table of tens of thousands of quickcommands quick to show.
  list_->setUniformItemSizes(true);
  QObject::connect(list_, &QListWidget::itemSelectionChanged, list_, [this] {
    if (!quiet_ && Click) {
      Click();
    }
  });
}

void QtListBox::AddItem(const std::string& text) {
  list_->addItem(ToQString(text));
}

void QtListBox::SelectQuietly(int index) {
  quiet_ = true;
  if (index < 0) {
    list_->selectionModel()->clear();
  } else {
    list_->setCurrentRow(index);
  }
  quiet_ = false;
}

void QtListBox::RemoveItem(int index) {
  if (index < 0 || index >= list_->count()) {
    return;
  }
  const int selected = ListIndex();
  quiet_ = true;
  delete list_->takeItem(index);
  quiet_ = false;
  // The view moves its current row on by itself; the selection follows the
  // rows instead.
  if (selected == index) {
    SelectQuietly(-1);
  } else if (selected >= 0) {
    SelectQuietly(selected > index ? selected - 1 : selected);
  }
}

void QtListBox::Clear() {
  quiet_ = true;
  list_->clear();
  quiet_ = false;
}

int QtListBox::ListCount() const {
  return list_->count();
}

std::string QtListBox::List(int index) const {
  const QListWidgetItem* item = list_->item(index);
  return item != nullptr ? FromQString(item->text()) : std::string();
}

void QtListBox::SetList(int index, const std::string& text) {
  if (QListWidgetItem* item = list_->item(index)) {
    item->setText(ToQString(text));
  }
}

int QtListBox::ListIndex() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.front());
}

void QtListBox::SetListIndex(int index) {
  if (index == ListIndex() || index >= list_->count() || index < -1) {
    return;
  }
  if (index < 0) {
    list_->selectionModel()->clear();
  } else {
    list_->setCurrentRow(index);
    list_->scrollToItem(list_->item(index));
  }
}

// --- Frame ---

QtFrame::QtFrame(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QGroupBox(parent), tabOrder), box_(static_cast<QGroupBox*>(widget_)) {
  box_->setTitle(ToQString(design.caption));
}

std::string QtFrame::Caption() const {
  return FromQString(box_->title());
}
void QtFrame::SetCaption(const std::string& caption) {
  box_->setTitle(ToQString(caption));
}
bool QtFrame::Visible() const {
  return !box_->isHidden();
}

// --- Check box ---

QtCheckBox::QtCheckBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QCheckBox(parent), tabOrder), box_(static_cast<QCheckBox*>(widget_)) {
  box_->setText(ToQString(design.caption));
  QObject::connect(box_, &QCheckBox::toggled, box_, [this] {
    if (Click) {
      Click();
    }
  });
}

std::string QtCheckBox::Caption() const {
  return FromQString(box_->text());
}
void QtCheckBox::SetCaption(const std::string& caption) {
  box_->setText(ToQString(caption));
}
int QtCheckBox::Value() const {
  return box_->isChecked() ? 1 : 0;
}
void QtCheckBox::SetValue(int value) {
  box_->setChecked(value != 0);
}

// --- Option button ---

QtOptionButton::QtOptionButton(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QRadioButton(parent), tabOrder),
      button_(static_cast<QRadioButton*>(widget_)) {
  button_->setText(ToQString(design.caption));
  // Qt's own grouping does the exclusion: buttons with the same parent
  // widget, which is the form or the frame they sit in.
  button_->setAutoExclusive(true);
  QObject::connect(button_, &QRadioButton::toggled, button_, [this](bool checked) {
    if (checked && Click) {
      Click();
    }
  });
}

std::string QtOptionButton::Caption() const {
  return FromQString(button_->text());
}
void QtOptionButton::SetCaption(const std::string& caption) {
  button_->setText(ToQString(caption));
}
bool QtOptionButton::Value() const {
  return button_->isChecked();
}

void QtOptionButton::SetValue(bool value) {
  if (value) {
    button_->setChecked(true);
    return;
  }
  // The selected button of an exclusive group refuses to be cleared.
  button_->setAutoExclusive(false);
  button_->setChecked(false);
  button_->setAutoExclusive(true);
}

// --- Tab strip ---

QtTabStrip::QtTabStrip(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QWidget(parent), tabOrder), bar_(new QTabBar(widget_)) {
  bar_->setExpanding(false);
  bar_->setDrawBase(false);
  const QStringList captions = ToQString(design.caption).split(QLatin1Char('|'));
  for (const QString& caption : captions) {
    bar_->addTab(caption);
  }
  const int barHeight = bar_->sizeHint().height();
  bar_->setGeometry(0, 0, widget_->width(), barHeight);
  // The panel under the tabs, where the form lays its frames.
  auto* panel = new QFrame(widget_);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setGeometry(0, barHeight - 1, widget_->width(),
                     std::max(0, widget_->height() - barHeight + 1));
  panel->lower();
  QObject::connect(bar_, &QTabBar::currentChanged, bar_, [this] {
    if (Click) {
      Click();
    }
  });
  // A press on the tab that is already selected changes nothing but is still
  // a click.
  QObject::connect(bar_, &QTabBar::tabBarClicked, bar_, [this](int index) {
    if (index >= 0 && index == bar_->currentIndex() && Click) {
      Click();
    }
  });
}

QWidget* QtTabStrip::FocusWidget() const {
  return bar_;
}
int QtTabStrip::TabCount() const {
  return bar_->count();
}
std::string QtTabStrip::TabCaption(int index) const {
  return FromQString(bar_->tabText(index));
}
int QtTabStrip::SelectedIndex() const {
  return bar_->currentIndex();
}
void QtTabStrip::SetSelectedIndex(int index) {
  if (index >= 0 && index < bar_->count()) {
    bar_->setCurrentIndex(index);
  }
}

// --- Picture box ---

QtPictureBox::QtPictureBox(const ControlDesign& design, QWidget* parent, TabOrder* tabOrder)
    : QtControl(design, new QLabel(parent), tabOrder), label_(static_cast<QLabel*>(widget_)) {
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setScaledContents(false);
}

bool QtPictureBox::LoadPicture(const std::string& path) {
  QImage image;
  if (!image.load(ToQString(path))) {
    label_->clear();
    return false;
  }
  label_->setPixmap(QPixmap::fromImage(image));
  return true;
}

void QtPictureBox::SetPicture(const Picture& picture) {
  const auto expected = static_cast<std::size_t>(std::max(0, picture.width)) *
                        static_cast<std::size_t>(std::max(0, picture.height)) * 4;
  if (picture.width <= 0 || picture.height <= 0 || picture.rgba.size() != expected) {
    label_->clear();
    return;
  }
  const QImage view(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                    QImage::Format_RGBA8888);
  label_->setPixmap(QPixmap::fromImage(view.copy()));
}

QImage QtPictureBox::Image() const {
  return label_->pixmap().isNull() ? QImage() : label_->pixmap().toImage();
}

// --- Building ---

std::unique_ptr<Control> CreateQtControl(const ControlDesign& design, QWidget* parent,
                                         TabOrder* tabOrder) {
  std::unique_ptr<Control> control;
  switch (design.kind) {
    case ControlKind::kTextBox:
      control = std::make_unique<QtTextBox>(design, parent, tabOrder);
      break;
    case ControlKind::kLabel:
      control = std::make_unique<QtLabel>(design, parent, tabOrder);
      break;
    case ControlKind::kButton:
      control = std::make_unique<QtButton>(design, parent, tabOrder);
      break;
    case ControlKind::kListBox:
      control = std::make_unique<QtListBox>(design, parent, tabOrder);
      break;
    case ControlKind::kFrame:
      control = std::make_unique<QtFrame>(design, parent, tabOrder);
      break;
    case ControlKind::kCheckBox:
      control = std::make_unique<QtCheckBox>(design, parent, tabOrder);
      break;
    case ControlKind::kOptionButton:
      control = std::make_unique<QtOptionButton>(design, parent, tabOrder);
      break;
    case ControlKind::kTabStrip:
      control = std::make_unique<QtTabStrip>(design, parent, tabOrder);
      break;
    case ControlKind::kPictureBox:
      control = std::make_unique<QtPictureBox>(design, parent, tabOrder);
      break;
  }
  if (control == nullptr) {
    throw std::invalid_argument("this toolkit cannot build the control " + design.name);
  }
  if (tabOrder != nullptr) {
    tabOrder->Add(dynamic_cast<QtControlBase&>(*control));
  }
  return control;
}

}  // namespace tarvolin::platform
