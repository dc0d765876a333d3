// The update server's addresses: whatever tv.ini or a redirect holds, the
// request line that goes out has no blank, no line break and no byte above
// 127, so nothing in an address can add a header.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz.h"
#include "online/socket_http.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvolin;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t split = text.find('\n');
  const std::string url = "http://h/" + text.substr(0, split);
  const std::string location = split == std::string::npos ? "" : text.substr(split + 1);
  for (const std::string& address : {url, ResolveRedirect(url, location)}) {
    if (const auto parsed = ParseHttpAddress(address)) {
      for (const char c : parsed->target + parsed->hostHeader) {
        const auto byte = static_cast<unsigned char>(c);
        fuzz::Check(byte > 32 && byte < 127, "the request line holds only visible ASCII");
      }
      fuzz::Check(!parsed->target.empty() && parsed->target.front() == '/', "a target from /");
    }
  }
  return 0;
}
