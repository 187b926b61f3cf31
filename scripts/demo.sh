#!/usr/bin/env bash
# The terminal's main job, end to end: sets up and builds, generates test media, starts the
# stand-in platform with the demo scenario (a live stream, a notice loaded ahead of time, an
# on-demand video, the end of the schedule) and the terminal logged in to it. Stops both cleanly
# on Ctrl-C, or after --duration SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."

duration=""
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) duration="${2:-}"; shift 2 || true ;;
    *) echo "usage: scripts/demo.sh [--duration SECONDS]" >&2; exit 2 ;;
  esac
done
if [ -n "$duration" ] && ! [[ "$duration" =~ ^[0-9]+$ ]]; then
  echo "demo: --duration takes whole seconds" >&2
  exit 2
fi

scripts/setup.sh
scripts/build.sh release >/dev/null

run=build/demo
mkdir -p "$run/media" "$run/run"
chmod 700 "$run/run"
scripts/make-media.sh "$run/media" >/dev/null
# The terminal keeps Setting.ini, Log/ and Update.ini beside its executable.
cp build/bin/Vireo "$run/Vireo"

platform_pid="" terminal_pid=""
stop() {
  trap - INT TERM EXIT
  [ -n "$terminal_pid" ] && kill -TERM "$terminal_pid" 2>/dev/null && wait "$terminal_pid" 2>/dev/null || true
  [ -n "$platform_pid" ] && kill -TERM "$platform_pid" 2>/dev/null && wait "$platform_pid" 2>/dev/null || true
  [ -n "${tail_pid:-}" ] && kill "$tail_pid" 2>/dev/null || true
  echo "demo: stopped; terminal log: $log"
}
log="$run/Log/$(date +%F).log"
trap stop EXIT
trap 'exit 130' INT TERM

: > "$run/platform-ports.json"
build/bin/vireo-platform --port 0 --http-port 0 --scenario tools/platform/scenarios/demo.json \
  --media "$run/media" --record "$run/platform-record.jsonl" \
  > "$run/platform-ports.json" 2> "$run/platform.log" &
platform_pid=$!
for _ in $(seq 100); do
  grep -q tcpPort "$run/platform-ports.json" && break
  sleep 0.1
done
port=$(sed -n 's/.*"tcpPort":\([0-9]*\).*/\1/p' "$run/platform-ports.json")
http=$(sed -n 's/.*"httpPort":\([0-9]*\).*/\1/p' "$run/platform-ports.json")
[ -n "$port" ] || { echo "demo: the stand-in platform did not start; see $run/platform.log" >&2; exit 1; }

printf '[Svr]\r\nHost=127.0.0.1\r\nPort=%s\r\nSvrUser=1001\r\nPassword=1234\r\n' "$port" > "$run/Setting.ini"
# Without a display the terminal draws off screen.
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR="$PWD/$run/run" "$run/Vireo" 2> "$run/terminal-stderr.log" &
terminal_pid=$!

echo "demo: platform on 127.0.0.1:$port (pages and media on http://127.0.0.1:$http)"
echo "demo: terminal log: $log   platform log: $run/platform.log   received: $run/platform-record.jsonl"
echo "demo: the scenario runs about 130 s; presentations follow (Ctrl-C stops)"
for _ in $(seq 50); do [ -f "$log" ] && break; sleep 0.1; done
tail -n +1 -F "$log" 2>/dev/null | grep -a --line-buffered -E 'PresentMsg|ClientSocket1|LoginState' &
tail_pid=$!

if [ -n "$duration" ]; then
  sleep "$duration" & wait $! || true
else
  wait "$terminal_pid" || true
fi
