#include "bar/calculator.h"

#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <locale>
#include <memory>
#include <sstream>

namespace tarvolin::bar {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// muParser asks this for a value where a token starts: 0x and hex digits.
int HexValue(const mu::char_type* text, int* position, mu::value_type* value) {
  if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || HexDigit(text[2]) < 0) {
    return 0;
  }
  double number = 0;
  int length = 2;
  for (; HexDigit(text[length]) >= 0; ++length) {
    number = number * 16 + HexDigit(text[length]);
  }
  *position += length;
  *value = number;
  return 1;
}

}  // namespace

Calculation Calculate(const std::string& expression) {
  static std::unique_ptr<mu::Parser> parser;
  if (!parser) {
    parser = std::make_unique<mu::Parser>();
    parser->AddValIdent(HexValue);
  }
  try {
    parser->SetExpr(expression);
    int results = 0;
    const double* values = parser->Eval(results);
    // muParser reads "1,5" as two expressions: here a comma is a decimal
    // comma the parser does not know.
    if (results != 1) {
      std::string pointed = expression;
      std::replace(pointed.begin(), pointed.end(), ',', '.');
      return {false, "Use a point for decimals: " + pointed};
    }
    const double result = values[0];
    if (!std::isfinite(result)) {
      return {false, "Not a finite number"};
    }
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(15);
    // -0 shows as 0.
    text << (result == 0 ? 0.0 : result);
    return {true, text.str()};
  } catch (const mu::Parser::exception_type& error) {
    return {false, error.GetMsg()};
  }
}

}  // namespace tarvolin::bar
