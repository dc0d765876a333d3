#include "bar/dialog_models.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/interpreter.h"

namespace tarvolin::bar {

std::string MessageText(const std::string& text, std::string_view lineBreak) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      result += lineBreak;
      i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 1 : 0;
    } else {
      result += text[i];
    }
  }
  return result;
}

EditorModel::EditorModel(QuickcommandTable& table, sys::FileSystem& files, Prompts& prompts,
                         const std::string& barText, std::string startFolder,
                         sys::Applications* applications)
    : targetBox(barText == kUnknownCommandText ? std::string() : barText),
      table_(table),
      files_(files),
      applications_(applications),
      prompts_(prompts),
      firstTarget_(targetBox),
      startFolder_(std::move(startFolder)),
      rows_(table.size()) {
  // A big table's copy takes longer than a user waits for an action: it is
  // made beside the GUI thread, which only reads the table meanwhile, and
  // the first change waits for what is left of it.
  if (rows_ >= kPackAsideRows) {
    packing_ = std::async(std::launch::async, [this] { return Pack(table_, rows_); });
  }
}

EditorModel::~EditorModel() {
  if (packing_.valid()) {
    packing_.wait();
  }
}

bool EditorModel::Add() {
  const EditorPrompts prompts{
      [this](const std::string& text) { prompts_.Inform(Dialog::kEditor, text); },
      [this](const std::string& text) { return prompts_.AskYesNo(Dialog::kEditor, text); }};
  TakeBefore();
  if (!AddQuickcommand(table_, rows_, targetBox, nameBox, files_, prompts, applications_)) {
    return false;
  }
  targetBox.clear();
  nameBox.clear();
  return true;
}

void EditorModel::ShowRow(std::size_t k) {
  if (k < Rows()) {
    targetBox = table_[k].Target;
    nameBox = table_[k].Name;
  }
}

void EditorModel::TakeBefore() {
  if (before_) {
    return;
  }
  before_ = packing_.valid() ? packing_.get() : Pack(table_, rows_);
}

std::string EditorModel::Pack(const QuickcommandTable& table, std::size_t rows) {
  std::size_t size = 0;
  for (std::size_t k = 0; k < rows; ++k) {
    size += 2 * sizeof(std::uint32_t) + table[k].Target.size() + table[k].Name.size();
  }
  std::string packed;
  packed.reserve(size);
  const auto put = [&packed](const std::string& text) {
    const auto length = static_cast<std::uint32_t>(text.size());
    packed.append(reinterpret_cast<const char*>(&length), sizeof length);
    packed += text;
  };
  for (std::size_t k = 0; k < rows; ++k) {
    put(table[k].Target);
    put(table[k].Name);
  }
  return packed;
}

QuickcommandTable EditorModel::Unpack(const std::string& packed) {
  QuickcommandTable table;
  std::size_t at = 0;
  const auto take = [&packed, &at] {
    std::uint32_t length = 0;
    std::memcpy(&length, packed.data() + at, sizeof length);
    at += sizeof length;
    std::string text = packed.substr(at, length);
    at += length;
    return text;
  };
  while (at < packed.size()) {
    QuickcommandEntry entry;
    entry.Target = take();
    entry.Name = take();
    table.push_back(std::move(entry));
  }
  return table;
}

void EditorModel::Remove(std::size_t k) {
  if (k >= rows_) {
    return;
  }
  TakeBefore();
  RemoveQuickcommand(table_, k);
  --rows_;
  targetBox.clear();
  nameBox.clear();
  focus_ = Focus::kTargetBox;
}

void EditorModel::Browse() {
  const std::string chosen = prompts_.OpenFile(
      Dialog::kEditor, chosenFile_.empty() ? startFolder_ : files_.NativePath(chosenFile_));
  // The file dialog speaks the system's paths; the table holds drive paths.
  if (!chosen.empty()) {
    chosenFile_ = files_.DrivePathOf(chosen);
  }
  if (!chosenFile_.empty()) {
    targetBox = chosenFile_;
  }
  focus_ = Focus::kNameBoxSelected;
}

OptionsModel::OptionsModel(SettingsState& settings, std::function<void(int corner)> moveBar,
                           bool online)
    : autoUpdate(settings.AutoUpdate),
      webExtensionText(FormatWebExtensions(settings.WebExtensionList)),
      settings_(settings),
      moveBar_(std::move(moveBar)),
      online_(online) {}

int OptionsModel::Corner() const {
  return settings_.CornerCode >= 1 && settings_.CornerCode <= 4 ? settings_.CornerCode : 0;
}

void OptionsModel::PickCorner(int corner) {
  settings_.CornerCode = static_cast<std::int16_t>(corner);
  moveBar_(corner);
}

}  // namespace tarvolin::bar
