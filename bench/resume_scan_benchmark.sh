#!/usr/bin/env bash
# Resuming a recording of more than 4 GiB: how long the save-file lock is held
# while its index is prepared, and how long the scan of its slots takes. The
# recording is made for the run and deleted after it: the ~196 MB sample's
# packets 22 times over behind its header, with the counts a killed run
# leaves.
#
# Usage: bench/resume_scan_benchmark.sh [RUNS]   (default 3)
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default build/bench).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
cmake --build "$build" --target resume_scan_benchmark >/dev/null
source "$root/bench/samples.sh"
make_bench_samples "$bench/samples"
mkdir -p "$bench/out"
huge="$bench/out/resume_huge.wmv"
trap 'rm -f "$huge"' EXIT
read -r header_length packet_size packets < <(make_huge_recording "$big" "$huge")
echo "file: $huge, $(stat -c %s "$huge") bytes, $packets packets of $packet_size bytes behind $header_length"
"$build/bench/resume_scan/resume_scan_benchmark" "$huge" "$header_length" "$packet_size" "$packets" "$runs"
