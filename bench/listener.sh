# Starting the test server (or any listener) for a benchmark. Sourced;
# the caller keeps the started processes in its array $pids.

# Starts a process that prints a line "listening on ADDR:PORT" and
# sets $port (and $http_port from a "mmsh on ADDR:PORT" line, if any); gives
# up after 10 s.
start_listener() {
  local log="$1"; shift
  : >"$log"
  "$@" >>"$log" 2>&1 &
  pids+=("$!")
  port=""
  for _ in $(seq 100); do
    port="$(sed -n 's/^listening on .*:\([0-9][0-9]*\)$/\1/p' "$log" | head -n 1)"
    http_port="$(sed -n 's/^mmsh on .*:\([0-9][0-9]*\)$/\1/p' "$log" | head -n 1)"
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "no listening line from $*:" >&2; cat "$log" >&2; exit 1
}
