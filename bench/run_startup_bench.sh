#!/usr/bin/env bash
# Times the start of the keylinker window, from the process start to the first expose of its window,
# against a bare Qt window built the same way, and prints the peak memory of both. Runs under the
# current display, or under Xvfb when there is none (xvfb-run must be installed).
#
#   run_startup_bench.sh [BUILD_DIR]      ROUNDS (default 21) sets the number of starts of each.
set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-$script_dir/../../build-bench}" && pwd)
rounds=${ROUNDS:-21}

if [[ -z ${DISPLAY:-} && -z ${INSIDE_XVFB:-} ]]; then
    exec env INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build_dir"
fi

# The start folder holds a few keys, as a user's would.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$build_dir/bench/make_keys" "$work" 20 30000 >/dev/null

measure() {
    local program=$1 start end peak
    start=$(date +%s%N)
    peak=$(cd "$work" && "$program" | awk '/^peak_kib/ { print $2 }')
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $peak"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/keylinker.txt"
: >"$work/bare.txt"
for ((round = 1; round <= rounds; ++round)); do
    measure "$build_dir/bench/startup_keylinker" >>"$work/keylinker.txt"
    measure "$build_dir/bench/startup_bare" >>"$work/bare.txt"
done
k_time=$(cut -d' ' -f1 "$work/keylinker.txt" | median)
b_time=$(cut -d' ' -f1 "$work/bare.txt" | median)
k_peak=$(cut -d' ' -f2 "$work/keylinker.txt" | median)
b_peak=$(cut -d' ' -f2 "$work/bare.txt" | median)
printf '%-12s %14s %14s\n' program "start ms" "peak MiB"
awk -v t="$k_time" -v p="$k_peak" 'BEGIN { printf "%-12s %14.1f %14.1f\n", "keylinker", t / 1000, p / 1024 }'
awk -v t="$b_time" -v p="$b_peak" 'BEGIN { printf "%-12s %14.1f %14.1f\n", "bare window", t / 1000, p / 1024 }'
awk -v k="$k_time" -v b="$b_time" -v kp="$k_peak" -v bp="$b_peak" \
    'BEGIN { printf "ratio start %.2f (goal <= 1.5), ratio peak memory %.2f\n", k / b, kp / bp }'
