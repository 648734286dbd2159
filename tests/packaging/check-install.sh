#!/bin/sh
# check-install.sh <build folder>
# Installs the build into a scratch root as the Debian package lays it out (prefix /usr) and
# checks that every file is where the freedesktop.org and Debian conventions put it, that the
# desktop entry and the metainfo pass their validators, that the manual pages render, and
# that quillmere answers --help and --version with no display at all.
set -eu
build=$1
root=$TMPDIR/root
rm -rf "$root"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

id=org.quillmere.Quillmere
expected="
usr/bin/quillmere
usr/bin/quillmere-cli
usr/share/applications/$id.desktop
usr/share/metainfo/$id.metainfo.xml
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/quillmere.1.gz
usr/share/man/man1/quillmere-cli.1.gz
usr/share/bash-completion/completions/quillmere-cli
usr/share/doc/quillmere/copyright
usr/share/doc/quillmere/changelog.gz
usr/share/quillmere/HAND-M.CUR
usr/share/quillmere/Samples/sample1.xls"
for size in 16 22 24 32 48 64 128 256 512; do
    expected="$expected
usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done

for file in $expected; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
# Nothing else: every installed file is one of the expected ones.
installed=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
for file in $installed; do
    echo "$expected" | grep -qx "$file" || fail "$file is installed but not expected"
done

for size in 16 22 24 32 48 64 128 256 512; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || continue
    # The PNG header's width and height, big-endian, at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=quillmere %f' "$root/usr/share/applications/$id.desktop" || fail "Exec takes no file"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "metainfo does not validate: $(appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml")"

for page in quillmere quillmere-cli; do
    gz=$root/usr/share/man/man1/$page.1.gz
    # Compressed without a name or time inside (gzip -n): the flags byte has no FNAME bit.
    [ "$(od -An -tu1 -j3 -N1 "$gz" | tr -d ' ')" -lt 8 ] || fail "$page.1.gz keeps a file name"
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$gz" 2>&1 >/dev/null) || fail "man $page fails"
    [ -z "$warnings" ] || fail "man $page warns: $warnings"
    MANWIDTH=80 man -l "$gz" 2>/dev/null | grep -q "^NAME" || fail "man $page shows no NAME"
done

# The completion offers the commands, then each command's own options, then the formats.
completion=$root/usr/share/bash-completion/completions/quillmere-cli
offered() {
    bash -c '. /usr/share/bash-completion/bash_completion; . "$1"; shift
             COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
             _quillmere_cli quillmere-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"; echo "${COMPREPLY[*]}"' \
        _ "$completion" "$@"
}
[ "$(offered quillmere-cli '')" = "list copy render refresh --help --version" ] || fail "completion of the command: $(offered quillmere-cli '')"
[ "$(offered quillmere-cli list book.xlsx --)" = "--quiet --chart-sheets --json" ] || fail "completion of list's options: $(offered quillmere-cli list book.xlsx --)"
[ "$(offered quillmere-cli render book.xlsx --format '')" = "png svg pdf" ] || fail "completion of --format"
[ "$(offered quillmere-cli refresh deck.pptx --)" = "--quiet --output --workbook --replace --dry-run --json" ] || fail "completion of refresh's options: $(offered quillmere-cli refresh deck.pptx --)"

# No display, no platform: the installed program still answers its two options.
for option in --version --help; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/quillmere" $option) ||
        fail "quillmere $option exits with $?"
    case $option in
        --version) echo "$out" | head -1 | grep -qE '^quillmere [0-9]+\.[0-9]+' || fail "quillmere --version printed: $out" ;;
        --help) echo "$out" | grep -q '^Usage: quillmere' || fail "quillmere --help printed: $out" ;;
    esac
done
if env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$root/usr/bin/quillmere" --no-such-option 2>/dev/null; then
    fail "an unknown option is taken"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed layout: all files in place"
