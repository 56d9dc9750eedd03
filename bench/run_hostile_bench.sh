#!/usr/bin/env bash
# Hostile input: keylinker-cli must end with its "too big or not a key" message, exit status 1, the
# key unchanged, in bounded time and memory, never with a signal.
#
#   run_hostile_bench.sh [BUILD_DIR]
#
# 1. A file of 1 MB of "#" (each mark would start an anchor name running to the end of the file):
#    processing and --check, wall time and peak memory from /usr/bin/time -v, against io_baseline
#    (read, synced backup, atomic replace of the same bytes) on an identical copy in the same run.
#    Goals: under 5 s and under 500 MB peak.
# 2. A file of 2 GB of "#" processed under a 4 GB address-space limit (ulimit -v): the message, not a
#    signal. Needs about 4 GB free below $TMPDIR (the file and its backup). BIG=0 leaves it out.

set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-$script_dir/../../build-bench}" && pwd)
cli=$build_dir/app/keylinker-cli
baseline=$build_dir/bench/io_baseline
for program in "$cli" "$baseline"; do
    [[ -x $program ]] || { echo "missing $program: build keylinker-cli and io_baseline first" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/keylinker-hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs a command under /usr/bin/time -v; prints "SECONDS PEAK_KB STATUS".
measure() {
    local report=$work/time.txt status=0
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>"$work/stderr.txt" || status=$?
    local seconds kb
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + t[i]; print s}' "$report")
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")
    if grep -q 'Command terminated by signal' "$report"; then status=signal; fi
    echo "$seconds $kb $status"
}

head -c 1000000 /dev/zero | tr '\0' '#' >"$work/hashes.htm"
cp "$work/hashes.htm" "$work/baseline.htm"
cp "$work/hashes.htm" "$work/check.htm"

read -r base_s base_kb base_status < <(measure "$baseline" "$work/baseline.htm")
read -r cli_s cli_kb cli_status < <(measure "$cli" --english "$work/hashes.htm")
message=$(cat "$work/stderr.txt")
read -r check_s check_kb check_status < <(measure "$cli" --english --check "$work/check.htm")
check_lines=$("$cli" --check "$work/check.htm" 2>/dev/null | wc -l || true)

echo "1 MB of '#':"
printf '  io_baseline           %6.2f s %8d KB  status %s\n' "$base_s" "$base_kb" "$base_status"
printf '  keylinker-cli         %6.2f s %8d KB  status %s  (%s)\n' "$cli_s" "$cli_kb" "$cli_status" "$message"
printf '  keylinker-cli --check %6.2f s %8d KB  status %s  (%s lines)\n' "$check_s" "$check_kb" "$check_status" "$check_lines"
awk -v a="$cli_s" -v b="$base_s" -v c="$cli_kb" -v d="$base_kb" \
    'BEGIN { printf "  ratio to io_baseline: time %.1f x, peak memory %.1f x\n", (b > 0 ? a / b : 0), c / d }'
unchanged=no; cmp -s "$work/hashes.htm" "$work/baseline.htm" && unchanged=yes
ok=yes
[[ $cli_status == 1 && $unchanged == yes ]] || ok=no
awk -v s="$cli_s" -v k="$cli_kb" 'BEGIN { exit !(s < 5 && k < 500 * 1024) }' || ok=no
echo "  key unchanged: $unchanged; goal (message, status 1, < 5 s, < 500 MB): $ok"

if [[ ${BIG:-1} != 0 ]]; then
    head -c 2147483648 /dev/zero | tr '\0' '#' >"$work/big.htm"
    read -r big_s big_kb big_status < <(measure bash -c 'ulimit -v 4194304 && exec "$0" --english "$1"' "$cli" "$work/big.htm")
    echo "2 GB of '#' under ulimit -v 4 GB:"
    printf '  keylinker-cli         %6.2f s %8d KB  status %s  (%s)\n' "$big_s" "$big_kb" "$big_status" "$(cat "$work/stderr.txt")"
    [[ $big_status == 1 ]] || ok=no
fi
[[ $ok == yes ]]
