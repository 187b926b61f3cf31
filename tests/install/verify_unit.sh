#!/usr/bin/env bash
# The installed systemd user unit and autostart entries pass systemd's and the desktop entry
# validators, with their executables in place. Exits 77 (skipped) without the validators.
# Usage: verify_unit.sh BUILD_DIR
set -euo pipefail
build=$1
command -v systemd-analyze >/dev/null || { echo "systemd-analyze missing: skipped"; exit 77; }
command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate missing: skipped"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The user manager's view needs a runtime folder, as a session has.
export XDG_RUNTIME_DIR=$tmp/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*" >&2; exit 1; }

# systemd-analyze prints its findings and still exits 0 for some of them: any output is a finding.
verify() {  # UNIT [env...]
  local unit=$1 out
  shift
  out=$(env "$@" systemd-analyze --user verify "$unit" 2>&1) || fail "$unit: $out"
  [ -z "$out" ] || fail "$unit: $out"
}

prefix=$tmp/opt/vireo
cmake --install "$build" --prefix "$prefix" >/dev/null
verify "$prefix/share/systemd/user/vireo.service"
desktop-file-validate "$prefix/share/xdg/autostart/vireo.desktop" || fail "autostart entry"

# The tarball's unit finds the terminal through %h.
home=$tmp/home
cmake --install "$build" --component terminal --prefix "$home/vireo" >/dev/null
cmake --install "$build" --component home --prefix "$home/vireo" >/dev/null
verify "$home/vireo/share/systemd/user/vireo.service" HOME="$home"
desktop-file-validate "$home/vireo/share/xdg/autostart/vireo.desktop" || fail "home autostart entry"

# A unit whose executable is missing must be refused, or the checks above prove nothing.
sed -i "s|^ExecStart=.*|ExecStart=$tmp/missing/Vireo|" "$prefix/share/systemd/user/vireo.service"
if out=$(systemd-analyze --user verify "$prefix/share/systemd/user/vireo.service" 2>&1) && [ -z "$out" ]; then
  fail "a missing executable passes the check"
fi
echo "unit and entries ok"
