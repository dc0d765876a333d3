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

# A native Wayland window takes the focus; a summon brings it back, and
# --toggle goes both ways.
summons_over_native_window() {
  QT_QPA_PLATFORM=wayland "$work/bin/other-window" >/dev/null 2>&1 &
  other() { [ "$(active)" = 0x0 ]; }
  wait_until 10 other || fail "the other window did not take the focus: $(active)"
  "$bar" --show
  wait_until 5 shows "$corner" || fail "--show over another window: '$(bar_state)'"
  "$bar" --toggle
  wait_until 5 gone || fail "--toggle did not hide the bar in front"
  "$bar" --toggle
  wait_until 5 shows "$corner" || fail "--toggle did not bring the bar back: '$(bar_state)'"
  "$bar"
  wait_until 5 shows "$corner" || fail "a second start: '$(bar_state)'"
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
  told() { [ "$(xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | wc -l)" -ge 2 ]; }
  wait_until 5 told || fail "Escape without a notification area told nothing"
  xdotool key Return
  wait_until 5 gone || fail "Escape did not hide the bar: '$(bar_state)'"
  "$bar" --show
  wait_until 5 shows "$corner" || fail "--show after Escape: '$(bar_state)'"
}

# On top of an X11 window that has the focus: above it in the compositor's
# stacking order.
on_top_of_x11_window() {
  "$work/bin/other-window" -platform xcb -name big >/dev/null 2>&1 &
  big() { xdotool search --onlyvisible --classname '^big$' 2>/dev/null | head -1; }
  wait_until 10 big >/dev/null
  xdotool windowactivate --sync "$(big)" 2>/dev/null
  top() { [ "$(xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}')" = "$(printf '0x%x' "$(bar_window)")" ]; }
  wait_until 5 top || fail "the bar is not on top: $(xprop -root _NET_CLIENT_LIST_STACKING)"
}

# With TARVOLIN_SHOTS set to a folder, the legs that show their desktop on
# an X display of their own (SHOT_DISPLAY) keep pictures of it there.
keep_shot() {
  [ -n "${TARVOLIN_SHOTS:-}" ] && [ -n "${SHOT_DISPLAY:-}" ] || return 0
  sleep 0.5 # what the X server maps, the compositor shows a frame later
  DISPLAY=$SHOT_DISPLAY import -window root -crop 1024x768+0+0 +repage +dither -colors 64 \
    "PNG8:$TARVOLIN_SHOTS/$1.png"
}
