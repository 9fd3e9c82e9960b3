#!/usr/bin/env bash
# Runs a command on a display of its own: Xvfb picks a free display number
# itself (-displayfd), so two runs never meet on one, and the server is gone
# before this script ends. (xvfb-run -a guesses a number from lock files; a
# run that starts while the previous server is still going down can be handed
# a display nobody answers on.)
#   with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
state="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" 2>"$state/xvfb.log" &
xvfb_pid=$!
cleanup() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$state"
}
trap cleanup EXIT
for _ in $(seq 1 100); do
  [ -s "$state/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$state/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$state/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$state/display")"
unset XAUTHORITY
status=0
"$@" || status=$?
# A server that went away explains a failure better than the client's words.
kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb ended during the run:" >&2; cat "$state/xvfb.log" >&2; }
exit "$status"
