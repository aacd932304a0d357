#!/bin/bash
# Builds the Debian package of Vutara! into build/package/. With --try, also installs it on this
# machine (with its dependencies), checks that `vutara` is on the PATH and that its desktop entry
# validates, and removes it again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh" --test
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target vutara vutara_icon_files
rm -rf "$top/build/package"
cpack -G DEB -B "$top/build/package" --config "$top/build/CPackConfig.cmake"
deb=$(ls "$top"/build/package/*.deb)
echo "package: $deb"
[[ "${1:-}" == "--try" ]] || exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
if dpkg-query -W -f='${Status}' vutara 2>/dev/null | grep -q "install ok installed"; then
  echo "vutara is already installed; not trying the package" >&2
  exit 1
fi
trap '$sudo dpkg -r vutara >/dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$deb"
command -v vutara
desktop-file-validate /usr/share/applications/vutara.desktop
test -f /usr/share/icons/hicolor/256x256/apps/vutara.png
echo "the package installs; removing it again"
