// One resident bar per user and display. The resident bar listens on a
// local socket; a second start hands its request ("show" or "toggle") over
// and ends. Plain POSIX, no Qt: the launcher that uses it must start in a
// millisecond or two.
//
// Only the user's own processes take part: the socket lies in a folder of
// the user's that nobody else may write to, is the user's alone whatever the
// umask, and each side checks that the other runs as the same user.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/request.h"

namespace tarvolin::instance {

// The request line (core/request.h), the same on every system.
using tarvolin::FormatRequest;
using tarvolin::kMaxTokenBytes;
using tarvolin::ParseRequest;
using tarvolin::Request;

// $XDG_RUNTIME_DIR/tarvolin-<display>.socket when that folder is a real
// folder of this user's that nobody else may write to, else the same name in
// a private folder /tmp/tarvolin-<uid> (made 0700 when missing). Empty when
// neither folder is this user's alone.
std::string SocketPath();

enum class Handover {
  kDone,    // the resident bar answered
  kNoBar,   // no bar listens: none runs, or its socket is left over
  kUnsafe,  // no safe place, or what is there is another user's
};

// Sends the request to the resident bar and waits for its answer. Nothing
// is sent to a socket that another user listens on.
Handover SendToResident(const std::string& socketPath, const std::string& request);

// True when the process at the other end of a connected socket runs as
// this user.
bool PeerIsThisUser(int fd);

// The bar is a shared library: the launcher loads it and calls this
// function, int(int argc, char* argv[]), as a program's main.
inline constexpr char kBarEntryName[] = "tarvolin_bar_main";
using BarEntry = int (*)(int argc, char* argv[]);

inline constexpr int kOtherResident = -2;
inline constexpr int kNotOurs = -3;

// Makes this process the resident bar: takes the lock beside the socket for
// the rest of its life and listens. The listening socket (non-blocking,
// mode 0600); kOtherResident when another process holds the lock; kNotOurs
// when there is no safe path or the lock is a link or another user's file;
// -1 with errno set when the socket cannot be made. Neither descriptor is
// inherited by started programs.
int ListenAsResident(const std::string& socketPath);

}  // namespace tarvolin::instance
