#!/usr/bin/env bash
# Resuming a recording of more than 4 GiB, as the user sees it: the longest
# time the UI thread is kept from its events (goal: under 50 ms) while the
# record command reads the file's stored slots and goes on from the server.
# The server serves the ~196 MB sample's packets 22 times over (made for the
# run and deleted after it); the recording is a copy of it cut 200 packets
# short, as a killed run leaves it.
#
# Usage: bench/resume_stall_benchmark.sh [RUNS]   (default 3; the recording is cut afresh each run)
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default build/bench).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
cmake --build "$build" --target resume_stall_benchmark tovrin-mms-server >/dev/null
source "$root/bench/samples.sh"
source "$root/bench/listener.sh"
make_bench_samples "$bench/samples"
media="$bench/out/stall_media"
mkdir -p "$media"
huge="$media/huge.wmv"
partial="$bench/out/stall_partial.wmv"
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$media" "$partial"' EXIT
read -r header_length packet_size packets < <(make_huge_recording "$big" "$huge")
echo "file: $(stat -c %s "$huge") bytes, $packets packets of $packet_size bytes"
start_listener "$bench/out/stall_server.log" "$build/tools/mms-server/tovrin-mms-server" --root "$media" --rate 0
export XDG_CONFIG_HOME="$bench/out/stall_config"
for run in $(seq 1 "$runs"); do
  cp "$huge" "$partial"
  truncate -s $((header_length + (packets - 200) * packet_size)) "$partial"
  sync
  echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true
  printf 'run %s: ' "$run"
  "$build/bench/resume_stall/resume_stall_benchmark" "mms://127.0.0.1:$port/huge.wmv" "$partial"
done
