#!/usr/bin/env bash
# Drives one real tovrin under Xvfb through a live recording that outlives
# what a live server does to it: with Reconnect=3, a live point whose
# playlist changes the header mid-stream and whose server drops every
# connection and refuses new ones for a moment. The recording follows the
# header change and connects again after the drop, each into the next
# numbered file; 放棄 ends it between or during tries. Every file written
# plays without a decoding error.
#   desktop_reconnect_e2e.sh TOVRIN MMS_SERVER   (under with_xvfb.sh)
set -euo pipefail
tovrin="$1"
server_bin="$2"

here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"
make_work_folder
mkdir -p "$work/media" "$work/out" "$work/config/Tovrin Streaming"

# Two entries of 4 s whose headers differ (picture size), key frames often.
for size in 160x120 176x144; do
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=$size:rate=15" \
    -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 4 -g 15 -c:v wmv2 -c:a wmav2 \
    "$work/media/entry-$size.wmv"
done

# Every 10 s the server drops its connections and refuses new ones for 2 s.
"$server_bin" --port 0 --root "$work/media" --outage 10:2 \
  --live "show=$work/media/entry-160x120.wmv,$work/media/entry-176x144.wmv" \
  >"$work/server.out" 2>"$work/server.log" &
pids+=($!)
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"

cat >"$work/config/Tovrin Streaming/Tovrin.conf" <<CONF
[General]
UDPPort=0
AsfDir=$work/out/
Reconnect=3
CONF

start_tovrin

run_typed "mms://127.0.0.1:$port/show" "$main"
save_as show.wmv

# The header change at 4 s starts the second file. Every 10 s the server
# drops the recording: the title then says which try is next, and the
# try that gets through goes on into a file of its own. Once one holds
# some seconds (at most 60 s), 放棄.
captioned=""
for _ in $(seq 1 600); do
  if [ -z "$captioned" ] && [[ "$(xdotool getwindowname "$main")" == "Tovrin 重新連線 "[1-3]/3* ]]; then
    captioned=yes
    touch "$work/dropped"
  fi
  if [ -n "$captioned" ] && [ -n "$(find "$work/out" -name 'show*.wmv' -newer "$work/dropped" -size +40k)" ]; then
    break
  fi
  sleep 0.1
done
ls -l "$work/out"
[ -n "$captioned" ] || { echo "the title never told a reconnect try" >&2; exit 1; }
[ -n "$(find "$work/out" -name 'show*.wmv' -newer "$work/dropped" -size +40k)" ] \
  || { echo "no file was written after the drop" >&2; exit 1; }

# 放棄, confirmed; then the box that says what was saved.
xdotool windowfocus --sync "$main"
xdotool key alt+a
question="$(wait_window '^Tovrin$')"
xdotool windowfocus --sync "$question"
xdotool key Return
confirm_end

ls -l "$work/out"
count=0
for f in "$work/out"/show*.wmv; do
  count=$((count + 1))
  errors="$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | grep -v 'first frame is no keyframe' || true)"
  [ -z "$errors" ] || { echo "$f does not decode cleanly: $errors" >&2; exit 1; }
  seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")"
  echo "$(basename "$f"): $seconds s"
  awk -v s="$seconds" 'BEGIN { exit !(s > 0.5) }' || { echo "$f holds next to nothing" >&2; exit 1; }
done
[ "$count" -ge 3 ] || { echo "only $count files" >&2; exit 1; }

leave_program "$main" "$app_pid"
