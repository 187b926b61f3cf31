#!/usr/bin/env bash
# Memory of the four frames (vireo-preview: four web views, two video views, one video
# playing) against the same engines bare (vireo-bare-engines), side by side: PSS of the process
# summed with its Qt WebEngine children, median of RUNS fresh runs each (default 5), alternating.
#   scripts/measure-memory.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
settle=${SETTLE_SECONDS:-10}
bin=build/bin
work=$(mktemp -d)
platform_pid=""
cleanup() { [ -z "$platform_pid" ] || kill "$platform_pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

scripts/make-media.sh "$work/media" >/dev/null
"$bin/vireo-platform" --port 0 --http-port 0 --media "$work/media" > "$work/ports" 2>/dev/null &
platform_pid=$!
for _ in $(seq 50); do grep -q httpPort "$work/ports" && break; sleep 0.1; done
http=$(sed -n 's/.*"httpPort":\([0-9]*\).*/\1/p' "$work/ports")
address="http://127.0.0.1:$http/media/clip.mp4"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$work/run"

# A process and all its descendants.
tree() {
  echo "$1"
  local child
  for child in $(pgrep -P "$1" 2>/dev/null); do tree "$child"; done
}

# PSS in KiB of a process and all its descendants.
pss_tree() {
  local total=0 pid kb
  for pid in $(tree "$1"); do
    kb=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || true)
    total=$((total + ${kb:-0}))
  done
  echo "$total"
}

frames() {
  rm -f "$work/commands"; mkfifo "$work/commands"
  "$bin/vireo-preview" < "$work/commands" > /dev/null 2>&1 &
  local pid=$!
  exec 3> "$work/commands"
  echo "point $address" >&3
  sleep "$settle"
  pss_tree "$pid"
  echo quit >&3
  exec 3>&-
  wait "$pid" 2>/dev/null || true
}

bare() {
  "$bin/vireo-bare-engines" "$address" > /dev/null 2>&1 &
  local pid=$!
  sleep "$settle"
  pss_tree "$pid"
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: > "$work/frames"; : > "$work/bare"
for i in $(seq "$runs"); do
  frames >> "$work/frames"
  bare >> "$work/bare"
  echo "run $i: frames $(tail -1 "$work/frames") KiB, bare $(tail -1 "$work/bare") KiB" >&2
done
f=$(median < "$work/frames"); b=$(median < "$work/bare")
echo "PSS median of $runs runs: frames ${f} KiB, bare engines ${b} KiB, ratio $(awk -v f="$f" -v b="$b" 'BEGIN {printf "%.3f", f / b}')"
