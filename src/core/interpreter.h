// Turns one line of the command bar into what to do: the interpreter
// decides, the caller carries it out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "sys/applications.h"
#include "sys/filesystem.h"
#include "sys/text.h"

namespace tarvolin {

inline constexpr char kUnknownCommandText[] = "Unknown command (F1 for help)";
inline constexpr char kPathNotFoundStatus[] = "-::Path not found::-";
inline constexpr char kFileNotFoundStatus[] = "-::File not found::-";
inline constexpr char kLineTooLongStatus[] = "-::Line too long::-";
// The longest line the bar runs, in characters.
inline constexpr int kMaxLineLength = 32767;

// The dialogs that unroll out of the bar.
enum class Dialog { kHelp, kEditor, kOptions, kHidden };

struct Command {
  enum class Kind {
    kNothing,     // not a command; `status` (when set) says why
    kQuit,        // end the program at once, saving nothing
    kOpenDialog,  // record the line, then open `dialog`
    kOpen,        // open `target` (an address or a program), then record the line
    kRunPath,     // start `target` in `folder` (empty: it cannot be entered)
    kStart,       // start the program `target` with `arguments` in `folder`
    kLaunch,      // launch the desktop's application found as `target`
  };
  Kind kind = Kind::kNothing;
  Dialog dialog = Dialog::kHelp;
  std::string target;
  std::vector<std::string> arguments;
  // kRunPath, kStart: the folder to start in.
  std::string folder;
  // kNothing: the status text for a drive path that does not exist.
  std::string status;
};

// Built-in words, web addresses by prefix and by ending, drive paths, and
// bare program names in the two Windows folders, in that order, all on the
// line with the letters A to Z made small; then, as typed, the system's own
// paths (absolute or from ~, a program among them with its arguments) and
// programs on PATH with arguments; last, with `applications`, the name of
// one of the desktop's applications (the line as typed, or the one word it
// quotes). From the drive paths on, environment variables in the line are
// expanded first.
Command DispatchCommand(const std::string& text, const SettingsState& settings,
                        sys::FileSystem& files, sys::Applications* applications = nullptr);

// $NAME, ${NAME} and %NAME% replaced by the variable's value, and a leading
// ~ (alone or before "/") by the home folder; an unknown variable stays as
// typed. Between single quotes nothing is replaced, as in a shell.
std::string ExpandVariables(const std::string& text, const sys::Environment& environment);

// The words of a line as a user means them: blanks separate, double and
// single quotes group (and are dropped); nothing else is special.
std::vector<std::string> SplitWords(const std::string& line);

// `word` in a form that expanding and splitting a line give back as one
// word, unchanged: as it is when nothing in it is special, in double
// quotes when a blank or a single quote is all, else in single quotes
// (each single quote of it written '"'"').
std::string QuoteWord(const std::string& word);

// What a Tab candidate is: shown beside it in the list.
enum class CandidateKind { kQuickcommand, kApplication, kProgram, kFile, kFolder, kHistory };

struct Candidate {
  std::string text;
  CandidateKind kind = CandidateKind::kQuickcommand;
  bool operator==(const Candidate&) const = default;
};

// A name Tab may offer (each name once): the candidate, the form it is compared in (folded,
// except a program's name, which compares as it is on disk) and how much
// the user's use of it weighs.
inline constexpr std::size_t kMaxCandidates = 1000;

struct Offer {
  Candidate candidate;
  std::string compared;
  double weight = 0;
};

// What Tab may put in place of `word`, the word under the caret, in order:
// for a path (a drive path, or one from / or ~) the entries of its folder
// that begin with its last name, folders with their separator after them;
// otherwise the offers that match it (folded by `fold` where they are):
// first those it names whole, then those it begins, then (quickcommands
// and applications only) those with a word it begins ("writer" for
// "LibreOffice Writer"), then those holding its letters in order ("lbw");
// within each, the heavier first, then in the offers' order; at most
// kMaxCandidates of them. Hidden entries only for a name that begins with
// ".".
std::vector<Candidate> TabCandidates(
    const std::string& word, const std::vector<Offer>& offers, sys::FileSystem& files,
    const std::function<std::string(const std::string&)>& fold = sys::LowerAscii);

// Puts a backslash after a drive letter and its colon: d gives d:\, c: gives
// c:\, c:games gives c:\games; c:\games stays. Never given empty text.
std::string NormalizeDrivePath(const std::string& p);

// The folder a drive path lives in, with its trailing backslash; for a path
// without a dot (other than in its last place) the path itself. Empty text
// when nothing exists there.
std::string FolderOfTarget(sys::FileSystem& files, const std::string& p);

// Whether a text may be stored as a quickcommand's target: a drive path
// whose folder exists, a web address starting with http://, https:// or
// www. (in small letters), a system path whose folder exists, or a program
// (a path or a name on PATH) with its arguments, or with `applications` the
// name of an application.
bool IsValidTarget(sys::FileSystem& files, const std::string& s,
                   sys::Applications* applications = nullptr);

}  // namespace tarvolin
