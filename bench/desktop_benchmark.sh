#!/usr/bin/env bash
# The desktop program measured under Xvfb: start-up to a shown main window,
# resident memory idle and while recording, and the longest stall of the UI
# thread (how late a 10 ms timer fires) while it records the ~195 MB sample
# from tovrin-mms-server --rate 0 and the 25 s sample at --rate 1.
#
# Usage: bench/desktop_benchmark.sh [RUNS]   (default 3; medians, and the worst stall)
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default build/bench).
# Exit status 0 when no stall passed 50 ms, 3 otherwise.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
case "$runs" in '' | *[!0-9]* | 0) echo "usage: $0 [RUNS]" >&2; exit 2 ;; esac

cmake --build "$build" --target desktop_benchmark tovrin-mms-server >/dev/null
source "$root/bench/samples.sh"
make_bench_samples "$bench/samples"

tmp="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$XDG_CONFIG_HOME/Tovrin Streaming/Tovrin.conf"
cp "$build/bench/desktop/desktop_benchmark" "$build/tools/mms-server/tovrin-mms-server" "$tmp/"

start_server() {
  "$tmp/tovrin-mms-server" --root "$bench/samples" --port 0 --rate "$1" >"$tmp/server$1.log" 2>/dev/null &
  pids+=("$!")
  for _ in $(seq 100); do
    port="$(sed -n '1s/^listening on .*:\([0-9][0-9]*\)$/\1/p' "$tmp/server$1.log")"
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "the test server did not start" >&2; exit 1
}
start_server 0; port0="$port"
start_server 1; port1="$port"

# One program run under its own Xvfb; prints its key/value lines.
run_once() {
  "$root/tests/app/with_xvfb.sh" "$tmp/desktop_benchmark" "$@" 2>/dev/null || true
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
value() { awk -v k="$1" '$1 == k { print $2 }'; }

: >"$tmp/idle"; : >"$tmp/rate0"; : >"$tmp/rate1"
for i in $(seq "$runs"); do
  run_once >>"$tmp/idle"
  run_once "mms://127.0.0.1:$port0/record_big.wmv" "$tmp/big.wmv" >>"$tmp/rate0"
  run_once "mms://127.0.0.1:$port1/record_small.wmv" "$tmp/small.wmv" >>"$tmp/rate1"
  rm -f "$tmp/big.wmv" "$tmp/small.wmv"
done

echo "desktop program, $runs runs each (medians; stall: the worst of all runs)"
echo "  start-up to a shown window: $(value startup_ms <"$tmp/idle" | median) ms"
echo "  resident memory idle:       $(value rss_idle_kb <"$tmp/idle" | median) KiB"
bad=0
for kind in rate0 rate1; do
  file="$tmp/$kind"
  completed="$(grep -c '^end completed' "$file" || true)"
  worst="$(value stall_max_ms <"$file" | sort -n | tail -n 1)"
  echo "  recording at --rate ${kind#rate}: $completed/$runs completed, wall $(value record_wall_s <"$file" | median) s," \
       "peak RSS $(value rss_recording_peak_kb <"$file" | median) KiB," \
       "UI stall p99 $(value stall_p99_ms <"$file" | median) ms, worst $worst ms" \
       "(per run: $(value stall_max_ms <"$file" | paste -sd ' '))"
  [ "$completed" -eq "$runs" ] || bad=1
  awk -v w="$worst" 'BEGIN { exit !(w > 50) }' && bad=1
done
[ "$bad" -eq 0 ] || { echo "a target was missed (a stall over 50 ms or a run not completed)"; exit 3; }
