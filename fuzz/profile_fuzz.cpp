// The INI store: a value written to any file reads back as written (blanks
// around it aside, cut to 254 bytes), and every other key of its section
// keeps its value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz.h"
#include "sys/posix/ini_store.h"
#include "sys/text.h"

namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

// The input is the file, then the section, the key and the value, each
// after a 0 byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvolin;
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 4) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  parts.resize(4);
  const std::string& file = parts[0];
  const std::string& section = parts[1];
  const std::string& key = parts[2];
  const std::string& value = parts[3];
  const std::string path = fuzz::Folder() + "/tv.ini";
  fuzz::WriteFile(path, file);
  std::vector<std::pair<std::string, std::string>> before;
  sys::ReadIniSection(path, section, &before);
  sys::IniStore store;
  if (!store.Write(section, key, value, path)) {
    return 0;  // a name or value that would not read back as itself
  }
  const std::string read = store.Read(section, key, path);
  fuzz::Check(read.size() <= 254, "a value reads back cut to 254 bytes");
  if (value.size() <= 200) {
    fuzz::Check(Trim(read) == Trim(value), "a value reads back as written");
  }
  // The section's other keys, in their order, with their values.
  const auto others = [&](std::vector<std::pair<std::string, std::string>> keys) {
    std::erase_if(keys, [&](const auto& entry) {
      return sys::LowerAscii(entry.first) == sys::LowerAscii(Trim(key));
    });
    return keys;
  };
  std::vector<std::pair<std::string, std::string>> after;
  sys::ReadIniSection(path, section, &after);
  fuzz::Check(others(before) == others(after), "other keys keep their values");
  return 0;
}
