#!/usr/bin/env bash
# Hostile input: every mode of keylinker-cli ends with its result or its "too big or not a key"
# message, exit status 0 or 1, never a signal, in memory bounded by 20 times the file and 64 MB and in
# time that grows linearly with the file.
#
#   run_hostile_bench.sh [BUILD_DIR]
#
# 1. Files of 1 MB and 10 MB of "#" (each mark would start an anchor name running to the end of the
#    file), of "....1" and of "#1 ". Each mode runs on a fresh copy under /usr/bin/time -v: wall time,
#    peak memory and exit status, and both as ratios to io_baseline (read, synced backup, atomic
#    replace of the same bytes) on an identical copy in the same run. Goals: no signal, exit status 0
#    or 1, peak memory at most 20 x the file + 64 MB, and the 10 MB file at most 20 x the time of the
#    1 MB file (or under a second).
# 2. --import of a text key whose one lead runs on over a million lines and of a table of 60,000
#    sub-keys, one a row: each under 2 s and within the same bound of memory.
# 3. A file of 2 GB of "#" processed under a 4 GB address-space limit (ulimit -v): the message, not a
#    signal. Needs about 2 GB free below $TMPDIR. BIG=0 leaves it out.

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

# Runs a command under /usr/bin/time -v; prints "SECONDS PEAK_KB STATUS". The wall time is taken by
# the shell to the microsecond (time -v gives hundredths).
measure() {
    local report=$work/time.txt status=0 start=$EPOCHREALTIME
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>"$work/stderr.txt" || status=$?
    local seconds kb
    seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")
    if grep -q 'Command terminated by signal' "$report"; then status=signal; fi
    echo "$seconds $kb $status"
}

# A file of SIZE bytes of PIECE repeated.
make_file() {
    local piece=$1 size=$2 file=$3
    local count=$(( (size + ${#piece} - 1) / ${#piece} ))
    awk -v p="$piece" -v n="$count" 'BEGIN { s = p; while (length(s) < 65536) s = s s; m = int(65536 / length(p)); s = substr(s, 1, m * length(p)); for (i = 0; i + m <= n; i += m) printf "%s", s; for (; i < n; ++i) printf "%s", p }' | head -c "$size" >"$file"
}

modes=("" "--print" "--check" "--stats" "--renumber" "--renumber --print" "--relink" "--import" "--export keybase")
ok=yes
declare -A seconds_of

for megabytes in 1 10; do
    size=$((megabytes * 1000000))
    bound_kb=$(( (20 * size + 64 * 1024 * 1024) / 1024 ))
    for piece in '#' '....1' '#1 '; do
        make_file "$piece" "$size" "$work/hostile.htm"
        cp "$work/hostile.htm" "$work/baseline.htm"
        read -r base_s base_kb base_status < <(measure "$baseline" "$work/baseline.htm")
        rm -f "$work"/baseline.htm*
        printf "%s MB of '%s' (bound %d KB): io_baseline %.3f s, %d KB, status %s\n" "$megabytes" "$piece" \
            "$bound_kb" "$base_s" "$base_kb" "$base_status"
        printf '  %-20s %7s %9s %7s %10s %10s  %s\n' mode seconds "peak KB" status "time/base" "peak/base" message
        for mode in "${modes[@]}"; do
            cp "$work/hostile.htm" "$work/key.htm"
            # shellcheck disable=SC2086 # a mode is one or two options
            read -r s kb status < <(measure "$cli" --english $mode "$work/key.htm")
            message=$(head -c 60 "$work/stderr.txt" | tr '\n' ' ' | sed "s|$work/||g")
            rm -f "$work"/key.htm*
            verdict=""
            [[ $status == 0 || $status == 1 ]] || { verdict=" FAILED: status"; ok=no; }
            ((kb <= bound_kb)) || { verdict="$verdict FAILED: memory"; ok=no; }
            name=${mode:-process}
            seconds_of["$megabytes $piece $name"]=$s
            printf '  %-20s %7.3f %9d %7s %10.1f %10.1f  %s%s\n' "$name" "$s" "$kb" "$status" \
                "$(awk -v a="$s" -v b="$base_s" 'BEGIN { print (b > 0 ? a / b : 0) }')" \
                "$(awk -v a="$kb" -v b="$base_kb" 'BEGIN { print a / b }')" "$message" "$verdict"
        done
    done
done

echo "Growth of the time from 1 MB to 10 MB (goal: at most 20 x, or under a second):"
for piece in '#' '....1' '#1 '; do
    for mode in "${modes[@]}"; do
        name=${mode:-process}
        small=${seconds_of["1 $piece $name"]}
        big=${seconds_of["10 $piece $name"]}
        ratio=$(awk -v a="$big" -v b="$small" 'BEGIN { print a / b }')
        verdict=""
        awk -v r="$ratio" -v a="$big" 'BEGIN { exit !(r <= 20 || a < 1) }' || { verdict=" FAILED"; ok=no; }
        printf "  %-7s %-20s %6.3f s -> %6.3f s: %5.1f x%s\n" "'$piece'" "$name" "$small" "$big" "$ratio" "$verdict"
    done
done

# Imports built against the readers of text keys and tables: a lead that runs on over a million lines,
# and a table whose every row opens a sub-key of its own.
awk 'BEGIN { print "1. Wings"; for (i = 0; i < 1000000; ++i) print "and more" }' >"$work/lead.txt"
awk 'BEGIN { print "from,statement,to,subkey"; for (i = 1; i <= 60000; ++i) print i ",a,b,s" i }' >"$work/subkeys.csv"
echo "Imports built against their readers (goal: under 2 s each, status 0 or 1, within the bound):"
for file in lead.txt subkeys.csv; do
    read -r s kb status < <(measure "$cli" --english --import "$work/$file")
    bound_kb=$(( (20 * $(stat -c %s "$work/$file") + 64 * 1024 * 1024) / 1024 ))
    verdict=""
    [[ $status == 0 || $status == 1 ]] && ((kb <= bound_kb)) && awk -v a="$s" 'BEGIN { exit !(a < 2) }' ||
        { verdict=" FAILED"; ok=no; }
    printf '  %-12s %7.3f s %9d KB (bound %d KB)  status %s%s\n' "$file" "$s" "$kb" "$bound_kb" "$status" "$verdict"
done

if [[ ${BIG:-1} != 0 ]]; then
    head -c 2147483648 /dev/zero | tr '\0' '#' >"$work/big.htm"
    read -r big_s big_kb big_status < <(measure bash -c 'ulimit -v 4194304 && exec "$0" --english "$1"' "$cli" "$work/big.htm")
    echo "2 GB of '#' under ulimit -v 4 GB:"
    printf '  keylinker-cli         %6.2f s %8d KB  status %s  (%s)\n' "$big_s" "$big_kb" "$big_status" "$(sed "s|$work/||g" "$work/stderr.txt")"
    [[ $big_status == 1 ]] || ok=no
fi
echo "goals met: $ok"
[[ $ok == yes ]]
