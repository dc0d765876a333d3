// One resident bar per user and display. The resident bar listens on a
// local socket; a second start hands its request ("show" or "toggle") over
// and ends. Plain POSIX, no Qt: the launcher that uses it must start in a
// millisecond or two.
#pragma once

#include <string>

namespace tarvolin::instance {

// $XDG_RUNTIME_DIR/tarvolin-<display>.socket, or the same name in a private
// folder /tmp/tarvolin-<uid> where that variable is not set. Empty when no
// safe place can be found.
std::string SocketPath();

// Sends the request to the resident bar and waits for its answer. False
// when no bar answers: none is running, or its socket is left over.
bool SendToResident(const std::string& socketPath, const std::string& request);

// The bar is a shared library: the launcher loads it and calls this
// function, int(int argc, char* argv[]), as a program's main.
inline constexpr char kBarEntryName[] = "tarvolin_bar_main";
using BarEntry = int (*)(int argc, char* argv[]);

inline constexpr int kOtherResident = -2;

// Makes this process the resident bar: takes the lock beside the socket for
// the rest of its life and listens. The listening socket (non-blocking: a
// RequestReader accepts on it), kOtherResident when another process holds
// the lock, or -1 when the socket cannot be made. Neither descriptor is
// inherited by started programs.
int ListenAsResident(const std::string& socketPath);

}  // namespace tarvolin::instance
