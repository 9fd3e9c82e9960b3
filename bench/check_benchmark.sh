#!/usr/bin/env bash
# tovrin-cli check on a recording of more than 4 GiB: its time and peak
# memory. The recording is made once (kept in BENCH_DIR/out): the ~196 MB
# sample's packets 22 times over behind its header, ended with
# `tovrin-cli check --repair` (whose time and memory are printed too).
#
# Usage: bench/check_benchmark.sh [RUNS]   (default 3)
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default build/bench).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-3}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
cli="$build/src/cli/tovrin-cli"
source "$root/bench/samples.sh"
make_bench_samples "$bench/samples"
mkdir -p "$bench/out"
huge="$bench/out/check_huge.wmv"
export XDG_CONFIG_HOME="$bench/out/config"
if [ ! -s "$huge" ]; then
  make_huge_recording "$big" "$huge" >/dev/null
  /usr/bin/time -f 'repair: %e s, peak RSS %M kB' "$cli" check --repair "$huge" | grep -v '^  '
fi
echo "file: $huge, $(stat -c %s "$huge") bytes"
# Cold: the file's pages are dropped from the page cache first (its own only).
evict() {
  python3 -c 'import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)' "$huge"
}
for _ in $(seq "$runs"); do
  evict
  /usr/bin/time -f 'cold check: %e s wall, %U s user, %S s sys, peak RSS %M kB' "$cli" check "$huge" >/dev/null
  /usr/bin/time -f 'warm check: %e s wall, %U s user, %S s sys, peak RSS %M kB' "$cli" check "$huge" >/dev/null
done
