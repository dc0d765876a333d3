#include "ui/dialogs.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <cstdint>
#include <variant>
#include <vector>

#include "bar/faces.h"
#include "ui/text.h"

namespace tarvolin::ui {

namespace {

// A button that Enter presses while it has the focus, as Space does.
QPushButton* Button(const QString& caption, int width, int height) {
  auto* button = new QPushButton(caption);
  button->setFixedSize(width, height);
  button->setAutoDefault(true);
  return button;
}

// A list of one column of the model. A table view lays out only the rows in
// sight, where a list view lays out every row: with millions of
// quickcommands that is seconds.
QTableView* ListOf(QAbstractItemModel* model, int column) {
  auto* view = new QTableView;
  // The rows' header is set before it has the rows: set after, it goes
  // through each of them, a million in a big table.
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height());
  view->setModel(model);
  for (int other = 0; other < model->columnCount(); ++other) {
    view->setColumnHidden(other, other != column);
  }
  view->horizontalHeader()->hide();
  view->horizontalHeader()->setStretchLastSection(true);
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->setTabKeyNavigation(false);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return view;
}

template <typename T>
T* Sized(T* widget, int width, int height) {
  widget->setFixedSize(width, height);
  return widget;
}

// A row of widgets with fixed gaps: a positive number is a gap, a widget
// is placed as it is.
QHBoxLayout* Row(std::initializer_list<std::variant<int, QWidget*>> items) {
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  for (const auto& item : items) {
    if (std::holds_alternative<int>(item)) {
      row->addSpacing(std::get<int>(item));
    } else {
      row->addWidget(std::get<QWidget*>(item));
    }
  }
  row->addStretch();
  return row;
}

QVBoxLayout* Column(QWidget* parent, QMargins margins) {
  auto* column = new QVBoxLayout(parent);
  column->setSpacing(0);
  column->setContentsMargins(margins);
  return column;
}

// The inside of a dialog in Qt's pixels, a 96th of an inch: 15 twips.
QSize ClientSize(Dialog dialog) {
  const Size twips = bar::ClientTwips(dialog);
  return {twips.width / 15, twips.height / 15};
}

}  // namespace

// --- Help and hidden screen ---

HelpScreen::HelpScreen(const std::function<void(const char*)>& openDocument)
    : ToolWindow(FromUtf8(bar::Caption(Dialog::kHelp)), ClientSize(Dialog::kHelp)) {
  auto* frame = new QGroupBox(QString::fromLatin1(bar::kHelpFrame));
  frame->setFixedSize(337, 169);
  // The title and the credit line stand apart from the four commands.
  auto* commands = Sized(new QLabel(QString::fromUtf8(bar::kHelpText)), 196, 145);
  commands->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* buttons = Column(nullptr, {});
  for (const bar::DocumentButton& document : bar::kDocumentButtons) {
    auto* button = Button(QString::fromUtf8(document.caption), 121, 25);
    buttons->addSpacing(readMe_ == nullptr ? 14 : 15);
    buttons->addWidget(button);
    readMe_ = readMe_ == nullptr ? button : readMe_;
    connect(button, &QPushButton::clicked, this,
            [openDocument, name = document.document] { openDocument(name); });
  }
  buttons->addStretch();
  auto* inside = new QHBoxLayout(frame);
  inside->setContentsMargins(8, 0, 0, 0);
  inside->setSpacing(12);
  inside->addWidget(commands, 0, Qt::AlignTop);
  inside->addLayout(buttons);
  Column(Body(), {8, 8, 7, 6})->addWidget(frame);
}

QWidget* HelpScreen::FirstFocus() {
  return readMe_;
}

HiddenScreen::HiddenScreen()
    : ToolWindow(FromUtf8(bar::Caption(Dialog::kHidden)), ClientSize(Dialog::kHidden)) {
  auto* picture = Sized(new QLabel, 73, 81);
  std::vector<std::uint32_t> pixels = bar::HiddenPicture();
  for (std::uint32_t& pixel : pixels) {
    pixel |= 0xFF000000u;  // opaque
  }
  const QImage image(reinterpret_cast<const uchar*>(pixels.data()), bar::kHiddenPictureSize.width,
                     bar::kHiddenPictureSize.height, QImage::Format_RGB32);
  // A deep copy: the pixmap may share the image's buffer, which goes now.
  picture->setPixmap(QPixmap::fromImage(image.copy()));
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* text = Sized(new QLabel(QString::fromUtf8(bar::kHiddenText)), 121, 33);
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* column = Column(Body(), {8, 8, 5, 4});
  column->addLayout(Row({24, picture}));
  column->addWidget(text);
}

// --- Quickcommand editor ---

int QuickcommandModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(editor_.Rows());
}

int QuickcommandModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant QuickcommandModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() ||
      static_cast<std::size_t>(index.row()) >= editor_.Rows()) {
    return {};
  }
  const QuickcommandEntry& entry = editor_.Row(static_cast<std::size_t>(index.row()));
  return FromUtf8(index.column() == 0 ? entry.Target : entry.Name);
}

void QuickcommandModel::Reset() {
  beginResetModel();
  endResetModel();
}

QuickcommandEditor::QuickcommandEditor(bar::EditorModel& editor)
    : ToolWindow(FromUtf8(bar::Caption(Dialog::kEditor)), ClientSize(Dialog::kEditor)),
      editor_(editor),
      model_(editor),
      targets_(Sized(ListOf(&model_, 0), 160, 160)),
      names_(Sized(ListOf(&model_, 1), 81, 160)),
      targetBox_(Sized(new QLineEdit(FromUtf8(editor.targetBox)), 169, 19)),
      nameBox_(Sized(new QLineEdit, 169, 19)) {
  // Row k of both lists is entry k: they share one model and one selection.
  for (QTableView* list : {targets_, names_}) {
    connect(list, &QTableView::clicked, this, &QuickcommandEditor::ShowRow);
    list->installEventFilter(this);
  }
  targets_->setObjectName(QStringLiteral("targets"));
  names_->setObjectName(QStringLiteral("names"));
  targetBox_->setObjectName(QStringLiteral("targetBox"));
  nameBox_->setObjectName(QStringLiteral("nameBox"));
  names_->setSelectionModel(targets_->selectionModel());
  connect(targets_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &QuickcommandEditor::ShowRow);
  for (QLineEdit* box : {targetBox_, nameBox_}) {
    connect(box, &QLineEdit::returnPressed, this, &QuickcommandEditor::Add);
    box->installEventFilter(this);
  }
  connect(targetBox_, &QLineEdit::textChanged, this,
          [this](const QString& text) { editor_.targetBox = ToUtf8(text); });
  connect(nameBox_, &QLineEdit::textChanged, this,
          [this](const QString& text) { editor_.nameBox = ToUtf8(text); });
  auto* remove = Button(QString::fromLatin1(bar::kRemoveButton), 73, 17);
  auto* browse = Button(QString::fromLatin1(bar::kBrowseButton), 57, 19);
  auto* add = Button(QString::fromLatin1(bar::kAddButton), 57, 19);
  add->setObjectName(QStringLiteral("add"));
  remove->setObjectName(QStringLiteral("remove"));
  browse->setObjectName(QStringLiteral("browse"));
  connect(remove, &QPushButton::clicked, this, &QuickcommandEditor::Remove);
  connect(browse, &QPushButton::clicked, this, &QuickcommandEditor::Browse);
  connect(add, &QPushButton::clicked, this, &QuickcommandEditor::Add);

  auto* column = Column(Body(), {0, 8, 0, 1});
  column->addLayout(Row({8, Sized(new QLabel(QString::fromLatin1(bar::kTargetsLabel)), 152, 16),
                         new QLabel(QString::fromLatin1(bar::kNamesLabel))}));
  column->addLayout(Row({targets_, names_}));
  column->addLayout(Row({128, remove}));
  column->addSpacing(7);
  column->addLayout(Row({targetBox_, 7, browse}));
  column->addSpacing(5);
  column->addLayout(Row({nameBox_, 7, add}));

  first_ = editor.NameFirst() ? static_cast<QWidget*>(nameBox_) : targetBox_;
  QWidget* second = first_ == targetBox_ ? static_cast<QWidget*>(nameBox_) : targetBox_;
  const QList<QWidget*> order = {first_, browse, add, targets_, remove, second, names_};
  for (qsizetype i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
}

bool QuickcommandEditor::eventFilter(QObject* watched, QEvent* event) {
  // Delete in either list removes the selected row; Escape in either box
  // closes the editor. Enter in a box is its returnPressed.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete && (watched == targets_ || watched == names_)) {
      Remove();
      return true;
    }
    if (key == Qt::Key_Escape && (watched == targetBox_ || watched == nameBox_)) {
      close();
      return true;
    }
  }
  return ToolWindow::eventFilter(watched, event);
}

void QuickcommandEditor::ShowRow(const QModelIndex& index) {
  if (index.isValid()) {
    editor_.ShowRow(static_cast<std::size_t>(index.row()));
    ShowBoxes();
  }
}

void QuickcommandEditor::ShowBoxes() {
  targetBox_->setText(FromUtf8(editor_.targetBox));
  nameBox_->setText(FromUtf8(editor_.nameBox));
  switch (editor_.TakeFocus()) {
    case bar::EditorModel::Focus::kKeep:
      break;
    case bar::EditorModel::Focus::kTargetBox:
      targetBox_->setFocus();
      break;
    case bar::EditorModel::Focus::kNameBoxSelected:
      nameBox_->setFocus();
      nameBox_->selectAll();
      break;
  }
}

void QuickcommandEditor::Add() {
  editor_.Add();
  model_.Reset();
  ShowBoxes();
}

void QuickcommandEditor::Remove() {
  const QModelIndexList selected = targets_->selectionModel()->selectedRows();
  if (!selected.isEmpty()) {
    editor_.Remove(static_cast<std::size_t>(selected.front().row()));
    model_.Reset();
    ShowBoxes();
  }
}

void QuickcommandEditor::Browse() {
  editor_.Browse();
  ShowBoxes();
}

// --- Options ---

OptionsDialog::OptionsDialog(bar::OptionsModel& options)
    : ToolWindow(FromUtf8(bar::Caption(Dialog::kOptions)), ClientSize(Dialog::kOptions)),
      caseSensitive_(
          Sized(new QCheckBox(QString::fromLatin1(bar::kCaseSensitiveCaption)), 105, 17)) {
  auto* autoUpdate = Sized(new QCheckBox(QString::fromLatin1(bar::kAutoUpdateCaption)), 89, 17);
  auto* webExtensions = Sized(new QLineEdit(FromUtf8(options.webExtensionText)), 193, 19);
  auto* tabs = Sized(new QTabWidget, 233, 107);
  caseSensitive_->setObjectName(QStringLiteral("caseSensitive"));
  autoUpdate->setObjectName(QStringLiteral("autoUpdate"));
  webExtensions->setObjectName(QStringLiteral("webExtensions"));
  const auto page = [tabs](const bar::OptionsPage& face) {
    auto* frame = new QGroupBox(QString::fromLatin1(face.frame));
    auto* holder = new QWidget;
    Column(holder, {2, 0, 2, 2})->addWidget(frame);
    tabs->addTab(holder, QString::fromLatin1(face.tab));
    return Column(frame, {16, 4, 0, 0});
  };
  QVBoxLayout* general = page(bar::kOptionsPages[0]);
  general->addWidget(caseSensitive_);
  general->addSpacing(7);
  general->addWidget(autoUpdate);
  general->addStretch();

  QVBoxLayout* position = page(bar::kOptionsPages[1]);
  QList<QWidget*> order;
  for (int corner = 1; corner <= 4; ++corner) {
    auto* option =
        Sized(new QRadioButton(QString::fromLatin1(bar::kCornerCaptions[corner - 1])), 89, 17);
    option->setObjectName(QStringLiteral("corner%1").arg(corner));
    option->setChecked(options.Corner() == corner);
    connect(option, &QRadioButton::toggled, this, [&options, corner](bool on) {
      if (on) {
        options.PickCorner(corner);
      }
    });
    order << option;
  }
  position->addLayout(Row({order[0], 7, order[1]}));
  position->addSpacing(7);
  position->addLayout(Row({order[2], 7, order[3]}));
  position->addStretch();

  QVBoxLayout* web = page(bar::kOptionsPages[2]);
  web->addWidget(webExtensions);
  web->addStretch();
  Column(Body(), {6, 2, 4, 3})->addWidget(tabs);

  caseSensitive_->setChecked(options.CaseSensitive());
  connect(caseSensitive_, &QCheckBox::toggled, this,
          [&options](bool on) { options.SetCaseSensitive(on); });
  // Without an update check in this copy the box says it is off, for good.
  autoUpdate->setChecked(options.AutoUpdateShown());
  autoUpdate->setEnabled(options.AutoUpdateChangeable());
  connect(autoUpdate, &QCheckBox::toggled, this, [&options](bool on) { options.autoUpdate = on; });
  connect(webExtensions, &QLineEdit::textChanged, this,
          [&options](const QString& text) { options.webExtensionText = ToUtf8(text); });

  order << caseSensitive_ << autoUpdate << webExtensions << tabs;
  for (qsizetype i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
}

QWidget* OptionsDialog::FirstFocus() {
  return caseSensitive_;
}

}  // namespace tarvolin::ui
