#!/bin/sh
# check-readme-dependencies.sh <source folder>
# The README's three lists of packages (needed, optional, for the tests only) against the
# Makefile's package lists and the Debian package's dependencies: what the README says holds.
set -eu
src=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A Makefile variable as make expands it.
makevar() { printf 'qm-show:\n\t@echo $(%s)\n' "$1" | make -s --no-print-directory -C "$src" -f Makefile -f - qm-show; }
# The packages in backticks on the README's list item that begins with $1, up to the next item.
readme_list() {
    awk -v start="$1" '
        index($0, start) == 1 { on = 1 }
        on && /^- / && index($0, start) != 1 { exit }
        on && /^$/ { exit }
        on { print }' "$src/README.md" | grep -o '`[a-z0-9][a-z0-9.+-]*`' | tr -d '`' | sort -u
}
# A CPack field of packaging/CMakeLists.txt, one package name a line (alternatives split).
cpack_field() {
    awk -v start="set(CPACK_DEBIAN_PACKAGE_$1" 'index($0, start) { on = 1 } on { print } on && /\)/ { exit }' \
        "$src/packaging/CMakeLists.txt" |
        sed "s/.*CPACK_DEBIAN_PACKAGE_$1//" | tr -d '")' | tr ',| ' '\n\n\n' | grep -v '^$' | sort -u
}
contains() { echo "$1" | tr ' ' '\n' | grep -qx "$2"; }

run_pkgs=$(makevar RUN_PKGS)
test_pkgs=$(makevar TEST_PKGS)
needed=$(readme_list "- Needed to build and run")
optional=$(readme_list "- Optional, for legacy formats only")
tests_only=$(readme_list "- For the tests only")
recommends=$(cpack_field RECOMMENDS)
depends=$(cpack_field DEPENDS)

[ -n "$needed" ] && [ -n "$optional" ] && [ -n "$tests_only" ] || fail "README lists not found"

for p in $needed; do contains "$run_pkgs" "$p" || fail "README says $p is needed; make run does not install it"; done
for p in $run_pkgs; do
    echo "$needed $optional" | tr ' ' '\n' | grep -qx "$p" || fail "make run installs $p, which the README does not name"
done
for p in $optional; do
    contains "$run_pkgs" "$p" || fail "README says make run installs $p; it does not"
    echo "$recommends" | grep -qx "$p" || fail "README says the package recommends $p; it does not"
    echo "$depends" | grep -qx "$p" && fail "README says $p is optional; the package depends on it"
    case $p in libreoffice*) ;; *) fail "README names $p among LibreOffice's packages" ;; esac
done
echo "$depends" | grep -q libreoffice && fail "the package depends on LibreOffice"
for p in $tests_only; do
    contains "$run_pkgs" "$p" && fail "README says $p is for the tests only; make run installs it"
    contains "$test_pkgs" "$p" || fail "README says make test installs $p; it does not"
done
for p in $test_pkgs; do
    echo "$needed $optional $tests_only" | tr ' ' '\n' | grep -qx "$p" || fail "make test installs $p, which the README does not name"
done

[ "$failures" -eq 0 ] || exit 1
echo "README's package lists hold"
