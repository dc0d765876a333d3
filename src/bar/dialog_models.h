// What the quickcommand editor and the options dialog decide, apart from
// how they are drawn: a front end shows these models and forwards its
// controls' events to them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include "bar/view.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "sys/filesystem.h"

namespace tarvolin::bar {

// The quickcommand editor: two lists (row k of both is entry k of the
// table), a target box and a name box. Every change goes to the table at
// once; the rules save it when the editor closes. The model holds what the
// boxes show: a front end puts what the user types into `targetBox` and
// `nameBox`, and shows them again, with the focus TakeFocus() says, after
// each action.
class EditorModel {
 public:
  // The target box starts with the bar's text unless that is the status of
  // an unknown command; the file dialog starts in `startFolder`. A target
  // may name one of `applications` (when given).
  EditorModel(QuickcommandTable& table, sys::FileSystem& files, Prompts& prompts,
              const std::string& barText, std::string startFolder,
              sys::Applications* applications = nullptr);
  ~EditorModel();
  EditorModel(const EditorModel&) = delete;
  EditorModel& operator=(const EditorModel&) = delete;

  const std::string& FirstTarget() const { return firstTarget_; }
  // A target typed in the bar already: the name box comes first.
  bool NameFirst() const { return !firstTarget_.empty(); }

  // How many rows the lists show: the table's size, 0 once the last row was
  // removed (the table then holds the blank placeholder).
  std::size_t Rows() const { return std::min(rows_, table_.size()); }
  const QuickcommandEntry& Row(std::size_t k) const { return table_[k]; }

  std::string targetBox;
  std::string nameBox;
  enum class Focus { kKeep, kTargetBox, kNameBoxSelected };
  // Where the focus goes after the last action; kKeep once taken.
  Focus TakeFocus() { return std::exchange(focus_, Focus::kKeep); }

  // Adds the boxes' pair, asking about every entry that holds its name or
  // target. True when done: the boxes are emptied.
  bool Add();
  bool Add(std::string target, std::string name) {
    targetBox = std::move(target);
    nameBox = std::move(name);
    return Add();
  }
  // Removes row k; the boxes are emptied, the target box taking the focus.
  void Remove(std::size_t k);
  // The file dialog, starting at the file chosen last: its choice goes into
  // the target box as a drive path (cancelled, the last choice again, if
  // any). The name box then takes the focus with its text selected.
  void Browse();
  // A row picked in either list: the boxes show its entry.
  void ShowRow(std::size_t k);

  // The entries as the editor opened on them, taken by the first change
  // (nothing while nothing was changed): when the editor closes, the copy
  // goes to the save, packed, to be unpacked there only when another
  // process saved meanwhile. Nothing but the model may change the table
  // while it lives.
  std::optional<std::string> ReleaseBefore() { return std::exchange(before_, std::nullopt); }
  static QuickcommandTable Unpack(const std::string& packed);

 private:
  void TakeBefore();
  static std::string Pack(const QuickcommandTable& table, std::size_t rows);
  static constexpr std::size_t kPackAsideRows = 20000;

  QuickcommandTable& table_;
  sys::FileSystem& files_;
  sys::Applications* applications_;
  Prompts& prompts_;
  std::string firstTarget_;
  std::string startFolder_;
  std::size_t rows_;
  std::string chosenFile_;
  Focus focus_ = Focus::kKeep;
  // Packed, each text after its length: a large table's copy costs about
  // the file's size, not the twice that separate strings take.
  std::optional<std::string> before_;
  std::future<std::string> packing_;
};

// The options: the corner and case sensitivity take effect when clicked;
// Auto-Update and the web endings are kept until the dialog closes.
class OptionsModel {
 public:
  // `moveBar` moves the bar for a corner clicked in the dialog. Without
  // `online` the program has no update check: Auto-Update is shown off and
  // cannot be changed.
  OptionsModel(SettingsState& settings, std::function<void(int corner)> moveBar,
               bool online = true);
  bool AutoUpdateChangeable() const { return online_; }
  // Whether the box shows Auto-Update on: never without an update check.
  bool AutoUpdateShown() const { return online_ && autoUpdate; }

  // The corner shown checked (0 for none), and the other values shown.
  int Corner() const;
  bool CaseSensitive() const { return settings_.CaseSensitive; }
  bool autoUpdate;
  std::string webExtensionText;

  void PickCorner(int corner);
  void SetCaseSensitive(bool on) { settings_.CaseSensitive = on; }

 private:
  SettingsState& settings_;
  std::function<void(int corner)> moveBar_;
  bool online_;
};

}  // namespace tarvolin::bar
