#!/usr/bin/env bash
# A long live recording through drops and header changes: tovrin-cli records
# a live point in real time for DURATION seconds (default 600) with
# --reconnect 10, while the test server cuts every connection every
# DROP_EVERY seconds (default 120) for OUTAGE seconds (default 2) and its
# live playlist changes the header every ENTRY seconds (default 180). Then
# every file written is decoded with ffmpeg, the media time the files hold
# together is compared with DURATION, and the recorder's resident memory,
# sampled every 5 s, is reported.
#
# Usage: bench/reconnect_benchmark.sh
# Environment: BUILD_DIR (default build/default), BENCH_DIR (default
# build/bench; the two entries are made there once and kept), DURATION,
# DROP_EVERY, OUTAGE, ENTRY.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/default}"
bench="${BENCH_DIR:-$root/build/bench}"
duration="${DURATION:-600}" drop_every="${DROP_EVERY:-120}" outage="${OUTAGE:-2}" entry="${ENTRY:-180}"

samples="$bench/samples-live-$entry"
mkdir -p "$samples"
# Two entries with different headers (picture size, bit rates).
for size in 320x240 352x288; do
  clip="$samples/entry-$size.wmv"
  [ -s "$clip" ] && continue
  echo "making $clip (once)"
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc=size=$size:rate=15" -f lavfi -i sine=frequency=440:sample_rate=22050 \
    -t "$entry" -c:v wmv2 -b:v 300k -g 30 -c:a wmav2 -b:a 48k -f asf "$clip.tmp"
  mv "$clip.tmp" "$clip"
done

tmp="$(mktemp -d)"
cp "$build/src/cli/tovrin-cli" "$build/tools/mms-server/tovrin-mms-server" "$tmp/"
export XDG_CONFIG_HOME="$tmp/config"
out="$bench/out/reconnect"
rm -rf "$out"
mkdir -p "$XDG_CONFIG_HOME" "$out"
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$tmp"' EXIT
source "$root/bench/listener.sh"
start_listener "$tmp/server.log" "$tmp/tovrin-mms-server" --root "$samples" --port 0 \
  --live "show=$samples/entry-320x240.wmv,$samples/entry-352x288.wmv" --outage "$drop_every:$outage"

"$tmp/tovrin-cli" record "mms://127.0.0.1:$port/show" -o "$out/show.wmv" --reconnect 10 \
  >"$tmp/cli.log" 2>&1 &
cli=$!
start=$(date +%s)
: >"$tmp/rss"
while [ $(($(date +%s) - start)) -lt "$duration" ] && kill -0 "$cli" 2>/dev/null; do
  sleep 5
  awk '/^VmRSS/ { print $2 }' "/proc/$cli/status" >>"$tmp/rss" 2>/dev/null || true
done
kill -INT "$cli" 2>/dev/null || true
status=0
wait "$cli" || status=$?
echo "tovrin-cli ended with status $status after $(($(date +%s) - start)) s"

total=0
for f in "$out"/show*.wmv; do
  seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")"
  # A live join before the first key frame is no decoding error.
  errors="$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | grep -vc 'first frame is no keyframe' || true)"
  echo "$(basename "$f"): $seconds s, $errors decoding errors"
  total="$(awk -v a="$total" -v b="$seconds" 'BEGIN { print a + b }')"
done
echo "files: $(ls "$out"/show*.wmv | wc -l); tries: $(grep -c -- '- 重新連線 (第' "$tmp/cli.log" || true)"
echo "header changes: $(grep -c 'ASF 標題已改變' "$tmp/cli.log" || true)"
awk -v t="$total" -v d="$duration" 'BEGIN { printf "covered: %.1f s of %d s, %.1f %% (target 95 %%)\n", t, d, 100 * t / d }'
awk 'NR == 1 { first = $1 } { if ($1 > max) max = $1; last = $1 }
     END { printf "resident memory: first sample %.1f MB, highest %.1f MB, last %.1f MB (%d samples)\n",
                  first / 1024, max / 1024, last / 1024, NR }' "$tmp/rss"
