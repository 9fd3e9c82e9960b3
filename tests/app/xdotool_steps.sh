# Steps the desktop end-to-end scripts share; sourced by them.

# Makes the script's work folder ($work) and ends what it started there: the
# processes in $pids are killed and the folder removed when the script ends,
# and the tail of the program's log goes to stderr to explain a failure.
make_work_folder() {
  work="$(mktemp -d)"
  pids=()
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
        [ -f "$work/tovrin.log" ] && tail -20 "$work/tovrin.log" >&2
        rm -rf "$work"' EXIT
}

# Waits (at most 30 s) for a visible window whose title matches $1; prints its id.
wait_window() {
  for _ in $(seq 1 300); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "no window titled '$1' appeared" >&2
  return 1
}

# Starts $tovrin with the work folder's settings ($work/config) and the
# arguments given, and waits for its main window: sets $app_pid and $main.
start_tovrin() {
  XDG_CONFIG_HOME="$work/config" "$tovrin" "$@" >"$work/tovrin.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  main="$(wait_window 'Tovrin Multimedia')"
}

# Presses 離開 (Alt+E) in the main window $1 and waits for the program $2 to end.
leave_program() {
  xdotool windowfocus --sync "$1"
  xdotool key alt+e
  wait_program_end "$2" 離開
}

# Waits (at most 10 s) for the program $1 to end after the button named $2.
wait_program_end() {
  for _ in $(seq 1 100); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "tovrin did not end after $2" >&2
  return 1
}

# Waits (at most 10 s) for the first line of file $1 to match the regular
# expression $2, whose first group is a port; prints the port.
wait_port() {
  for _ in $(seq 1 100); do
    if [[ "$(head -n 1 "$1" 2>/dev/null)" =~ $2 ]]; then
      echo "${BASH_REMATCH[1]}"
      return 0
    fi
    sleep 0.1
  done
  echo "nothing announced a port in $1" >&2
  return 1
}

# Starts the accessibility bus on the display and waits until it is
# announced there, so a Qt program started next answers on it.
start_accessibility_bus() {
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  for _ in $(seq 1 100); do
    xprop -root AT_SPI_BUS 2>/dev/null | grep -q 'unix:' && break
    sleep 0.1
  done
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# Fails unless the media files $1 and $2 last as long as each other (within 50 ms).
same_duration() {
  local want got
  want="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")"
  got="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$2")"
  echo "source $want s, recording $got s"
  awk -v a="$want" -v b="$got" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 0.05) }' \
    || { echo "the recording's duration differs from the source's" >&2; return 1; }
}

# Fails unless the recording $1 holds the header and data packets of the
# source $2 byte for byte (what follows the data, an index, is not compared).
same_as_source() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import struct, sys
recorded, source = (bytearray(open(p, "rb").read()) for p in sys.argv[1:3])
data = source.find(bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c"))
end = data + struct.unpack_from("<Q", source, data + 16)[0]
# The File Size counts each file's own index.
size = source.find(bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")) + 40
recorded[size:size + 8] = source[size:size + 8]
sys.exit(0 if data > 0 and recorded[:end] == source[:end] else 1)
PY
}

# Waits (at most 60 s) for the box titled "Tovrin" that ends a run, and confirms it.
confirm_end() {
  local box=""
  for _ in $(seq 1 600); do
    box="$(xdotool search --onlyvisible --name '^Tovrin$' 2>/dev/null | head -n 1 || true)"
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || { echo "no message ended the run" >&2; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
}

# Types $1 into the URL box of the main window $2 and presses 執行.
run_typed() {
  xdotool windowfocus --sync "$2"
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key alt+g
}

# Names the save file $1 (in the caller's $work/out) in the save chooser.
save_as() {
  local chooser
  chooser="$(wait_window '建立 / 重新開始儲存檔案')"
  xdotool windowfocus --sync "$chooser"
  xdotool key ctrl+a
  xdotool type --delay 5 "$work/out/$1"
  xdotool key Return
}
