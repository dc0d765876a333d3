// The calculator as a module of its own, loaded at the first "=".
#include "bar/calculator.h"

extern "C" __attribute__((visibility("default"))) void tarvolin_calculate(
    const std::string* expression, tarvolin::bar::Calculation* result) {
  *result = tarvolin::bar::Calculate(*expression);
}
