#!/usr/bin/env bash
# The bar in a GNOME session's compositor: mutter with XWayland, on a
# session bus of its own, run as a normal user (lib.sh). The bar is an
# X11 client there (lib.sh reads it from the X server); the keys go in
# through XWayland's XTEST.
#
#   tests/wayland/mutter.sh BUILD_FOLDER        (as root)
#
# With TARVOLIN_SHOTS set to a folder, the leg keeps pictures of the bar and
# its editor there.
[ $# -eq 1 ] || { echo "usage: $0 BUILD_FOLDER" >&2; exit 2; }
# shellcheck source=tests/wayland/lib.sh
source "$(dirname "$0")/lib.sh" mutter "$1" mutter dbus-run-session xdotool xwininfo gsettings gdbus

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- bash "$0" "$work"
fi
# mutter shows its desktop in a window on an Xvfb display of its own: keys
# typed there reach it as a keyboard's, and pictures can be taken of it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/run/xvfb" >/dev/null 2>&1 &
xvfb=$!
wait_until 10 test -s "$work/run/xvfb" || { fail "Xvfb did not start"; exit 1; }
HOST_DISPLAY=:$(tr -d '[:space:]' <"$work/run/xvfb")
DISPLAY=$HOST_DISPLAY MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768 mutter --nested --wayland \
  >"$work/run/mutter.log" 2>&1 &
mutter=$!
trap 'kill $bar_pid $portal $mutter $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
bar_pid= portal=
x11() { grep -qs 'public X11 display' "$work/run/mutter.log"; }
wait_until 15 x11 || { fail "mutter started no XWayland"; exit 1; }
DISPLAY=$(grep -o 'public X11 display :[0-9]*' "$work/run/mutter.log" | grep -o ':[0-9]*$')
XAUTHORITY=$(ls "$work"/run/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
export DISPLAY XAUTHORITY WAYLAND_DISPLAY=wayland-0

# GNOME has no notification area: the checks the X11 legs share, with the
# key bound the way the bar's message says.
"$bar" --bind-key >/dev/null || fail "--bind-key failed"
x11_checks bound

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
# A key the user's own shortcut holds is not bound a second time.
gsettings set "$list.custom-keybinding:$own" binding '<Super>e'
"$bar" --bind-key=Super+E >/dev/null 2>&1
[ $? = 1 ] || fail "--bind-key bound a key another shortcut holds"
[ "$(gsettings get $list custom-keybindings)" = "['$own']" ] ||
  fail "after a refused --bind-key: $(gsettings get $list custom-keybindings)"

# Where the desktop has a global shortcuts portal (KDE's; a stand-in here),
# the bar has the key bound through it, says which key the desktop gave,
# and a press brings the bar. A portal that takes the shortcut without a
# key (KDE's before Plasma 6) gets the message to bind it, and a key the
# user gives it later still brings the bar.
# with_portal [ARGUMENT]: a new bar beside a new stand-in portal.
with_portal() {
  kill "$bar_pid" $portal 2>/dev/null
  wait_until 5 gone || fail "the bar did not end"
  "$work/bin/fake_portal" "$@" >"$work/run/portal.log" 2>&1 &
  portal=$!
  wait_until 5 grep -qs ready "$work/run/portal.log" || fail "the stand-in portal did not start"
  "$bar" >"$work/run/bar.log" 2>&1 &
  bar_pid=$!
}
for keys in "" --no-keys; do
  # shellcheck disable=SC2086 # no argument when empty
  with_portal $keys
  wait_until 10 grep -qs "bound toggle CTRL+ALT+space" "$work/run/portal.log" ||
    fail "the key was not bound through the portal: $(cat "$work/run/portal.log")"
  told=$([ -z "$keys" ] && echo "Ctrl+Alt+Space, through the desktop's global shortcuts" ||
    echo "bind Ctrl+Alt+Space to tarvolin --toggle")
  wait_until 5 grep -qs "hotkey: .*$told" "$work/run/bar.log" ||
    fail "stderr does not say '$told': $(cat "$work/run/bar.log")"
  if [ -n "$keys" ]; then
    wait_until 10 told || fail "the bar did not say how to bind the key"
    xdotool key Return
  fi
  wait_until 10 shows "$corner" || fail "the bar with the portal: '$(bar_state)'"
  "$bar" --toggle
  wait_until 5 gone || fail "--toggle did not hide the bar"
  gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
    --method org.tarvolin.FakePortal.Press token-1 >/dev/null || fail "the stand-in portal did not press"
  wait_until 5 shows "$corner" || fail "the portal's key ($keys) did not bring the bar: '$(bar_state)'"
done

# A portal that answers with shortcuts of another type is refused, as one
# that binds no key: the bar runs on and says how to bind the key.
for answer in map struct nested; do
  with_portal --answer=$answer
  wait_until 10 grep -qs "hotkey: .*bind Ctrl+Alt+Space to tarvolin --toggle" "$work/run/bar.log" ||
    fail "a $answer answer: $(cat "$work/run/bar.log")"
  sleep 0.5
  kill -0 "$bar_pid" 2>/dev/null || fail "the bar ended on a $answer answer"
done

finish
