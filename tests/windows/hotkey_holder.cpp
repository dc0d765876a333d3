// Holds Ctrl+Alt+Space, the bar's key, for as long as it runs: the
// end-to-end case starts it first, and the bar must say the key is taken.
#include <windows.h>

int main() {
  if (!::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_SPACE)) {
    return 1;
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
  }
  return 0;
}
