// Facts about the system the tests run on, for the few cases whose outcome
// depends on it.
#pragma once

namespace tarvolin::testing {

// Whether the tests run under Wine rather than Windows itself: Wine's
// ntdll exports wine_get_version. Always false off Windows.
bool RunningUnderWine();

// The ANSI code page that the A functions use; 0 off Windows.
unsigned AnsiCodePage();

}  // namespace tarvolin::testing
