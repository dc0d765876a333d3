// The calculator behind a line that starts with "=": muParser evaluates
// the rest. Its parser is made at the first calculation, not at start-up;
// on Linux the calculator is a module of its own (tarvolin_calc), which the
// bar loads, and muParser's library with it, at the first "=".
#pragma once

#include <string>

namespace tarvolin::bar {

struct Calculation {
  bool done = false;
  // The result as the box shows it (up to 15 significant digits, a point
  // before the decimals whatever the user's locale), or why there is none.
  std::string text;
};

// Evaluates `expression`: + - * / ^, brackets, functions such as sqrt, sin,
// ln, log10, abs, min and max (a comma separates their arguments), the
// constants _pi and _e, and hexadecimal numbers written 0x1f.
Calculation Calculate(const std::string& expression);

// What the module exports: Calculate, under a name without C++ decoration.
using CalculateFunction = void (*)(const std::string* expression, Calculation* result);
inline constexpr char kCalculateName[] = "tarvolin_calculate";

}  // namespace tarvolin::bar
