#!/usr/bin/env bash
# Drives the real tovrin under Xvfb with real input events: 顯示檔案性質 in
# the 資訊 menu (reached from the 檔案 menu with the arrow keys) shows the
# file-properties window and its OK button hides it; 列印記錄 (Alt+F, P) shows
# the print dialog and Return prints the session log, here to a PDF file,
# which pdftotext then reads.
#   desktop_props_print_e2e.sh TOVRIN
set -euo pipefail
tovrin="$1"

work="$(mktemp -d)"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/config/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$work/config/Tovrin Streaming/Tovrin.conf"

. "$(dirname "$0")/xdotool_steps.sh"

# Waits (at most 10 s) until no visible window's title matches $1.
wait_gone() {
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "the window titled '$1' stayed" >&2
  return 1
}

# Opens the 檔案 menu of the main window (Alt+F), presses the keys $1 and
# prints the id of the window titled $2 that they open. On a busy machine the
# menu may not be open yet when the keys arrive: then it is closed and tried
# again, three times in all, each waiting 5 s.
menu_to_window() {
  local id
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$main"
    xdotool key alt+f
    sleep 0.3
    xdotool key $1
    for _ in $(seq 1 50); do
      id="$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1 || true)"
      [ -n "$id" ] && { echo "$id"; return 0; }
      sleep 0.1
    done
    xdotool key Escape Escape
  done
  echo "no window titled '$2' appeared" >&2
  return 1
}

# With no printer installed the print dialog offers a PDF file in the home folder.
HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$tovrin" >"$work/tovrin.log" 2>&1 &
app_pid=$!
main="$(wait_window 'Tovrin Multimedia')"
props="$(menu_to_window 'Right Right Return' '^檔案性質$')"
xdotool windowfocus --sync "$props"
xdotool key Return
wait_gone '^檔案性質$'

dialog="$(menu_to_window p '(Print|列印)')"
xdotool windowfocus --sync "$dialog"
xdotool key Return

pdf="$work/home/Tovrin 記錄列印.pdf"
for _ in $(seq 1 100); do
  [ -s "$pdf" ] && break
  sleep 0.1
done
[ -s "$pdf" ] || { echo "nothing was printed; files:" >&2; ls -la "$work/home" >&2; cat "$work/tovrin.log" >&2; exit 1; }
pdftotext "$pdf" - | grep -q 'Tovrin multimedia 期間記錄' || { echo "the printed page lacks its heading" >&2; exit 1; }

leave_program "$main" "$app_pid"
app_pid=""
