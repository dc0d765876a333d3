// What a second start asks of the running bar, as one line: the same words
// over the Linux bar's socket and in the Windows bar's WM_COPYDATA.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolin {

// A second start's request: "show" or "toggle", with what the desktop gave
// the launcher for the window it expected, to pass on (each empty when
// none): the Wayland activation token ($XDG_ACTIVATION_TOKEN), which lets
// the bar take the focus, and the X11 startup notification id
// ($DESKTOP_STARTUP_ID), whose launch feedback the bar ends.
struct Request {
  std::string verb;
  std::string activationToken;
  std::string startupId;
  bool operator==(const Request&) const = default;
};

// The longest token or id passed on; a longer one is left out.
inline constexpr std::size_t kMaxTokenBytes = 200;

// The request as one line, without its line feed: the verb, then
// " xdg=TOKEN" and " startup=ID" for those given. A token or id that is
// longer than kMaxTokenBytes or holds anything but printable ASCII other
// than blanks, quotes and backslashes is left out.
std::string FormatRequest(const Request& request);

// The request one line holds, in the form FormatRequest gives; nothing for
// any other line.
std::optional<Request> ParseRequest(std::string_view line);

// The longest line ParseRequest reads: a verb and two tokens.
inline constexpr std::size_t kMaxRequestBytes = 16 + 2 * (kMaxTokenBytes + 10);

}  // namespace tarvolin
