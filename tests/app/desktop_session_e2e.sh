#!/usr/bin/env bash
# Drives one real tovrin under Xvfb through a working session, as a user
# keeps one window open for several recordings:
#  1. an address where nothing listens: the refused MMS connection rolls over
#     to MMSH into the file already chosen (no second save chooser), which is
#     refused too; one message tells what happened, the log keeps the
#     refusal's lines, and no empty file is left;
#  2. and 3. two recordings of the test server's stream, each equal to its
#     source, each message closing when answered;
# then 離開 ends the program. The save chooser's own buttons read in the
# program's language (Qt's Traditional Chinese is loaded), read through the
# accessibility bus.
#   desktop_session_e2e.sh TOVRIN MMS_SERVER   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
tovrin="$1"
server_bin="$2"

here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"
make_work_folder
mkdir -p "$work/media" "$work/out" "$work/config/Tovrin Streaming"

ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=15" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 3 -c:v wmv2 -c:a wmav2 "$work/media/clip.wmv"
"$server_bin" --port 0 --root "$work/media" --rate 0 >"$work/server.out" 2>"$work/server.log" &
pids+=($!)
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"
# A loopback port nobody listens on.
closed="$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"

cat >"$work/config/Tovrin Streaming/Tovrin.conf" <<CONF
[General]
UDPPort=0
AsfDir=$work/out/
CONF

start_accessibility_bus
shows() { "$here/accessible_text.py" Tovrin "$1" "${2:-30}" "${@:3}"; }

XDG_CONFIG_HOME="$work/config" "$tovrin" "mms://127.0.0.1:$closed/x.wmv" >"$work/tovrin.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
main="$(wait_window 'Tovrin Multimedia')"
shows "mms://127.0.0.1:$closed/x.wmv" 10

# 1. The refused address.
xdotool windowfocus --sync "$main"
xdotool key alt+g
chooser="$(wait_window '建立 / 重新開始儲存檔案')"
shows 取消 10
xdotool windowfocus --sync "$chooser"
xdotool key ctrl+a
xdotool type --delay 5 "$work/out/refused.wmv"
xdotool key Return
# The socket's own reason, in the program's language too.
shows "無法連線到串流伺服器: 連線被拒" 30
if xdotool search --onlyvisible --name '建立 / 重新開始儲存檔案' >/dev/null 2>&1; then
  echo "the rollover opened the save chooser again" >&2
  exit 1
fi
confirm_end
shows "改用 MMSH" 5
[ ! -e "$work/out/refused.wmv" ] || { echo "the refused run left a file behind" >&2; exit 1; }

# 2. and 3. Two recordings in a row from the same window.
for name in one two; do
  run_typed "mms://127.0.0.1:$port/clip.wmv" "$main"
  save_as "$name.wmv"
  confirm_end
  same_as_source "$work/out/$name.wmv" "$work/media/clip.wmv" \
    || { echo "recording $name differs from its source" >&2; exit 1; }
done
shows "下載完成" 5

leave_program "$main" "$app_pid"
