#!/usr/bin/env bash
# Endurance and fault run of the terminal: N minutes against the stand-in platform on an Xvfb of
# its own (1280x720) with a tray host, AutoHide=1. The scenario never rests: a new schedule every
# 10-20 s cycling live HLS, live RTSP, the live web player page, a preloaded notice, a notice sent
# at its start, on-demand and no task; the platform closes the connection about every minute and
# sends garbage, split and broken frames in between. Every ~5 minutes one of the terminal's web
# render processes is killed. Every 10 s the terminal's memory, descriptors, threads and process
# tree go into build/soak/samples.csv; at the end build/soak/soak.png plots them and a verdict
# goes to build/soak/verdict.txt (exit code 0 on PASS, 1 on FAIL).
#
# Growth is measured from minute 10 (minute 2 for runs shorter than 12 minutes) to the end.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/standin-run.sh

usage="usage: scripts/soak.sh --minutes N"
minutes=""
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="${2:-}"; shift 2 || true ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[[ "$minutes" =~ ^[1-9][0-9]*$ ]] || { echo "$usage" >&2; exit 2; }

run=build/soak
platform_pid="" terminal_pid="" xvfb_pid="" tray_pid=""
stop() {
  trap - INT TERM EXIT
  # The terminal first: the platform's going would be one more closed connection in its log.
  if [ -n "$terminal_pid" ] && kill -TERM "$terminal_pid" 2>/dev/null; then
    for _ in $(seq 200); do
      kill -0 "$terminal_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$terminal_pid" 2>/dev/null; then
      echo "soak: the terminal did not end within 20 s of SIGTERM; killing it" | tee -a "$run/events.log" >&2
      kill -KILL "$terminal_pid" 2>/dev/null || true
    fi
  fi
  for pid in $platform_pid $tray_pid; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in $terminal_pid $platform_pid $tray_pid; do wait "$pid" 2>/dev/null || true; done
  # The X server goes last: the terminal's windows live on it until the terminal has ended.
  if [ -n "$xvfb_pid" ]; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$run/soak.pids"
}
trap stop EXIT
trap 'exit 130' INT TERM

scripts/setup.sh
scripts/build.sh release >/dev/null

mkdir -p "$run/media" "$run/run"
chmod 700 "$run/run"
stop_previous_run soak "$run/soak.pids" "$run"
# Each run starts with a clean log folder: crash reports and the login check look at this run only.
rm -rf "$run/Log" "$run/samples.csv" "$run/soak.png" "$run/verdict.txt" "$run/events.log"
scripts/make-media.sh "$run/media" >/dev/null
cp --remove-destination build/bin/Vireo "$run/Vireo"

# --- The scenario: the timeline has no loop, so it is written out for the whole run ------------
python3 - "$((minutes * 60 + 120))" > "$run/scenario.json" <<'EOF'
import json, random, sys

length = int(sys.argv[1])
rnd = random.Random(7)
timeline = []
kinds = ["hls", "rtsp", "web", "notice-preload", "notice", "vod", "idle"]
t, i, sid = 1.0, 0, 1000
while t < length:
    kind = kinds[i % len(kinds)]
    span = rnd.randint(10, 20)
    start, end = round(t), round(t) + span
    sid += 1
    task = None
    if kind == "hls":
        task = {"type": 0, "data": {"RTMP": "", "RTSP": "", "HLS": "{media}/live.m3u8"}}
    elif kind == "rtsp":
        task = {"type": 0, "data": {"RTMP": "", "RTSP": "{rtsp}/live", "HLS": ""}}
    elif kind == "web":
        task = {"type": 0, "data": {"RTMP": "rtmp://127.0.0.1/live/live", "RTSP": "", "HLS": ""}}
    elif kind.startswith("notice"):
        page = "timetable" if (i // len(kinds)) % 2 else "welcome"
        task = {"type": 2, "data": {"CONTENT": "{http}/notice/" + page, "ATTACHMENT": []}}
    elif kind == "vod":
        task = {"type": 1, "data": {"RTMP": "{media}/clip.mp4", "RTMP_H": "", "RTMP_SH": ""}}
    if task is None:
        timeline.append({"at": t, "schedule": {"tasks": []}})
    else:
        task.update({"scheduleId": sid, "start": start, "end": end})
        # A preloaded notice is sent ahead of its start, in place of what is on.
        at = max(t - 6, 1.0) if kind == "notice-preload" else t + 0.5
        timeline.append({"at": at, "schedule": {"tasks": [task]}})
    t = float(end)
    i += 1

# The platform closes the connection about every minute; in between come bytes that are no
# frame, frames in pieces, a broken header and a frame whose body is not JSON.
faults = [
    {"fault": "garbage", "text": "this is not a frame"},
    {"fault": "split", "parts": 3, "delayMs": 80},
    {"fault": "garbage", "hex": "00ff13370a0d7b7d"},
    {"fault": "brokenHeader"},
    {"frame": "a frame whose body is not JSON"},
    {"fault": "coalesce"},
]
for n, at in enumerate(range(23, length, 37)):
    timeline.append(dict({"at": at + rnd.random()}, **faults[n % len(faults)]))
for at in range(60, length, 60):
    timeline.append({"at": at + rnd.uniform(-5, 5), "fault": "close"})
timeline.sort(key=lambda e: e["at"])
for e in timeline:
    e["at"] = round(e["at"], 1)

print(json.dumps({
    "login": {"username": "1001", "password": "1234", "terminalId": 1001, "terminalGroupId": 7},
    "notices": {
        "welcome": {"title": "欢迎使用 Vireo", "text": "长时间运行中的通知。"},
        "timetable": {"title": "下午课程调整", "text": "第三节改在报告厅上课。",
                      "alert": "新通知已加载：下午课程调整"},
    },
    "timeline": timeline,
}, ensure_ascii=False, indent=1))
EOF

# --- X server, tray host, platform, terminal ----------------------------------------------------
start_xvfb soak "$run"
# The tray holds the terminal's icon while its window is hidden between tasks.
trayer --edge top --align right --widthtype request --height 24 --SetDockType false --SetPartialStrut false \
  > "$run/trayer.log" 2>&1 &
tray_pid=$!

start_platform soak "$run" "$run/scenario.json"

printf '[Svr]\r\nHost=127.0.0.1\r\nPort=%s\r\nSvrUser=1001\r\nPassword=1234\r\n[APP]\r\nAutoHide=1\r\n' "$port" \
  > "$run/Setting.ini"

XDG_RUNTIME_DIR="$PWD/$run/run" "$run/Vireo" 2> "$run/terminal-stderr.log" &
terminal_pid=$!
printf '%s\n' $platform_pid $terminal_pid $tray_pid $xvfb_pid > "$run/soak.pids"
echo "soak: $minutes min on DISPLAY=$DISPLAY; terminal pid $terminal_pid, platform on 127.0.0.1:$port"
echo "soak: terminal log in $run/Log, samples in $run/samples.csv"

# --- Sampling ---------------------------------------------------------------------------------

tree() {  # the terminal and all its descendants, the terminal first
  ps -e -o pid=,ppid= | awk -v root="$terminal_pid" '
    { parent[$1] = $2 }
    END {
      inside[root] = 1; print root
      do {
        added = 0
        for (p in parent) if (!(p in inside) && (parent[p] in inside)) { inside[p] = 1; print p; added = 1 }
      } while (added)
    }'
}

rss_pss() {  # pid -> "RSS PSS" in kB
  awk '/^Rss:/ { r = $2 } /^Pss:/ { p = $2 } END { print r + 0, p + 0 }' "/proc/$1/smaps_rollup" 2>/dev/null ||
    echo "0 0"
}

start_s=$(date +%s)
sample() {
  local pids own crss=0 cpss=0 r p fds threads
  pids=($(tree))
  own=($(rss_pss "$terminal_pid"))
  for pid in "${pids[@]:1}"; do
    read -r r p < <(rss_pss "$pid")
    crss=$((crss + r)); cpss=$((cpss + p))
  done
  fds=$(ls "/proc/$terminal_pid/fd" 2>/dev/null | wc -l)
  threads=$(awk '/^Threads:/ { print $2 }' "/proc/$terminal_pid/status" 2>/dev/null || echo 0)
  echo "$(($(date +%s) - start_s)),$(date +%T),${own[0]},${own[1]},$crss,$cpss,$fds,${threads:-0},${#pids[@]}" \
    >> "$run/samples.csv"
}

# Render processes forked by the zygote keep the zygote's command line, so a renderer is a
# QtWebEngineProcess with --type=renderer or one whose parent is a zygote.
kill_renderer() {
  local pid parent renderers=()
  for pid in $(tree); do
    case "$(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)" in
      *QtWebEngineProcess*--type=renderer*) renderers+=("$pid") ;;
      *QtWebEngineProcess*--type=zygote*)
        parent=$(awk '{ print $4 }' "/proc/$pid/stat" 2>/dev/null) || continue
        case "$(tr '\0' ' ' < "/proc/$parent/cmdline" 2>/dev/null)" in
          *QtWebEngineProcess*--type=zygote*) renderers+=("$pid") ;;
        esac ;;
    esac
  done
  if [ ${#renderers[@]} -eq 0 ]; then
    echo "$(date +%T) no web render process to kill" | tee -a "$run/events.log"
    return
  fi
  pid=${renderers[RANDOM % ${#renderers[@]}]}
  kill -KILL "$pid" 2>/dev/null || true
  echo "$(date +%T) killed web render process $pid (of ${#renderers[@]})" | tee -a "$run/events.log"
}

echo "t_s,clock,terminal_rss_kb,terminal_pss_kb,children_rss_kb,children_pss_kb,fds,threads,processes" \
  > "$run/samples.csv"
end_s=$((start_s + minutes * 60))
next_kill=$((start_s + 300))
next_sample=$start_s
while :; do
  now=$(date +%s)
  [ "$now" -lt "$end_s" ] || break
  kill -0 "$terminal_pid" 2>/dev/null || { echo "soak: the terminal has ended" | tee -a "$run/events.log"; break; }
  if [ "$now" -ge "$next_sample" ]; then
    sample
    next_sample=$((next_sample + 10))
  fi
  if [ "$now" -ge "$next_kill" ]; then
    kill_renderer
    next_kill=$((next_kill + 300))
  fi
  sleep 1
done
kill -0 "$terminal_pid" 2>/dev/null && sample

# --- Verdict (before the terminal is stopped: its shutdown closes the connection) --------------
alive=no
case "$(tr '\0' ' ' < "/proc/$terminal_pid/cmdline" 2>/dev/null)" in *"$run/Vireo"*) alive=yes ;; esac
set +e
python3 - "$run" "$minutes" "$terminal_pid" "$alive" <<'EOF' | tee "$run/verdict.txt"
import csv, datetime, glob, os, re, statistics, sys

run, minutes, pid, alive = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4] == "yes"
rows = list(csv.DictReader(open(os.path.join(run, "samples.csv"))))
from_min = 10 if minutes >= 12 else 2
ok = True
lines = []

def check(name, good, text):
    global ok
    ok = ok and good
    lines.append(f"{'ok  ' if good else 'FAIL'} {name}: {text}")

def col(row, name):
    return int(row[name])

def total_pss(row):
    return col(row, "terminal_pss_kb") + col(row, "children_pss_kb")

after = [r for r in rows if int(r["t_s"]) >= from_min * 60]
lines.append(f"run of {minutes} min, {len(rows)} samples; growth from minute {from_min}"
             + (" (run shorter than 12 min)" if from_min != 10 else "")
             + ": median of the first 5 samples after it against the median of the last 5")
if len(after) >= 10:
    first, last = after[:5], after[-5:]
    def med(rs, f):
        return statistics.median(f(r) for r in rs)
    for name, f in (("terminal PSS", lambda r: col(r, "terminal_pss_kb")), ("total PSS", total_pss)):
        a, b = med(first, f), med(last, f)
        g = (b - a) / a * 100 if a else 0.0
        check(name, g <= 5.0, f"{a / 1024:.1f} MB -> {b / 1024:.1f} MB ({g:+.1f} %, limit +5 %)")
    a, b = med(first, lambda r: col(r, "fds")), med(last, lambda r: col(r, "fds"))
    check("open fds", b <= a + 2, f"{a:g} -> {b:g} (limit +2)")
    a, b = med(first, lambda r: col(r, "threads")), med(last, lambda r: col(r, "threads"))
    check("threads", b <= a, f"{a:g} -> {b:g} (no growth)")
    lines.append(f"     children PSS {med(first, lambda r: col(r, 'children_pss_kb')) / 1024:.1f} MB -> "
                 f"{med(last, lambda r: col(r, 'children_pss_kb')) / 1024:.1f} MB; processes "
                 f"{med(first, lambda r: col(r, 'processes')):g} -> {med(last, lambda r: col(r, 'processes')):g}")
else:
    check("samples", False, f"only {len(after)} samples after minute {from_min}, 10 needed")

crashes = sorted(os.path.basename(p) for p in glob.glob(os.path.join(run, "Log", "crash-*.txt")))
check("crash reports", not crashes, ", ".join(crashes) if crashes else "none")
check("terminal process", alive, f"pid {pid} " + ("still running" if alive else "has ended"))

# The log: entries begin with "YYYY-MM-DD HH:MM:SS.mmm:[...]"; its texts are GBK.
stamp = re.compile(rb"^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\.\d{3}:\[")
last_close = last_login = last_present = None
now = datetime.datetime.now()
for path in sorted(glob.glob(os.path.join(run, "Log", "*.log"))):
    when = None
    for line in open(path, "rb"):
        m = stamp.match(line)
        if m:
            when = datetime.datetime.strptime(m.group(1).decode(), "%Y-%m-%d %H:%M:%S")
            continue
        if when is None:
            continue
        if b"ClientSocket1Disconnect" in line:
            last_close = when
        elif b'"key":"001"' in line and b'"success":true' in line:
            last_login = when
        elif b"PresentMsg" in line:
            last_present = when
fmt = lambda t: t.strftime("%H:%M:%S") if t else "never"
logged_in = (last_login is not None and (last_close is None or last_login >= last_close)) or \
            (last_present is not None and (now - last_present).total_seconds() <= 120)
check("logged in", logged_in,
      f"last connection close {fmt(last_close)}, last login reply {fmt(last_login)}, "
      f"last PresentMsg {fmt(last_present)}, now {fmt(now)}")
lines.insert(0, "PASS" if ok else "FAIL")
print("\n".join(lines))
sys.exit(0 if ok else 1)
EOF
verdict=${PIPESTATUS[0]}
set -e

# --- Plot -----------------------------------------------------------------------------------
gnuplot <<EOF || echo "soak: gnuplot failed" >&2
set terminal pngcairo size 1200,650 font ",10"
set output "$run/soak.png"
set datafile separator ","
set key outside bottom center horizontal
set title "Vireo soak, $minutes min ($(head -n 1 "$run/verdict.txt"))"
set xlabel "minutes"
set ylabel "PSS (MB)"
set y2label "count"
set ytics nomirror
set y2tics
set xrange [0:$minutes]
set yrange [0:*]
set y2range [0:*]
set grid
plot "$run/samples.csv" skip 1 using (\$1/60):((\$4+\$6)/1024) with lines lw 2 lc rgb "#7b1fa2" title "PSS total", \
     "" skip 1 using (\$1/60):(\$4/1024) with lines lw 2 lc rgb "#2e7d32" title "terminal PSS", \
     "" skip 1 using (\$1/60):(\$6/1024) with lines lw 2 lc rgb "#1565c0" title "children PSS", \
     "" skip 1 using (\$1/60):7 axes x1y2 with lines dt 2 lw 1.5 lc rgb "#e65100" title "fds", \
     "" skip 1 using (\$1/60):8 axes x1y2 with lines dt 3 lw 1.5 lc rgb "#424242" title "threads"
EOF
echo "soak: plot $run/soak.png, verdict $run/verdict.txt"
exit "$verdict"
