#!/usr/bin/env bash
# The bar in a GNOME session's compositor: mutter headless with XWayland,
# on a session bus of its own, run as a normal user (lib.sh). The bar is an
# X11 client there; where the focus is and what is mapped are read from the
# X server (_NET_ACTIVE_WINDOW is nothing while a Wayland window has the
# focus). mutter has no virtual keyboard, so the keys are sway's leg's.
#
#   tests/wayland/mutter.sh BUILD_FOLDER        (as root)
[ $# -eq 1 ] || { echo "usage: $0 BUILD_FOLDER" >&2; exit 2; }
# shellcheck source=tests/wayland/lib.sh
source "$(dirname "$0")/lib.sh" mutter "$1" mutter dbus-run-session xdotool xwininfo gsettings gdbus

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- bash "$0" "$work"
fi
mutter --headless --wayland --virtual-monitor 1024x768 >"$work/run/mutter.log" 2>&1 &
mutter=$!
trap 'kill $bar_pid $portal $mutter 2>/dev/null; wait 2>/dev/null' EXIT
bar_pid= portal=
x11() { grep -q 'public X11 display' "$work/run/mutter.log"; }
wait_until 15 x11 || { fail "mutter started no XWayland"; exit 1; }
DISPLAY=$(grep -o 'public X11 display :[0-9]*' "$work/run/mutter.log" | grep -o ':[0-9]*$')
XAUTHORITY=$(ls "$work"/run/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
export DISPLAY XAUTHORITY WAYLAND_DISPLAY=wayland-0

bar_window() { xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | head -1; }
active() { xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '{print $NF}'; }
# The bar shown where it should be, with the focus: "x,y wxh focused".
bar_state() {
  local id
  id=$(bar_window)
  [ -n "$id" ] || return 0
  xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width/ {w=$NF} /Height/ {h=$NF} END {printf "%s,%s %sx%s", x, y, w, h}'
  [ "$(printf '0x%x' "$id")" = "$(active)" ] && echo " focused" || echo " unfocused"
}
shows() { [ "$(bar_state)" = "$1" ]; }
gone() { [ -z "$(bar_window)" ]; }

# In its corner at its size, with the focus; it says how the key is bound.
"$bar" >"$work/run/bar.log" 2>&1 &
bar_pid=$!
wait_until 10 shows "774,717 250x19 focused" || fail "the bar at start: '$(bar_state)'"
wait_until 5 grep -q "bind Ctrl+Alt+Space to tarvolin --toggle" "$work/run/bar.log" ||
  fail "stderr does not say how to bind the key"

# A native Wayland window takes the focus; a summon brings it back, and
# --toggle goes both ways.
QT_QPA_PLATFORM=wayland "$work/bin/other-window" >/dev/null 2>&1 &
other() { [ "$(active)" = 0x0 ]; }
wait_until 10 other || fail "the other window did not take the focus: $(active)"
"$bar" --show
wait_until 5 shows "774,717 250x19 focused" || fail "--show over another window: '$(bar_state)'"
"$bar" --toggle
wait_until 5 gone || fail "--toggle did not hide the bar in front"
"$bar" --toggle
wait_until 5 shows "774,717 250x19 focused" || fail "--toggle did not bring the bar back: '$(bar_state)'"
"$bar"
wait_until 5 shows "774,717 250x19 focused" || fail "a second start: '$(bar_state)'"

# GNOME has no notification area: Escape hides the bar, once saying what
# brings it back (keys reach the bar through XWayland's XTEST).
xdotool key Escape
told() { [ "$(xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | wc -l)" -ge 2 ]; }
wait_until 5 told || fail "Escape without a notification area told nothing"
xdotool key Return
wait_until 5 gone || fail "Escape did not hide the bar: '$(bar_state)'"
"$bar" --show
wait_until 5 shows "774,717 250x19 focused" || fail "--show after Escape: '$(bar_state)'"

# On top of an X11 window that has the focus: above it in mutter's
# stacking order.
"$work/bin/other-window" -platform xcb -name big >/dev/null 2>&1 &
big() { xdotool search --onlyvisible --classname '^big$' 2>/dev/null | head -1; }
wait_until 10 big >/dev/null
xdotool windowactivate --sync "$(big)" 2>/dev/null
top() { [ "$(xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}')" = "$(printf '0x%x' "$(bar_window)")" ]; }
wait_until 5 top || fail "the bar is not on top: $(xprop -root _NET_CLIENT_LIST_STACKING)"

# GNOME's custom shortcut for the key: bound beside the user's own, moved
# to another key, and taken back, leaving the user's own.
list=org.gnome.settings-daemon.plugins.media-keys
entry=$list.custom-keybinding:/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tarvolin/
own=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/
gsettings set $list custom-keybindings "['$own']"
"$bar" --bind-key >/dev/null || fail "--bind-key failed"
[ "$(gsettings get "$entry" binding)" = "'<Control><Alt>space'" ] || fail "bound to $(gsettings get "$entry" binding)"
[ "$(gsettings get "$entry" command)" = "'$bar --toggle'" ] || fail "the shortcut runs $(gsettings get "$entry" command)"
"$bar" --bind-key=Super+R >/dev/null || fail "--bind-key=Super+R failed"
[ "$(gsettings get "$entry" binding)" = "'<Super>r'" ] || fail "moved to $(gsettings get "$entry" binding)"
[ "$(gsettings get $list custom-keybindings)" = "['$own', '${entry#*:}']" ] ||
  fail "the shortcuts: $(gsettings get $list custom-keybindings)"
"$bar" --bind-key=Ctrl+ 2>/dev/null
[ $? = 2 ] || fail "--bind-key took a combination without a key"
"$bar" --unbind-key || fail "--unbind-key failed"
[ "$(gsettings get $list custom-keybindings)" = "['$own']" ] ||
  fail "after --unbind-key: $(gsettings get $list custom-keybindings)"
[ "$(gsettings get "$entry" binding)" = "''" ] || fail "the binding was left: $(gsettings get "$entry" binding)"

# Where the desktop has a global shortcuts portal (KDE's; a stand-in here),
# the bar has the key bound through it, and a press brings the bar.
kill "$bar_pid"
wait_until 5 gone || fail "the bar did not end"
"$work/bin/fake_portal" >"$work/run/portal.log" 2>&1 &
portal=$!
wait_until 5 grep -q ready "$work/run/portal.log" || fail "the stand-in portal did not start"
"$bar" >"$work/run/bar.log" 2>&1 &
bar_pid=$!
wait_until 10 grep -q "bound toggle CTRL+ALT+space" "$work/run/portal.log" ||
  fail "the key was not bound through the portal: $(cat "$work/run/portal.log")"
wait_until 5 grep -q "bound by the desktop's global shortcuts" "$work/run/bar.log" ||
  fail "stderr does not say the portal bound the key: $(cat "$work/run/bar.log")"
wait_until 10 shows "774,717 250x19 focused" || fail "the bar with the portal: '$(bar_state)'"
"$bar" --toggle
wait_until 5 gone || fail "--toggle did not hide the bar"
gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
  --method org.tarvolin.FakePortal.Press token-1 >/dev/null || fail "the stand-in portal did not press"
wait_until 5 shows "774,717 250x19 focused" || fail "the portal's key did not bring the bar: '$(bar_state)'"

finish
