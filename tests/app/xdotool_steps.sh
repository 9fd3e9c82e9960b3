# Steps the desktop end-to-end scripts share; sourced by them.

# Waits (at most 30 s) for a visible window whose title matches $1; prints its id.
wait_window() {
  for _ in $(seq 1 300); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "no window titled '$1' appeared" >&2
  return 1
}

# Presses 離開 (Alt+E) in the main window $1 and waits (at most 10 s) for the
# program $2 to end.
leave_program() {
  xdotool windowfocus --sync "$1"
  xdotool key alt+e
  for _ in $(seq 1 100); do
    kill -0 "$2" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "tovrin did not leave after 離開" >&2
  return 1
}
