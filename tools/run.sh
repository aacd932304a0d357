#!/bin/bash
# Sets up, builds and starts Vutara!. The settings file "初期設定.ini" is kept in the folder the
# program is started from (by default the folder this command is run in).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target vutara
exec "$top/build/src/app/vutara" "$@"
