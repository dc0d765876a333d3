# shellcheck shell=bash
# What the Wayland legs share, sourced by each: run as root, the leg copies
# the program where a normal user (tvsession, made by tools/install-deps)
# can read it and runs itself again as that user, with a runtime folder and
# a home of its own; then the checks' helpers and the user's settings.
#
#   source lib.sh NAME BUILD_FOLDER TOOL...
#
# A leg that needs a program run from a copy names it in run_copy first.
set -u
leg=$1 build=$2
shift 2
user=tvsession

if [ "${TARVOLIN_WAYLAND_INNER:-}" != 1 ]; then
  [ "$(id -u)" = 0 ] || { echo "SKIP: the $leg leg runs the bar as another user, which needs root"; exit 0; }
  for tool in "$@" Xwayland xprop; do
    command -v "$tool" >/dev/null || { echo "$leg leg: $tool is missing (tools/install-deps)"; exit 1; }
  done
  id "$user" >/dev/null 2>&1 || { echo "$leg leg: no user $user (tools/install-deps)"; exit 1; }
  work=$(mktemp -d "/tmp/tarvolin-$leg.XXXXXX")
  chmod 755 "$work"
  # The program, a plain Qt window to stand beside it and a stand-in for
  # the desktop's shortcuts portal are copied where the user can read them,
  # whatever folder the build is in.
  cp -r "$build/bin" "$work/bin"
  cp "$build/bench/qt_floor" "$work/bin/other-window"
  cp "$build/tests/fake_portal" "$work/bin/"
  cp "$0" "$(dirname "$0")/lib.sh" "$(dirname "$0")/../wait.sh" "$work/"
  # A compositor whose file capabilities this system's bounding set lacks
  # cannot be started at all (EPERM): a plain copy runs without them.
  for program in ${run_copy:-}; do
    "$program" --version >/dev/null 2>&1 || cp "$(command -v "$program")" "$work/bin/"
  done
  chmod -R a+rX "$work"
  mkdir -m 700 "$work/run" "$work/home"
  chown -R "$user" "$work/run" "$work/home"
  shots=
  if [ -n "${TARVOLIN_SHOTS:-}" ]; then
    shots=$work/shots
    mkdir -p "$shots" && chown "$user" "$shots"
  fi
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    TARVOLIN_WAYLAND_INNER=1 LANG=C.UTF-8 TARVOLIN_SHOTS="$shots" bash "$work/$(basename "$0")" "$work"
  status=$?
  [ -z "$shots" ] || cp "$shots"/*.png "$TARVOLIN_SHOTS/" 2>/dev/null
  [ "$status" -eq 0 ] && [ -z "${TARVOLIN_KEEP:-}" ] && rm -rf "$work" || echo "logs: $work"
  exit "$status"
fi

work=$build
PATH=$work/bin:$PATH
# shellcheck source=tests/wait.sh
. "$work/wait.sh"
bar=$work/bin/tarvolin
failures=0
fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
}
settings() {
  mkdir -p "$HOME/.config/tarvolin"
  printf '[Tarvolin]\r\nloca=%s\r\nCaseSensitive=0\r\nAutoUpdate=0\r\nWebExtensions=com\r\n' "$1" \
    >"$HOME/.config/tarvolin/tv.ini"
}
settings 4
printf 'www.x.org\r\nx\r\n' >"$HOME/.config/tarvolin/files.cfg"
# The message the box shows at start in a Wayland session.
bind_key="Hotkey: in a Wayland session, bind Ctrl+Alt+Space to tarvolin --toggle in the desktop's keyboard settings"
finish() {
  [ "$failures" -eq 0 ] && echo "$leg: every check passed"
  exit $((failures > 0))
}

# The X11 legs: the bar is an X11 client through XWayland, and where it is,
# what is mapped and which window has the focus are read from the X server
# (_NET_ACTIVE_WINDOW is nothing while a Wayland window has the focus).
bar_window() { xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | head -1; }
active() { xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '{print $NF}'; }
# "x,y wxh" of a window's client area.
place() {
  [ -n "$1" ] || return 1
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width/ {w=$NF} /Height/ {h=$NF} END {printf "%s,%s %sx%s", x, y, w, h}'
}
# The bar shown where it should be, with the focus: "x,y wxh focused".
bar_state() {
  local id
  id=$(bar_window)
  [ -n "$id" ] || return 0
  place "$id"
  [ "$(printf '0x%x' "$id")" = "$(active)" ] && echo " focused" || echo " unfocused"
}
shows() { [ "$(bar_state)" = "$1" ]; }
gone() { [ -z "$(bar_window)" ]; }
corner="774,717 250x19 focused"

# Keys typed on the display the compositor shows its desktop on
# (HOST_DISPLAY), which reach it as a keyboard's: the user at work in
# another window.
type_elsewhere() {
  local output
  output=$(DISPLAY=$HOST_DISPLAY xwininfo -root -children | awk '/ 1024x768\+0\+0 / {print $1; exit}')
  DISPLAY=$HOST_DISPLAY xdotool windowfocus "$output" type --delay 20 "$1"
}

# A native Wayland window takes the focus and the user types in it; a
# summon brings the bar back, and --toggle goes both ways.
summons_over_native_window() {
  QT_QPA_PLATFORM=wayland "$work/bin/other-window" >/dev/null 2>&1 &
  other() { [ "$(active)" = 0x0 ]; }
  wait_until 10 other || fail "the other window did not take the focus: $(active)"
  type_elsewhere typed
  "$bar" --show
  wait_until 5 shows "$corner" || fail "--show over another window: '$(bar_state)'"
  "$bar" --toggle
  wait_until 5 gone || fail "--toggle did not hide the bar in front"
  "$bar" --toggle
  wait_until 5 shows "$corner" || fail "--toggle did not bring the bar back: '$(bar_state)'"
  "$bar"
  wait_until 5 shows "$corner" || fail "a second start: '$(bar_state)'"
  # Toggled twice at once, it comes back on top, and without a task-bar
  # entry: the window manager drops a window's states as it lets it go.
  "$bar" --toggle && "$bar" --toggle
  wait_until 5 shows "$corner" || fail "--toggle twice at once: '$(bar_state)'"
  sleep 0.3
  xprop -id "$(bar_window)" _NET_WM_STATE | grep _NET_WM_STATE_ABOVE | grep -q _SKIP_TASKBAR ||
    fail "--toggle twice at once left the bar $(xprop -id "$(bar_window)" _NET_WM_STATE)"
}

# The editor unrolls above the bar, its frame (a tall title bar on these
# desktops) ending at the bar's top, not over it; it has the focus, and
# Escape gives it back to the bar.
dialog_beside_bar() {
  xdotool key F2
  editor() { xdotool search --onlyvisible --name '^Edit Quickcommands$' 2>/dev/null | head -1; }
  editor_focused() { [ -n "$(editor)" ] && [ "$(printf '0x%x' "$(editor)")" = "$(active)" ]; }
  wait_until 5 editor_focused || fail "the editor did not take the focus: $(active)"
  keep_shot "$leg-editor"
  local bottom
  bottom=$(place "$(editor)" | awk -F'[ ,x]' '{print $2 + $4}')
  [ "$bottom" -le 717 ] && [ "$bottom" -ge 700 ] ||
    fail "the editor is not beside the bar: $(place "$(editor)"), ends at $bottom"
  xdotool key Escape
  wait_until 5 shows "$corner" || fail "Escape in the editor: '$(bar_state)'"
}

# No notification area: Escape hides the bar, once saying what brings it
# back (keys reach the bar through XWayland's XTEST); --show does.
escape_without_tray() {
  xdotool key Escape
  wait_until 5 told || fail "Escape without a notification area told nothing"
  xdotool key Return
  wait_until 5 gone || fail "Escape did not hide the bar: '$(bar_state)'"
  "$bar" --show
  wait_until 5 shows "$corner" || fail "--show after Escape: '$(bar_state)'"
}

# On top of an X11 window that has the focus: above it in the compositor's
# stacking order. The user types there; a summon still brings the bar.
on_top_of_x11_window() {
  # Apart from the native window, which the compositor may place in the middle.
  "$work/bin/other-window" -platform xcb -name big -geometry +60+60 >/dev/null 2>&1 &
  big() { xdotool search --onlyvisible --classname '^big$' 2>/dev/null | head -1 | grep .; }
  wait_until 10 big >/dev/null || { fail "the X11 window did not show"; return; }
  # The user clicks into it.
  local x y w h
  read -r x y w h < <(place "$(big)" | tr ',x' '  ')
  # (KWin finds the window under the pointer a moment after it moves.)
  DISPLAY=$HOST_DISPLAY xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.3 click 1
  top() { [ "$(xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}')" = "$(printf '0x%x' "$(bar_window)")" ]; }
  wait_until 5 top || fail "the bar is not on top: $(xprop -root _NET_CLIENT_LIST_STACKING)"
  big_focused() { [ "$(active)" = "$(printf '0x%x' "$(big)")" ]; }
  wait_until 5 big_focused || fail "the X11 window did not take the focus: $(active)"
  type_elsewhere typed
  "$bar" --show
  wait_until 5 shows "$corner" || fail "--show after typing in an X11 window: '$(bar_state)'"
}

# The bar and a message box of its own, both titled Tarvolin.
told() { [ "$(xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | wc -l)" -ge 2 ]; }

# The checks the X11 legs share, in a desktop without a notification area:
# the bar starts in its corner at its size, with the focus, and says how
# the key is bound (with "bound", the desktop binds it already and only
# standard error says it); then the summons, the editor, Escape and on top.
x11_checks() {
  "$bar" >"$work/run/bar.log" 2>&1 &
  bar_pid=$!
  wait_until 5 grep -qs "bind Ctrl+Alt+Space to tarvolin --toggle" "$work/run/bar.log" ||
    fail "stderr does not say how to bind the key"
  # Where the desktop does not bind the key yet, a box of its own says how;
  # once, so a second start says nothing.
  if [ "${1:-}" != bound ]; then
    wait_until 10 told || fail "the bar did not say how to bind the key"
    xdotool key Return
  fi
  wait_until 10 shows "$corner" || fail "the bar at start: '$(bar_state)'"
  summons_over_native_window
  keep_shot "$leg-bar"
  dialog_beside_bar
  escape_without_tray
  on_top_of_x11_window
}

# With TARVOLIN_SHOTS set to a folder, the legs keep pictures of the
# desktop there.
keep_shot() {
  [ -n "${TARVOLIN_SHOTS:-}" ] || return 0
  sleep 0.5 # what the X server maps, the compositor shows a frame later
  DISPLAY=$HOST_DISPLAY import -window root -crop 1024x768+0+0 +repage +dither -colors 64 \
    "PNG8:$TARVOLIN_SHOTS/$1.png"
}
