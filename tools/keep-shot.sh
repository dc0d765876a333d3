# shellcheck shell=bash
# Sourced by tools/screenshots after the end-to-end helpers (tests/e2e/lib.sh):
# keep NAME [WINDOW...] keeps a picture of the bar and the given windows,
# frames included, as NAME.png in the folder KEEP_SHOTS.
keep() {
  local w
  mkdir -p "$KEEP_SHOTS"
  for w in "$(bar_window)" "${@:2}"; do # x y width height, then the frame: left right top bottom
    echo "$(geometry "$w") $(xprop -id "$w" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr , ' ')"
  done | awk '{ l = $1 - $5; t = $2 - $7; r = $1 + $3 + $6; b = $2 + $4 + $8
      if (NR == 1 || l < L) L = l; if (NR == 1 || t < T) T = t; if (r > R) R = r; if (b > B) B = b }
    END { printf "%dx%d+%d+%d\n", R - L, B - T, L, T }' |
    xargs -I{} import -window root -crop {} +repage -colors 64 "PNG8:$KEEP_SHOTS/$1.png"
}
