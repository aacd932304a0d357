#!/bin/bash
# Checks the source tree's shape: the files that must stay small, the widgets kept out of the
# platform library, no callbacks or window pointers kept by the shared shell (but the splash's),
# and the picture patterns written in one place. Prints every rule that fails; exits 1 if any.
#   tools/check-structure.sh [SOURCE_DIR]
set -uo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top/src" || { echo "check-structure: no src folder in $top" >&2; exit 2; }
failed=0
fail() {
  echo "check-structure: $*"
  failed=1
}
lines() { cat "$@" 2>/dev/null | wc -l; }

# Files that must stay small enough to read.
n=$(lines browser/vumain.cpp)
((n <= 600)) || fail "browser/vumain.cpp has $n lines (at most 600)"
n=$(lines batch/vuconv*.cpp)
((n <= 550)) || fail "batch/vuconv*.cpp have $n lines together (at most 550)"
n=$(lines platform/jpegdecoder.cpp)
((n <= 500)) || fail "platform/jpegdecoder.cpp has $n lines (at most 500)"

# The platform library asks the system; controls live in widgets/.
widget='Q[A-Za-z]*Widget|QDialog|QComboBox|QListWidget|QLabel|QMainWindow|QFrame|QAbstractButton|QPushButton'
hits=$(grep -nE "(:|,)[[:space:]]*(public|protected|private)?[[:space:]]*($widget)\b" platform/*.h platform/*.cpp \
  platform/testing/*.h platform/testing/*.cpp 2>/dev/null | grep -E "\b(class|struct)\b|^[^:]+:[0-9]+:[[:space:]]*:")
[[ -z "$hits" ]] || fail "widget classes in src/platform:"$'\n'"$hits"

# The shell is shared by every window: it keeps no callbacks and no window (the splash aside).
shell=$(ls shell/*.h shell/*.cpp | grep -v '^shell/vusplash\.')
hits=$(grep -nE '^[[:space:]]*(mutable[[:space:]]+)?std::function<.*>[[:space:]]+[A-Za-z_][A-Za-z0-9_]*[[:space:]]*(=[^;]*|\{[^;]*\})?;' $shell)
[[ -z "$hits" ]] || fail "callback members in src/shell:"$'\n'"$hits"
hits=$(grep -nE '^[[:space:]]*(QPointer<[[:space:]]*QWidget[[:space:]]*>|QWidget[[:space:]]*\*)[[:space:]]*[A-Za-z_][A-Za-z0-9_]*[[:space:]]*(=[^;]*|\{[^;]*\})?;' $shell)
[[ -z "$hits" ]] || fail "window pointers kept in src/shell:"$'\n'"$hits"

# The picture types' patterns have one home.
hits=$(grep -rlE '\*\.(gif|jpg|bmp|ico)\b' --include='*.cpp' --include='*.h' . | sed 's|^\./||' | grep -v '^shell/imagetypes\.cpp$')
[[ -z "$hits" ]] || fail "picture patterns written outside shell/imagetypes.cpp:"$'\n'"$hits"

((failed == 0)) && echo "check-structure: all rules hold"
exit $failed
