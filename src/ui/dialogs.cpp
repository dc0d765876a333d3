#include "ui/dialogs.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <cmath>
#include <variant>

#include "core/version.h"
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
  view->setModel(model);
  for (int other = 0; other < model->columnCount(); ++other) {
    view->setColumnHidden(other, other != column);
  }
  view->horizontalHeader()->hide();
  view->horizontalHeader()->setStretchLastSection(true);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height());
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

// The hidden screen's picture, 68 by 79 pixels: a face with closed eyes
// under a sky that fades from blue to pale.
QImage MireloPicture() {
  QImage image(68, 79, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    const int shade = 120 + y * 120 / image.height();
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgb(shade, shade + 10, 250));
      const double d = std::hypot(x - 33.5, (y - 42) * 0.95);
      if (d < 27) {
        image.setPixel(x, y, qRgb(255, 224, 189));
      } else if (d < 29) {
        image.setPixel(x, y, qRgb(120, 80, 60));
      }
    }
  }
  QPainter painter(&image);
  painter.setPen(QPen(QColor(60, 40, 40), 2));
  for (const int eye : {23, 44}) {
    painter.drawPolyline(QPolygon({QPoint(eye - 5, 38), QPoint(eye, 33), QPoint(eye + 5, 38)}));
  }
  painter.drawLine(28, 56, 39, 56);
  painter.fillRect(16, 44, 5, 4, QColor(250, 170, 170));
  painter.fillRect(47, 44, 5, 4, QColor(250, 170, 170));
  return image;
}

}  // namespace

// --- Help and hidden screen ---

HelpScreen::HelpScreen(const std::function<void(const char*)>& openDocument)
    : ToolWindow(FromUtf8(HelpCaption(kProgramVersion, kIsBeta)), {352, 183}) {
  auto* frame = new QGroupBox(QStringLiteral("Help"));
  frame->setFixedSize(337, 169);
  // The title and the credit line stand apart from the four commands.
  auto* commands = Sized(new QLabel(QStringLiteral("Tarvolin Commands:\n\n"
                                                   "F1 or 'help' : Shows this screen\n"
                                                   "F2 or 'edit' : Edit your quickcommands\n"
                                                   "quit (or exit) : Exits the program\n"
                                                   "F3 or 'options': Brings up the options\n\n"
                                                   "by Tarvolin team, team@tarvolin.invalid")),
                         196, 145);
  commands->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  readMe_ = Button(QStringLiteral("What is Tarvolin?"), 121, 25);
  auto* changes = Button(QStringLiteral("What's New?"), 121, 25);
  auto* buttons = Column(nullptr, {});
  buttons->addSpacing(14);
  buttons->addWidget(readMe_);
  buttons->addSpacing(15);
  buttons->addWidget(changes);
  buttons->addStretch();
  auto* inside = new QHBoxLayout(frame);
  inside->setContentsMargins(8, 0, 0, 0);
  inside->setSpacing(12);
  inside->addWidget(commands, 0, Qt::AlignTop);
  inside->addLayout(buttons);
  Column(Body(), {8, 8, 7, 6})->addWidget(frame);
  connect(readMe_, &QPushButton::clicked, this, [openDocument] { openDocument("ReadMe.txt"); });
  connect(changes, &QPushButton::clicked, this, [openDocument] { openDocument("Changelog.txt"); });
}

QWidget* HelpScreen::FirstFocus() {
  return readMe_;
}

HiddenScreen::HiddenScreen() : ToolWindow(QStringLiteral("This is Mirelo ^_^"), {134, 125}) {
  auto* picture = Sized(new QLabel, 73, 81);
  picture->setPixmap(QPixmap::fromImage(MireloPicture()));
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* text =
      Sized(new QLabel(QStringLiteral("What's the world without eastereggs, ne?  ^^")), 121, 33);
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
    : ToolWindow(QStringLiteral("Edit Quickcommands"), {244, 252}),
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
  auto* remove = Button(QStringLiteral("Remove"), 73, 17);
  auto* browse = Button(QStringLiteral("Browse"), 57, 19);
  auto* add = Button(QStringLiteral("Add"), 57, 19);
  add->setObjectName(QStringLiteral("add"));
  remove->setObjectName(QStringLiteral("remove"));
  browse->setObjectName(QStringLiteral("browse"));
  connect(remove, &QPushButton::clicked, this, &QuickcommandEditor::Remove);
  connect(browse, &QPushButton::clicked, this, &QuickcommandEditor::Browse);
  connect(add, &QPushButton::clicked, this, &QuickcommandEditor::Add);

  auto* column = Column(Body(), {0, 8, 0, 1});
  column->addLayout(Row({8, Sized(new QLabel(QStringLiteral("\"QuickPrograms\" :")), 152, 16),
                         new QLabel(QStringLiteral("Quickcommands:"))}));
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
    : ToolWindow(QStringLiteral("Options"), {243, 112}),
      caseSensitive_(Sized(new QCheckBox(QStringLiteral("Case Sensitive")), 105, 17)) {
  auto* autoUpdate = Sized(new QCheckBox(QStringLiteral("Auto-Update")), 89, 17);
  auto* webExtensions = Sized(new QLineEdit(FromUtf8(options.webExtensionText)), 193, 19);
  auto* tabs = Sized(new QTabWidget, 233, 107);
  caseSensitive_->setObjectName(QStringLiteral("caseSensitive"));
  autoUpdate->setObjectName(QStringLiteral("autoUpdate"));
  webExtensions->setObjectName(QStringLiteral("webExtensions"));
  const auto page = [tabs](const QString& tab, const QString& caption) {
    auto* frame = new QGroupBox(caption);
    auto* holder = new QWidget;
    Column(holder, {2, 0, 2, 2})->addWidget(frame);
    tabs->addTab(holder, tab);
    return Column(frame, {16, 4, 0, 0});
  };
  QVBoxLayout* general = page(QStringLiteral("General"), QStringLiteral("General"));
  general->addWidget(caseSensitive_);
  general->addSpacing(7);
  general->addWidget(autoUpdate);
  general->addStretch();

  QVBoxLayout* position = page(QStringLiteral("Position"), QStringLiteral("Position"));
  const QStringList captions = {QStringLiteral("Top Left"), QStringLiteral("Top Right"),
                                QStringLiteral("Bottom Left"), QStringLiteral("Bottom Right")};
  QList<QWidget*> order;
  for (int corner = 1; corner <= 4; ++corner) {
    auto* option = Sized(new QRadioButton(captions[corner - 1]), 89, 17);
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

  QVBoxLayout* web = page(QStringLiteral("Web"), QStringLiteral("Web-extensions"));
  web->addWidget(webExtensions);
  web->addStretch();
  Column(Body(), {6, 2, 4, 3})->addWidget(tabs);

  caseSensitive_->setChecked(options.CaseSensitive());
  connect(caseSensitive_, &QCheckBox::toggled, this,
          [&options](bool on) { options.SetCaseSensitive(on); });
  // Without an update check in this copy the box says it is off, for good.
  autoUpdate->setChecked(options.AutoUpdateChangeable() && options.autoUpdate);
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
