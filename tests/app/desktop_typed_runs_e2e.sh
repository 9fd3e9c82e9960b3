#!/usr/bin/env bash
# Drives one real tovrin under Xvfb through three runs a user makes by typing:
#  1. an MMSH address on a server that asks for a password: the credentials
#     dialog opens empty, the user types them, and the recording equals its
#     source;
#  2. an address that is the start of a longer one in the URL box's list: what
#     was typed is recorded, not the list entry;
#  3. 續傳檔案 into a file that holds another stream: refused, and the file
#     keeps every byte it had.
#   desktop_typed_runs_e2e.sh TOVRIN MMS_SERVER   (under with_xvfb.sh)
set -euo pipefail
tovrin="$1"
server_bin="$2"

here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"
make_work_folder
mkdir -p "$work/media" "$work/locked" "$work/out" "$work/config/Tovrin Streaming"

# Clips of $1 seconds: another programme has a header of the same length,
# with another duration, size and packet count in it.
clip() {
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=15" \
    -f lavfi -i "sine=frequency=440:sample_rate=22050" -t "$1" -c:v wmv2 -c:a wmav2 "$2"
}
clip 3 "$work/media/clip.wmv"
clip 4 "$work/media/other.wmv"
cp "$work/media/clip.wmv" "$work/locked/clip.wmv"

"$server_bin" --port 0 --root "$work/media" --rate 0 >"$work/server.out" 2>"$work/server.log" &
pids+=($!)
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"
"$server_bin" --port 0 --http-port 0 --auth user:pw --root "$work/locked" --rate 0 \
  >"$work/locked.out" 2>"$work/locked.log" &
pids+=($!)
wait_port "$work/locked.out" 'listening on .*:([0-9]+)' >/dev/null
http_port=""
for _ in $(seq 1 100); do
  [[ "$(sed -n 2p "$work/locked.out")" =~ mmsh\ on\ .*:([0-9]+) ]] && { http_port="${BASH_REMATCH[1]}"; break; }
  sleep 0.1
done
[ -n "$http_port" ] || { echo "the second server announced no MMSH port" >&2; exit 1; }

# No saved credentials; the URL box's list holds a longer address than the
# one typed in the second run.
cat >"$work/config/Tovrin Streaming/Tovrin.conf" <<CONF
[General]
UDPPort=0
AsfDir=$work/out/
URLList=mms://127.0.0.1:$port/clip.wmv.old
CONF

start_tovrin

# 1. MMSH with credentials typed into the empty dialog.
run_typed "mmsh://127.0.0.1:$http_port/clip.wmv" "$main"
save_as locked.wmv
dialog="$(wait_window '輸入網路密碼')"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 user
xdotool key Tab
xdotool type --delay 20 pw
xdotool key Return
confirm_end
same_as_source "$work/out/locked.wmv" "$work/locked/clip.wmv" \
  || { echo "the MMSH recording with credentials differs from its source" >&2; exit 1; }

# 2. A typed address that starts a list entry is recorded as typed.
run_typed "mms://127.0.0.1:$port/clip.wmv" "$main"
save_as typed.wmv
confirm_end
same_as_source "$work/out/typed.wmv" "$work/media/clip.wmv" \
  || { echo "the typed address was not what was recorded" >&2; exit 1; }

# 3. 續傳檔案 into that file from another stream: refused (Enter answers No
#    to downloading again), and the file is as it was.
cp "$work/out/typed.wmv" "$work/before.wmv"
run_typed "mms://127.0.0.1:$port/other.wmv" "$main"
save_as typed.wmv
resume_box="$(wait_window '續傳 / 重新下載 覆寫檔案')"
xdotool windowfocus --sync "$resume_box"
xdotool key alt+r
question="$(wait_window '^Tovrin$')"
xdotool windowfocus --sync "$question"
xdotool key Return
sleep 1
cmp "$work/before.wmv" "$work/out/typed.wmv" \
  || { echo "the file of another stream was changed" >&2; exit 1; }

leave_program "$main" "$app_pid"
cmp "$work/before.wmv" "$work/out/typed.wmv" \
  || { echo "the file of another stream was changed by leaving" >&2; exit 1; }
