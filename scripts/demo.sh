#!/usr/bin/env bash
# The terminal's main job, end to end: sets up and builds, generates test media, starts the
# stand-in platform with the demo scenario (live streams over HLS, RTSP and the web player page, a
# notice loaded ahead of time, an on-demand video, the end of the schedule) and the terminal
# logged in to it. Stops both cleanly on Ctrl-C, or after --duration SECONDS.
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

run=build/demo
log="$run/Log/$(date +%F).log"
platform_pid="" terminal_pid="" tail_pid=""
stop() {
  trap - INT TERM EXIT
  for pid in $terminal_pid $platform_pid $tail_pid; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in $terminal_pid $platform_pid; do wait "$pid" 2>/dev/null || true; done
  rm -f "$run/demo.pids"
  [ -z "$terminal_pid" ] || echo "demo: stopped; terminal log: $log"
}
trap stop EXIT
trap 'exit 130' INT TERM

scripts/setup.sh
scripts/build.sh release >/dev/null

mkdir -p "$run/media" "$run/run"
chmod 700 "$run/run"
# A demo left running (say, from a closed terminal window) would hold the instance lock.
if [ -f "$run/demo.pids" ]; then
  echo "demo: stopping the previous demo"
  while read -r pid; do
    # Only our own programs: after a reboot the numbers may belong to anything.
    case "$(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)" in
      *vireo-platform*|*"$run/Vireo"*) kill -TERM "$pid" 2>/dev/null || true ;;
    esac
  done < "$run/demo.pids"
  sleep 1
fi
scripts/make-media.sh "$run/media" >/dev/null
# The terminal keeps Setting.ini, Log/ and Update.ini beside its executable.
cp --remove-destination build/bin/Vireo "$run/Vireo"

: > "$run/platform-ports.json"
build/bin/vireo-platform --port 0 --http-port 0 --rtsp-port 0 --scenario tools/platform/scenarios/demo.json \
  --media "$run/media" --record "$run/platform-record.jsonl" \
  > "$run/platform-ports.json" 2> "$run/platform.log" &
platform_pid=$!
for _ in $(seq 100); do
  grep -q tcpPort "$run/platform-ports.json" && break
  sleep 0.1
done
port=$(sed -n 's/.*"tcpPort":\([0-9]*\).*/\1/p' "$run/platform-ports.json")
http=$(sed -n 's/.*"httpPort":\([0-9]*\).*/\1/p' "$run/platform-ports.json")
rtsp=$(sed -n 's/.*"rtspPort":\([0-9]*\).*/\1/p' "$run/platform-ports.json")
[ -n "$port" ] || { echo "demo: the stand-in platform did not start; see $run/platform.log" >&2; exit 1; }

printf '[Svr]\r\nHost=127.0.0.1\r\nPort=%s\r\nSvrUser=1001\r\nPassword=1234\r\n' "$port" > "$run/Setting.ini"
# Without a display the terminal draws off screen.
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
# Follow this run's entries only (the log of a day collects every run of that day); the ASCII
# ones are enough to see the walk through the schedule.
mkdir -p "$run/Log"
touch "$log"
tail -n 0 -F "$log" 2>/dev/null > >(grep -a --line-buffered -E 'PresentMsg|ClientSocket1|LoginState' | sed -u 's/ -> .*//') &
tail_pid=$!
XDG_RUNTIME_DIR="$PWD/$run/run" "$run/Vireo" 2> "$run/terminal-stderr.log" &
terminal_pid=$!
printf '%s\n' "$platform_pid" "$terminal_pid" > "$run/demo.pids"

echo "demo: platform on 127.0.0.1:$port (pages and media on http://127.0.0.1:$http, streams on rtsp://127.0.0.1:$rtsp)"
echo "demo: terminal log: $log   platform log: $run/platform.log   received: $run/platform-record.jsonl"
echo "demo: the scenario runs about 150 s; presentations follow (Ctrl-C stops)"

if [ -n "$duration" ]; then
  sleep "$duration" & wait $! || true
else
  wait "$terminal_pid" || true
fi
