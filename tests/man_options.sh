#!/usr/bin/env bash
# The manual page names every option the launcher's --help lists.
#
#   tests/man_options.sh LAUNCHER MAN_PAGE
set -u
[ $# -eq 2 ] || { echo "usage: $0 LAUNCHER MAN_PAGE" >&2; exit 2; }
options=$("$1" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "FAIL: $1 --help lists no option"; exit 1; }
missing=0
for option in $options; do
  # groff writes each - as \-.
  grep -qF -- "${option//-/\\-}" "$2" || { echo "FAIL: the manual page lacks $option"; missing=1; }
done
exit "$missing"
