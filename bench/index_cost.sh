#!/usr/bin/env bash
# What the index costs a download: two tovrin-cli builds record the same
# ~196 MB file from one tovrin-mms-server --rate 0 on loopback, in turns
# (the order flips every run), and the medians of their wall times are
# compared. Each recording of the build with the index is checked whole.
#
# Usage: bench/index_cost.sh BEFORE_CLI AFTER_CLI [RUNS]   (default 9)
# Environment: BUILD_DIR (the server's build, default build/default), BENCH_DIR
# (default build/bench; the sample is made there once and kept).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
before="$1" after="$2" runs="${3:-9}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
source "$root/bench/samples.sh"
make_bench_samples "$bench/samples"
tmp="$(mktemp -d)"
cp "$before" "$tmp/before-cli"; cp "$after" "$tmp/after-cli"
cp "$build/tools/mms-server/tovrin-mms-server" "$tmp/"
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME" "$bench/out"
"$tmp/tovrin-mms-server" --root "$bench/samples" --port 0 --rate 0 >"$tmp/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$tmp"' EXIT
port=""
for _ in $(seq 100); do
  port="$(sed -n '1s/^listening on .*:\([0-9][0-9]*\)$/\1/p' "$tmp/server.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
url="mms://127.0.0.1:$port/record_big.wmv"
one() {  # NAME: one recording, its wall time and user+sys CPU (to the microsecond) appended to $tmp/NAME
  python3 - "$tmp/$1-cli" "$url" "$bench/out/index-$1.wmv" >>"$tmp/$1" <<'PY'
import resource, subprocess, sys, time
t0 = time.monotonic()
subprocess.run([sys.argv[1], "record", sys.argv[2], "-o", sys.argv[3], "--overwrite", "--quiet"],
               stderr=subprocess.DEVNULL, check=True)
wall = time.monotonic() - t0
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(wall, r.ru_utime + r.ru_stime)
PY
}
one before; one after  # warm-up
: >"$tmp/before"; : >"$tmp/after"
for i in $(seq "$runs"); do
  if [ $((i % 2)) = 1 ]; then one before; one after; else one after; one before; fi
  "$tmp/after-cli" check "$bench/out/index-after.wmv" >/dev/null || { echo "not whole" >&2; exit 1; }
done
python3 - "$tmp/before" "$tmp/after" <<'PY'
import statistics, sys
b, a = ([[float(x) for x in line.split()] for line in open(p)] for p in sys.argv[1:3])
for what, col in (("wall", 0), ("user+sys", 1)):
    vb, va = [r[col] for r in b], [r[col] for r in a]
    mb, ma = statistics.median(vb), statistics.median(va)
    print("%s before: median %.3f s  (%s)" % (what, mb, " ".join("%.3f" % x for x in vb)))
    print("%s after:  median %.3f s  (%s)" % (what, ma, " ".join("%.3f" % x for x in va)))
    print("%s cost of the index: %+.1f %%" % (what, 100 * (ma - mb) / mb))
PY
