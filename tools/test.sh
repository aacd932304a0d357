#!/bin/bash
# Sets up, builds and runs every test: unit and widget tests headless, real-window tests on
# virtual displays.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh" --test
# Line tables only (-g1): enough for a backtrace, and half the compile time of full debug data.
# Each target's sources are compiled in batches (a unity build): Qt's headers are parsed once a
# batch instead of once a file.
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$top/build"
ctest --test-dir "$top/build" --output-on-failure -j2 "$@"
