// The dialogs that unroll out of the bar: the help screen, the hidden
// screen, the quickcommand editor and the options.
#pragma once

#include <QAbstractTableModel>
#include <functional>

#include "core/quickcommands.h"
#include "core/settings.h"
#include "ui/prompter.h"
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
  explicit HelpScreen(std::function<void(const char*)> openDocument);

 protected:
  QWidget* FirstFocus() override;

 private:
  QPushButton* readMe_;
};

// A picture and a line of text, opened by a hidden word.
class HiddenScreen : public ToolWindow {
  Q_OBJECT
 public:
  HiddenScreen();

 protected:
  QWidget* FirstFocus() override { return nullptr; }
};

// The quickcommand table as two columns, target and name, for the editor's
// two lists. It shows the table's first `rows` entries.
class QuickcommandModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  QuickcommandModel(const QuickcommandTable& table, std::size_t rows)
      : table_(table), rows_(rows) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The table changed: shows its first `rows` entries afresh.
  void Reset(std::size_t rows);
  std::size_t Rows() const { return rows_; }

 private:
  const QuickcommandTable& table_;
  std::size_t rows_;
};

// Adds, changes and removes quickcommands. Every change goes to the table
// at once; saving is the caller's, when the editor closes.
class QuickcommandEditor : public ToolWindow {
  Q_OBJECT
 public:
  // The target box starts with `barText`; the file dialog starts in the
  // current folder.
  QuickcommandEditor(QuickcommandTable& table, sys::FileSystem& files, Prompter& prompter,
                     const QString& barText);
  // How many rows the lists show: 0 once the last one was removed.
  std::size_t Rows() const { return model_.Rows(); }

 protected:
  QWidget* FirstFocus() override { return first_; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Add();
  void Remove();
  void Browse();
  void ShowRow(const QModelIndex& index);

  QuickcommandTable& table_;
  sys::FileSystem& files_;
  Prompter& prompter_;
  QuickcommandModel model_;
  QTableView* targets_;
  QTableView* names_;
  QLineEdit* targetBox_;
  QLineEdit* nameBox_;
  QWidget* first_;
  // The file last chosen with Browse, kept while the editor is open.
  QString chosenFile_;
};

// The four settings. The corner and case sensitivity take effect when
// clicked; the caller reads the rest and saves everything when it closes.
class OptionsDialog : public ToolWindow {
  Q_OBJECT
 public:
  // `moveBar` moves the bar for a clicked corner.
  OptionsDialog(SettingsState& settings, std::function<void(int corner)> moveBar);
  bool CaseSensitiveChecked() const;
  bool AutoUpdateChecked() const;
  QString WebExtensionText() const;

 protected:
  QWidget* FirstFocus() override;

 private:
  QCheckBox* caseSensitive_;
  QCheckBox* autoUpdate_;
  QLineEdit* webExtensions_;
};

}  // namespace tarvolin::ui
