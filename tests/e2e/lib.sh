# shellcheck shell=bash disable=SC2154
# Helpers of the end-to-end cases, sourced by e2e.sh once it runs on its own
# display. Sets up the case's folders; whatever the case starts is ended on
# exit, and its screenshots and logs stay in $work when a check failed.
set -u
work=$(mktemp -d "/tmp/tarvolin-e2e-$case.XXXXXX")
dir=$work/program      # the program folder: tarvolin, tv.ini, files.cfg
drive=$work/drive_c    # drive C: of [Drives]
opened=$work/opened.txt
failures=0 bar_pid="" server_pid="" port=9

finish() {
  [ -z "$bar_pid$server_pid" ] || kill ${bar_pid:+"$bar_pid"} ${server_pid:+"$server_pid"} 2>/dev/null
  wait 2>/dev/null
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "screenshots and logs: $work"; fi
}
trap finish EXIT

fail() {
  failures=$((failures + 1))
  echo "FAIL $case: $*"
  import -window root "$work/failure-$failures.png" 2>/dev/null
}

# A copy of the program and its documents; on drive C: two programs that note
# the folder they ran in ($work/run.ran, $work/notepad.ran); first on PATH a
# desktop opener that notes what it was asked to open.
mkdir -p "$dir" "$drive/Games" "$drive/Windows" "$work/bin"
cp "$program" "$dir/tarvolin"
cp "$(dirname "$program")/tarvolin-bar" "$dir/"
# The resident bar's socket: each case its own.
export XDG_RUNTIME_DIR=$work
# The HTTP client, a module the program loads from its own folder.
cp "$(dirname "$program")"/libtarvolin_http.* "$dir/"
cp "$root/docs/ReadMe.txt" "$root/docs/Changelog.txt" "$dir/"
for exe in Games/run Windows/notepad; do
  printf '#!/bin/sh\npwd >"%s"\n' "$work/${exe#*/}.ran" >"$drive/$exe.exe"
  chmod +x "$drive/$exe.exe"
done
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
touch "$opened"
export PATH="$work/bin:$PATH"

# A loopback update server offering version 9.99; server.log notes the requests.
start_server() {
  mkdir -p "$work/server/prog/Tarvolin"
  printf '9.99' >"$work/server/prog/Tarvolin/version.txt"
  python3 -u -m http.server --bind 127.0.0.1 --directory "$work/server" 0 \
    >"$work/server.out" 2>"$work/server.log" &
  server_pid=$!
  wait_until 10 grep -q ' port ' "$work/server.out" || fail "the update server did not start"
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out")
}

# start_bar CORNER AUTOUPDATE: writes tv.ini (the update server, drive C:)
# unless called without settings, and starts the bar.
start_bar() {
  [ $# -eq 0 ] || printf '[Tarvolin]\r\nloca=%s\r\nAutoUpdate=%s\r\nCaseSensitive=0\r\nWebExtensions=com,org,net\r\nUpdateServer=http://127.0.0.1:%s/\r\n[Drives]\r\nc=%s\r\n' \
    "$1" "$2" "$port" "$drive" >"$dir/tv.ini"
  (cd / && exec "$dir/tarvolin" >>"$work/bar.log" 2>&1) &
  bar_pid=$!
  wait_until 15 bar_mapped || fail "the bar was not mapped"
}

# wait_until SECONDS COMMAND...: true once COMMAND succeeds within SECONDS.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
not() { ! "$@"; }
file_has_line() { [ -f "$1" ] && grep -qxF -- "$2" "$1"; }
# ran NAME FOLDER: the program NAME.exe ran in FOLDER of drive C:.
ran() { wait_until 10 file_has_line "$work/$1.ran" "$drive/$2"; }
press() { timeout 10 xdotool key "$@"; }
type_text() { timeout 30 xdotool type --delay 30 -- "$1"; sleep 0.3; }
click_at() { timeout 10 xdotool mousemove "$@" sleep 0.3 click 1; sleep 0.3; }
geometry() { xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'; }
# Visible windows whose caption matches ^$1$, in its case (xdotool ignores case).
windows_named() {
  for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [[ "$(xdotool getwindowname "$w")" =~ ^$1$ ]] && echo "$w"
  done
}
window_shown() { [ -n "$(windows_named "$1")" ]; }
window_count() { xdotool search --onlyvisible --pid "$bar_pid" 2>/dev/null | wc -l; }
windows_above() { [ "$(window_count)" -gt "$1" ]; }
# Closes the window with this caption as a user does, with alt+F4.
close_window() {
  timeout 10 xdotool windowactivate --sync "$(windows_named "$1" | head -1)" key --clearmodifiers alt+F4 2>/dev/null
  wait_until 10 not window_shown "$1"
}
focus_name() { xdotool getwindowfocus getwindowname 2>/dev/null; }
focus_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
bar_ended() { ! kill -0 "$bar_pid" 2>/dev/null; }

# The bar: the strip among the windows named "Tarvolin"; message boxes are the others.
bar_window() {
  local w x y width height
  for w in $(windows_named Tarvolin); do
    read -r x y width height <<<"$(geometry "$w")"
    [ "$height" -lt 60 ] && echo "$w" && return
  done
}
bar_mapped() { [ -n "$(bar_window)" ]; }
bar_position() { geometry "$(bar_window)" 2>/dev/null | awk '{print $1 "," $2}'; }
bar_at() { [ "$(bar_position)" = "$1" ]; }
message_box() { windows_named Tarvolin | grep -vxF "$(bar_window)"; }
message_shown() { [ -n "$(message_box)" ]; }

# A click into the bar gives it the focus and selects all its text.
focus_bar() {
  local x y width height
  read -r x y width height <<<"$(geometry "$(bar_window)" 2>/dev/null)"
  [ -n "$height" ] && click_at $((x + width / 2)) $((y + height / 2))
}
# The bar's text, copied with Ctrl+C after a click has selected it all. An
# empty bar copies nothing and leaves the placeholder, which reads as "".
bar_text() {
  printf '<nothing copied>' | timeout 10 xclip -selection clipboard -quiet >/dev/null 2>&1 &
  sleep 0.2
  focus_bar && press ctrl+c && sleep 0.2 &&
    timeout 5 xclip -o -selection clipboard 2>/dev/null | grep -vxF '<nothing copied>'
}
bar_shows() { [ "$(bar_text)" = "$1" ]; }
# type_in_bar TEXT [KEY...]: types TEXT into the bar, then presses the keys.
type_in_bar() {
  focus_bar || fail "no bar to type '$1' into"
  type_text "$1"
  [ $# -lt 2 ] || press "${@:2}"
}
run_line() { type_in_bar "$1" Return; }
# says LINE TEXT: the line, run, leaves the text in the bar.
bar_key() { focus_bar && press "$@"; }

# Opens the quickcommand editor with F2 and this line in the bar; sets $editor.
open_editor() {
  type_in_bar "$1" F2
  wait_until 10 window_shown "Edit Quickcommands" || { fail "F2 did not open the editor"; return 1; }
  sleep 1
  editor=$(windows_named "Edit Quickcommands" | head -1)
}
# Types NAME in the editor, adds it with Enter, closes the editor with Escape,
# and checks that files.cfg ends with the record for c:\games\run.exe.
add_quickcommand() {
  type_text "$1"
  keep editor "$editor"
  press Return && sleep 0.5 && press Escape
  wait_until 10 not window_shown "Edit Quickcommands" || fail "Escape did not close the editor"
  local cfg
  cfg=$(tr -d '\r' 2>/dev/null <"$dir/files.cfg" | tail -n 2)
  [ "$cfg" = "$(printf 'c:\\games\\run.exe\n%s' "$1")" ] || fail "files.cfg ends with: $cfg"
  ! grep -qv $'\r$' "$dir/files.cfg" 2>/dev/null || fail "files.cfg lines do not all end in CR LF"
}

# Opens the options with F3, picks Top Left on the tab Position, as a user
# clicks them (points in the dialog at 96 dpi), and closes the options.
options_top_left() {
  bar_key F3
  wait_until 10 window_shown Options || { fail "F3 did not open the options"; return 1; }
  sleep 1
  local options
  options=$(windows_named Options | head -1)
  click_at --window "$options" 107 15
  keep options "$options"
  click_at --window "$options" 30 56
  wait_until 5 bar_at 0,0 || fail "Top Left left the bar at $(bar_position)"
  close_window Options || fail "alt+F4 did not close the options"
}

# With KEEP_SHOTS set to a folder, keeps a picture of the bar and the given
# windows, frames included, as NAME.png there (tools/screenshots).
keep() {
  [ -n "${KEEP_SHOTS:-}" ] || return 0
  local w
  mkdir -p "$KEEP_SHOTS"
  for w in "$(bar_window)" "${@:2}"; do # x y width height, then the frame: left right top bottom
    echo "$(geometry "$w") $(xprop -id "$w" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr , ' ')"
  done | awk '{ l = $1 - $5; t = $2 - $7; r = $1 + $3 + $6; b = $2 + $4 + $8
      if (NR == 1 || l < L) L = l; if (NR == 1 || t < T) T = t; if (r > R) R = r; if (b > B) B = b }
    END { printf "%dx%d+%d+%d\n", R - L, B - T, L, T }' |
    xargs -I{} import -window root -crop {} +repage -colors 64 "PNG8:$KEEP_SHOTS/$1.png"
}
