#!/usr/bin/env bash
# End-to-end suite: runs the built tarvolin executable, copied into a fresh
# program folder, on a display of its own (Xvfb, openbox, trayer) and drives
# it as a user does: keys typed with xdotool, clicks, and the files it writes.
#
#   run_e2e.sh /path/to/tarvolin
#
# Prints one line per case and ends with "N passed, N failed"; exits non-zero
# when a case fails. Screenshots of every case stay in the folder printed on
# failure.
set -u

program=$(readlink -f "${1:?usage: run_e2e.sh /path/to/tarvolin}")
docs=$(cd "$(dirname "$0")/../../docs" && pwd)
work=$(mktemp -d /tmp/tarvolin-e2e.XXXXXX)
shots="$work/screenshots"
mkdir -p "$shots"

passed=0
failed=0
case_name=""
case_ok=1
shot_count=0
children=()

cleanup() {
  local pid
  for pid in "${children[@]}"; do
    kill "$pid" 2>/dev/null
  done
  wait 2>/dev/null
}
trap cleanup EXIT

# --- The display: Xvfb, a window manager, a notification area. ------------

# A free display number; another run may take the same one at the same
# moment, so a server that does not come up makes us try the next.
display=""
for n in $(seq 150 250); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$xvfb" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
    children+=("$xvfb")
    display=":$n"
    break
  fi
done
[ -n "$display" ] || { echo "no display could be started"; echo "0 passed, 1 failed"; exit 1; }
export DISPLAY="$display"
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XDG_SESSION_TYPE
openbox >"$work/openbox.log" 2>&1 &
children+=($!)
for _ in $(seq 200); do
  xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = ' && break
  sleep 0.05
done
trayer --edge top --align left --widthtype pixel --width 120 --height 24 \
  --SetDockType true --transparent false >"$work/trayer.log" 2>&1 &
children+=($!)
for _ in $(seq 200); do
  xprop -root 2>/dev/null | grep -q '^_NET_SYSTEM_TRAY_S0' && break
  xprop -root -notype _NET_CLIENT_LIST 2>/dev/null | grep -q '0x' && \
    xdotool search --class trayer >/dev/null 2>&1 && break
  sleep 0.05
done
sleep 0.5

# --- The loopback update server. --------------------------------------------

server_root="$work/server"
mkdir -p "$server_root/prog/Tarvolin"
printf '9.99' >"$server_root/prog/Tarvolin/version.txt"
python3 - "$server_root" "$work/server.port" "$work/server.log" <<'EOF' &
import http.server, sys, functools
root, port_file, log_file = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, fmt, *args):
        with open(log_file, "a") as f:
            f.write(self.path + "\n")
server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Handler, directory=root))
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
import os
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
EOF
children+=($!)
for _ in $(seq 200); do
  [ -s "$work/server.port" ] && break
  sleep 0.05
done
port=$(cat "$work/server.port")
touch "$work/server.log"

# --- The recording desktop opener, first on PATH. ---------------------------

stubs="$work/bin"
mkdir -p "$stubs"
opened="$work/opened.txt"
cat >"$stubs/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$opened"
EOF
chmod +x "$stubs/xdg-open"
touch "$opened"
export PATH="$stubs:$PATH"

# --- Helpers. ---------------------------------------------------------------

shot() {
  shot_count=$((shot_count + 1))
  import -window root "$shots/$(printf '%02d' "$shot_count")-$case_name-$1.png" 2>/dev/null
}

# With KEEP_SHOTS set to a folder, keeps a small picture of the bar and the
# given windows, frames included, as NAME.png there (tools/screenshots).
keep() {
  [ -n "${KEEP_SHOTS:-}" ] || return 0
  local name=$1 w x y width height extents fl fr ft fb
  local left=100000 top=100000 right=0 bottom=0
  shift
  for w in "$(bar_window)" "$@"; do
    [ -n "$w" ] || continue
    eval "$(xwininfo -id "$w" | awk '/Absolute upper-left X:/ {print "x=" $4}
      /Absolute upper-left Y:/ {print "y=" $4} /Width:/ {print "width=" $2}
      /Height:/ {print "height=" $2}')"
    extents=$(xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$' | tr -d ' ')
    IFS=, read -r fl fr ft fb <<<"${extents:-0,0,0,0}"
    left=$((x - ${fl:-0} < left ? x - ${fl:-0} : left))
    top=$((y - ${ft:-0} < top ? y - ${ft:-0} : top))
    right=$((x + width + ${fr:-0} > right ? x + width + ${fr:-0} : right))
    bottom=$((y + height + ${fb:-0} > bottom ? y + height + ${fb:-0} : bottom))
  done
  mkdir -p "$KEEP_SHOTS"
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
    -colors 64 "PNG8:$KEEP_SHOTS/$name.png" 2>/dev/null
}

begin() {
  case_name=$1
  case_ok=1
  shot start
}

fail() {
  echo "    FAIL [$case_name]: $*"
  case_ok=0
}

end() {
  shot end
  if [ "$case_ok" -eq 1 ]; then
    passed=$((passed + 1))
    echo "ok   $case_name"
  else
    failed=$((failed + 1))
    echo "FAIL $case_name"
  fi
}

# wait_until SECONDS COMMAND...: true once COMMAND succeeds within SECONDS.
wait_until() {
  local deadline=$(($(date +%s%N) / 1000000 + $1 * 1000))
  shift
  while [ $(($(date +%s%N) / 1000000)) -lt "$deadline" ]; do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

file_has_line() { [ -f "$1" ] && grep -qxF -- "$2" "$1"; }
file_exists() { [ -e "$1" ]; }

# Visible windows with exactly this caption.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
window_shown() { [ -n "$(windows_named "$1")" ]; }
window_gone() { [ -z "$(windows_named "$1")" ]; }

# A new program folder holding a copy of the executable and its documents.
new_program_folder() {
  local dir="$work/$1"
  mkdir -p "$dir"
  cp "$program" "$dir/tarvolin"
  cp "$docs/ReadMe.txt" "$docs/Changelog.txt" "$dir/" 2>/dev/null
  echo "$dir"
}

# The bar's window: the visible window of the bar process named "Tarvolin".
bar_window() {
  xdotool search --all --pid "$bar_pid" --name '^Tarvolin$' 2>/dev/null | while read -r w; do
    if xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      if [ "$(xwininfo -id "$w" | awk '/Height:/ {print $2}')" -lt 60 ]; then
        echo "$w"
        break
      fi
    fi
  done
}
bar_mapped() { [ -n "$(bar_window)" ]; }
bar_unmapped() { [ -z "$(bar_window)" ]; }

start_bar() {
  local dir=$1
  (cd / && exec "$dir/tarvolin" >"$work/bar-$(basename "$dir").log" 2>&1) &
  bar_pid=$!
  children+=("$bar_pid")
  wait_until 15 bar_mapped
}

bar_running() { kill -0 "$bar_pid" 2>/dev/null; }
bar_ended() { ! bar_running; }

stop_bar() {
  if bar_running; then
    kill "$bar_pid" 2>/dev/null
    wait "$bar_pid" 2>/dev/null
  fi
}

# Position of the bar's top-left corner on the screen, "x,y".
bar_position() {
  local w
  w=$(bar_window)
  [ -n "$w" ] || return 1
  xwininfo -id "$w" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x "," y}'
}
bar_at() { [ "$(bar_position)" = "$1" ]; }

# A click into the bar gives it the focus and selects all its text.
focus_bar() {
  local w geometry x y width height
  w=$(bar_window)
  [ -n "$w" ] || return 1
  geometry=$(xwininfo -id "$w")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$geometry")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$geometry")
  width=$(awk '/Width:/ {print $2}' <<<"$geometry")
  height=$(awk '/Height:/ {print $2}' <<<"$geometry")
  timeout 10 xdotool mousemove $((x + width / 2)) $((y + height / 2)) sleep 0.2 click 1
  sleep 0.3
}

# The bar's text: a click selects it all, Ctrl+C copies it to the clipboard.
bar_text() {
  printf 'nothing copied' | timeout 10 xclip -selection clipboard -quiet >/dev/null 2>&1 &
  sleep 0.2
  focus_bar >/dev/null 2>&1 || return 1
  timeout 10 xdotool key ctrl+c
  sleep 0.2
  timeout 5 xclip -o -selection clipboard 2>/dev/null
}
bar_shows() { [ "$(bar_text)" = "$1" ]; }

# An empty bar copies nothing: two letters typed after its text are all it holds.
bar_empty() {
  focus_bar || return 1
  press End
  timeout 10 xdotool type --delay 30 -- 'zz'
  local text
  text=$(bar_text)
  press BackSpace
  [ "$text" = "zz" ]
}

# Types a line into the bar and presses Enter.
run_line() {
  focus_bar || { fail "no bar to type into"; return 1; }
  timeout 30 xdotool type --delay 30 -- "$1"
  timeout 10 xdotool key Return
}

press() {
  timeout 10 xdotool key "$@"
}

# A script on the mapped drive that records the folder it ran in.
write_marker_script() {
  local path=$1 marker=$2
  mkdir -p "$(dirname "$path")"
  printf '#!/bin/sh\npwd >"%s"\n' "$marker" >"$path"
  chmod +x "$path"
}

# write_settings FOLDER CORNER AUTOUPDATE DRIVE_C
write_settings() {
  local dir=$1 corner=$2 update=$3 drive=$4
  printf '[Tarvolin]\r\nloca=%s\r\nAutoUpdate=%s\r\nCaseSensitive=0\r\nWebExtensions=com,org,net\r\nUpdateServer=http://127.0.0.1:%s/\r\n[Drives]\r\nc=%s\r\n' \
    "$corner" "$update" "$port" "$drive" >"$dir/tv.ini"
}

echo "e2e: display $DISPLAY, files in $work"

# --- First run: no tv.ini beside the program. -------------------------------

begin first_run
first=$(new_program_folder first)
if ! start_bar "$first"; then
  fail "the bar was not mapped"
fi
if wait_until 10 file_exists "$first/tv.ini"; then
  settings=$(tr -d '\r' <"$first/tv.ini")
  expected=$(printf '[Tarvolin]\nloca= 4\nAutoUpdate= 1\nCaseSensitive= 0\nWebExtensions=com,org,net')
  [ "$settings" = "$expected" ] || fail "tv.ini reads: $settings"
  grep -q $'\r$' "$first/tv.ini" || fail "tv.ini lines do not end in CR LF"
else
  fail "tv.ini was not written"
fi
wait_until 10 window_shown "Edit Quickcommands" || fail "the quickcommand editor did not open"
wait_until 5 bar_at "774,717" || fail "the bar is at $(bar_position), not bottom right"
shot editor
wait_until 5 bar_shows "Settings Saved..." || fail "the bar shows '$(bar_text)'"
stop_bar
end

# --- One run of a set-up program folder. ------------------------------------

main=$(new_program_folder main)
drive="$work/drive_c"
marks="$work/marks"
mkdir -p "$drive" "$marks"
write_marker_script "$drive/Games/run.exe" "$marks/run.txt"
write_marker_script "$drive/Windows/notepad.exe" "$marks/notepad.txt"
# No update check in this run: its offer would take the keys meant for the bar.
write_settings "$main" 4 0 "$drive"

begin start_with_settings
start_bar "$main" || fail "the bar was not mapped"
wait_until 5 bar_at "774,717" || fail "the bar is at $(bar_position), not bottom right"
window_gone "Edit Quickcommands" || fail "the editor opened although tv.ini exists"
end

begin quickcommand_editor
run_line 'c:\games\run.exe'
wait_until 10 file_has_line "$marks/run.txt" "$drive/Games" ||
  fail "c:\\games\\run.exe did not run in its folder: $(cat "$marks/run.txt" 2>&1)"
rm -f "$marks/run.txt"
focus_bar
timeout 30 xdotool type --delay 30 -- 'c:\games\run.exe'
press F2
if wait_until 10 window_shown "Edit Quickcommands"; then
  sleep 1
  shot editor
  # The editor took the bar's text as the target; the name box has the focus.
  timeout 30 xdotool type --delay 30 -- 'play'
  sleep 0.3
  keep editor "$(windows_named "Edit Quickcommands" | head -1)"
  press Return
  sleep 0.5
  press Escape
  wait_until 10 window_gone "Edit Quickcommands" || fail "Escape did not close the editor"
  wait_until 5 file_exists "$main/files.cfg" || fail "files.cfg was not written"
  # The new record follows the blank one that stood for the empty table.
  cfg=$(tr -d '\r' <"$main/files.cfg" 2>/dev/null | tail -n 2)
  [ "$cfg" = "$(printf 'c:\\games\\run.exe\nplay')" ] || fail "files.cfg reads: $(cat "$main/files.cfg")"
  grep -q $'\r$' "$main/files.cfg" || fail "files.cfg lines do not end in CR LF"
  run_line 'PLAY'
  wait_until 10 file_has_line "$marks/run.txt" "$drive/Games" || fail "the quickcommand play did not run"
else
  fail "F2 did not open the editor"
fi
end

begin web_addresses
run_line 'WWW.Example.ORG'
wait_until 10 file_has_line "$opened" "http://www.example.org" ||
  fail "the opener got: $(cat "$opened")"
run_line 'Example.COM'
wait_until 10 file_has_line "$opened" "http://example.com" ||
  fail "the opener got: $(cat "$opened")"
end

begin drive_paths
run_line 'c:\games\missing.exe'
wait_until 5 bar_shows "-::File not found::-" || fail "a missing file shows '$(bar_text)'"
run_line 'c:\nowhere\run.exe'
wait_until 5 bar_shows "-::Path not found::-" || fail "a missing folder shows '$(bar_text)'"
run_line 'frobnicate'
wait_until 5 bar_shows "Unknown command (F1 for help)" || fail "an unknown word shows '$(bar_text)'"
rm -f "$marks/run.txt"
run_line 'C:\GAMES\Run.exe'
wait_until 10 file_has_line "$marks/run.txt" "$drive/Games" || fail "C:\\GAMES\\Run.exe did not run in its folder"
bar_empty || fail "after a run the bar is not empty"
end

begin windows_folder_program
run_line 'Notepad'
wait_until 10 file_exists "$marks/notepad.txt" || fail "notepad did not start C:\\windows\\notepad.exe"
end

begin history
rm -f "$marks/notepad.txt" "$marks/run.txt"
focus_bar
press Down
sleep 0.3
press Return
wait_until 10 file_exists "$marks/notepad.txt" || fail "Down and Enter did not run notepad again"
[ ! -e "$marks/run.txt" ] || fail "Down and Enter ran run.exe instead"
end

begin completion
rm -f "$marks/notepad.txt" "$marks/run.txt"
focus_bar
timeout 30 xdotool type --delay 30 -- 'C:\GAM'
sleep 3
keep bar
press Return
wait_until 10 file_has_line "$marks/run.txt" "$drive/Games" || fail "the completed line did not run"
end

begin help_and_hidden_screen
focus_bar
press F1
wait_until 10 window_shown "Tarvolin - Version 0\.87 BETA" || fail "F1 did not open the help"
sleep 0.5
shot help
keep help "$(windows_named "Tarvolin - Version 0\.87 BETA" | head -1)"
run_line 'mirelo'
wait_until 10 window_shown 'This is Mirelo \^_\^' || fail "mirelo did not open its screen"
shot mirelo
for caption in "Tarvolin - Version 0\.87 BETA" 'This is Mirelo \^_\^'; do
  for w in $(windows_named "$caption"); do
    timeout 10 xdotool windowactivate --sync "$w" key --clearmodifiers alt+F4 2>/dev/null
  done
done
end

begin options
focus_bar
press F3
if wait_until 10 window_shown "Options"; then
  sleep 1
  shot options
  # The corner, as a user changes it: the tab "Position", then "Top Left".
  # Points in the dialog's client area, at 96 dpi with the default font.
  options=$(windows_named "Options" | head -1)
  timeout 10 xdotool mousemove --window "$options" 107 15 sleep 0.3 click 1
  sleep 0.5
  keep options "$options"
  timeout 10 xdotool mousemove --window "$options" 30 56 sleep 0.3 click 1
  wait_until 5 bar_at "0,0" || fail "Top Left left the bar at $(bar_position)"
  shot options_position
  for w in $(windows_named "Options"); do
    timeout 10 xdotool windowactivate --sync "$w" key --clearmodifiers alt+F4 2>/dev/null
  done
  wait_until 10 window_gone "Options" || fail "the options did not close"
  wait_until 5 bar_shows "Settings Saved..." || fail "after the options the bar shows '$(bar_text)'"
  bar_at "0,0" || fail "after the options the bar is at $(bar_position)"
  file_has_line "$main/tv.ini" $'loca= 1\r' || fail "tv.ini does not keep the corner: $(grep loca "$main/tv.ini")"
  grep -q '^UpdateServer=' "$main/tv.ini" || fail "the options dropped UpdateServer from tv.ini"
  grep -qi '^c=' "$main/tv.ini" || fail "the options dropped the Drives section from tv.ini"
else
  fail "F3 did not open the options"
fi
end

begin tray
focus_bar
press Escape
wait_until 10 bar_unmapped || fail "Escape did not hide the bar"
shot hidden
tray=$(xdotool search --classname trayer 2>/dev/null | head -1)
if [ -n "$tray" ]; then
  tx=$(xwininfo -id "$tray" | awk '/Absolute upper-left X:/ {print $4}')
  ty=$(xwininfo -id "$tray" | awk '/Absolute upper-left Y:/ {print $4}')
  timeout 10 xdotool mousemove $((tx + 12)) $((ty + 12)) sleep 0.2 click 1
  wait_until 10 bar_mapped || fail "a click on the tray icon did not bring the bar back"
else
  fail "no notification area found"
fi
end

begin quit
run_line 'quit'
wait_until 10 bar_ended || fail "quit did not end the process"
end

begin corner_top_left
# A second run, with the bar in the top left corner and the update check on.
write_settings "$main" 1 1 "$drive"
started=$(date +%s)
start_bar "$main" || fail "the bar was not mapped"
wait_until 5 bar_at "0,0" || fail "with loca=1 the bar is at $(bar_position)"
end

begin update_offer
# The check comes on the first tick of the 55-second timer.
wait_until $((started + 75 - $(date +%s))) grep -q 'prog/Tarvolin/version.txt' "$work/server.log" ||
  fail "the update server was not asked"
offer() { windows_named Tarvolin | while read -r w; do [ "$w" = "$(bar_window)" ] || echo "$w"; done; }
offer_shown() { [ -n "$(offer)" ]; }
if wait_until 10 offer_shown; then
  shot offer
  timeout 10 xdotool windowactivate --sync "$(offer | head -1)" 2>/dev/null
  press Return
  wait_until 10 file_has_line "$opened" "http://127.0.0.1:$port/prog/download.html" ||
    fail "Yes did not open the download page: $(cat "$opened")"
else
  fail "no update offer was shown"
fi
end

begin f10
focus_bar
press F10
wait_until 10 bar_ended || fail "F10 did not end the process"
end

echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
  echo "screenshots: $shots"
  exit 1
fi
rm -rf "$work"
exit 0
