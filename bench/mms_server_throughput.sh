#!/usr/bin/env bash
# Rate-0 throughput of tovrin-mms-server on loopback, for a file of tens of MB
# made by ffmpeg. Usage: bench/mms_server_throughput.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/server}"
runs="${2:-3}"

cmake --build "$build" --target mms_server_throughput tovrin-mms-server >/dev/null

file="$build/bench-samples/throughput.asf"
if [ ! -s "$file" ]; then
  mkdir -p "$(dirname "$file")"
  # 8 s of noisy 640x480 MPEG-4 v3 at a fixed quantiser plus WMA: about 45 MB.
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 8 -vf noise=alls=40:allf=t -c:v msmpeg4 -q:v 4 -c:a wmav2 -b:a 128k \
    -f asf "$file.tmp"
  mv "$file.tmp" "$file"
fi
echo "file: $file ($(stat -c %s "$file") bytes)"
"$build/bench/mms-server/mms_server_throughput" "$file" "$runs"
