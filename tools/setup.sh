#!/bin/bash
# Installs the Debian packages Vutara! needs: to build and run it, and with --test also to run
# its tests and benchmarks. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg-dev zlib1g-dev
  libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic python3-markdown
)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(xvfb xauth xdotool openbox python3-xlib imagemagick python3-pyatspi at-spi2-core dbus libjpeg-turbo-progs
    desktop-file-utils appstream dpkg-dev file clang-format clang-tidy clang-14 libclang-rt-14-dev bindfs)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
