#!/usr/bin/env bash
# Drives the real tovrin under Xvfb as a user would: 設定 → 排程 opens the
# schedule window, 新增 its editor, where the address of a live point, a
# start a few seconds away, a length of 20 s, a folder and a file name are
# typed. The recording fires on time as its own tovrin-cli, its row reads
# 錄製中 and then 已完成, and the file it made is whole and 20 s long. A
# second schedule, kept at the start the editor proposes, is still to come
# when 離開 is pressed: the program asks whether to go on in the system tray,
# and 結束程式 ends it. What the windows show is read through the
# accessibility bus. With TOVRIN_SCREENSHOTS set to a folder, the schedule
# window and the question are saved there as PNG files.
#   desktop_schedule_e2e.sh TOVRIN TOVRIN_CLI MMS_SERVER   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
tovrin="$1"
cli="$2"
server_bin="$3"

here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"
make_work_folder
mkdir -p "$work/media" "$work/out" "$work/config/Tovrin Streaming"

ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=15" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 6 -g 15 -c:v wmv2 -c:a wmav2 "$work/media/clip.wmv"
"$server_bin" --port 0 --root "$work/media" --live "news=$work/media/clip.wmv" \
  >"$work/server.out" 2>"$work/server.log" &
pids+=($!)
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"

cat >"$work/config/Tovrin Streaming/Tovrin.conf" <<CONF
[General]
UDPPort=0
CONF

start_accessibility_bus
shows() { "$here/accessible_text.py" Tovrin "$1" "${2:-30}" "${@:3}"; }
start_tovrin

xdotool windowfocus --sync "$main"
xdotool key alt+s c
schedule="$(wait_window '^排程$')"
xdotool windowfocus --sync "$schedule"
xdotool key alt+n
editor="$(wait_window '^排程錄製$')"
xdotool windowfocus --sync "$editor"
# The address has the focus; each other field is reached by its label's key.
xdotool type --delay 5 "mms://127.0.0.1:$port/news"
# The start box selects its first section as its label's key reaches it, and
# moves on by itself as each section is filled: digits only.
xdotool key alt+s
started_at="$(date +%s)"
xdotool type --delay 5 "$(date -d "@$((started_at + 12))" '+%Y%m%d%H%M%S')"
xdotool key alt+l
xdotool type --delay 5 "20"
xdotool key alt+f
xdotool type --delay 5 "$work/out"
xdotool key alt+n
xdotool type --delay 5 "news.wmv"
xdotool key Return

shows "mms://127.0.0.1:$port/news" 10
shows "錄製中" 30
echo "recording $(($(date +%s) - started_at)) s after the start was typed"
shows "已完成" 40
echo "completed $(($(date +%s) - started_at)) s after the start was typed"

recorded="$work/out/news.wmv"
[ -s "$recorded" ] || { echo "nothing was recorded" >&2; exit 1; }
"$cli" check "$recorded"
seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$recorded")"
echo "recorded $seconds s"
awk -v s="$seconds" 'BEGIN { exit !(s > 19 && s < 22) }' || { echo "the recording is not 20 s long" >&2; exit 1; }
grep -q '^1\\Address=' "$work/config/Tovrin Streaming/Tovrin.conf" \
  || { echo "the schedule was not kept in the settings" >&2; exit 1; }

# A second schedule at the proposed start, one to two minutes away.
xdotool windowfocus --sync "$schedule"
xdotool key alt+n
editor="$(wait_window '^排程錄製$')"
xdotool windowfocus --sync "$editor"
xdotool type --delay 5 "mms://127.0.0.1:$port/later"
xdotool key alt+l
xdotool type --delay 5 "1:00:00"
xdotool key alt+f
xdotool type --delay 5 "$work/out"
xdotool key Return
shows "mms://127.0.0.1:$port/later" 10
shot() { [ -z "${TOVRIN_SCREENSHOTS:-}" ] || import -window "$1" "$TOVRIN_SCREENSHOTS/$2.png"; }
shot "$schedule" schedule-window

# 離開 while a schedule is to come asks first.
xdotool windowfocus --sync "$main"
xdotool key alt+e
shows "結束程式(Q)" 10
question="$(wait_window '^Tovrin$')"
shot "$question" schedule-close-question
xdotool windowfocus --sync "$question"
xdotool key alt+q
wait_program_end "$app_pid" 結束程式
