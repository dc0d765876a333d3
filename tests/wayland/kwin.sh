#!/usr/bin/env bash
# The bar in a KDE Plasma session's compositor: KWin with XWayland, shown in
# a window on an Xvfb display of its own (KWin's headless backend needs a
# GPU), on a session bus of its own, run as a normal user (lib.sh). The bar
# is an X11 client there; the keys go in through XWayland's XTEST.
#
#   tests/wayland/kwin.sh BUILD_FOLDER        (as root)
#
# With TARVOLIN_SHOTS set to a folder, the leg keeps pictures of the bar and
# its editor there.
[ $# -eq 1 ] || { echo "usage: $0 BUILD_FOLDER" >&2; exit 2; }
run_copy=kwin_wayland
# shellcheck source=tests/wayland/lib.sh
source "$(dirname "$0")/lib.sh" kwin "$1" kwin_wayland Xvfb dbus-run-session xdotool xwininfo

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- bash "$0" "$work"
fi
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/run/xvfb" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $bar_pid $kwin $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
bar_pid='' kwin=''
wait_until 10 test -s "$work/run/xvfb" || { fail "Xvfb did not start"; exit 1; }
HOST_DISPLAY=:$(tr -d '[:space:]' <"$work/run/xvfb")
# KWin starts the program it is given once XWayland is up, with the
# session's environment: that program writes it down.
cat >"$work/run/session" <<SESSION
#!/bin/sh
env | grep -E '^(DISPLAY|XAUTHORITY|WAYLAND_DISPLAY)=' >"$work/run/environment"
SESSION
chmod +x "$work/run/session"
kwin_wayland --x11-display "$HOST_DISPLAY" --xwayland --width 1024 --height 768 \
  "$work/run/session" >"$work/run/kwin.log" 2>&1 &
kwin=$!
wait_until 20 test -s "$work/run/environment" || { fail "KWin started no XWayland"; exit 1; }
set -a
# shellcheck disable=SC1091 # written above
. "$work/run/environment"
set +a

# A Plasma session without its panel has no notification area: the
# checks the X11 legs share.
x11_checks

finish
