#!/usr/bin/env bash
# English on request. First the translation file: every text in it is
# translated, and lupdate run over the program's sources finds no text that it
# does not hold (nor one it holds that the sources no longer have). Then the
# real tovrin started with --lang en: its menus, buttons and labels read in
# English through the accessibility bus.
#   english_e2e.sh TOVRIN LUPDATE SOURCE_DIR TS_FILE   (under with_xvfb.sh and dbus-run-session)
set -euo pipefail
tovrin="$1"
lupdate="$2"
sources="$3"
ts="$4"

work="$(mktemp -d)"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xdotool_steps.sh"

if grep -q 'type="unfinished"' "$ts"; then
  echo "untranslated entries in $ts:" >&2
  grep -B2 'type="unfinished"' "$ts" >&2
  exit 1
fi
cp "$ts" "$work/check.ts"
"$lupdate" -silent -locations none -no-obsolete "$sources" -ts "$work/check.ts"
diff -u "$ts" "$work/check.ts" >&2 \
  || { echo "lupdate finds texts that $ts does not hold as they are" >&2; exit 1; }

mkdir -p "$work/config/Tovrin Streaming"
printf '[General]\nUDPPort=0\n' >"$work/config/Tovrin Streaming/Tovrin.conf"
start_accessibility_bus
XDG_CONFIG_HOME="$work/config" "$tovrin" --lang en >"$work/tovrin.log" 2>&1 &
app_pid=$!
main="$(wait_window 'Tovrin Multimedia by Orvak')"
for text in File Setup Information Preview Help Go Abort Exit "Save to:" "URL:" Standby; do
  "$here/accessible_text.py" Tovrin "$text" 10 || exit 1
done
leave_program "$main" "$app_pid"
app_pid=""
