#include "platform/x11_window_state.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#endif

namespace tarvolin::platform::x11 {

#if defined(TARVOLIN_HAVE_XCB)

namespace {

xcb_connection_t* Connection() {
  auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return native != nullptr ? native->connection() : nullptr;
}

// _NET_WM_STATE and the two states, asked for once; the answers are taken
// when first needed, by when the server has long sent them.
struct StateAtoms {
  std::array<xcb_intern_atom_cookie_t, 3> cookies{};
  std::array<xcb_atom_t, 3> atoms{};
  bool asked = false;
  bool known = false;
};

StateAtoms& Atoms(xcb_connection_t* c) {
  static StateAtoms atoms;
  if (!atoms.asked) {
    const std::array<const char*, 3> names = {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                                              "_NET_WM_STATE_SKIP_PAGER"};
    for (std::size_t i = 0; i < names.size(); ++i) {
      atoms.cookies[i] =
          xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    }
    xcb_flush(c);
    atoms.asked = true;
  }
  return atoms;
}

}  // namespace

void PrepareSkipTaskbar() {
  if (xcb_connection_t* c = Connection()) {
    Atoms(c);
  }
}

void SkipTaskbar(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    return;
  }
  StateAtoms& state = Atoms(c);
  if (!state.known) {
    state.known = true;
    for (std::size_t i = 0; i < state.atoms.size(); ++i) {
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, state.cookies[i], nullptr);
      state.known = state.known && reply != nullptr;
      state.atoms[i] = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
      std::free(reply);
    }
  }
  if (state.atoms[0] == XCB_ATOM_NONE) {
    return;
  }
  // Written whole: a withdrawn window has no states left, and Qt adds its
  // own (above all others) to what it finds here when it maps the window.
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(widget->winId()),
                      state.atoms[0], XCB_ATOM_ATOM, 32, 2, &state.atoms[1]);
}

bool HasInputFocus(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    return widget->isActiveWindow();
  }
  xcb_get_input_focus_reply_t* reply =
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  const bool focused =
      reply != nullptr && reply->focus == static_cast<xcb_window_t>(widget->winId());
  std::free(reply);
  return focused;
}

namespace {

// Asked of the server once per name and connection: a summon asks for
// several, and each would be a round trip.
xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  static std::map<std::pair<xcb_connection_t*, std::string>, xcb_atom_t> known;
  const auto found = known.find({c, name});
  if (found != known.end()) {
    return found->second;
  }
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  if (atom != XCB_ATOM_NONE) {
    known.emplace(std::make_pair(c, std::string(name)), atom);
  }
  return atom;
}

xcb_window_t Root(xcb_connection_t* c) {
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Whether the root window's _NET_SUPPORTED lists `name`.
bool Supported(xcb_connection_t* c, const char* name) {
  const xcb_atom_t wanted = Atom(c, name);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, Root(c), Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096),
      nullptr);
  bool found = false;
  if (reply != nullptr && reply->format == 32) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    found = wanted != XCB_ATOM_NONE && std::find(atoms, atoms + count, wanted) != atoms + count;
  }
  std::free(reply);
  return found;
}

// The server's time now. Qt reads this connection's events on a thread of
// its own, so the property change that gives the time is watched on a
// second connection, opened at the first summon and kept.
xcb_timestamp_t ServerTime(xcb_window_t window) {
  static xcb_connection_t* own = nullptr;
  static xcb_atom_t atom = XCB_ATOM_NONE;
  if (own == nullptr) {
    own = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(own) != 0) {
      xcb_disconnect(own);
      own = nullptr;
      return XCB_CURRENT_TIME;
    }
    atom = Atom(own, "_TARVOLIN_TIME");
  }
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(own, window, XCB_CW_EVENT_MASK, &mask);
  xcb_change_property(own, XCB_PROP_MODE_APPEND, window, atom, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(own);
  // The answer comes within a round trip; a server that does not give it
  // within a moment leaves the time to the window manager.
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (time == XCB_CURRENT_TIME && std::chrono::steady_clock::now() < end) {
    xcb_generic_event_t* event = xcb_poll_for_event(own);
    if (event == nullptr) {
      if (xcb_connection_has_error(own) != 0) {
        break;
      }
      pollfd ready{xcb_get_file_descriptor(own), POLLIN, 0};
      ::poll(&ready, 1, 20);
      continue;
    }
    if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
        reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == atom) {
      time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
    }
    std::free(event);
  }
  const std::uint32_t none = 0;
  xcb_change_window_attributes(own, window, XCB_CW_EVENT_MASK, &none);
  xcb_flush(own);
  return time;
}

// An EWMH request about `window` to the window manager: a client message
// of the given type, sent to the root window.
void AskWindowManager(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type,
                      std::initializer_list<std::uint32_t> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = type;
  std::copy(data.begin(), data.end(), message.data.data32);
  xcb_send_event(c, 0, Root(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
}

}  // namespace

bool Activate(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || !Supported(c, "_NET_ACTIVE_WINDOW")) {
    return false;
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  // 2: the request of a pager, the user's choice.
  AskWindowManager(c, window, Atom(c, "_NET_ACTIVE_WINDOW"), {2, ServerTime(window)});
  xcb_flush(c);
  return true;
}

void EndStartup(QWidget* widget, const std::string& id) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    return;
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_STARTUP_ID"),
                      Atom(c, "UTF8_STRING"), 8, static_cast<std::uint32_t>(id.size()), id.data());
  // The message goes to the root window in pieces of 20 bytes, the first
  // marked as the beginning, the last holding the closing zero. The id
  // needs no quoting: the launcher passes on only ids without blanks,
  // quotes and backslashes.
  const std::string text = "remove: ID=" + id + '\0';
  for (std::size_t at = 0; at < text.size(); at += 20) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 8;
    message.window = window;
    message.type = Atom(c, at == 0 ? "_NET_STARTUP_INFO_BEGIN" : "_NET_STARTUP_INFO");
    text.copy(reinterpret_cast<char*>(message.data.data8), 20, at);
    xcb_send_event(c, 0, Root(c), XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&message));
  }
  xcb_flush(c);
}

bool WindowManagerTellsFrames() {
  xcb_connection_t* c = Connection();
  return c != nullptr && Supported(c, "_NET_FRAME_EXTENTS");
}

bool FrameKnown(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    return true;
  }
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c,
      xcb_get_property(c, 0, static_cast<xcb_window_t>(widget->winId()),
                       Atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4),
      nullptr);
  const bool known = reply != nullptr && xcb_get_property_value_length(reply) == 16;
  std::free(reply);
  return known;
}

void KeepOnTop(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    return;
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
  // Each: 1 to add, up to two states, 1 for a request of the application's.
  AskWindowManager(c, window, state, {1, Atom(c, "_NET_WM_STATE_ABOVE"), XCB_ATOM_NONE, 1});
  AskWindowManager(
      c, window, state,
      {1, Atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), Atom(c, "_NET_WM_STATE_SKIP_PAGER"), 1});
  xcb_flush(c);
}

void Flush() {
  if (xcb_connection_t* c = Connection()) {
    xcb_flush(c);
  }
}

#else

void KeepOnTop(QWidget*) {}

bool Activate(QWidget*) {
  return false;
}

void EndStartup(QWidget*, const std::string&) {}

bool WindowManagerTellsFrames() {
  return false;
}

bool FrameKnown(QWidget*) {
  return true;
}

void PrepareSkipTaskbar() {}

void SkipTaskbar(QWidget*) {}

void Flush() {}

bool HasInputFocus(QWidget* widget) {
  return widget->isActiveWindow();
}

#endif

}  // namespace tarvolin::platform::x11
