#!/usr/bin/env bash
# Many live recordings at once, as the schedule list runs them: N tovrin-cli
# record --progress json processes on one live point of tovrin-mms-server
# (real time, a ~290 kbit/s WMV2 + WMA clip in a loop) for SECONDS each,
# started together. Reports each process's peak memory (the median and the
# largest), the CPU time of the recorders and of the server over the wall
# time, the packets missing in the recordings (from each one's last progress
# line, and from `tovrin-cli check`), and how many ended 已完成 (status 0).
#
# Usage: bench/many_recordings.sh [N] [SECONDS]       (default 50 and 60)
# Environment: BUILD_DIR (default build/default). Exit status 0 when every
# recording completed with no packet missing, 3 otherwise.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-50}"
seconds="${2:-60}"
build="${BUILD_DIR:-$root/build/default}"
cli="$build/src/cli/tovrin-cli"
server="$build/tools/mms-server/tovrin-mms-server"
timebin=/usr/bin/time

case "$count$seconds" in '' | *[!0-9]*) echo "usage: $0 [N] [SECONDS]" >&2; exit 2 ;; esac
for tool in ffmpeg python3 "$timebin"; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)" >&2; exit 1; }
done
if [ ! -x "$cli" ] || [ ! -x "$server" ]; then
  cmake --build "$build" --target tovrin-cli tovrin-mms-server >/dev/null
fi

tmp="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$XDG_CONFIG_HOME" "$tmp/media" "$tmp/out" "$tmp/runs"
# Copies of the binaries: the build tree may be rebuilt while this runs.
cp "$cli" "$server" "$tmp/"
cli="$tmp/tovrin-cli"
server="$tmp/tovrin-mms-server"

ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=15" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 10 -g 15 -c:v wmv2 -b:v 256k \
  -c:a wmav2 -b:a 32k "$tmp/media/clip.wmv"

source "$root/bench/listener.sh"
start_listener "$tmp/server.log" "$timebin" -f '%U %S' -o "$tmp/server.time" \
  "$server" --root "$tmp/media" --port 0 --max-clients "$((count + 8))" --live "news=$tmp/media/clip.wmv"
server_pid="${pids[0]}"

echo "$count recordings of mms://127.0.0.1:$port/news for $seconds s each"
started="$(date +%s.%N)"
recorders=()
for i in $(seq 1 "$count"); do
  "$timebin" -f '%M %U %S %x' -o "$tmp/runs/$i.time" \
    "$cli" record "mms://127.0.0.1:$port/news" -o "$tmp/out/$i.wmv" --duration "$seconds" \
    --progress json >"$tmp/runs/$i.json" 2>"$tmp/runs/$i.err" &
  recorders+=("$!")
  pids+=("$!")
done
for p in "${recorders[@]}"; do wait "$p" 2>/dev/null || true; done
ended="$(date +%s.%N)"
# The server under time(1) writes its figures once it ends.
kill -TERM "$(pgrep -P "$server_pid" || echo "$server_pid")" 2>/dev/null || true
wait "$server_pid" 2>/dev/null || true

for i in $(seq 1 "$count"); do
  "$cli" check "$tmp/out/$i.wmv" >"$tmp/runs/$i.check" 2>&1 || true
done

python3 - "$tmp/runs" "$count" "$started" "$ended" "$tmp/server.time" <<'EOF'
import json, os, re, statistics, sys
runs, count, started, ended, server_time = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]), sys.argv[5]
wall = ended - started
peaks, cpu, completed, missing, check_missing, media = [], 0.0, 0, 0, 0, []
statuses, first_failure = {}, None
for i in range(1, count + 1):
    fields = open(os.path.join(runs, f"{i}.time")).read().split()[-4:]
    peak_kb, user, system, status = int(fields[0]), float(fields[1]), float(fields[2]), int(fields[3])
    peaks.append(peak_kb / 1024)
    cpu += user + system
    completed += status == 0
    statuses[status] = statuses.get(status, 0) + 1
    if status != 0 and first_failure is None:
        errors = open(os.path.join(runs, f"{i}.err"), encoding="utf-8", errors="replace").read().splitlines()
        first_failure = f"recording {i}: " + " / ".join(errors[-3:])
    last = None
    for line in open(os.path.join(runs, f"{i}.json"), encoding="utf-8"):
        event = json.loads(line)
        if event.get("event") == "progress":
            last = event
    if last:
        missing += last["missing"]
        media.append(last["mediaMs"] / 1000)
    check = open(os.path.join(runs, f"{i}.check"), encoding="utf-8").read()
    stated = re.search(r"packets: (\d+) stated, (\d+) present", check)
    if stated:
        check_missing += int(stated.group(1)) - int(stated.group(2))
    else:
        check_missing += 1
try:
    server_user, server_system = map(float, open(server_time).read().split()[-2:])
    server_cpu = f"{server_user + server_system:.1f} s ({100 * (server_user + server_system) / wall:.0f}% of a core)"
except (OSError, ValueError):
    server_cpu = "not measured"
print(f"wall time: {wall:.1f} s for all {count}")
print(f"peak memory a process: median {statistics.median(peaks):.1f} MiB, largest {max(peaks):.1f} MiB, "
      f"all together {sum(peaks):.0f} MiB")
print(f"recorders' CPU: {cpu:.1f} s in all ({100 * cpu / wall:.0f}% of a core), "
      f"{1000 * cpu / count / wall:.1f} ms a second each")
print(f"server's CPU: {server_cpu}")
if media:
    print(f"media time recorded: min {min(media):.1f} s, max {max(media):.1f} s")
print(f"packets missing: {missing} (progress lines), {check_missing} (tovrin-cli check)")
print(f"completed: {completed} of {count}; exit statuses: "
      + ", ".join(f"{s}: {n}" for s, n in sorted(statuses.items())))
if first_failure:
    print("first failure: " + first_failure)
sys.exit(0 if completed == count and missing == 0 and check_missing == 0 else 3)
EOF
