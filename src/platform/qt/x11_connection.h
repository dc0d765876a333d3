// The X connection under Qt, for the few window-manager hints Qt does not
// give. Only where the program is built with XCB.
#pragma once

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

namespace tarvolin::platform::x11 {

// Qt's own connection, or null when Qt does not run on X11 (offscreen).
xcb_connection_t* Connection();
// The atom of that name, XCB_ATOM_NONE when the server does not answer.
xcb_atom_t Atom(xcb_connection_t* c, const char* name);

}  // namespace tarvolin::platform::x11
#endif
