#include "platform/qt/frame_estimate.h"

#include "platform/qt/x11_connection.h"

#include <QWidget>
#include <QWindow>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#endif

namespace tarvolin::platform {

#if defined(TARVOLIN_HAVE_XCB)

using x11::Atom;
using x11::Connection;

namespace {

// The window manager answers within a few milliseconds; one that has gone
// away must not hold the program up for long.
constexpr auto kAnswerTimeout = std::chrono::milliseconds(500);
constexpr auto kPollInterval = std::chrono::milliseconds(2);

bool Supports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t feature) {
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(c, 0, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
  if (reply == nullptr) {
    return false;
  }
  bool found = false;
  if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    for (std::uint32_t i = 0; i < reply->value_len && !found; ++i) {
      found = atoms[i] == feature;
    }
  }
  std::free(reply);
  return found;
}

bool ReadExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents, QMargins& out) {
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
  if (reply == nullptr) {
    return false;
  }
  const bool ok = reply->format == 32 && reply->type == XCB_ATOM_CARDINAL && reply->value_len == 4;
  if (ok) {
    // The property lists left, right, top, bottom.
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    out = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                   static_cast<int>(v[3]));
  }
  std::free(reply);
  return ok;
}

// Asks the window manager (through the extended window-manager hints) what
// frame it would put around the probe.
QMargins AskWindowManager(xcb_connection_t* c, QWidget& probe) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  if (request == XCB_ATOM_NONE || !Supports(c, root, request)) {
    return {};
  }
  const auto window = static_cast<xcb_window_t>(probe.winId());
  const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");

  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = request;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);

  QMargins margins;
  const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
  while (!ReadExtents(c, window, extents, margins)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return {};
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return margins;
}

}  // namespace

#endif

QMargins EstimateFrameMargins(Qt::WindowFlags flags) {
  // A window of the same kind and likewise fixed in size (a window manager
  // gives a resizable window grips), created but never shown, so the real
  // window keeps its own first showing untouched.
  QWidget probe(nullptr, flags);
  probe.setFixedSize(100, 100);
  probe.winId();
#if defined(TARVOLIN_HAVE_XCB)
  if (xcb_connection_t* c = Connection()) {
    // The X11 frame belongs to the window manager and exists only from the
    // first mapping on.
    return AskWindowManager(c, probe);
  }
#endif
  QWindow* window = probe.windowHandle();
  return window != nullptr ? window->frameMargins() : QMargins();
}

}  // namespace tarvolin::platform
