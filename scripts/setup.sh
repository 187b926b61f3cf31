#!/usr/bin/env bash
# Installs the Debian packages Vireo needs. Idempotent: updates the package lists once and
# installs only what is missing; prints nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-httpserver-dev qt6-websockets-dev
  qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginecore6-bin
  # libvlc-bin makes libVLC's plugin cache; without it every libvlc_new loads all the plugins.
  libvlc-dev libvlc-bin vlc-plugin-base vlc-plugin-video-output
  libgstrtspserver-1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libelf-dev libdw-dev librsvg2-bin
  # sd_notify for the service manager's readiness and watchdog.
  libsystemd-dev
  # Checks of the installed systemd unit and autostart entry.
  systemd desktop-file-utils
  ffmpeg xvfb xauth xdotool trayer fonts-noto-cjk
  # Plots of scripts/soak.sh.
  gnuplot-nox
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
