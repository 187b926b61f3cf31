#!/usr/bin/env python3
"""Times the terminal's presentations on an X server: from the schedule tick (the log line written
when a task is presented) to the first picture of a live video on screen, and to a preloaded notice
page on screen. Runs the built terminal (build/bin) against the stand-in platform, RUNS times,
and prints each time and the medians.

usage: DISPLAY=:N scripts/measure-presentation.py [RUNS]     (a 1280x720 screen; nothing else on it)
"""
import datetime
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("VIREO_BIN", os.path.join(ROOT, "build", "bin"))
BLUE, RED = (0x20, 0x60, 0xE0), (0xE0, 0x20, 0x20)


def near(a, b):
    return all(abs(x - y) < 40 for x, y in zip(a, b))


class PixelWatch:
    """Grabs one screen pixel as fast as the X server allows and remembers when each colour first
    appeared after a given moment."""

    def __init__(self, display, x, y):
        self.samples = []  # (time, rgb)
        self.proc = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate", "200",
             "-video_size", "2x2", "-i", f"{display}+{x},{y}", "-fps_mode", "passthrough", "-f", "rawvideo",
             "-pix_fmt", "rgb24", "-"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        while True:
            frame = self.proc.stdout.read(12)
            if len(frame) < 12:
                return
            self.samples.append((time.time(), tuple(frame[0:3])))

    def first(self, colour, after):
        return next((t for t, rgb in list(self.samples) if t >= after and near(rgb, colour)), None)

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def log_time(log, pattern):
    """Wall time of the log entry whose text matches pattern (entries: a stamp line, then text)."""
    lines = log.splitlines()
    for i, line in enumerate(lines):
        if re.search(pattern, line) and i > 0:
            stamp = lines[i - 1].split(":[")[0]
            return datetime.datetime.strptime(stamp, "%Y-%m-%d %H:%M:%S.%f").timestamp()
    return None


def one_run(media, display):
    work = tempfile.mkdtemp(prefix="vireo-measure-")
    try:
        scenario = {
            "login": {"username": "1001", "password": "1234"},
            "timeline": [
                {"at": 1, "schedule": {"tasks": [
                    {"scheduleId": 201, "type": 0, "start": 0, "end": 20, "data": {"RTMP": "{media}/blue.mp4"}}]}},
                {"at": 20.5, "schedule": {"tasks": [
                    {"scheduleId": 201, "type": 0, "start": 0, "end": 20, "data": {"RTMP": "{media}/blue.mp4"}},
                    {"scheduleId": 202, "type": 2, "start": 35, "end": 60, "data": {"CONTENT": "{media}/red.html"}}]}},
            ],
        }
        with open(os.path.join(work, "scenario.json"), "w") as f:
            json.dump(scenario, f)
        platform = subprocess.Popen(
            [os.path.join(BIN, "vireo-platform"), "--port", "0", "--http-port", "0", "--scenario",
             os.path.join(work, "scenario.json"), "--media", media], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        ports = json.loads(platform.stdout.readline())
        shutil.copy(os.path.join(BIN, "Vireo"), work)
        with open(os.path.join(work, "Setting.ini"), "w", newline="") as f:
            f.write(f"[Svr]\r\nHost=127.0.0.1\r\nPort={ports['tcpPort']}\r\nSvrUser=1001\r\nPassword=1234\r\n"
                    "[APP]\r\nAutoHide=0\r\n")
        os.makedirs(os.path.join(work, "run"), mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=os.path.join(work, "run"),
                   VIREO_REMOTE_NAME=os.path.join(work, "run", "remote"), QTWEBENGINE_DISABLE_SANDBOX="1")
        watch = PixelWatch(display, 640, 300)
        start = time.time()
        terminal = subprocess.Popen([os.path.join(work, "Vireo")], env=env, stderr=subprocess.DEVNULL)
        logfile = os.path.join(work, "Log", datetime.date.today().isoformat() + ".log")
        live = notice = None
        while time.time() - start < 60 and notice is None:
            time.sleep(0.5)
            log = open(logfile, encoding="gbk", errors="replace").read() if os.path.exists(logfile) else ""
            live_tick = log_time(log, r"PresentMsg Kind=0 ContentType=1 ScheduleId=201")
            notice_tick = log_time(log, r"PresentMsg Kind=0 ContentType=3 ScheduleId=202")
            if live_tick and live is None and watch.first(BLUE, live_tick):
                live = watch.first(BLUE, live_tick) - live_tick
            if notice_tick and watch.first(RED, notice_tick):
                notice = watch.first(RED, notice_tick) - notice_tick
        preloaded = "NoticePreload" in log or "Kind=7" in log
        if os.environ.get("MEASURE_DEBUG") and live_tick:
            print("debug: colours after the live tick", sorted({rgb for t, rgb in watch.samples if t > live_tick})[:8])
        watch.stop()
        terminal.terminate()
        terminal.wait()
        platform.terminate()
        platform.wait()
        return live, notice, preloaded
    finally:
        if os.environ.get("MEASURE_DEBUG"):
            print("debug: kept", work)
        else:
            shutil.rmtree(work, ignore_errors=True)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    display = os.environ.get("DISPLAY")
    if not display:
        sys.exit("measure-presentation: needs DISPLAY (an X server of 1280x720)")
    media = tempfile.mkdtemp(prefix="vireo-media-")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "color=c=0x2060E0:s=640x360:r=25:d=40",
                    "-c:v", "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart", os.path.join(media, "blue.mp4")], check=True)
    with open(os.path.join(media, "red.html"), "w") as f:
        f.write("<!doctype html><html><body style='margin:0;background:#E02020'></body></html>")
    lives, notices = [], []
    for i in range(runs):
        live, notice, preloaded = one_run(media, display)
        print(f"run {i + 1}: tick to live picture {live and round(live * 1000)} ms, "
              f"tick to notice page {notice and round(notice * 1000)} ms (preloaded: {preloaded})", flush=True)
        if live is not None:
            lives.append(live)
        if notice is not None:
            notices.append(notice)
    shutil.rmtree(media, ignore_errors=True)
    if lives:
        print(f"median tick to live picture: {round(statistics.median(lives) * 1000)} ms over {len(lives)} runs")
    if notices:
        print(f"median tick to notice page: {round(statistics.median(notices) * 1000)} ms over {len(notices)} runs")


if __name__ == "__main__":
    main()
