// Holds the bar's name, the mutex one bar per session takes, for as long as
// it runs, and shows no bar: the end-to-end case starts it first, and the
// bar must run all the same and say so.
#include <windows.h>

int main() {
  if (::CreateMutexW(nullptr, FALSE, L"Local\\Tarvolin.CommandBar") == nullptr) {
    return 1;
  }
  ::Sleep(INFINITE);
  return 0;
}
