// The libFuzzer targets, one per parser, each built from this file with
// TARVOLIN_FUZZ_TARGET naming its function (fuzz/CMakeLists.txt). A broken
// property stops the run with a message.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "core/request.h"
#include "core/settings.h"
#include "core/usage.h"
#include "sys/applications.h"
#include "sys/environment.h"
#include "sys/posix/desktop_applications.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/text.h"

namespace tarvolin::fuzz {

void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

// A path in one temporary folder for the whole run, its folders made.
std::string PathOf(const std::string& relative) {
  static const std::string folder = [] {
    std::string path = (std::filesystem::temp_directory_path() / "tarvolin-fuzz-XXXXXX").string();
    Check(::mkdtemp(path.data()) != nullptr, "a temporary folder");
    return path;
  }();
  std::filesystem::create_directories(std::filesystem::path(folder + "/" + relative).parent_path());
  return folder + "/" + relative;
}

std::string WriteFile(const std::string& relative, const std::string& bytes) {
  std::ofstream(PathOf(relative), std::ios::binary | std::ios::trunc) << bytes;
  return PathOf(relative);
}

// files.cfg: whatever the file holds loads without harm, and saving what was
// loaded and loading it again gives the same table.
void Quickcommands(const std::string& input) {
  const std::string path = WriteFile("files.cfg", input);
  QuickcommandTable loaded;
  LoadQuickcommands(loaded, path);
  Check(!loaded.empty(), "the first load gives at least one entry");
  QuickcommandTable saved = loaded;
  std::string error;
  Check(SaveQuickcommands(saved, true, path, &error), "a save in a writable folder");
  Check(saved == loaded, "save then load is identity");
  // What the save kept in memory is what the file says.
  QuickcommandTable fresh;
  LoadQuickcommands(fresh, path);
  Check(fresh == saved, "the saved table is the file's");
}

// The INI store: a value written to any file reads back as written (blanks
// around it aside, cut to 254 bytes), and every other key of its section
// keeps its value. The input is the file, then the section, the key and the
// value, each after a 0 byte.
void Profile(const std::string& input) {
  std::vector<std::string> parts(1);
  for (const char c : input) {
    if (c == 0 && parts.size() < 4) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  parts.resize(4);
  const std::string &section = parts[1], &key = parts[2], &value = parts[3];
  const auto trim = [](const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
  };
  // The section's other keys, in their order, with their values.
  const auto others = [&](const std::string& path) {
    std::vector<std::pair<std::string, std::string>> keys;
    sys::ReadIniSection(path, section, &keys);
    std::erase_if(keys, [&](const auto& entry) {
      return sys::LowerAscii(entry.first) == sys::LowerAscii(trim(key));
    });
    return keys;
  };
  const std::string path = WriteFile("tv.ini", parts[0]);
  const auto before = others(path);
  sys::IniStore store;
  if (!store.Write(section, key, value, path)) {
    return;  // a name or value that would not read back as itself
  }
  const std::string read = store.Read(section, key, path);
  Check(read.size() <= 254, "a value reads back cut to 254 bytes");
  Check(value.size() > 200 || trim(read) == trim(value), "a value reads back as written");
  Check(others(path) == before, "other keys keep their values");
}

// The leading number of a text (settings and the version file) is the C
// library's strtod of its number part, blanks, tabs and line feeds counting
// for nothing wherever they stand; rounded to 16 bits half to even, and to 0
// outside the range.
void Numbers(const std::string& input) {
  std::string plain;
  for (const char c : input) {
    if (c != ' ' && c != '\t' && c != '\n') {
      plain += c;
    }
  }
  static const std::regex number(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  std::smatch match;
  const double expected =
      std::regex_search(plain, match, number) ? std::strtod(match.str().c_str(), nullptr) : 0.0;
  const double got = LeadingNumber(input);
  Check(got == expected || (std::isnan(got) && std::isnan(expected)), "the C library's number");
  const double rounded = std::nearbyint(got);
  const bool fits = rounded >= -32768 && rounded <= 32767;
  Check(RoundToInt16(got) == (fits ? static_cast<int>(rounded) : 0), "rounding to 16 bits");
}

// Drive paths: whatever follows the letter, the path never leads outside the
// folder the letter is mapped to, and a directory search never fails hard.
void Paths(const std::string& input) {
  static const std::string drive = [] {
    WriteFile("drive/Games/run.exe", "x");
    std::filesystem::create_directories(PathOf("drive/Games/Sub"));
    return PathOf("drive");
  }();
  sys::PosixFileSystem files("/");
  files.SetDriveMap({{'c', drive}});
  const std::string path = "c:" + input;
  const std::string native = files.NativePath(path);
  Check(native.empty() || native == drive || native.rfind(drive + "/", 0) == 0,
        "a drive path stays inside its folder");
  files.FirstMatchingEntry(path, sys::kAttrDirectory | sys::kAttrHidden);
  IsValidTarget(files, path);
  NormalizeDrivePath(path);
}

// The request line of a second start: a line that parses formats back to
// itself, and whatever request is made of the bytes formats to a line that
// parses back to it, less what may not be passed on.
void Request(const std::string& input) {
  if (const auto parsed = ParseRequest(input)) {
    Check(FormatRequest(*parsed) == input, "a parsed request formats back to its line");
  }
  const std::size_t first = input.find('\n');
  const std::size_t second = first == std::string::npos ? first : input.find('\n', first + 1);
  tarvolin::Request made{
      input.size() % 2 == 0 ? "show" : "toggle", input.substr(0, first),
      first == std::string::npos ? "" : input.substr(first + 1, second - first - 1)};
  const auto back = ParseRequest(FormatRequest(made));
  Check(back.has_value() && back->verb == made.verb, "a formatted request parses");
  Check(back->activationToken.empty() || back->activationToken == made.activationToken,
        "the token comes back as it was, or not at all");
  Check(back->startupId.empty() || back->startupId == made.startupId,
        "the startup id comes back as it was, or not at all");
}

// A line's words: each put back in quotes of a kind it does not hold, the
// line splits into the same words; expanding variables never fails.
void Words(const std::string& input) {
  static const sys::FixedEnvironment environment({{"HOME", "/home/u"}, {"A", "$A%A%"}});
  const std::vector<std::string> words = SplitWords(input);
  std::string line;
  for (const std::string& word : words) {
    line += QuoteWord(word) + " ";
  }
  Check(SplitWords(ExpandVariables(line, environment)) == words,
        "quoted words expand and split back into themselves");
  ExpandVariables(input, environment);
}

// The applications' names, from the desktop's entries or the Start menu's
// shortcuts (a line an entry, its two names split by a tab): each name is
// offered once and never longer than the cap, and every name offered finds
// an entry that goes by it, by its first name where one does.
// What usage.cfg becomes: a table within its bound, which reads its own
// file back alike.
void Usage(const std::string& input) {
  UsageTable table = UsageTable::Parse(input);
  Check(table.Size() <= UsageTable::kMaxNames, "the table stays within its bound");
  table.Record(input);
  const UsageTable again = UsageTable::Parse(table.Format());
  Check(again.Size() == table.Size(), "the table reads its own file back whole");
  Check(std::isfinite(again.Weight(input)) && again.Weight(input) >= 0, "weights are numbers");
}

void Names(const std::string& input) {
  class Listed final : public sys::NamedApplications {
   public:
    explicit Listed(const std::string& text) {
      std::size_t at = 0;
      while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        const std::size_t tab = line.find('\t');
        entries.push_back({std::to_string(entries.size()), line.substr(0, tab),
                           tab == std::string::npos ? std::string() : line.substr(tab + 1)});
        at = end + 1;
      }
    }
    std::string Launch(const std::string&, const std::string&, bool) override { return {}; }
    std::vector<Entry> entries;

   private:
    std::vector<Entry> Read() override { return entries; }
    std::string Folded(const std::string& name) const override { return sys::LowerAscii(name); }
    bool Changed() override { return false; }
  };
  Listed apps(input);
  const std::vector<std::string> names = apps.Names();
  std::set<std::string> seen;
  for (const std::string& name : names) {
    Check(seen.insert(name).second, "each name is offered once");
    Check(!name.empty() && name.size() <= sys::NamedApplications::kMaxNameBytes,
          "a name offered is within the cap");
    const std::string id = apps.Find(name);
    Check(!id.empty(), "a name offered finds an entry");
    const auto& entry = apps.entries[std::stoul(id)];
    const std::string folded = sys::LowerAscii(name);
    const bool first = std::any_of(apps.entries.begin(), apps.entries.end(), [&](const auto& e) {
      return sys::LowerAscii(e.name) == folded;
    });
    Check(sys::LowerAscii(first ? entry.name : entry.otherName) == folded,
          "the entry found goes by the name, by its first name where one does");
  }
}

// An entry's Exec words (a line each) with their field codes filled in: a
// word without a % comes back as it is and in its place among the others,
// %% gives one %, and nothing is made up (no icon, no words added).
void Exec(const std::string& input) {
  std::vector<std::string> words(1);
  for (const char c : input) {
    if (c == '\n') {
      words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  const std::vector<std::string> arguments =
      sys::ExecArguments(words, "Name", "", "/usr/share/applications/x.desktop");
  Check(arguments.size() <= words.size(), "no argument made up");
  std::size_t at = 0;
  for (const std::string& word : words) {
    if (word.find('%') == std::string::npos) {
      at = std::find(arguments.begin() + static_cast<std::ptrdiff_t>(at), arguments.end(), word) -
           arguments.begin();
      Check(at < arguments.size(), "a plain word comes back in its place");
      ++at;
    }
  }
  const std::vector<std::string> percent = sys::ExecArguments({"%%", "a%%b"}, "", "", "");
  Check(percent == std::vector<std::string>{"%", "a%b"}, "%% gives one %");
}

}  // namespace tarvolin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvolin::fuzz::TARVOLIN_FUZZ_TARGET(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
