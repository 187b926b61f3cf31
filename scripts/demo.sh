#!/usr/bin/env bash
# Sets up, builds and walks a sample session through the terminal's own protocol and schedule
# code: a login reply, a live broadcast, a notice with preload, the end of the schedule.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release >/dev/null
echo "== one tick of the task clock per 'tick' line: what the terminal would present =="
build/bin/vireo-proto schedule < samples/schedule-walkthrough.txt
echo "== the heartbeat the terminal sends after that login reply =="
build/bin/vireo-proto encode-heartbeat --server-ip 127.0.0.1 --terminal-id 101 --terminal-group-id 7
echo
