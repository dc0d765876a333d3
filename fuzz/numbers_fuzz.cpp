// The leading number of a text (settings and the version file) against a
// reference made of the C library's strtod, and its rounding to 16 bits.
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "core/settings.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvolin;
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Blanks, tabs and line feeds count for nothing wherever they stand; the
  // number is the longest start of the rest that reads as one.
  std::string plain;
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') {
      plain += c;
    }
  }
  static const std::regex number(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  std::smatch match;
  const double expected =
      std::regex_search(plain, match, number) ? std::strtod(match.str().c_str(), nullptr) : 0.0;
  const double got = LeadingNumber(text);
  fuzz::Check(got == expected || (std::isnan(got) && std::isnan(expected)),
              "the leading number is the C library's");
  const double rounded = std::nearbyint(got);
  const bool fits = rounded >= -32768 && rounded <= 32767;
  fuzz::Check(RoundToInt16(got) == (fits ? static_cast<int>(rounded) : 0),
              "rounding goes half to even, outside the range to 0");
  return 0;
}
