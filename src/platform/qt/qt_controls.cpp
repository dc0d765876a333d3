#include "platform/qt/qt_controls.h"

#include <QKeyEvent>
#include <QMouseEvent>

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

namespace {

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

void PlaceWidget(QWidget* widget, const ControlDesign& design) {
  widget->setGeometry(twips::ToPixels(design.left), twips::ToPixels(design.top),
                      twips::ToPixels(design.width), twips::ToPixels(design.height));
}

}  // namespace

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

 private:
  QtTextBox& box_;
};

QtTextBox::QtTextBox(const ControlDesign& design, QWidget* parent)
    : name_(design.name), tabIndex_(design.tabIndex), edit_(new LineEdit(*this, parent)) {
  PlaceWidget(edit_, design);
  edit_->setText(ToQString(design.caption));
  QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] {
    if (Change) {
      Change();
    }
  });
}

bool QtTextBox::SetFocus() {
  if (!edit_->isVisible() || !edit_->isEnabled()) {
    return false;
  }
  edit_->setFocus(Qt::OtherFocusReason);
  return true;
}

void QtTextBox::Refresh() {
  edit_->repaint();
}
void QtTextBox::SetVisible(bool visible) {
  edit_->setVisible(visible);
}
void QtTextBox::SetEnabled(bool enabled) {
  edit_->setEnabled(enabled);
}
QWidget* QtTextBox::Widget() const {
  return edit_;
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

QtLabel::QtLabel(const ControlDesign& design, QWidget* parent)
    : name_(design.name), label_(new QLabel(parent)) {
  PlaceWidget(label_, design);
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

}  // namespace tarvolin::platform
