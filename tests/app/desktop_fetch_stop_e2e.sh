#!/usr/bin/env bash
# Drives one real tovrin under Xvfb: it opens a redirector on a web server
# that accepts and never answers. While the fetch waits, 放棄 (Alt+A) stops
# it at once: the log says so, no message box opens, and nothing is typed
# into 網址 (which the settings keep when the program leaves).
#   desktop_fetch_stop_e2e.sh TOVRIN   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
tovrin="$1"

here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"
make_work_folder
mkdir -p "$work/config/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$work/config/Tovrin Streaming/Tovrin.conf"

/usr/bin/python3 -c '
import socket
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
print("port", server.getsockname()[1], flush=True)
held = []
while True:
    held.append(server.accept()[0])
' >"$work/silent.out" &
pids+=($!)
port="$(wait_port "$work/silent.out" 'port ([0-9]+)')"

start_accessibility_bus
shows() { "$here/accessible_text.py" Tovrin "$1" "${2:-30}" "${@:3}"; }
start_tovrin "http://127.0.0.1:$port/show.asx"
shows "Connected to HTTP redirector site" 10
xdotool windowfocus --sync "$main"
xdotool key alt+a
shows "已放棄取得 redirector 檔案" 5
sleep 1
if xdotool search --onlyvisible --name '^Tovrin$' >/dev/null 2>&1; then
  echo "a message box opened after the fetch was stopped" >&2
  exit 1
fi
leave_program "$main" "$app_pid"
grep -qx 'URLSelected=' "$work/config/Tovrin Streaming/Tovrin.conf" \
  || { echo "Alt+A typed into 網址: $(grep URLSelected "$work/config/Tovrin Streaming/Tovrin.conf")" >&2; exit 1; }
