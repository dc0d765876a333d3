#include "ui/x11_window_state.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>
#endif

namespace tarvolin::ui::x11 {

#if defined(TARVOLIN_HAVE_XCB)

void SkipTaskbar(QWidget* widget) {
  auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = native != nullptr ? native->connection() : nullptr;
  if (c == nullptr) {
    return;
  }
  // All three names in one round trip.
  const std::array<const char*, 3> names = {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                                            "_NET_WM_STATE_SKIP_PAGER"};
  std::array<xcb_intern_atom_cookie_t, 3> cookies{};
  for (std::size_t i = 0; i < names.size(); ++i) {
    cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
  }
  std::array<xcb_atom_t, 3> atoms{};
  for (std::size_t i = 0; i < names.size(); ++i) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookies[i], nullptr);
    if (reply == nullptr) {
      return;
    }
    atoms[i] = reply->atom;
    std::free(reply);
  }
  const auto window = static_cast<xcb_window_t>(widget->winId());
  std::vector<xcb_atom_t> states;
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(c, 0, window, atoms[0], XCB_ATOM_ATOM, 0, 1024);
  if (xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr)) {
    if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
      const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
      states.assign(data, data + reply->value_len);
    }
    std::free(reply);
  }
  for (const xcb_atom_t state : {atoms[1], atoms[2]}) {
    if (std::find(states.begin(), states.end(), state) == states.end()) {
      states.push_back(state);
    }
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms[0], XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(states.size()), states.data());
  xcb_flush(c);
}

bool HasInputFocus(QWidget* widget) {
  auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = native != nullptr ? native->connection() : nullptr;
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

void Flush() {
  auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (xcb_connection_t* c = native != nullptr ? native->connection() : nullptr) {
    xcb_flush(c);
  }
}

#else

void SkipTaskbar(QWidget*) {}

void Flush() {}

bool HasInputFocus(QWidget* widget) {
  return widget->isActiveWindow();
}

#endif

}  // namespace tarvolin::ui::x11
