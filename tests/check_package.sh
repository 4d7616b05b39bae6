#!/usr/bin/env bash
# check_package.sh BUILDDIR - checks the packages `make package` left in
# BUILDDIR: the .deb and the .tar.gz hold the binary, the man page and the
# docs, carry the project's version (as do the man page and the newest
# changelog entry), and the packaged binary dumps a sample table.
set -euo pipefail

if [ $# -ne 1 ]; then echo "usage: $0 BUILDDIR" >&2; exit 2; fi
BUILD=$1
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fail() { echo "check_package: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $BUILD/CMakeCache.txt"
newest=$(sed -n 's/^## \([^ ]*\).*/\1/p' "$ROOT/CHANGELOG.md" | head -1)
[ "$newest" = "$version" ] || fail "CHANGELOG.md's newest entry is $newest, the project is $version"

deb=$(ls "$BUILD"/quorldcw_"$version"_*.deb 2>/dev/null | head -1)
tgz=$(ls "$BUILD"/quorldcw-"$version"-*.tar.gz 2>/dev/null | head -1)
[ -f "$deb" ] || fail "no quorldcw_${version}_*.deb in $BUILD"
[ -f "$tgz" ] || fail "no quorldcw-$version-*.tar.gz in $BUILD"

listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/QuorlDCW ./usr/share/man/man1/QuorlDCW.1.gz \
            ./usr/share/doc/quorldcw/README.md ./usr/share/doc/quorldcw/LICENSE \
            ./usr/share/doc/quorldcw/CHANGELOG.md; do
  grep -qx -- "$path" <<<"$listing" || fail "$deb lacks $path"
done
[ "$(dpkg-deb -f "$deb" Package)" = quorldcw ] || fail "package name is not quorldcw"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
# The tool is linked statically: it needs no C++ runtime, nor any package.
depends=$(dpkg-deb -f "$deb" Depends)
! grep -q -E 'libstdc|libgcc' <<<"$depends" || fail "package depends on a C++ runtime: $depends"

# Listed once into a variable: a pipe that its reader closes early would
# stop tar with SIGPIPE, which pipefail turns into a failure.
tar_listing=$(tar -tzf "$tgz")
top=$(sed -n '1s|/.*||p' <<<"$tar_listing")
for path in bin/QuorlDCW share/man/man1/QuorlDCW.1.gz share/doc/quorldcw/LICENSE; do
  grep -qx -- "$top/$path" <<<"$tar_listing" || fail "$tgz lacks $path"
done

# The packaged man page and binary, as a user gets them.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
zcat "$unpacked/usr/share/man/man1/QuorlDCW.1.gz" > "$unpacked/QuorlDCW.1"
head -1 "$unpacked/QuorlDCW.1" | grep -q "\"QuorlDCW $version\"" ||
  fail "the man page does not name version $version"
if command -v mandoc >/dev/null; then
  lint=$(mandoc -Tlint -Wwarning "$unpacked/QuorlDCW.1" 2>&1 || true)
  [ -z "$lint" ] || fail "mandoc: $lint"
fi
libraries=$(ldd "$unpacked/usr/bin/QuorlDCW" 2>&1 || true)
! grep -q -E 'libstdc|libgcc' <<<"$libraries" || fail "the packaged binary needs a C++ runtime: $libraries"
status=0
edg=testdata/sample/quorlbay/hyd/edg
(cd "$ROOT" && "$unpacked/usr/bin/QuorlDCW" -l 2147483647 "$edg") \
  >"$unpacked/out" 2>"$unpacked/err" || status=$?
[ "$status" = 0 ] || fail "the packaged binary ended with status $status"
[ "$(tail -1 "$unpacked/err")" = "6 Records processed" ] || fail "the packaged binary's count is wrong"
cmp -s "$unpacked/out" "$ROOT/tests/expected/sample/quorlbay/hyd/edg.dump" ||
  fail "the packaged binary's dump of $edg differs from tests/expected/sample/quorlbay/hyd/edg.dump"

echo "packages good: $(basename "$deb"), $(basename "$tgz")"
dpkg-deb -c "$deb" | awk '{print "  " $6}'
