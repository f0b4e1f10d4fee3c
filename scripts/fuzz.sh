#!/usr/bin/env bash
# Runs the libFuzzer harnesses built by the "fuzz" preset, each for a bounded
# time on a working copy of its committed seed corpus, and fails on a finding.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS defaults to 25 per target; TARGET defaults to all of them
# (locker_raw locker_payload settings translation version_rules).
# Findings are written to build/fuzz/findings/<target>/; new inputs that
# reach more code collect in build/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(locker_raw locker_payload settings translation version_rules)

passed=0
for target in "${targets[@]}"; do
    binary=build/fuzz/tests/fuzz/fuzz_$target
    [ -x "$binary" ] || { echo "missing $binary: cmake --preset fuzz && cmake --build --preset fuzz" >&2; exit 2; }
    corpus=build/fuzz/corpus/$target
    findings=build/fuzz/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$target for ${seconds}s"
    # Only the closing lines: the counts of executions and coverage.
    if ! "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "tests/fuzz/corpus/$target" \
        >"build/fuzz/$target.log" 2>&1; then
        tail -n 40 "build/fuzz/$target.log" >&2
        echo "fuzz_$target found a fault; the input is in $findings/" >&2
        exit 1
    fi
    grep -E "^#[0-9]+.*DONE|^stat::number_of_executed_units|^stat::peak_rss_mb" "build/fuzz/$target.log" || true
    passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
