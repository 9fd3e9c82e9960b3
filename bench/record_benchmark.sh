#!/usr/bin/env bash
# The download run measured end to end: tovrin-cli recording a file of more
# than 100 MB from tovrin-mms-server --rate 0 on loopback, against ffmpeg's
# MMS client on the same server and a raw TCP copy of the same byte count, in
# the same run; the same file over MMSH (mmsh://) against ffmpeg's mmsh
# client; then tovrin-cli recording a short file at --rate 1 for its share of
# one core. Every run checks the recorded files are complete.
#
# Usage: bench/record_benchmark.sh [RUNS]          (default 5; the median counts)
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default build/bench;
# the sample files are made there once and kept), OUT_DIR (where the recordings
# go, default BENCH_DIR/out), RATE1=0 skips the --rate 1 part, STALL_LIMIT
# (default 30) the seconds after which a recording that has not ended counts
# as stalled. Exit status 0 when every target is met, 3 when one is missed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
out="${OUT_DIR:-$bench/out}"
rate1="${RATE1:-1}"
cli="$build/src/cli/tovrin-cli"
server="$build/tools/mms-server/tovrin-mms-server"
raw="$root/bench/raw_tcp_copy.py"
timebin=/usr/bin/time

case "$runs" in '' | *[!0-9]* | 0) echo "usage: $0 [RUNS]" >&2; exit 2 ;; esac
for tool in ffmpeg ffprobe python3 "$timebin"; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)" >&2; exit 1; }
done
if [ ! -x "$cli" ] || [ ! -x "$server" ]; then
  cmake --build "$build" --target tovrin-cli tovrin-mms-server >/dev/null
fi

# --- sample files, made once ------------------------------------------------
source "$root/bench/samples.sh"
make_bench_samples "$bench/samples"
samples="$bench/samples"
mkdir -p "$out"

# Header object size and the end of the data object: a recording holds exactly
# the bytes before that end (the source's index objects are not streamed).
asf_layout() {
  python3 - "$1" <<'EOF'
import struct, sys
with open(sys.argv[1], "rb") as f:
    head = f.read(30)
    header = struct.unpack_from("<Q", head, 16)[0]
    f.seek(header + 16)
    data = struct.unpack_from("<Q", f.read(8))[0]
print(header, header + data)
EOF
}
duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
same_duration() { python3 -c 'import sys; sys.exit(abs(float(sys.argv[1]) - float(sys.argv[2])) > 0.05)' "$1" "$2"; }

read -r big_header big_bytes < <(asf_layout "$big")
read -r small_header small_bytes < <(asf_layout "$small")
big_duration="$(duration "$big")"
small_duration="$(duration "$small")"
echo "file: $big ($big_bytes bytes streamed, ${big_duration} s); rate-1 file: $small ($small_bytes bytes, ${small_duration} s)"

# --- servers and clean-up ---------------------------------------------------
tmp="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME"

source "$root/bench/listener.sh"
# Copies of the binaries: the build tree may be rebuilt while this runs.
cp "$cli" "$server" "$tmp/"
cli="$tmp/tovrin-cli"
server="$tmp/tovrin-mms-server"
start_listener "$tmp/server0.log" "$server" --root "$samples" --port 0 --rate 0 --http-port 0
port0="$port"
port0h="$http_port"
[ -n "$port0h" ] || { echo "the server gave no MMSH port" >&2; exit 1; }
start_listener "$tmp/server1.log" "$server" --root "$samples" --port 0 --rate 1
port1="$port"

# timed NAME LIMIT CMD...: runs CMD for at most LIMIT seconds; appends
# "NAME ok wall cpu rss_kb" to $tmp/results, or "NAME stalled LIMIT" when the
# limit ended it. Wall time from the shell's clock (microseconds), CPU times and
# peak resident set size from GNU time. Returns 1 for a stall.
timed() {
  local name="$1" limit="$2"; shift 2
  local t0 t1 status=0
  t0="$EPOCHREALTIME"
  timeout "$limit" "$timebin" -f '%U %S %M' -o "$tmp/time" "$@" >"$tmp/$name.log" 2>&1 || status=$?
  t1="$EPOCHREALTIME"
  if [ "$status" = 124 ]; then
    echo "$name stalled $limit" >>"$tmp/results"
    echo "  $name: no end after $limit s, stopped" >&2
    return 1
  elif [ "$status" != 0 ]; then
    echo "$name failed (status $status):" >&2; tail -20 "$tmp/$name.log" >&2; exit 1
  fi
  read -r user sys rss < <(tail -1 "$tmp/time")
  python3 -c 'import sys; a = sys.argv; print(a[1], "ok", float(a[3]) - float(a[2]), float(a[4]) + float(a[5]), a[6])' \
    "$name" "$t0" "$t1" "$user" "$sys" "$rss" >>"$tmp/results"
}

check_tovrin() {  # FILE SOURCE HEADER BYTES DURATION
  local size; size="$(stat -c %s "$1")"
  # The header and data objects, then the recording's own index.
  [ "$size" -gt "$4" ] || { echo "tovrin recording $1: $size bytes, expected more than $4" >&2; exit 1; }
  "$cli" check "$1" >/dev/null || { echo "tovrin recording $1: tovrin-cli check calls it not whole" >&2; exit 1; }
  # Every data packet byte equals the source's (the header may carry fix-ups).
  cmp -s -i "$3" -n "$(($4 - $3))" "$1" "$2" || { echo "tovrin recording $1: data differs" >&2; exit 1; }
  same_duration "$(duration "$1")" "$5" || { echo "tovrin recording $1: duration differs" >&2; exit 1; }
}

record_tovrin() {
  if timed tovrin "$limit" "$cli" record "mms://127.0.0.1:$port0/$(basename "$big")" -o "$out/tovrin.wmv" \
    --overwrite --quiet; then
    check_tovrin "$out/tovrin.wmv" "$big" "$big_header" "$big_bytes" "$big_duration"
  fi
}
record_tovrinh() {
  if timed tovrinh "$limit" "$cli" record "mmsh://127.0.0.1:$port0h/$(basename "$big")" -o "$out/tovrinh.wmv" \
    --overwrite --quiet; then
    check_tovrin "$out/tovrinh.wmv" "$big" "$big_header" "$big_bytes" "$big_duration"
  fi
}
record_ffmpegh() {
  timed ffmpegh "$limit" ffmpeg -hide_banner -loglevel error -nostdin -y \
    -i "mmsh://127.0.0.1:$port0h/$(basename "$big")" -c copy -f asf "$out/ffmpegh.wmv" \
    || { echo "ffmpeg's mmsh client stalled" >&2; exit 1; }
  same_duration "$(duration "$out/ffmpegh.wmv")" "$big_duration" \
    || { echo "ffmpeg mmsh recording: duration differs" >&2; exit 1; }
}
record_ffmpeg() {
  timed ffmpeg "$limit" ffmpeg -hide_banner -loglevel error -nostdin -y \
    -i "mmst://127.0.0.1:$port0/$(basename "$big")" -c copy -f asf "$out/ffmpeg.wmv" \
    || { echo "ffmpeg's client stalled" >&2; exit 1; }
  same_duration "$(duration "$out/ffmpeg.wmv")" "$big_duration" \
    || { echo "ffmpeg recording: duration differs" >&2; exit 1; }
}
record_raw() {
  start_listener "$tmp/raw_sender.log" python3 "$raw" send "$big" "$big_bytes"
  local sender="${pids[-1]}"
  timed raw "$limit" python3 "$raw" receive "$port" "$out/raw.bin" "$big_bytes" \
    || { echo "raw copy stalled" >&2; exit 1; }
  wait "$sender"
}
record_rate1() {
  if timed rate1 "$rate1_limit" "$cli" record "mms://127.0.0.1:$port1/$(basename "$small")" \
    -o "$out/rate1.wmv" --overwrite --quiet; then
    check_tovrin "$out/rate1.wmv" "$small" "$small_header" "$small_bytes" "$small_duration"
  fi
}

# A recording that has not ended after this many seconds has stalled (the big
# file takes a second or two): it is stopped and counted as stalled.
limit="${STALL_LIMIT:-30}"
rate1_limit="$(python3 -c 'import sys; print(int(float(sys.argv[1])) + int(sys.argv[2]))' "$small_duration" "$limit")"

: >"$tmp/results"
echo "warm-up run (not counted)"
rm -f "$out"/*
record_tovrin || true
record_ffmpeg
record_raw
record_tovrinh || true
record_ffmpegh
: >"$tmp/results"
for run in $(seq "$runs"); do
  rm -f "$out"/*
  # Rotate the order, so no client always runs right after another's writes.
  case $((run % 3)) in
    1) order="tovrin ffmpeg raw tovrinh ffmpegh" ;;
    2) order="ffmpeg raw tovrin ffmpegh tovrinh" ;;
    0) order="raw tovrin ffmpeg tovrinh ffmpegh" ;;
  esac
  for step in $order; do "record_$step" || true; done
  rm -f "$out"/*
  if [ "$rate1" = 1 ]; then record_rate1 || true; fi
  rm -f "$out"/*
  echo "run $run/$runs done"
done

# --- table and verdict ------------------------------------------------------
python3 - "$tmp/results" "$big_bytes" <<'EOF'
import statistics, sys
rows, stalls = {}, {}
for line in open(sys.argv[1]):
    f = line.split()
    if f[1] == "stalled":
        stalls[f[0]] = stalls.get(f[0], 0) + 1
    else:
        rows.setdefault(f[0], []).append((float(f[2]), float(f[3]), int(f[4])))
size = int(sys.argv[2])
med = {n: tuple(statistics.median(v[i] for v in r) for i in range(3)) for n, r in rows.items()}
labels = {"tovrin": "tovrin-cli record", "ffmpeg": "ffmpeg mmst client", "raw": "raw TCP copy",
          "tovrinh": "tovrin-cli, mmsh://", "ffmpegh": "ffmpeg mmsh client", "rate1": "tovrin-cli, --rate 1"}
print()
print("%.1f MB streamed at --rate 0 (10^6 bytes); medians of the completed runs" % (size / 1e6))
print("%-21s %4s %8s %11s %8s %6s   %s" % ("", "runs", "wall s", "user+sys s", "peak MB", "MB/s", "wall s of each run"))
for n in ("tovrin", "ffmpeg", "raw", "tovrinh", "ffmpegh", "rate1"):
    if n not in med:
        print("%-21s %4d   (no completed run)" % (labels[n], 0))
        continue
    w, c, r = med[n]
    rate = "%6.0f" % (size / 1e6 / w) if n != "rate1" else "%6s" % "-"
    print("%-21s %4d %8.3f %11.3f %8.1f %s   %s" % (labels[n], len(rows[n]), w, c, r / 1024, rate,
          " ".join("%.2f" % x[0] for x in rows[n])))
ok = True
def verdict(text, passed):
    global ok
    ok = ok and passed
    print("%-4s %s" % ("PASS" if passed else "MISS", text))
print()
stalled = sum(stalls.get(n, 0) for n in ("tovrin", "tovrinh", "rate1"))
tried = stalled + sum(len(rows.get(n, [])) for n in ("tovrin", "tovrinh", "rate1"))
verdict("every tovrin-cli recording ends and is complete: %d of %d stalled" % (stalled, tried), stalled == 0)
if "tovrin" in med:
    t, f, raw = med["tovrin"], med["ffmpeg"], med["raw"]
    verdict("faster than ffmpeg's client: %.3f s vs %.3f s (ffmpeg takes %.2fx)" % (t[0], f[0], f[0] / t[0]),
            t[0] < f[0])
    verdict("within 1.5x the raw copy: %.3f s vs %.3f s (%.2fx)" % (t[0], raw[0], t[0] / raw[0]),
            t[0] <= 1.5 * raw[0])
    peak = max(v[2] for k in ("tovrin", "tovrinh", "rate1") for v in rows.get(k, []))
    verdict("peak memory under 40 MB: median %.1f MB, highest %.1f MB" % (t[2] / 1024, peak / 1024),
            peak < 40 * 1024)
if "tovrinh" in med and "ffmpegh" in med:
    t, f = med["tovrinh"], med["ffmpegh"]
    verdict("over MMSH, faster than ffmpeg's mmsh client: %.3f s vs %.3f s (ffmpeg takes %.2fx)"
            % (t[0], f[0], f[0] / t[0]), t[0] < f[0])
if "rate1" in med:
    shares = sorted(100 * x[1] / x[0] for x in rows["rate1"])
    w, c, r = med["rate1"]
    verdict("under 2%% of a core at --rate 1: median %.2f%% (%.3f s CPU over %.1f s; runs %s)"
            % (statistics.median(shares), c, w, " ".join("%.2f" % s for s in shares)),
            statistics.median(shares) < 2.0)
sys.exit(0 if ok else 3)
EOF
