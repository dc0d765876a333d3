// The dialogs that unroll out of the bar: the help screen, the hidden
// screen, the quickcommand editor and the options.
#pragma once

#include <QAbstractTableModel>
#include <functional>

#include "bar/dialog_models.h"
#include "ui/tool_window.h"

class QCheckBox;
class QLineEdit;
class QTableView;
class QPushButton;
class QRadioButton;

namespace tarvolin::ui {

// The command list and the program's two documents.
class HelpScreen : public ToolWindow {
  Q_OBJECT
 public:
  // `openDocument` opens "ReadMe.txt" or "Changelog.txt" of the program.
  explicit HelpScreen(const std::function<void(const char*)>& openDocument);

 protected:
  QWidget* FirstFocus() override;

 private:
  QPushButton* readMe_ = nullptr;
};

// A picture and a line of text, opened by a hidden word.
class HiddenScreen : public ToolWindow {
  Q_OBJECT
 public:
  HiddenScreen();

 protected:
  QWidget* FirstFocus() override { return nullptr; }
};

// The editor's rows as two columns, target and name, for its two lists.
class QuickcommandModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit QuickcommandModel(const bar::EditorModel& editor) : editor_(editor) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The rows changed: shows them afresh.
  void Reset();

 private:
  const bar::EditorModel& editor_;
};

// Shows the editor's model: its lists and boxes; its buttons and keys go to
// the model.
class QuickcommandEditor : public ToolWindow {
  Q_OBJECT
 public:
  explicit QuickcommandEditor(bar::EditorModel& editor);

 protected:
  QWidget* FirstFocus() override { return first_; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Add();
  void Remove();
  void Browse();
  void ShowRow(const QModelIndex& index);
  // The boxes, and the focus, as the model holds them after an action.
  void ShowBoxes();

  bar::EditorModel& editor_;
  QuickcommandModel model_;
  QTableView* targets_;
  QTableView* names_;
  QLineEdit* targetBox_;
  QLineEdit* nameBox_;
  QWidget* first_;
};

// Shows the options' model; every click goes to it.
class OptionsDialog : public ToolWindow {
  Q_OBJECT
 public:
  explicit OptionsDialog(bar::OptionsModel& options);

 protected:
  QWidget* FirstFocus() override;

 private:
  QCheckBox* caseSensitive_;
};

}  // namespace tarvolin::ui
