#!/usr/bin/env bash
# `cmake --install` of a built tree: the folder holds the terminal, vireo-remote and the icon and
# nothing else at its top; the unit and the autostart entry start the executable of the prefix in
# effect at install time; the .deb's own component puts them at the system's places.
# Usage: install_tree.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A file's line that begins with KEY=, without the key.
value() { sed -n "s/^$2=//p" "$1"; }

check_prefix_tree() {  # ROOT PREFIX: the files under ROOT for an install to PREFIX
  local root=$1 prefix=$2
  [ -x "$root$prefix/Vireo" ] || fail "no executable $prefix/Vireo"
  [ -x "$root$prefix/vireo-remote" ] || fail "no executable $prefix/vireo-remote"
  local top
  top=$(cd "$root$prefix" && LC_ALL=C ls -A | tr '\n' ' ')
  [ "$top" = "Vireo share vireo-remote " ] || fail "top of $prefix holds: $top"
  local icon=$root$prefix/share/icons/hicolor/256x256/apps/vireo.png
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "icon is no PNG"
  # PNG width and height, big-endian at bytes 16..23.
  [ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ')" = " 0 0 1 0 0 0 1 0" ] || fail "icon is not 256x256"
  local unit=$root$prefix/share/systemd/user/vireo.service
  local desktop=$root$prefix/share/xdg/autostart/vireo.desktop
  [ "$(value "$unit" ExecStart)" = "$prefix/Vireo" ] || fail "unit starts $(value "$unit" ExecStart)"
  [ "$(value "$desktop" Exec)" = "$prefix/Vireo" ] || fail "entry starts $(value "$desktop" Exec)"
}

# The default prefix, staged under DESTDIR: nothing lands outside it.
DESTDIR=$tmp/root cmake --install "$build" >/dev/null
check_prefix_tree "$tmp/root" /opt/vireo
[ "$(cd "$tmp/root" && ls -A)" = opt ] || fail "files outside /opt: $(cd "$tmp/root" && ls -A)"

# Another prefix given at install time reaches the unit and the entry.
cmake --install "$build" --prefix "$tmp/elsewhere/vireo" >/dev/null
check_prefix_tree "" "$tmp/elsewhere/vireo"

# The .deb's component: system places, starting /opt/vireo/Vireo.
DESTDIR=$tmp/deb cmake --install "$build" --component system >/dev/null
[ "$(value "$tmp/deb/usr/lib/systemd/user/vireo.service" ExecStart)" = /opt/vireo/Vireo ] || fail "system unit"
[ "$(value "$tmp/deb/etc/xdg/autostart/vireo.desktop" Exec)" = /opt/vireo/Vireo ] || fail "system entry"

# The tarball's component: found through the home folder whatever it is.
cmake --install "$build" --component home --prefix "$tmp/home/vireo" >/dev/null
[ "$(value "$tmp/home/vireo/share/systemd/user/vireo.service" ExecStart)" = "%h/vireo/Vireo" ] || fail "home unit"
echo "install tree ok"
