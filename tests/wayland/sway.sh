#!/usr/bin/env bash
# The bar in a sway session: sway headless with XWayland, run as a normal
# user (lib.sh), keys typed through the virtual keyboard (wtype), windows
# and the focus read from sway's own tree (swaymsg). The configuration holds
# the README's line for sway (floating_minimum_size) and nothing else.
#
#   tests/wayland/sway.sh BUILD_FOLDER        (as root)
[ $# -eq 1 ] || { echo "usage: $0 BUILD_FOLDER" >&2; exit 2; }
# shellcheck source=tests/wayland/lib.sh
source "$(dirname "$0")/lib.sh" sway "$1" sway swaymsg wtype xclip xdotool

export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
cat >"$work/run/sway.cfg" <<EOF
output HEADLESS-1 resolution 1024x768
xwayland enable
floating_minimum_size 1 x 1
exec sh -c 'echo \$DISPLAY >$work/run/display'
EOF
sway -c "$work/run/sway.cfg" >"$work/run/sway.log" 2>&1 &
sway=$!
trap 'kill $sway 2>/dev/null; wait 2>/dev/null' EXIT
wait_until 10 test -s "$work/run/display" || { fail "sway did not start"; exit 1; }
SWAYSOCK=$(ls "$work"/run/sway-ipc.*.sock)
DISPLAY=$(cat "$work/run/display")
export SWAYSOCK DISPLAY WAYLAND_DISPLAY=wayland-1

# The windows of sway's tree by title: "x,y wxh" and whether each has the
# focus; window gives the first.
windows() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("name") == sys.argv[1] and node["type"] in ("con", "floating_con"):
        r = node["rect"]
        print("%d,%d %dx%d %s" % (r["x"], r["y"], r["width"], r["height"],
                                  "focused" if node["focused"] else "unfocused"))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1"
}
window() { windows "$1" | head -1; }
shows() { [ "$(window "$1")" = "$2" ]; }
focused() { window "$1" | grep -q ' focused$'; }
gone() { [ -z "$(window "$1")" ]; }
# Keys through a new virtual keyboard: XWayland takes its keymap with the
# first key, which a harmless key goes ahead of.
key() { wtype -k shift_l -s 100 "$@"; }
# The bar's text, all of it selected: copied to XWayland's clipboard.
bar_text() {
  printf '' | xclip -selection clipboard >/dev/null 2>&1
  key -M ctrl -k c -m ctrl
  sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null
}


# In its corner at its size; a box of its own, with the focus, says whole
# how the key is bound here, and the focus comes back to the bar.
"$bar" >"$work/run/bar.log" 2>&1 &
told() { [ "$(windows Tarvolin | wc -l)" -ge 2 ]; }
box_focused() { windows Tarvolin | grep -v '^774,717 ' | grep -q ' focused$'; }
wait_until 10 told || fail "the bar did not say how to bind the key: '$(windows Tarvolin)'"
wait_until 5 box_focused || fail "the box about the key has not the focus: '$(windows Tarvolin)'"
key -k Return
wait_until 10 shows Tarvolin "774,717 250x19 focused" ||
  fail "the bar at start: '$(window Tarvolin)', not '774,717 250x19 focused'"
grep -q "bind Ctrl+Alt+Space to tarvolin --toggle" "$work/run/bar.log" || fail "stderr does not say how to bind the key"

# Summoned over a native Wayland window that has the focus, and toggled
# both ways; a --toggle while another window has the focus brings it.
QT_QPA_PLATFORM=wayland "$work/bin/other-window" >/dev/null 2>&1 &
wait_until 10 focused other-window || fail "the other window did not take the focus"
window Tarvolin | grep -q '^774,717 ' || fail "the bar left its corner for the other window"
"$bar" --show
wait_until 5 shows Tarvolin "774,717 250x19 focused" || fail "--show over another window: '$(window Tarvolin)'"
"$bar" --toggle
wait_until 5 gone Tarvolin || fail "--toggle did not hide the bar in front"
wait_until 5 focused other-window || fail "the focus did not go back to the other window"
"$bar" --toggle
wait_until 5 shows Tarvolin "774,717 250x19 focused" || fail "--toggle did not bring the bar back: '$(window Tarvolin)'"
swaymsg -q '[title="^other-window$"] focus'
# XWayland hears of it a moment later than sway's tree.
bar_x=$(xdotool search --onlyvisible --name '^Tarvolin$' 2>/dev/null | head -1)
x_elsewhere() { [ "$(xdotool getwindowfocus 2>/dev/null)" != "$bar_x" ]; }
wait_until 5 x_elsewhere || fail "XWayland kept the focus in the bar"
"$bar" --toggle
wait_until 5 shows Tarvolin "774,717 250x19 focused" || fail "--toggle behind another window: '$(window Tarvolin)'"
"$bar"
wait_until 5 focused Tarvolin || fail "a second start did not bring the bar"

# The editor unrolls above the bar, takes the focus and gives it back.
key -k F2
wait_until 5 focused "Edit Quickcommands" || fail "F2: the editor has not the focus"
place=$(window "Edit Quickcommands")
x=${place%%,*} y=${place#*,} y=${y%% *} h=${place#* *x} h=${h%% *}
[ "$x" -ge 500 ] && [ $((y + h)) -le 717 ] && [ $((y + h)) -ge 680 ] ||
  fail "the editor stands at $place, not above the bar"
key -k Escape
wait_until 5 focused Tarvolin || fail "the focus did not come back after the editor"

# No notification area here: Escape hides the bar, once saying what brings
# it back; the launcher does.
key -k Escape
wait_until 5 told || fail "Escape without a notification area told nothing"
key -k Return
wait_until 5 gone Tarvolin || fail "Escape did not hide the bar: '$(window Tarvolin)'"
"$bar" --show
wait_until 5 shows Tarvolin "774,717 250x19 focused" || fail "--show after Escape: '$(window Tarvolin)'"

# Another corner, at the next start.
key quit
key -k Return
wait_until 5 not pgrep -u "$(id -u)" -f "$bar\$" >/dev/null || fail "quit did not end the bar"
# Fresh settings, but sway runs the bar on a key now: nothing to tell.
settings 1
echo 'bindsym Ctrl+Mod1+space exec tarvolin --toggle' >>"$work/run/sway.cfg"
swaymsg reload >/dev/null
"$bar" >>"$work/run/bar.log" 2>&1 &
wait_until 10 shows Tarvolin "0,0 250x19 focused" || fail "the bar in corner 1: '$(window Tarvolin)'"
sleep 1
! told || fail "the bar told how to bind a key that sway binds"
pkill -u "$(id -u)" -f "$bar\$"

# With no X server, on native Wayland: the bar runs, a summon's activation
# token reaches it, and what it starts inherits nothing of how Qt was set up
# for it nor the desktop's launch tokens.
wait_until 5 gone Tarvolin
env -u DISPLAY XDG_ACTIVATION_TOKEN=at-start DESKTOP_STARTUP_ID=id-at-start "$bar" >>"$work/run/bar.log" 2>&1 &
wait_until 10 focused Tarvolin || fail "the bar on native Wayland has not the focus"
env -u DISPLAY XDG_ACTIVATION_TOKEN=summoned "$bar" --show || fail "--show with a token was not taken"
key "sh -c 'env >$work/run/env.txt'" -k Return
wait_until 5 test -s "$work/run/env.txt" || fail "the bar on native Wayland started nothing"
! grep -qE '^(QT_(QPA_PLATFORM|WAYLAND_CLIENT_BUFFER_INTEGRATION)|XDG_ACTIVATION_TOKEN|DESKTOP_STARTUP_ID)=' \
  "$work/run/env.txt" || fail "a program the bar started inherited: $(grep -E '^(QT|XDG_A|DESKTOP_S)' "$work/run/env.txt")"
# Without a notification area Escape hides it there too, once saying what
# brings it back; --show does.
key -k Escape
wait_until 5 told || fail "Escape on native Wayland told nothing"
key -k Return
wait_until 5 gone Tarvolin || fail "Escape on native Wayland did not hide the bar: '$(window Tarvolin)'"
env -u DISPLAY "$bar" --show
wait_until 5 focused Tarvolin || fail "--show after Escape on native Wayland: '$(window Tarvolin)'"
pkill -u "$(id -u)" -f "$bar\$"

finish
