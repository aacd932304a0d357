#!/bin/bash
# Runs clang-tidy (the checks in .clang-tidy) over the project's own sources, using the compile
# commands of build/. Arguments narrow it to files whose path matches them (regular expressions),
# for example `tools/tidy.sh src/platform`. Exits non-zero on any finding.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/tools/setup.sh" --test
[[ -f build/compile_commands.json ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The generated moc sources need to exist before they can be analysed alongside ours.
cmake --build build >/dev/null
filter="^$top/(src|tests|dist|bench)/"
if [[ $# -gt 0 ]]; then
  filter="^$top/($(IFS='|'; echo "$*"))"
fi
mapfile -t files < <(python3 -c '
import json, re, sys
seen = []
for entry in json.load(open("build/compile_commands.json")):
    path = entry["file"]
    if re.search(sys.argv[1], path) and "_autogen" not in path and path not in seen:
        seen.append(path)
print("\n".join(seen))' "$filter")
[[ ${#files[@]} -gt 0 ]] || { echo "tidy: no files match"; exit 0; }
echo "tidy: ${#files[@]} files"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\0' "${files[@]}" | xargs -0 -P 2 -n 1 clang-tidy -quiet -p build >"$log" 2>&1 || true
if grep -E ": (warning|error):" "$log"; then
  echo "tidy: findings above"
  exit 1
fi
echo "tidy: no findings"
