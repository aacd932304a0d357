#!/bin/bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# the tests there. Any report fails the test that caused it. Extra arguments go to ctest, for
# example `tools/sanitize.sh -L 'unit|corpus'` for the headless tests only.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh" --test
# -O1 and line tables only, as the sanitizers' own guides advise: reports keep file and line,
# and the build takes half the time. The sources of each target are compiled in batches (a unity
# build), which parses Qt's headers once a batch instead of once a file: half the time again.
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVUTARA_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON -DVUTARA_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-asan"
# Leak checking stays off: Qt and fontconfig keep caches until exit on purpose.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$top/build-asan" --output-on-failure -j2 "$@"
