#!/bin/sh
# The X server behind the "xvfb" test fixture.
#   xvfb.sh start FILE   starts Xvfb on a free display and writes that display (":N") to FILE
#   xvfb.sh stop FILE    stops the server that start recorded in FILE
# The server's process id is kept in FILE.pid and its output in FILE.log.
set -eu

action=${1:?start or stop}
file=${2:?display file}

stop() {
  [ -f "$file.pid" ] || return 0
  pid=$(cat "$file.pid")
  rm -f "$file" "$file.pid"
  kill "$pid" 2>/dev/null || return 0
  i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  kill -9 "$pid" 2>/dev/null || true
}

case $action in
  start)
    stop  # a server left behind by an interrupted run
    mkdir -p "$(dirname "$file")"
    : >"$file.number"
    # In a session of its own and with no stream left open to ctest, so that it outlives this
    # script and ctest does not wait for it.
    setsid Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp \
      3>"$file.number" </dev/null >"$file.log" 2>&1 &
    echo $! >"$file.pid"
    # Xvfb writes the display number once it accepts clients.
    i=0
    while [ ! -s "$file.number" ]; do
      if ! kill -0 "$(cat "$file.pid")" 2>/dev/null || [ $i -ge 100 ]; then
        echo "Xvfb did not start:" >&2
        cat "$file.log" >&2
        rm -f "$file.pid"
        exit 1
      fi
      sleep 0.1
      i=$((i + 1))
    done
    echo ":$(tr -d '\n' <"$file.number")" >"$file"
    rm -f "$file.number"
    echo "Xvfb on $(cat "$file"), process $(cat "$file.pid")"
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start|stop FILE" >&2
    exit 2
    ;;
esac
