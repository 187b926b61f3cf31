#!/usr/bin/env bash
# Generates the small test media that the stand-in platform serves (demo, tests) into the folder
# given: clip.mp4 (on-demand), live.mp4 and its HLS form live.m3u8 with live-NNN.ts (live).
# Idempotent: what is already there is left alone; each file appears only once it is complete.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 FOLDER" >&2
  exit 2
fi
out=$1
command -v ffmpeg >/dev/null || { echo "make-media: ffmpeg is missing; run scripts/setup.sh" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d "$out/.make-media.XXXXXX")
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# 20 s, 320x240, H.264 baseline with AAC audio: plays in libVLC and in any browser's video element.
video() {  # name, video source, tone in Hz
  [ -s "$out/$1" ] && return 0
  ff -f lavfi -i "$2=size=320x240:rate=25:duration=20" -f lavfi -i "sine=frequency=$3:duration=20" \
    -c:v libx264 -preset veryfast -profile:v baseline -pix_fmt yuv420p -g 50 \
    -c:a aac -b:a 64k -shortest -movflags +faststart "$work/$1"
  mv "$work/$1" "$out/$1"
}

video clip.mp4 testsrc 440
video live.mp4 testsrc2 660

if [ ! -s "$out/live.m3u8" ]; then
  ff -i "$out/live.mp4" -c copy -f hls -hls_time 4 -hls_list_size 0 -hls_playlist_type vod \
    -hls_segment_filename "$work/live-%03d.ts" "$work/live.m3u8"
  mv "$work"/live-*.ts "$out/"
  mv "$work/live.m3u8" "$out/live.m3u8"  # last: the playlist names segments that are already there
fi
