#!/usr/bin/env bash
# Drives the real tovrin under Xvfb with real input events, as a user would:
# opens a redirector on a web server through the open window, picks its
# second entry in the URL box, presses 執行 with its access key, accepts the
# save chooser, confirms the completion message, plays the recording in the
# preview monitor and leaves with 離開. The recording is then judged by
# ffprobe against its source. What the windows show is read through the
# accessibility bus, as a screen reader reads it.
#   desktop_record_e2e.sh TOVRIN MMS_SERVER   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
tovrin="$1"
server_bin="$2"

work="$(mktemp -d)"
server_pid=""
web_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$web_pid" ] && kill "$web_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -f "$work/tovrin.log" ] && tail -20 "$work/tovrin.log" >&2
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/media" "$work/out" "$work/web" "$work/config/Tovrin Streaming"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"

ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=15" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 4 -c:v wmv2 -c:a wmav2 "$work/media/clip.wmv"

# The program's own settings, kept apart from the user's: a free UDP port and
# the folder the save chooser starts in.
cat >"$work/config/Tovrin Streaming/Tovrin.conf" <<CONF
[General]
UDPPort=0
AsfDir=$work/out/
CONF

"$server_bin" --port 0 --root "$work/media" --rate 4 >"$work/server.out" 2>"$work/server.log" &
server_pid=$!
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"

# A web server holding a redirector whose second entry is the clip.
cat >"$work/web/list.asx" <<ASX
<asx version="3.0">
  <entry><ref href="mms://127.0.0.1:$port/missing.wmv"/></entry>
  <entry><ref href="mms://127.0.0.1:$port/clip.wmv"/></entry>
</asx>
ASX
/usr/bin/python3 -u -m http.server --bind 127.0.0.1 --directory "$work/web" 0 >"$work/web.out" 2>&1 &
web_pid=$!
web_port="$(wait_port "$work/web.out" 'port ([0-9]+)')"

# Qt answers on the accessibility bus of this session. The program starts
# once the bus is announced on the display.
start_accessibility_bus
shows() { "$here/accessible_text.py" Tovrin "$1" "${2:-30}" "${@:3}"; }

XDG_CONFIG_HOME="$work/config" "$tovrin" >"$work/tovrin.log" 2>&1 &
app_pid=$!
main="$(wait_window 'Tovrin Multimedia')"
xdotool windowfocus --sync "$main"
xdotool key alt+o
open_window="$(wait_window '^開啟$')"
xdotool windowfocus --sync "$open_window"
# OK has the focus; the history box is just before it.
xdotool key shift+Tab ctrl+a
xdotool type --delay 5 "http://127.0.0.1:$web_port/list.asx"
xdotool key Return
# Not keeping a copy of the redirector: Escape answers No.
question="$(wait_window '^Tovrin$')"
xdotool windowfocus --sync "$question"
xdotool key Escape
shows "URL list now has data, please select an entry"

xdotool windowfocus --sync "$main"
xdotool key Down
shows "mms://127.0.0.1:$port/clip.wmv" 5
xdotool key alt+g

chooser="$(wait_window '建立 / 重新開始儲存檔案')"
xdotool windowfocus --sync "$chooser"
xdotool key Return

# The completion message (a box titled "Tovrin"), at most 60 s away.
done_box=""
for _ in $(seq 1 600); do
  done_box="$(xdotool search --onlyvisible --name '^Tovrin$' 2>/dev/null | head -n 1 || true)"
  [ -n "$done_box" ] && break
  sleep 0.1
done
[ -n "$done_box" ] || { echo "no completion message; log:" >&2; cat "$work/tovrin.log" >&2; exit 1; }
xdotool windowfocus --sync "$done_box"
xdotool key Return

# The recording in the preview monitor: 預覽 → 開啟顯示, then a click on Play.
xdotool windowfocus --sync "$main"
xdotool key alt+p o
monitor="$(wait_window '^預覽顯示$')"
shows "clip.wmv" 10
play="$(shows Play 10 --where)"
xdotool mousemove ${play% *} ${play#* } click 1
shows "Playing" 30
xdotool windowclose "$monitor"

leave_program "$main" "$app_pid"
app_pid=""

recorded="$work/out/clip.wmv"
[ -s "$recorded" ] || { echo "nothing was recorded" >&2; exit 1; }
same_duration "$work/media/clip.wmv" "$recorded"
conf="$work/config/Tovrin Streaming/Tovrin.conf"
grep -q "URLSelected=mms://127.0.0.1:$port/clip.wmv" "$conf" \
  || { echo "the close sequence did not keep the address" >&2; exit 1; }
grep -q "MediaList=http://127.0.0.1:$web_port/list.asx" "$conf" \
  || { echo "the open window did not keep its history" >&2; exit 1; }
