// Times a window from the X server's side, for bench/run. Starts a command,
// or presses a key, and reports the milliseconds until a window of it is
// viewable, and optionally until that window is the active one (the window
// manager's _NET_ACTIVE_WINDOW) holding the keyboard focus, and until the
// command has ended. It waits on X events and on the command's pidfd, not by
// polling, so the figures are good to a fraction of a millisecond.
//
//   launch_timer [--class NAME | --name TITLE | --window ID] [--active] [--exit]
//                [--key KEY] [--timeout SECONDS] [-- COMMAND [ARG...]]
//
// The window is the command's own (_NET_WM_PID) unless --class (WM_CLASS),
// --name (title) or --window says otherwise; with --exit and none of these it
// waits for the command's end only. --key presses and releases a key
// (F1..F35, Escape, Return or a keysym number) through XTEST at the start.
// Prints one line, "-" for what was not asked for or not seen:
//
//   pid=4242 window=0x1a00003 mapped=84.20 active=90.11 exit=- cpu=-
//
// (cpu: the command's user + system time). Then it stays until the command
// ends and hands SIGTERM and SIGINT on to it, so that stopping this program
// stops the command. Exit status 2 when the wait timed out (the line shows
// what was seen), 1 on other errors.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

struct Options {
  std::string className;
  std::string title;
  xcb_window_t window = XCB_NONE;
  bool active = false;
  bool exit = false;
  std::string key;
  double timeoutMs = 20000;
  char** command = nullptr;
};

Options options;
xcb_connection_t* connection;
xcb_window_t root;
xcb_atom_t netWmPid, netWmName, netActiveWindow;
pid_t child = -1;

double NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

[[noreturn]] void Fail(const char* message) {
  std::fprintf(stderr, "launch_timer: %s\n", message);
  if (child > 0) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
  }
  std::exit(1);
}

xcb_atom_t Atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : XCB_NONE;
}

std::string Property(xcb_window_t window, xcb_atom_t property) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
      nullptr));
  if (!reply) {
    return {};
  }
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     xcb_get_property_value_length(reply.get()));
}

std::uint32_t Cardinal(xcb_window_t window, xcb_atom_t property) {
  const std::string value = Property(window, property);
  std::uint32_t number = 0;
  if (value.size() >= sizeof number) {
    std::memcpy(&number, value.data(), sizeof number);
  }
  return number;
}

bool Matches(xcb_window_t window) {
  if (options.window != XCB_NONE) {
    return window == options.window;
  }
  if (!options.className.empty()) {
    // WM_CLASS holds the instance name and the class name, each ended by a NUL.
    const std::string names = Property(window, XCB_ATOM_WM_CLASS);
    const std::string instance = names.substr(0, names.find('\0'));
    const std::string classPart = names.substr(instance.size() + (names.empty() ? 0 : 1));
    return instance == options.className ||
           classPart.substr(0, classPart.find('\0')) == options.className;
  }
  if (!options.title.empty()) {
    return Property(window, netWmName) == options.title ||
           Property(window, XCB_ATOM_WM_NAME) == options.title;
  }
  return child > 0 && Cardinal(window, netWmPid) == static_cast<std::uint32_t>(child);
}

bool Viewable(xcb_window_t window) {
  Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
      connection, xcb_get_window_attributes(connection, window), nullptr));
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void Select(xcb_window_t window, std::uint32_t mask) {
  xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

// Calls `visit` on the children of `window`, down to `depth` levels: a
// client of the window manager sits inside a frame or two of its own.
template <class Visit>
xcb_window_t Descend(xcb_window_t window, int depth, const Visit& visit) {
  Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
  if (!tree) {
    return XCB_NONE;
  }
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    if (visit(children[i])) {
      return children[i];
    }
    if (depth > 1) {
      if (const xcb_window_t found = Descend(children[i], depth - 1, visit)) {
        return found;
      }
    }
  }
  return XCB_NONE;
}

// The window that was looked for, if `mapped` (just mapped) or a window
// inside it is that window and viewable now.
xcb_window_t FindViewable(xcb_window_t mapped) {
  const auto wanted = [](xcb_window_t window) { return Matches(window) && Viewable(window); };
  return wanted(mapped) ? mapped : Descend(mapped, 3, wanted);
}

bool IsActive(xcb_window_t window) {
  if (Cardinal(root, netActiveWindow) != window) {
    return false;
  }
  Reply<xcb_get_input_focus_reply_t> focus(
      xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  return focus && focus->focus == window;
}

xcb_keycode_t Keycode(const std::string& name) {
  xcb_keysym_t keysym = 0;
  if (name == "Escape") {
    keysym = 0xff1b;
  } else if (name == "Return") {
    keysym = 0xff0d;
  } else if (name.size() > 1 && name[0] == 'F') {
    keysym = 0xffbe + static_cast<xcb_keysym_t>(std::atoi(name.c_str() + 1)) - 1;
  } else {
    keysym = static_cast<xcb_keysym_t>(std::strtoul(name.c_str(), nullptr, 0));
  }
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int count = setup->max_keycode - setup->min_keycode + 1;
  Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
      connection,
      xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
      nullptr));
  if (!map) {
    return 0;
  }
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(map.get());
  for (int i = 0; i < count * map->keysyms_per_keycode; ++i) {
    if (keysyms[i] == keysym) {
      return static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode);
    }
  }
  return 0;
}

void ParseArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--") {
      options.command = argv + i + 1;
      if (i + 1 == argc) {
        Fail("no command after --");
      }
      return;
    } else if (argument == "--active") {
      options.active = true;
    } else if (argument == "--exit") {
      options.exit = true;
    } else if (argument == "--class" && hasValue) {
      options.className = argv[++i];
    } else if (argument == "--name" && hasValue) {
      options.title = argv[++i];
    } else if (argument == "--window" && hasValue) {
      options.window = static_cast<xcb_window_t>(std::strtoul(argv[++i], nullptr, 0));
    } else if (argument == "--key" && hasValue) {
      options.key = argv[++i];
    } else if (argument == "--timeout" && hasValue) {
      options.timeoutMs = std::atof(argv[++i]) * 1000.0;
    } else {
      std::fprintf(stderr,
                   "usage: launch_timer [--class NAME | --name TITLE | --window ID] [--active] "
                   "[--exit] [--key KEY] [--timeout SECONDS] [-- COMMAND [ARG...]]\n");
      std::exit(1);
    }
  }
}

// Runs the command with no input and its output discarded (its errors go
// where ours go), with the signal mask it would have had without us.
pid_t Start(char** command, const sigset_t& original) {
  const pid_t pid = fork();
  if (pid == 0) {
    sigprocmask(SIG_SETMASK, &original, nullptr);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    execvp(command[0], command);
    std::fprintf(stderr, "launch_timer: cannot run %s: %s\n", command[0], std::strerror(errno));
    _exit(127);
  }
  return pid;
}

std::string Ms(double ms) {
  if (ms < 0) {
    return "-";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", ms);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  ParseArguments(argc, argv);
  const bool wantWindow = options.window != XCB_NONE || !options.className.empty() ||
                          !options.title.empty() || (options.command && !options.exit);
  if (!options.command && options.key.empty()) {
    Fail("nothing to start: give a command or --key");
  }
  if (options.exit && !options.command) {
    Fail("--exit needs a command");
  }

  connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    Fail("cannot open the display");
  }
  root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  netWmPid = Atom("_NET_WM_PID");
  netWmName = Atom("_NET_WM_NAME");
  netActiveWindow = Atom("_NET_ACTIVE_WINDOW");
  xcb_keycode_t keycode = 0;
  if (!options.key.empty()) {
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection, &xcb_test_id);
    if (!xtest || !xtest->present || (keycode = Keycode(options.key)) == 0) {
      Fail("cannot press that key (no XTEST, or no key for it)");
    }
  }

  // New top-level windows and the active window are reported on the root.
  // A window that existed before (a bar shown again, a dialog kept hidden)
  // reports its own mapping: every window three levels down is watched.
  constexpr std::uint32_t kWindowEvents =
      XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
  Select(root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
  Descend(root, 3, [](xcb_window_t window) {
    Select(window, kWindowEvents);
    return false;
  });
  if (options.window != XCB_NONE) {
    Select(options.window, kWindowEvents);
  }
  // A round trip: the server has taken all of that before the clock starts.
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

  // SIGCHLD, SIGTERM and SIGINT wait until they are asked for.
  sigset_t handled, original;
  sigemptyset(&handled);
  sigaddset(&handled, SIGCHLD);
  sigaddset(&handled, SIGTERM);
  sigaddset(&handled, SIGINT);
  sigprocmask(SIG_BLOCK, &handled, &original);

  const double start = NowMs();
  int pidfd = -1;
  pid_t started = -1;
  if (options.command) {
    started = child = Start(options.command, original);
    pidfd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (child < 0 || pidfd < 0) {
      Fail("cannot start the command");
    }
  }
  if (keycode != 0) {
    xcb_test_fake_input(connection, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
  }

  xcb_window_t found = XCB_NONE;
  double mapped = -1, active = -1, exited = -1, cpu = -1;
  const auto checkActive = [&](double at) {
    if (options.active && found != XCB_NONE && active < 0 && IsActive(found)) {
      active = at - start;
    }
  };
  const auto done = [&] {
    return (!wantWindow || (found != XCB_NONE && (!options.active || active >= 0))) &&
           (!options.exit || exited >= 0);
  };
  if (options.window != XCB_NONE && Viewable(options.window)) {
    found = options.window;
    mapped = 0;
    checkActive(NowMs());
  }
  bool timedOut = false;
  while (!done()) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      const double at = NowMs();
      switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY:
          Select(reinterpret_cast<xcb_create_notify_event_t*>(event)->window, kWindowEvents);
          break;
        case XCB_REPARENT_NOTIFY:
          Select(reinterpret_cast<xcb_reparent_notify_event_t*>(event)->window, kWindowEvents);
          break;
        case XCB_MAP_NOTIFY:
          if (wantWindow && found == XCB_NONE) {
            found = FindViewable(reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
            if (found != XCB_NONE) {
              mapped = at - start;
              Select(found, kWindowEvents);
              checkActive(at);
            }
          }
          break;
        case XCB_PROPERTY_NOTIFY:
          if (reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == netActiveWindow) {
            checkActive(at);
          }
          break;
        case XCB_FOCUS_IN:
          checkActive(at);
          break;
        default:  // other events, and errors about windows gone meanwhile
          break;
      }
      std::free(event);
    }
    if (xcb_connection_has_error(connection)) {
      Fail("lost the display");
    }
    if (done()) {
      break;
    }
    const double left = options.timeoutMs - (NowMs() - start);
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd ready[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {pidfd, POLLIN, 0}};
    poll(ready, pidfd >= 0 ? 2 : 1, static_cast<int>(left) + 1);
    if (pidfd >= 0 && (ready[1].revents & POLLIN)) {
      rusage usage;
      int status = 0;
      wait4(child, &status, 0, &usage);
      exited = NowMs() - start;
      cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
      close(pidfd);
      pidfd = -1;
      child = -1;
      const bool ownWindow = wantWindow && options.window == XCB_NONE &&
                             options.className.empty() && options.title.empty();
      if (ownWindow && found == XCB_NONE) {
        Fail(WIFEXITED(status) && WEXITSTATUS(status) == 0
                 ? "the command ended before its window showed"
                 : "the command failed before its window showed");
      }
    }
  }

  char window[16] = "-";
  if (found != XCB_NONE) {
    std::snprintf(window, sizeof window, "0x%x", found);
  }
  std::printf("pid=%s window=%s mapped=%s active=%s exit=%s cpu=%s\n",
              started > 0 ? std::to_string(started).c_str() : "-", window, Ms(mapped).c_str(),
              Ms(active).c_str(), Ms(exited).c_str(), Ms(cpu).c_str());
  std::fflush(stdout);
  if (timedOut) {
    std::fprintf(stderr, "launch_timer: timed out\n");
  }

  // The command lives on until it ends or until we are told to stop it.
  while (child > 0) {
    int signal = 0;
    if (timedOut) {
      signal = SIGTERM;
    } else {
      sigwait(&handled, &signal);
    }
    if (signal != SIGCHLD) {
      kill(child, signal);
      // A command that does not end on its signal within three seconds is
      // killed.
      const timespec grace = {3, 0};
      sigset_t childOnly;
      sigemptyset(&childOnly);
      sigaddset(&childOnly, SIGCHLD);
      if (sigtimedwait(&childOnly, nullptr, &grace) < 0) {
        kill(child, SIGKILL);
      }
    }
    if (waitpid(child, nullptr, signal == SIGCHLD ? WNOHANG : 0) == child) {
      child = -1;
    }
  }
  return timedOut ? 2 : 0;
}
