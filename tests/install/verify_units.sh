#!/usr/bin/env bash
# `systemd-analyze verify` of Tovrin's systemd user units as a user's systemd
# loads them: the template service as an instance (tovrin-record@news) and
# the example timer of a weekly show. It needs no running systemd. Any
# warning fails. ExecStart names tovrin-cli, which systemd looks for in its
# own path (/usr/local/bin, /usr/bin); when it is installed in neither, the
# units are verified with ExecStart naming TOVRIN_CLI instead.
#   verify_units.sh UNIT_DIR EXAMPLES_DIR TOVRIN_CLI
set -euo pipefail
units="$1" examples="$2" cli="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/units" "$work/runtime"
chmod 700 "$work/runtime"
cp "$units/tovrin-record@.service" "$examples/tovrin-record@news.timer" "$work/units/"
if ! [ -x /usr/bin/tovrin-cli ] && ! [ -x /usr/local/bin/tovrin-cli ]; then
  sed -i "s|^ExecStart=tovrin-cli |ExecStart=$cli |" "$work/units/tovrin-record@.service"
fi
cd "$work/units"
if ! said="$(XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user verify \
  ./tovrin-record@news.service ./tovrin-record@news.timer 2>&1)" || [ -n "$said" ]; then
  echo "systemd-analyze verify: $said" >&2
  exit 1
fi
echo "systemd-analyze verify: tovrin-record@.service and tovrin-record@news.timer are sound"
