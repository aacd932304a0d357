#!/bin/bash
# Builds the libFuzzer harnesses of fuzz/ in build-fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer on our own code) and runs them, one after the other, at the lowest
# priority:
#
#   tools/fuzz.sh [-t SECONDS] [HARNESS...]
#
# Each harness (all of them when none is named) first runs every seed and every input of
# fuzz/regressions/HARNESS once, then fuzzes until it has used SECONDS of processor time (60 by
# default; 0 runs the seeds only). What it learns is kept in build-fuzz/corpus/HARNESS for the
# next run; an input that fails is written to build-fuzz/findings/HARNESS/. The script prints how
# long each harness ran and how many inputs it tried, and fails when any harness found something.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
seconds=60
while getopts "t:" option; do
    case $option in
    t) seconds=$OPTARG ;;
    *)
        sed -n '2,12s/^# \{0,1\}//p' "$0"
        exit 2
        ;;
    esac
done
shift $((OPTIND - 1))

clang=$(command -v clang++-14 || command -v clang++) || {
    echo "fuzz: clang is needed (Debian: clang-14 libclang-rt-14-dev)" >&2
    exit 1
}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$clang" \
        -DVUTARA_FUZZ=ON -DVUTARA_BUILD_TESTS=OFF -DVUTARA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null || exit 1
fi
nice cmake --build "$build" --target fuzzers || exit 1

harnesses=("$@")
if [[ ${#harnesses[@]} -eq 0 ]]; then
    for seeds in "$build"/fuzz/fuzz_*.seeds; do
        harnesses+=("$(basename "$seeds" .seeds)")
    done
fi

# Leak checks stay off as in the sanitizer build: Qt keeps caches until exit on purpose.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The processor time this shell's finished children used, in hundredths of a second, in $cpu
# (`times` runs in this shell: in a subshell it would count that subshell's children).
timesfile=$(mktemp)
trap 'rm -f "$timesfile"' EXIT
children_cpu() {
    local user system
    times >"$timesfile"
    read -r user system < <(tail -n 1 "$timesfile")
    cpu=$(($(centis "$user") + $(centis "$system")))
}
centis() { # 1m2.345s -> 6234
    local m=${1%%m*} s=${1#*m}
    s=${s%s}
    echo $((10#$m * 6000 + 10#${s%.*} * 100 + 10#${s#*.} / 10))
}

failed=()
summary=()
# The failing inputs kept for the harness at hand. An input that ran slowly (a slow-unit- file)
# is no failure: on a busy machine a harness at the lowest priority may wait for long. Crashes,
# timeouts, memory and leaks are.
failures() { find "$findings" -type f ! -name 'slow-unit-*' | wc -l; }

for name in "${harnesses[@]}"; do
    exe="$build/fuzz/$name"
    if [[ ! -x "$exe" ]]; then
        echo "fuzz: no harness $name" >&2
        failed+=("$name")
        continue
    fi
    mapfile -t seeds <"$build/fuzz/$name.seeds"
    regressions="$top/fuzz/regressions/$name"
    corpus="$build/corpus/$name"
    findings="$build/findings/$name"
    mkdir -p "$corpus" "$findings"
    log="$build/fuzz-$name.log"
    : >"$log"
    known=$(failures)

    # Every seed and every past finding, once each.
    inputs=()
    mapfile -t inputs < <(find "${seeds[@]}" "$regressions" -type f 2>/dev/null | sort)
    echo "==== fuzz: $name: ${#inputs[@]} seeds and past findings"
    if ! nice -n 19 "$exe" -detect_leaks=0 -timeout=60 -rss_limit_mb=2048 "${inputs[@]}" >>"$log" 2>&1; then
        echo "fuzz: $name failed on a seed or a past finding; see $log" >&2
        tail -n 40 "$log" >&2
        failed+=("$name")
        continue
    fi

    # Fuzzing in rounds of wall-clock time until the processor time is used: on a shared
    # machine a round at the lowest priority gets only part of a core.
    runs=0
    began=$SECONDS
    children_cpu
    cpu_before=$cpu
    left=$((seconds * 100))
    dirs=("$corpus")
    [[ -d "$regressions" ]] && dirs+=("$regressions")
    while ((left > 100)); do
        round=$(((left + 99) / 100))
        nice -n 19 "$exe" -max_total_time="$round" -print_final_stats=1 -detect_leaks=0 -timeout=60 \
            -report_slow_units=60 -rss_limit_mb=2048 -artifact_prefix="$findings/" "${dirs[@]}" "${seeds[@]}" >>"$log" 2>&1
        status=$?
        n=$(grep -a 'stat::number_of_executed_units' "$log" | tail -n 1 | awk '{print $2}')
        runs=$((runs + ${n:-0}))
        sed -i 's/stat::number_of_executed_units/counted::number_of_executed_units/' "$log"
        children_cpu
        left=$((seconds * 100 - (cpu - cpu_before)))
        ((status == 0)) || break
    done
    children_cpu
    cpu=$(((cpu - cpu_before) / 100))
    found=$(($(failures) - known))
    if ((found > 0)); then
        echo "fuzz: $name found $found failing input(s) in $findings; see $log" >&2
        grep -a -m 3 -E 'ERROR|runtime error|broken promise' "$log" >&2
        failed+=("$name")
    fi
    line=$(printf '%-22s %7d s processor %7d s wall %10d inputs %7d in corpus %3d found' "$name" "$cpu" \
        $((SECONDS - began)) "$runs" "$(find "$corpus" -type f | wc -l)" "$found")
    echo "==== fuzz: $line"
    summary+=("$line")
done

echo "==== fuzz: summary"
printf '  %s\n' "${summary[@]}"
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "==== fuzz: failed: ${failed[*]}"
    exit 1
fi
