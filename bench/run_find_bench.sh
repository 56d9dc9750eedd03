#!/usr/bin/env bash
# Times the search over a folder tree: `keylinker-cli --find DIR` against GNU find with the same four
# key file patterns, on one tree of about 7,000 folders and 100,000 files made by make_tree. Checks
# first that both give the same set of paths. The order of the programs alternates from round to
# round, so that neither always meets a warmer cache; the folders are in the cache for all of them
# after one run of each, as they are when a user searches a tree again.
#
#   run_find_bench.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-bench beside the source tree (targets keylinker-cli and make_tree, in
# Release). When BUILD_DIR/bench/search_window_bench exists, the window's own search is timed as well.
# Settings through the environment: ROUNDS (7), SEED (1), TMPDIR (where the tree is made, /var/tmp by
# default; it must lie on a disk, not on a RAM disk such as tmpfs).

set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-$script_dir/../../build-bench}" && pwd)
rounds=${ROUNDS:-7}
seed=${SEED:-1}

cli=$build_dir/app/keylinker-cli
make_tree=$build_dir/bench/make_tree
window_bench=$build_dir/bench/search_window_bench
for program in "$cli" "$make_tree"; do
    if [[ ! -x $program ]]; then
        echo "missing $program: build the targets keylinker-cli make_tree in Release" >&2
        exit 1
    fi
done

parent=${TMPDIR:-/var/tmp}
fs_type=$(stat -f -c %T "$parent")
if [[ $fs_type == tmpfs || $fs_type == ramfs ]]; then
    echo "$parent is a RAM disk ($fs_type): set TMPDIR to a folder on a disk" >&2
    exit 1
fi
work=$(mktemp -d "$parent/keylinker-find-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree

find_keys() { find "$1" \( -iname '*.htm' -o -iname '*.html' -o -iname '*.htm_bak*' -o -iname '*.html_bak*' \) -type f; }
now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "making the tree (seed $seed) in $work ($fs_type)"
"$make_tree" "$tree" "$seed"
sync

# Both must find the same files; this run also brings the folders into the cache.
status=0
"$cli" --find "$tree" >"$work/cli.txt" || status=$?
if ((status != 0)); then
    echo "keylinker-cli --find ended with status $status" >&2
    exit 1
fi
find_keys "$tree" >"$work/find.txt"
LC_ALL=C sort "$work/cli.txt" >"$work/cli.sorted"
LC_ALL=C sort "$work/find.txt" >"$work/find.sorted"
if ! cmp -s "$work/cli.sorted" "$work/find.sorted"; then
    echo "FAILED: keylinker-cli --find and find disagree (< keylinker-cli, > find):" >&2
    diff "$work/cli.sorted" "$work/find.sorted" | head -20 >&2
    exit 1
fi
found=$(wc -l <"$work/cli.txt")
echo "both find the same $found files"

# --- Third program: the window's own search, offscreen. ---------------------------------------------
# search_window_bench DIR opens the window on DIR, clicks Search, and prints "MS ms N found"; its own
# figure is taken, since starting a window costs more than the search itself.
window=
if [[ -x $window_bench ]]; then
    window=yes
    run_window() { QT_QPA_PLATFORM=offscreen "$window_bench" "$tree" "$@" 2>"$work/window.err"; }
    # The window's found list must be keylinker-cli's output, line by line and byte by byte.
    run_window "$work/window.txt" >/dev/null
    if ! cmp -s "$work/window.txt" "$work/cli.txt"; then
        echo "FAILED: the window's found list and keylinker-cli --find differ (< window, > keylinker-cli):" >&2
        diff "$work/window.txt" "$work/cli.txt" | head -20 >&2
        exit 1
    fi
    echo "the window's found list is the same, in the same order"
fi
# ----------------------------------------------------------------------------------------------------

time_ns() {
    local start end
    start=$(now_ns)
    "$@" >/dev/null
    end=$(now_ns)
    echo $((end - start))
}
window_ns() { run_window | awk '{ printf "%.0f", $1 * 1e6 }'; }

echo "$rounds rounds, wall time of each program"
if [[ -n $window ]]; then
    printf '%-6s %10s %10s %8s %10s %8s\n' round "cli ms" "find ms" ratio "window ms" ratio
else
    printf '%-6s %10s %10s %8s\n' round "cli ms" "find ms" ratio
fi
cli_times=()
find_times=()
window_times=()
for ((round = 1; round <= rounds; ++round)); do
    if ((round % 2 == 1)); then
        cli_ns=$(time_ns "$cli" --find "$tree")
        find_ns=$(time_ns find_keys "$tree")
    else
        find_ns=$(time_ns find_keys "$tree")
        cli_ns=$(time_ns "$cli" --find "$tree")
    fi
    cli_times+=("$cli_ns")
    find_times+=("$find_ns")
    if [[ -n $window ]]; then
        w_ns=$(window_ns)
        window_times+=("$w_ns")
        printf '%-6s %10s %10s %8s %10s %8s\n' "$round" "$(ms "$cli_ns")" "$(ms "$find_ns")" \
            "$(ratio "$cli_ns" "$find_ns")" "$(ms "$w_ns")" "$(ratio "$w_ns" "$find_ns")"
    else
        printf '%-6s %10s %10s %8s\n' "$round" "$(ms "$cli_ns")" "$(ms "$find_ns")" "$(ratio "$cli_ns" "$find_ns")"
    fi
done

cli_median=$(printf '%s\n' "${cli_times[@]}" | median)
find_median=$(printf '%s\n' "${find_times[@]}" | median)
cli_ratio=$(ratio "$cli_median" "$find_median")
echo "median: keylinker-cli --find $(ms "$cli_median") ms, find $(ms "$find_median") ms, ratio $cli_ratio"
goal() { # name, ratio, limit
    if awk -v r="$2" -v l="$3" 'BEGIN { exit !(r <= l) }'; then
        echo "goal $1 <= $3 x find: met"
    else
        echo "goal $1 <= $3 x find: MISSED"
    fi
}
goal "keylinker-cli --find" "$cli_ratio" 1.0
if [[ -n $window ]]; then
    window_median=$(printf '%s\n' "${window_times[@]}" | median)
    window_ratio=$(ratio "$window_median" "$find_median")
    echo "median: window search $(ms "$window_median") ms, ratio to find $window_ratio"
    goal "window search" "$window_ratio" 2.0
fi
