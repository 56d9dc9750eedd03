#!/usr/bin/env bash
# Times keylinker-cli on 1,000 generated keys of about 30 KB against io_baseline, which does only the
# file work the tool cannot avoid (read, fsync'd backup, atomic replace), on an identical copy of the
# keys. Each round makes fresh files, so backups always start at _bak0, and the order of the two
# programs alternates from round to round so that neither always meets a warmer cache. Afterwards runs
# rewrite_bench.
#
#   run_cli_bench.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-bench beside the source tree. The keys are written below $TMPDIR (or
# /tmp), which should lie on the disk to be measured: on a RAM disk fsync costs nothing.
# Settings through the environment: ROUNDS (5), KEYS (1000), KEY_BYTES (30000), SEED (1),
# BASELINE_FLAGS ("--sync-folder": the baseline flushes the folder after each rename, as the tool does;
# set it empty to leave that out).

set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-$script_dir/../../build-bench}" && pwd)
rounds=${ROUNDS:-5}
keys=${KEYS:-1000}
key_bytes=${KEY_BYTES:-30000}
seed=${SEED:-1}
read -ra baseline_flags <<<"${BASELINE_FLAGS---sync-folder}"

cli=$build_dir/app/keylinker-cli
baseline=$build_dir/bench/io_baseline
make_keys=$build_dir/bench/make_keys
rewrite_bench=$build_dir/bench/rewrite_bench
for program in "$cli" "$baseline" "$make_keys" "$rewrite_bench"; do
    if [[ ! -x $program ]]; then
        echo "missing $program: build the targets keylinker-cli io_baseline make_keys rewrite_bench in Release" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/keylinker-cli-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

now_ns() { date +%s%N; }

# Runs "$@" on the keys of folder $1 and prints the wall time in nanoseconds.
time_on() {
    local folder=$1
    shift
    local start end
    start=$(now_ns)
    if ! "$@" "$folder"/*.htm >"$work/out.txt" 2>&1; then
        echo "failed: $* (output in $work/out.txt follows)" >&2
        head -20 "$work/out.txt" >&2
        exit 1
    fi
    end=$(now_ns)
    echo $((end - start))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1e6 }'; }

echo "keylinker-cli vs io_baseline: $keys keys of about $key_bytes bytes, $rounds rounds"
echo "build: $build_dir   files under: $work"
printf '%-6s %14s %14s %8s\n' round "tool ms" "baseline ms" ratio
tool_times=()
baseline_times=()
for ((round = 1; round <= rounds; ++round)); do
    rm -rf "$work/tool" "$work/baseline"
    "$make_keys" "$work/tool" "$keys" "$key_bytes" "$seed" >/dev/null
    "$make_keys" "$work/baseline" "$keys" "$key_bytes" "$seed" >/dev/null
    # The generated files go to disk now, not in the middle of a timed run.
    sync

    if ((round % 2 == 1)); then
        tool_ns=$(time_on "$work/tool" "$cli")
        baseline_ns=$(time_on "$work/baseline" "$baseline" "${baseline_flags[@]}")
    else
        baseline_ns=$(time_on "$work/baseline" "$baseline" "${baseline_flags[@]}")
        tool_ns=$(time_on "$work/tool" "$cli")
    fi
    tool_times+=("$tool_ns")
    baseline_times+=("$baseline_ns")

    # Both must have done the whole job: a backup for every key, and the baseline left the text as it was.
    for folder in tool baseline; do
        backups=$(find "$work/$folder" -name '*.htm_bak0' | wc -l)
        if ((backups != keys)); then
            echo "$folder: $backups backups instead of $keys" >&2
            exit 1
        fi
    done
    cmp -s "$work/baseline/key0001.htm" "$work/baseline/key0001.htm_bak0" || {
        echo "io_baseline changed a key" >&2
        exit 1
    }

    printf '%-6s %14s %14s %8s\n' "$round" "$(ms "$tool_ns")" "$(ms "$baseline_ns")" \
        "$(awk -v t="$tool_ns" -v b="$baseline_ns" 'BEGIN { printf "%.2f", t / b }')"
done

tool_median=$(printf '%s\n' "${tool_times[@]}" | median)
baseline_median=$(printf '%s\n' "${baseline_times[@]}" | median)
ratio=$(awk -v t="$tool_median" -v b="$baseline_median" 'BEGIN { printf "%.2f", t / b }')
printf '%-6s %14s %14s %8s\n' median "$(ms "$tool_median")" "$(ms "$baseline_median")" "$ratio"
# fsync times wander from round to round; the ratio within a round, where both ran back to back, is
# the steadier figure to compare with the median ratio above.
round_ratio=$(for ((i = 0; i < rounds; ++i)); do
    awk -v t="${tool_times[i]}" -v b="${baseline_times[i]}" 'BEGIN { print t / b }'
done | median)
printf 'median of the ratios per round: %.2f\n' "$round_ratio"
if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.5) }'; then
    echo "goal tool <= 1.5 x baseline: met"
else
    echo "goal tool <= 1.5 x baseline: MISSED"
fi

echo
"$rewrite_bench"
