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

# Prints the id of the program's drop-down menu that is open, if one is.
open_menu() {
  local w
  for w in $(xdotool search --onlyvisible --class tovrin 2>/dev/null); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q DROPDOWN_MENU && { echo "$w"; return 0; }
  done
  return 1
}

# Waits (at most 5 s) until a drop-down menu other than $1 is open; prints its id.
wait_menu() {
  local id
  for _ in $(seq 1 50); do
    id="$(open_menu)" && [ "$id" != "$1" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Opens the 檔案 menu of the main window (Alt+F), presses the keys $1 one by
# one, each once the menu it is meant for is open (Left and Right open the
# menu beside), and prints the id of the window titled $2 that they open. A
# key that is lost on a busy machine makes it start again, three times in all.
menu_to_window() {
  local id menu key
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$main"
    xdotool key alt+f
    if menu="$(wait_menu "")"; then
      for key in $1; do
        xdotool key "$key"
        case "$key" in
          Left | Right) menu="$(wait_menu "$menu")" || break ;;
        esac
      done
      for _ in $(seq 1 50); do
        id="$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
      done
    fi
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
for _ in $(seq 1 300); do
  [ -s "$pdf" ] && break
  sleep 0.1
done
[ -s "$pdf" ] || { echo "nothing was printed; files:" >&2; ls -la "$work/home" >&2; cat "$work/tovrin.log" >&2; exit 1; }
# The page is read once the printer has written all of it: its size stays put.
size=-1
for _ in $(seq 1 100); do
  now="$(stat -c %s "$pdf")"
  [ "$now" = "$size" ] && pdftotext "$pdf" /dev/null 2>/dev/null && break
  size="$now"
  sleep 0.2
done
pdftotext "$pdf" - | grep -q 'Tovrin multimedia 期間記錄' || { echo "the printed page lacks its heading" >&2; exit 1; }

leave_program "$main" "$app_pid"
app_pid=""
