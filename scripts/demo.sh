#!/usr/bin/env bash
# The terminal's main job, end to end: sets up and builds, generates test media, starts the
# stand-in platform with the demo scenario and the terminal logged in to it. The scenario walks
# through live streams over HLS, RTSP and the web player page, a notice loaded ahead of time, a
# second notice whose page raises an alert, a stretch without a task in which this script opens
# the on-demand list from the tools bar and picks a video, an on-demand task and the end of the
# schedule. Stops everything cleanly on Ctrl-C, or after --duration SECONDS.
#
# With DISPLAY (or WAYLAND_DISPLAY) set the terminal shows there; otherwise on an Xvfb of its own.
# --screenshots DIR saves a picture of the screen at each presentation (needs X).
set -euo pipefail
start_dir=$PWD
cd "$(dirname "$0")/.."
. scripts/lib/standin-run.sh

usage="usage: scripts/demo.sh [--duration SECONDS] [--screenshots DIR]"
duration="" shots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) duration="${2:-}"; shift 2 || true ;;
    --screenshots)
      [ -n "${2:-}" ] || { echo "$usage" >&2; exit 2; }
      case "$2" in /*) shots=$2 ;; *) shots="$start_dir/$2" ;; esac
      shift 2 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
if [ -n "$duration" ] && ! [[ "$duration" =~ ^[0-9]+$ ]]; then
  echo "demo: --duration takes whole seconds" >&2
  exit 2
fi
if [ -n "$shots" ] && [ -z "${DISPLAY:-}" ] && [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: --screenshots needs an X display (DISPLAY), or neither DISPLAY nor WAYLAND_DISPLAY for an Xvfb" >&2
  exit 2
fi

run=build/demo
log="$run/Log/$(date +%F).log"
platform_pid="" terminal_pid="" tail_pid="" director_pid="" xvfb_pid=""
stop() {
  trap - INT TERM EXIT
  for pid in $terminal_pid $platform_pid $tail_pid $director_pid; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in $terminal_pid $platform_pid; do wait "$pid" 2>/dev/null || true; done
  # The X server goes last: the terminal's windows live on it until the terminal has ended.
  if [ -n "$xvfb_pid" ]; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$run/demo.pids"
  [ -z "$terminal_pid" ] || echo "demo: stopped; terminal log: $log"
}
trap stop EXIT
trap 'exit 130' INT TERM

scripts/setup.sh
scripts/build.sh release >/dev/null

mkdir -p "$run/media" "$run/run"
chmod 700 "$run/run"
stop_previous_run demo "$run/demo.pids" "$run"
scripts/make-media.sh "$run/media" >/dev/null
# The terminal keeps Setting.ini, Log/ and Update.ini beside its executable.
cp --remove-destination build/bin/Vireo "$run/Vireo"

# Without a display the terminal gets an X server of its own (not Qt's off-screen drawing), so
# its windows, video and pages are real and can be clicked and photographed.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  start_xvfb demo "$run"
  echo "demo: no display set: the terminal shows on its own Xvfb at DISPLAY=$DISPLAY (1280x720)"
fi
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  rm -f "$shots"/[0-9][0-9]-*.png
fi

start_platform demo "$run" tools/platform/scenarios/demo.json

# AutoHide=0: the main window stays up with its idle picture instead of going to the tray.
printf '[Svr]\r\nHost=127.0.0.1\r\nPort=%s\r\nSvrUser=1001\r\nPassword=1234\r\n[APP]\r\nAutoHide=0\r\n' "$port" \
  > "$run/Setting.ini"

# --- What this script does on the terminal's screen, led by the terminal's log -------------------

# The main window's place on the screen (it fills its monitor): X Y W H.
window_geometry() {
  local id
  id=$(xdotool search --name '^VireoMainForm$' 2>/dev/null | head -n 1) || return 1
  [ -n "$id" ] || return 1
  xdotool getwindowgeometry --shell "$id" 2>/dev/null |
    sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=//p' | tr '\n' ' '
}

click_at() {  # x y
  xdotool mousemove "$1" "$2" click 1 2>/dev/null || true
}

# A click anywhere on the window brings up its tools bar for 6 s.
show_tools() {
  local g
  g=($(window_geometry)) || return 0
  click_at $((g[0] + g[2] / 2)) $((g[1] + g[3] / 3))
}

# The tools bar's four buttons (95x32) sit 190 px apart, centred, 34 px into the 100 px bar at the
# bottom; the on-demand button is the second.
press_point_play_button() {
  local g
  g=($(window_geometry)) || return 0
  click_at $((g[0] + (g[2] - 665) / 2 + 190 + 47)) $((g[1] + g[3] - 100 + 34 + 16))
}

# The stand-in's list page draws its items as full-width rows under the page title; the first row
# lies around 150 px from the top of the page (measured at 1280x720).
pick_first_video() {
  local g
  g=($(window_geometry)) || return 0
  click_at $((g[0] + g[2] / 3)) $((g[1] + 150))
}

shot() {  # name
  [ -n "$shots" ] || return 0
  local size
  size=$(xdotool getdisplaygeometry 2>/dev/null | tr ' ' x) || return 0
  # Scaled to at most 960 wide and reduced to a palette: small enough to keep in the repository.
  ffmpeg -nostdin -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -video_size "$size" -i "$DISPLAY" \
    -frames:v 1 -vf "scale='min(960,iw)':-2:flags=lanczos,split[a][b];[a]palettegen=max_colors=256:stats_mode=single[p];[b][p]paletteuse=dither=none" \
    "$shots/$1.png" 2>/dev/null && echo "demo: screenshot $shots/$1.png" || echo "demo: screenshot $1 failed" >&2
}

# Reads the terminal's log and acts on each presentation: a screenshot a few seconds after it
# (the picture or page needs that long to appear), and the user's part of the on-demand stretch.
direct() {
  set +e  # a failed click or picture must not end the following
  local logins=0 preloads=0 notices=0 line
  while IFS= read -r line; do
    case "$line" in
      *'"playUrl":'*)  # the login reply (again after a reconnection); the first task comes 7 s later
        logins=$((logins + 1))
        [ "$logins" -ne 1 ] || { sleep 4; shot 01-idle; } ;;
      *"PresentMsg Kind=0 ContentType=1 "*"Url=http"*)
        sleep 3; show_tools; sleep 1; shot 02-live-hls ;;
      *"PresentMsg Kind=0 ContentType=1 "*"Url=rtsp:"*) sleep 4; shot 03-live-rtsp ;;
      *"PresentMsg Kind=0 ContentType=1 "*"Url=rtmp:"*) sleep 5; shot 04-live-web-player ;;
      *"PresentMsg Kind=7 "*)
        preloads=$((preloads + 1))
        # The second notice is loaded while the first is shown; its page's alert comes up as a tip.
        [ "$preloads" -ne 2 ] || { sleep 2; shot 06-notice-alert-tip; } ;;
      *"PresentMsg Kind=0 ContentType=3 "*)
        notices=$((notices + 1))
        [ "$notices" -ne 1 ] || { sleep 3; shot 05-notice; } ;;
      *"PresentMsg Kind=4 ContentType=3 "*)
        # No task now: the on-demand list is open to the user. Bring up the tools bar, press its
        # on-demand button, then pick the first video of the list.
        sleep 2; show_tools; sleep 1
        echo "demo: pressing the tools bar's on-demand button"
        press_point_play_button; sleep 4; shot 07-vod-list
        echo "demo: picking the first video of the on-demand list"
        pick_first_video; sleep 3; shot 08-vod-video ;;
      *"PresentMsg Kind=0 ContentType=2 "*) sleep 4; shot 09-vod-task ;;
      *"PresentMsg Kind=4 ContentType=2 "*) sleep 3; shot 10-end ;;
    esac
  done
}

# Follow this run's entries only (the log of a day collects every run of that day); the ASCII
# ones are enough to see the walk through the schedule.
mkdir -p "$run/Log"
touch "$log"
tail -n 0 -F "$log" 2>/dev/null > >(grep -a --line-buffered -E 'PresentMsg|ClientSocket1|LoginState' | sed -u 's/ -> .*//') &
tail_pid=$!
if [ -n "${DISPLAY:-}" ]; then
  tail -n 0 -F "$log" 2>/dev/null > >(grep -a --line-buffered -E 'PresentMsg|"playUrl":' | direct) &
  director_pid=$!
fi
XDG_RUNTIME_DIR="$PWD/$run/run" "$run/Vireo" 2> "$run/terminal-stderr.log" &
terminal_pid=$!
printf '%s\n' $platform_pid $terminal_pid $xvfb_pid > "$run/demo.pids"

echo "demo: platform on 127.0.0.1:$port (pages and media on http://127.0.0.1:$http, streams on rtsp://127.0.0.1:$rtsp)"
echo "demo: terminal log: $log   platform log: $run/platform.log   received: $run/platform-record.jsonl"
echo "demo: the scenario runs about 150 s; presentations follow (Ctrl-C stops)"

if [ -n "$duration" ]; then
  sleep "$duration" & wait $! || true
else
  wait "$terminal_pid" || true
fi
