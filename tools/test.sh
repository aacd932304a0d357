#!/bin/bash
# Sets up, builds and runs every test: unit and widget tests headless, real-window tests on
# virtual displays.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh" --test
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build"
ctest --test-dir "$top/build" --output-on-failure -j2 "$@"
