#include "ui/x11_window_state.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <cstdlib>
#include <cstring>
#endif

namespace tarvolin::ui::x11 {

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

void Flush() {
  if (xcb_connection_t* c = Connection()) {
    xcb_flush(c);
  }
}

#else

void PrepareSkipTaskbar() {}

void SkipTaskbar(QWidget*) {}

void Flush() {}

bool HasInputFocus(QWidget* widget) {
  return widget->isActiveWindow();
}

#endif

}  // namespace tarvolin::ui::x11
