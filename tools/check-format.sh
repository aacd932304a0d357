#!/bin/bash
# Checks that the C++ lines changed since a base commit follow .clang-format (clang-format 14).
#   tools/check-format.sh [--files] [--fix] [BASE]
# BASE defaults to the commit named in tools/format-base (the last whole-tree format); uncommitted
# changes count too. --files checks the whole of every changed file instead of the changed lines;
# --fix formats the changed lines in place instead of checking them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mode=lines
fix=no
while [[ "${1:-}" == --* ]]; do
  case "$1" in
    --files) mode=files ;;
    --fix) fix=yes ;;
    *) echo "check-format: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
base=${1:-$(cat tools/format-base 2>/dev/null || true)}
if [[ -z "$base" ]] || ! git rev-parse --verify -q "$base^{commit}" >/dev/null; then
  echo "check-format: base '${base}' is not in this history; checking the last commit" >&2
  base=$(git rev-parse -q --verify HEAD~1 || git hash-object -t tree /dev/null)
fi
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }

mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h')
if [[ ${#files[@]} -eq 0 ]]; then
  echo "check-format: no C++ files changed since ${base:0:12}"
  exit 0
fi
if [[ $fix == yes ]]; then
  if [[ $mode == files ]]; then
    clang-format -i "${files[@]}"
  else
    git clang-format --force --binary "$(command -v clang-format)" --extensions cpp,h "$base" -- "${files[@]}" || true
  fi
  exit 0
fi
if [[ $mode == files ]]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "check-format: ${#files[@]} files follow .clang-format"
  exit 0
fi
out=$(git clang-format --binary "$(command -v clang-format)" --diff --extensions cpp,h "$base" -- "${files[@]}")
if [[ -n "$out" && "$out" != "no modified files to format" && "$out" != *"did not modify any files"* ]]; then
  echo "$out"
  echo "check-format: the lines above do not follow .clang-format (fix: tools/check-format.sh --fix)" >&2
  exit 1
fi
echo "check-format: the changed lines of ${#files[@]} files follow .clang-format (since ${base:0:12})"
