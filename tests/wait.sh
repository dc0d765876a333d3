# shellcheck shell=bash
# The waiting the shell-driven cases share, sourced by each.
#
# wait_until SECONDS COMMAND...: true once COMMAND succeeds within SECONDS,
# tried every 100 ms.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
not() { ! "$@"; }
