// What the bar and its dialogs show, the same in every front end: their
// captions, texts and picture, and their sizes in twips (1/1440 inch),
// which each front end turns into its pixels. How the controls are laid
// out inside is each front end's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "core/interpreter.h"

namespace tarvolin::bar {

// The bar: a strip its box fills but for a line on the right.
inline constexpr Size kBarTwips{3750, 285};
inline constexpr Size kBoxTwips{3735, 285};

// Each dialog's caption and the size of its inside.
std::string Caption(Dialog dialog);
Size ClientTwips(Dialog dialog);

// The help screen.
inline constexpr char kHelpFrame[] = "Help";
inline constexpr char kHelpText[] =
    "Tarvolin Commands:\n\n"
    "F1 or 'help' : Shows this screen\n"
    "F2 or 'edit' : Edit your quickcommands\n"
    "quit (or exit) : Exits the program\n"
    "F3 or 'options': Brings up the options\n"
    "Tab : Lists what a word may be\n"
    "=2+3*4 : Calculates\n\n"
    "by Tarvolin team, team@tarvolin.invalid";
// Its two buttons and the documents they open.
struct DocumentButton {
  const char* caption;
  const char* document;
};
inline constexpr DocumentButton kDocumentButtons[] = {{"What is Tarvolin?", "ReadMe.txt"},
                                                      {"What's New?", "Changelog.txt"}};

// The hidden screen: a line of text under a picture of 68 by 79 pixels,
// a face with closed eyes under a sky that fades from blue to pale, as
// 0xRRGGBB row by row from the top.
inline constexpr char kHiddenText[] = "What's the world without eastereggs, ne?  ^^";
inline constexpr Size kHiddenPictureSize{68, 79};
std::vector<std::uint32_t> HiddenPicture();

// The quickcommand editor.
inline constexpr char kTargetsLabel[] = "\"QuickPrograms\" :";
inline constexpr char kNamesLabel[] = "Quickcommands:";
inline constexpr char kRemoveButton[] = "Remove";
inline constexpr char kBrowseButton[] = "Browse";
inline constexpr char kAddButton[] = "Add";

// The options: three pages, each a tab and a frame.
struct OptionsPage {
  const char* tab;
  const char* frame;
};
inline constexpr OptionsPage kOptionsPages[] = {
    {"General", "General"}, {"Position", "Position"}, {"Web", "Web-extensions"}};
inline constexpr char kCaseSensitiveCaption[] = "Case Sensitive";
inline constexpr char kAutoUpdateCaption[] = "Auto-Update";
// Corners 1 to 4.
inline constexpr const char* kCornerCaptions[] = {"Top Left", "Top Right", "Bottom Left",
                                                  "Bottom Right"};

}  // namespace tarvolin::bar
