#!/usr/bin/env bash
# Tovrin as a user gets it: builds the .deb with CPack, unpacks it into a
# scratch root (and, as root under CI=true, installs it with dpkg -i), checks
# its files, records from the test server with the packaged tovrin-cli (also
# as its systemd user service runs it, and verifies its units), then
# starts the packaged tovrin with an mms:// address and hands it two more:
# one from a second `tovrin` start and one from xdg-open through the
# .desktop file. What the window shows is read through the accessibility bus.
#   package_e2e.sh BUILD_DIR   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")/../app" && pwd)"
. "$here/xdotool_steps.sh"

work="$(mktemp -d)"
pids=()
installed=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$installed" ] && dpkg -r tovrin >/dev/null 2>&1 || true
  [ -f "$work/tovrin.log" ] && tail -20 "$work/tovrin.log" >&2
  rm -rf "$work"
}
trap cleanup EXIT

# The package, built from this build tree.
cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$work"/pkg/tovrin_*.deb)"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libqt6widgets6 libqt6multimedia6 gstreamer1.0-plugins-good gstreamer1.0-libav; do
  [[ "$depends" == *"$dep"* ]] || { echo "Depends lacks $dep: $depends" >&2; exit 1; }
done

files=(
  usr/bin/tovrin usr/bin/tovrin-cli usr/bin/tovrin-mms-server
  usr/share/tovrin/Done.wav usr/share/tovrin/Readme.txt usr/share/tovrin/about.jpg
  usr/share/applications/tovrin.desktop usr/share/metainfo/io.github.tovrin.Tovrin.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/tovrin.svg usr/share/icons/hicolor/48x48/apps/tovrin.png
  usr/share/icons/hicolor/256x256/apps/tovrin.png
  usr/lib/systemd/user/tovrin-record@.service usr/share/doc/tovrin/README.md
  usr/share/doc/tovrin/examples/news.conf usr/share/doc/tovrin/examples/tovrin-record@news.timer
)
dpkg -x "$deb" "$work/root"
for f in "${files[@]}"; do
  [ -s "$work/root/$f" ] || { echo "the package lacks /$f" >&2; exit 1; }
done
if [ "$(id -u)" -eq 0 ] && [ "${CI:-}" = true ]; then
  installed=1
  dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; exit 1; }
  dpkg -L tovrin >"$work/listed"
  for f in "${files[@]}"; do
    grep -qx "/$f" "$work/listed" || { echo "dpkg -L does not list /$f" >&2; exit 1; }
  done
  echo "installed with dpkg -i and listed by dpkg -L"
fi
bin="$work/root/usr/bin"
"$bin/tovrin-cli" --version | grep -qx "tovrin-cli [0-9.]*"
"$bin/tovrin" --version | grep -qx "tovrin [0-9.]*"

# The packaged command line records a clip from the packaged test server.
mkdir -p "$work/media" "$work/out" "$work/config/Tovrin Streaming" "$work/data/applications"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=160x120:rate=15" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 3 -c:v wmv2 -c:a wmav2 "$work/media/clip.wmv"
"$bin/tovrin-mms-server" --port 0 --root "$work/media" --rate 0 >"$work/server.out" 2>"$work/server.log" &
pids+=($!)
port="$(wait_port "$work/server.out" 'listening on .*:([0-9]+)')"
stream="mms://127.0.0.1:$port"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
printf '[General]\nUDPPort=0\n' >"$work/config/Tovrin Streaming/Tovrin.conf"
"$bin/tovrin-cli" record "$stream/clip.wmv" -o "$work/out/clip.wmv" </dev/null >"$work/cli.log" 2>&1 \
  || { cat "$work/cli.log" >&2; exit 1; }
same_duration "$work/media/clip.wmv" "$work/out/clip.wmv"

# The systemd user units verify (as installed when dpkg -i put them in place).
units="$work/root/usr/lib/systemd/user"
[ -n "$installed" ] && units=/usr/lib/systemd/user
"$here/../install/verify_units.sh" "$units" "$work/root/usr/share/doc/tovrin/examples" "$bin/tovrin-cli"

# The service's command line, run as the unit runs it for tovrin-record@evening:
# in the home folder, the recording's .conf found under ~/.config.
unit="$work/root/usr/lib/systemd/user/tovrin-record@.service"
home="$work/home"
mkdir -p "$home/.config/tovrin/recordings" "$home/.config/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$home/.config/Tovrin Streaming/Tovrin.conf"
run_unit() {
  local command directory
  command="$(sed -n 's/^ExecStart=tovrin-cli //p' "$unit")"
  directory="$(sed -n 's/^WorkingDirectory=//p' "$unit")"
  (cd "${directory//%h/$home}" && env -u XDG_CONFIG_HOME HOME="$home" "$bin/tovrin-cli" ${command//%i/$1} </dev/null)
}
printf '# the evening clip\naddress = %s/clip.wmv\noutput = "evening clip.wmv"\nreconnect = 2\nduration = 60\n' \
  "$stream" >"$home/.config/tovrin/recordings/evening.conf"
run_unit evening >"$work/unit.log" 2>&1 || { cat "$work/unit.log" >&2; exit 1; }
same_duration "$work/media/clip.wmv" "$home/evening clip.wmv"
"$bin/tovrin-cli" check "$home/evening clip.wmv" >/dev/null
# A wrong .conf ends with the status the unit does not restart on.
printf 'address = %s/clip.wmv\nsplit-every-other = 1\n' "$stream" >"$home/.config/tovrin/recordings/wrong.conf"
status=0
run_unit wrong >"$work/wrong.log" 2>&1 || status=$?
prevented="$(sed -n 's/^RestartPreventExitStatus=//p' "$unit")"
[ "$status" = "$prevented" ] || { echo "a wrong .conf ended with $status, not $prevented" >&2; exit 1; }

# The packaged window, started with an address: the URL box holds it.
start_accessibility_bus
url_box_shows() { "$here/accessible_text.py" Tovrin "$1" 30 --role text; }
"$bin/tovrin" "$stream/clip.wmv" >"$work/tovrin.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
main="$(wait_window 'Tovrin Multimedia')"
url_box_shows "$stream/clip.wmv"

# A second start with the same settings hands its address over and ends.
timeout 20 "$bin/tovrin" "$stream/other.wmv"
url_box_shows "$stream/other.wmv"

# A link opened through the desktop's handler for mms:// reaches it too.
sed -e "s|^Exec=.*|Exec=$bin/tovrin %u|" -e '/^TryExec=/d' "$work/root/usr/share/applications/tovrin.desktop" \
  >"$work/data/applications/tovrin.desktop"
xdg-mime default tovrin.desktop x-scheme-handler/mms
[ "$(xdg-mime query default x-scheme-handler/mms)" = tovrin.desktop ]
env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u BROWSER timeout 20 xdg-open "$stream/sample.wmv"
url_box_shows "$stream/sample.wmv"

# A start with settings of its own opens its own window.
mkdir -p "$work/other/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$work/other/Tovrin Streaming/Tovrin.conf"
XDG_CONFIG_HOME="$work/other" "$bin/tovrin" "$stream/apart.wmv" >"$work/apart.log" 2>&1 &
apart_pid=$!
pids+=("$apart_pid")
url_box_shows "$stream/apart.wmv"
kill -0 "$apart_pid" || { echo "a start with other settings did not stay" >&2; exit 1; }

leave_program "$main" "$app_pid"
conf="$work/config/Tovrin Streaming/Tovrin.conf"
grep -q "URLSelected=$stream/sample.wmv" "$conf" \
  || { echo "the URL box did not keep the last address handed over" >&2; exit 1; }
