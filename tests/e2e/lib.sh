# shellcheck shell=bash disable=SC2154
# Helpers of the end-to-end cases, sourced by e2e.sh once it runs on its own
# display. Sets up the case's folders; whatever the case starts is ended on
# exit, and its screenshots and logs stay in $work when a check failed.
set -u
work=$(mktemp -d "/tmp/tarvolin-e2e-$case.XXXXXX")
dir=$work/program   # the program folder: tarvolin, tv.ini, files.cfg
drive=$work/drive_c # drive C: of [Drives]
opened=$work/opened.txt
failures=0 pids=() port=9

finish() {
  [ ${#pids[@]} -eq 0 ] || kill "${pids[@]}" 2>/dev/null
  wait 2>/dev/null
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "screenshots and logs: $work"; fi
}
trap finish EXIT

fail() {
  failures=$((failures + 1))
  echo "FAIL $case: $*"
  import -window root "$work/failure-$failures.png" 2>/dev/null
}

# A copy of the program with its HTTP module (loaded from its own folder)
# and its documents; on drive C: a program that notes the folder it ran in
# ($work/run.ran), which the desktop application "Games Runner" runs too;
# first on PATH a desktop opener that notes what it was asked to open.
mkdir -p "$dir" "$drive/Games" "$work/bin"
cp "$program" "$dir/tarvolin"
cp "$(dirname "$program")"/libtarvolin-bar.so "$(dirname "$program")"/libtarvolin_http.* \
  "$(dirname "$program")"/libtarvolin_apps.* "$(dirname "$program")"/libtarvolin_calc.* \
  "$root/docs/ReadMe.txt" "$root/docs/Changelog.txt" "$dir/"
# The resident bar's socket: each case its own.
export XDG_RUNTIME_DIR=$work
printf '#!/bin/sh\npwd >"%s"\n' "$work/run.ran" >"$drive/Games/run.exe"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$work/bin/xdg-open"
chmod +x "$drive/Games/run.exe" "$work/bin/xdg-open"
mkdir -p "$work/share/applications"
printf '[Desktop Entry]\nType=Application\nName=Games Runner\nExec=%s\n' "$drive/Games/run.exe" \
  >"$work/share/applications/runner.desktop"
export XDG_DATA_HOME=$work/share
export PATH="$work/bin:$PATH"

# start_bar [CORNER AUTOUPDATE]: writes tv.ini (the update server on $port,
# drive C:) when given settings, and starts the bar.
start_bar() {
  [ $# -eq 0 ] || printf '[Tarvolin]\r\nloca=%s\r\nAutoUpdate=%s\r\nCaseSensitive=0\r\nWebExtensions=com,org,net\r\nUpdateServer=http://127.0.0.1:%s/\r\n[Drives]\r\nc=%s\r\n' \
    "$1" "$2" "$port" "$drive" >"$dir/tv.ini"
  (cd / && exec "$dir/tarvolin" >>"$work/bar.log" 2>&1) &
  bar_pid=$!
  pids+=("$bar_pid")
  wait_until 15 bar_mapped || fail "the bar was not mapped"
}

# shellcheck source=tests/wait.sh
. "$root/tests/wait.sh"
file_has_line() { [ -f "$1" ] && grep -qxF -- "$2" "$1"; }
press() { timeout 10 xdotool key "$@"; }
type_text() { timeout 30 xdotool type --delay 30 -- "$1"; sleep 0.3; }
click_at() { timeout 10 xdotool mousemove "$@" sleep 0.3 click 1; sleep 0.3; }
# geometry WINDOW: x y width height; nothing without a window (xwininfo
# would wait for a click).
geometry() { [ -n "$1" ] && xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'; }
# Visible windows whose caption matches ^$1$, in its case (xdotool ignores case).
windows_named() {
  for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [[ "$(xdotool getwindowname "$w")" =~ ^$1$ ]] && echo "$w"
  done
}
window_shown() { [ -n "$(windows_named "$1")" ]; }
window_count() { xdotool search --onlyvisible --pid "$bar_pid" 2>/dev/null | wc -l; }
focus_name() { xdotool getwindowfocus getwindowname 2>/dev/null; }
focus_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# focus_on_editor WHAT: the keyboard focus comes back to the editor after WHAT.
focus_on_editor() { wait_until 5 focus_on "$editor" || fail "after $1 the focus is on '$(focus_name)', not the editor"; }
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
message_box() { windows_named Tarvolin | grep -vxF "$(bar_window)"; }
message_shown() { [ -n "$(message_box)" ]; }

# A click into the bar gives it the focus and selects all its text.
focus_bar() {
  local x y width height
  read -r x y width height <<<"$(geometry "$(bar_window)" 2>/dev/null)"
  [ -n "$height" ] || { fail "no bar to click into"; return 1; }
  click_at $((x + width / 2)) $((y + height / 2))
}
bar_key() { focus_bar && press "$@"; }
# type_in_bar TEXT [KEY...]: types TEXT into the bar, then presses the keys.
type_in_bar() {
  focus_bar && type_text "$1"
  [ $# -lt 2 ] || press "${@:2}"
}

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
  press Return && sleep 0.5 && press Escape
  wait_until 10 not window_shown "Edit Quickcommands" || fail "Escape did not close the editor"
  # The bar writes files.cfg beside its GUI thread: a moment later.
  local expected
  expected=$(printf 'c:\\games\\run.exe\r\n%s\r' "$1")
  saved() { [ "$(tail -n 2 "$dir/files.cfg" 2>/dev/null)" = "$expected" ]; }
  wait_until 5 saved || fail "files.cfg ends with: $(tail -n 2 "$dir/files.cfg" 2>/dev/null)"
}
