#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the committed tree, checks it with lintian, installs
# it into this machine, uses what it installed, removes it again and checks that nothing of it is
# left. Installing needs root; without it the test says so and skips.
set -euo pipefail
cd "$(dirname "$0")/../.."

passed=0
failed=0
# check WHAT COMMAND...: runs COMMAND and counts it; its output is shown only when it fails.
check() {
    local what=$1 output
    shift
    if output=$("$@" 2>&1); then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        printf '%s\n' "$output" | sed 's/^/    /'
    fi
}
finish() {
    echo "package: $passed passed, $failed failed${1:+, $1 skipped}"
    [ "$failed" -eq 0 ]
    exit
}
# What dpkg knows of keylinker: installed, config-files, or nothing once it is purged.
package_state() { dpkg-query -W -f='${db:Status-Status}' keylinker 2>/dev/null || true; }

if [ "$(id -u)" -ne 0 ]; then
    echo "package test skipped: installing the package into this machine needs root"
    finish 1
fi
if [ -n "$(package_state)" ] && [ "$(package_state)" != not-installed ]; then
    echo "package test skipped: keylinker is installed on this machine, and the test would remove it"
    finish 1
fi

version=$(sed -n 's/^project(keylinker VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
chmod 755 "$work" # apt reads the package as its own unprivileged user
installed=no
cleanup() {
    if [ "$installed" = yes ] && [ -n "$(package_state)" ]; then
        apt-get purge -y keylinker >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

started=$SECONDS
mkdir "$work/src"
git archive HEAD | tar -x -C "$work/src"
if ! (cd "$work/src" && dpkg-buildpackage -b -us -uc) >"$work/build.log" 2>&1; then
    tail -n 40 "$work/build.log"
    check "dpkg-buildpackage builds the package" false
    finish
fi
echo "package built in $((SECONDS - started)) s"
deb=keylinker_${version}_$(dpkg --print-architecture).deb
check "the package is named $deb" test -f "$work/$deb"
check "lintian finds no error and no warning" \
    lintian --fail-on error,warning "$work/${deb%.deb}.changes"

installed=yes
check "apt-get installs the package" \
    sh -c 'cd "$1" && DEBIAN_FRONTEND=noninteractive apt-get install -y ./keylinker_*.deb' sh "$work"
check "its Depends come from the libraries the programs link" \
    sh -c 'dpkg-query -W -f="\${Depends}" keylinker | grep -q libqt6widgets6'
for program in keylinker keylinker-cli; do
    check "$program --version prints $program $version" \
        sh -c 'shown=$("$1" --version 2>&1); echo "$shown"; [ "$shown" = "$2" ]' sh "/usr/bin/$program" "$program $version"
done

example=/usr/share/keylinker/examples/Laubbaeume.htm
mkdir "$work/key"
cp "$example" "$work/key/"
check "keylinker-cli processes a copy of the installed example key" \
    keylinker-cli --english "$work/key/Laubbaeume.htm"
check "the backup holds the example as installed" cmp "$example" "$work/key/Laubbaeume.htm_bak0"
check "the processed example has anchors and passes the check" sh -c \
    'grep -q "<A NAME=\"anKer1\"></A>" "$1" && keylinker-cli --english --check "$1"' sh "$work/key/Laubbaeume.htm"
check "the help pages, their style and the icon are installed" \
    test -f /usr/share/keylinker/dichotabd.html -a -f /usr/share/keylinker/dichotabe.html \
    -a -f /usr/share/keylinker/dichotab.css \
    -a -f /usr/share/icons/hicolor/scalable/apps/io.github.keylinker.keylinker.svg
for page in keylinker keylinker-cli; do
    check "man finds $page and shows it without a warning" sh -c \
        'man -w "$1" | grep -qx "/usr/share/man/man1/$1.1.gz" &&
         out=$(MANWIDTH=80 man --warnings -E UTF-8 "$1" 2>&1 >/dev/null) && [ -z "$out" ]' sh "$page"
done
# Hints still pass, as in the check of the source files.
check "desktop-file-validate passes the installed menu entry" sh -c \
    '! desktop-file-validate /usr/share/applications/io.github.keylinker.keylinker.desktop 2>&1 |
     grep -E "error:|warning:"'
check "appstreamcli validate passes the installed metainfo" \
    appstreamcli validate --no-net /usr/share/metainfo/io.github.keylinker.keylinker.metainfo.xml

dpkg -L keylinker >"$work/files"
check "apt-get purges the package" \
    env DEBIAN_FRONTEND=noninteractive apt-get purge -y keylinker
# Every file it installed is gone, and every folder but those that other packages hold too.
leftovers() {
    local path left=0
    [ -z "$(package_state)" ] || { echo "dpkg still knows keylinker: $(package_state)"; left=1; }
    while IFS= read -r path; do
        if [ "$path" = /. ] || { [ ! -e "$path" ] && [ ! -L "$path" ]; }; then
            continue
        fi
        if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
            continue
        fi
        echo "left: $path"
        left=1
    done <"$1"
    return "$left"
}
check "nothing of the package is left ($(wc -l <"$work/files") paths)" leftovers "$work/files"
installed=no
echo "package built, installed, tried and removed in $((SECONDS - started)) s"
finish
