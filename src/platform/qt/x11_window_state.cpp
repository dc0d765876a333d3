#include "platform/qt/x11_window_state.h"

#include "platform/qt/x11_connection.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#endif

namespace tarvolin::platform::x11 {

#if defined(TARVOLIN_HAVE_XCB)

xcb_connection_t* Connection() {
  auto* app = qGuiApp;
  if (app == nullptr) {
    return nullptr;
  }
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

namespace {

// The atoms the program asks for. The first request for any of them interns
// them all in one round trip; answers are kept for the connection's life.
constexpr const char* kKnownAtoms[] = {
    "_NET_WM_STATE",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_STATE_ABOVE",
    "_NET_SUPPORTED",
    "_NET_REQUEST_FRAME_EXTENTS",
    "_NET_FRAME_EXTENTS",
};

struct AtomCache {
  xcb_connection_t* connection = nullptr;
  std::vector<std::pair<std::string, xcb_atom_t>> atoms;
};

xcb_intern_atom_cookie_t RequestAtom(xcb_connection_t* c, const char* name) {
  return xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
}

xcb_atom_t AtomOfReply(xcb_connection_t* c, xcb_intern_atom_cookie_t cookie) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  if (reply == nullptr) {
    return XCB_ATOM_NONE;
  }
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  static AtomCache cache;
  if (cache.connection != c) {
    cache.connection = c;
    cache.atoms.clear();
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char* known : kKnownAtoms) {
      cookies.push_back(RequestAtom(c, known));
    }
    for (std::size_t i = 0; i < cookies.size(); ++i) {
      cache.atoms.emplace_back(kKnownAtoms[i], AtomOfReply(c, cookies[i]));
    }
  }
  for (const auto& [known, atom] : cache.atoms) {
    if (known == name && atom != XCB_ATOM_NONE) {
      return atom;
    }
  }
  const xcb_atom_t atom = AtomOfReply(c, RequestAtom(c, name));
  if (atom != XCB_ATOM_NONE) {
    cache.atoms.emplace_back(name, atom);
  }
  return atom;
}

namespace {

xcb_window_t RootOf(xcb_connection_t* c) {
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Sends a _NET_WM_STATE "add" request for up to two states to the root
// window, as the window-manager hints ask of a mapped window.
void AddStates(QWidget* widget, const char* first, const char* second) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || !widget->isVisible()) {
    return;
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(c, "_NET_WM_STATE");
  event.data.data32[0] = 1;  // add
  event.data.data32[1] = Atom(c, first);
  event.data.data32[2] = second != nullptr ? Atom(c, second) : xcb_atom_t{XCB_ATOM_NONE};
  event.data.data32[3] = 1;  // from an ordinary application
  xcb_send_event(c, 0, RootOf(c),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
}

}  // namespace

void PrepareSkipTaskbar(QWidget* widget) {
  xcb_connection_t* c = Connection();
  if (c == nullptr || widget->isVisible()) {
    return;
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  const xcb_atom_t stateAtom = Atom(c, "_NET_WM_STATE");
  std::vector<xcb_atom_t> states;
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(c, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 1024);
  if (xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr)) {
    if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
      const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
      states.assign(data, data + reply->value_len);
    }
    std::free(reply);
  }
  for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
    const xcb_atom_t atom = Atom(c, name);
    if (std::find(states.begin(), states.end(), atom) == states.end()) {
      states.push_back(atom);
    }
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, stateAtom, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(states.size()), states.data());
  xcb_flush(c);
}

void RequestSkipTaskbar(QWidget* widget) {
  AddStates(widget, "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER");
}

void RequestAbove(QWidget* widget) {
  AddStates(widget, "_NET_WM_STATE_ABOVE", nullptr);
}

#else

void PrepareSkipTaskbar(QWidget*) {}
void RequestSkipTaskbar(QWidget*) {}
void RequestAbove(QWidget*) {}

#endif

}  // namespace tarvolin::platform::x11
