# Pieces that scripts/demo.sh and scripts/soak.sh share; sourced, not run. Each takes the run
# folder (and a name for messages) and leaves its results in the variables it names.

# Stops what a run left behind (say, from a closed terminal window): it would hold the instance
# lock and the X server. Only our own programs: after a reboot the numbers may belong to anything.
stop_previous_run() {  # name pidfile run
  [ -f "$2" ] || return 0
  echo "$1: stopping the previous run"
  while read -r pid; do
    case "$(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)" in
      *vireo-platform*|*"$3/Vireo"*|trayer*|"Xvfb -displayfd 3 -screen 0 1280x720x24 "*)
        kill -TERM "$pid" 2>/dev/null || true ;;
    esac
  done < "$2"
  sleep 1
}

# An X server of its own, 1280x720: sets xvfb_pid, DISPLAY and QT_QPA_PLATFORM=xcb. Xvfb picks a
# free display number itself and writes it once it accepts connections.
start_xvfb() {  # name run
  : > "$2/xvfb-display"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3> "$2/xvfb-display" 2> "$2/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$2/xvfb-display" ] && break
    sleep 0.1
  done
  [ -s "$2/xvfb-display" ] || { echo "$1: Xvfb did not start; see $2/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(tr -dc 0-9 < "$2/xvfb-display")"
  export QT_QPA_PLATFORM=xcb
}

# The stand-in platform with a scenario, on free ports: sets platform_pid, port, http and rtsp.
start_platform() {  # name run scenario
  : > "$2/platform-ports.json"
  build/bin/vireo-platform --port 0 --http-port 0 --rtsp-port 0 --scenario "$3" \
    --media "$2/media" --record "$2/platform-record.jsonl" \
    > "$2/platform-ports.json" 2> "$2/platform.log" &
  platform_pid=$!
  for _ in $(seq 100); do
    grep -q tcpPort "$2/platform-ports.json" && break
    sleep 0.1
  done
  port=$(sed -n 's/.*"tcpPort":\([0-9]*\).*/\1/p' "$2/platform-ports.json")
  http=$(sed -n 's/.*"httpPort":\([0-9]*\).*/\1/p' "$2/platform-ports.json")
  rtsp=$(sed -n 's/.*"rtspPort":\([0-9]*\).*/\1/p' "$2/platform-ports.json")
  [ -n "$port" ] || { echo "$1: the stand-in platform did not start; see $2/platform.log" >&2; exit 1; }
}
