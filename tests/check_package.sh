#!/usr/bin/env bash
# check_package.sh BUILDDIR | --release DIST - checks packages as users get
# them:
#   BUILDDIR        the .deb and the .tar.gz of this host that `make package`
#                   left in BUILDDIR
#   --release DIST  every host's packages that `make release` left in DIST:
#                   exactly the five .deb, the five .tar.gz and the Windows
#                   .zip, and SHA256SUMS over them, which must hold
# Each .deb holds the binary, the man page and the docs, carries the name,
# the version and its architecture and depends on no package; its man page
# names the version and passes mandoc's lint; its binary is linked
# statically for the package's machine and, run there (under qemu-user on
# another machine), says its version and dumps every sample file exactly as
# the amd64 (or this host's) binary does, which dumps edg as tests/expected
# has it. Each .tar.gz holds the same files and the same binary. The .zip
# holds QuorlDCW.exe, which imports only Windows' own DLLs and under wine
# says its version and writes the same dumps with CR LF line ends, the
# docs, and the manual as a web page. The version is the project's, and the
# changelog's newest entry. The wine prefix is the cross test's,
# build-mingw64/wine.
set -euo pipefail

usage() { echo "usage: $0 BUILDDIR | --release DIST" >&2; exit 2; }
release=false
if [ "${1:-}" = --release ]; then release=true; shift; fi
[ $# -eq 1 ] || usage
DIR=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
. cmake/cross_tools.sh
fail() { echo "check_package: $*" >&2; exit 1; }

version=$(sed -n 's/^project(QuorlDCW VERSION \([^ ]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
newest=$(sed -n 's/^## \([^ ]*\).*/\1/p' CHANGELOG.md | head -1)
[ "$newest" = "$version" ] || fail "CHANGELOG.md's newest entry is $newest, the project is $version"

work=$(mktemp -d)
WINE=
cleanup() {
  [ -z "$WINE" ] || wine_stop
  rm -rf "$work"
}
trap cleanup EXIT
mapfile -t samples < <(find testdata/sample -type f | LC_ALL=C sort)

# The machine of each Debian architecture: the cross target whose binaries
# it runs, and the ELF header's name for it.
declare -A target=([amd64]=native [arm64]=aarch64 [i386]=i686 [armhf]=armhf [s390x]=s390x)
declare -A machine=([amd64]="Advanced Micro Devices X86-64" [arm64]=AArch64 [i386]="Intel 80386"
                    [armhf]=ARM [s390x]="IBM S/390")
# The processor in a tarball's name, by Debian architecture.
declare -A processor=([amd64]=x86_64 [arm64]=aarch64 [i386]=i686 [armhf]=armhf [s390x]=s390x)

# dump_samples OUT BINARY [RUNNER]: every sample file dumped, in both
# editions' worth (-e 2407 reads either), every row: OUT/N.out, N.err and
# N.status for the Nth file.
dump_samples() {
  local out=$1 binary=$2 i=0 file status
  shift 2
  mkdir -p "$out"
  for file in "${samples[@]}"; do
    status=0
    "$@" "$binary" -e 2407 -l 2147483647 "$file" >"$out/$i.out" 2>"$out/$i.err" </dev/null ||
      status=$?
    echo "$status" >"$out/$i.status"
    i=$((i + 1))
  done
}

# same_dumps REFERENCE OUT WHO [crlf]: OUT's runs wrote what REFERENCE's did,
# with CR LF for LF when asked.
same_dumps() {
  local reference=$1 out=$2 who=$3 crlf=${4:-} i=0 file stream
  for file in "${samples[@]}"; do
    for stream in out err status; do
      if [ -n "$crlf" ] && [ "$stream" != status ]; then
        perl -pe 's/\n/\r\n/' "$reference/$i.$stream" >"$work/crlf"
        cmp -s "$work/crlf" "$out/$i.$stream" || fail "$who: standard $stream of $file differs"
      else
        cmp -s "$reference/$i.$stream" "$out/$i.$stream" || fail "$who: $stream of $file differs"
      fi
    done
    i=$((i + 1))
  done
}

# check_elf BINARY ARCH: linked statically (no interpreter, no shared
# library) for ARCH's machine.
check_elf() {
  local binary=$1 arch=$2 header
  header=$(readelf -h "$binary")
  grep -q "Machine: *${machine[$arch]}\$" <<<"$header" || fail "$binary is not for ${machine[$arch]}"
  if [ "$arch" = armhf ]; then
    grep -q 'hard-float ABI' <<<"$header" || fail "$binary is not hard-float"
  fi
  ! readelf -l "$binary" | grep -q INTERP || fail "$binary needs a program interpreter"
  ! readelf -d "$binary" | grep -q NEEDED || fail "$binary needs shared libraries"
}

# check_version WHO BINARY [RUNNER]: "--version" alone says this version.
check_version() {
  local who=$1 binary=$2 out status=0
  shift 2
  out=$("$@" "$binary" --version </dev/null 2>"$work/version.err") || status=$?
  [ "$status" = 0 ] || fail "$who: --version ended with status $status"
  [ "$(head -1 <<<"$out" | tr -d '\r')" = "QuorlDCW $version" ] ||
    fail "$who: --version says $(head -1 <<<"$out")"
}

reference=
# check_deb DEB: its files and fields, its man page, its binary run.
check_deb() {
  local deb=$1 name arch unpacked listing path runner
  name=$(basename "$deb")
  arch=${name#quorldcw_"${version}"_}
  arch=${arch%.deb}
  [ -n "${target[$arch]:-}" ] || fail "$name: unknown architecture $arch"
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for path in ./usr/bin/QuorlDCW ./usr/share/man/man1/QuorlDCW.1.gz \
              ./usr/share/doc/quorldcw/README.md ./usr/share/doc/quorldcw/LICENSE \
              ./usr/share/doc/quorldcw/CHANGELOG.md; do
    grep -qx -- "$path" <<<"$listing" || fail "$name lacks $path"
  done
  [ "$(dpkg-deb -f "$deb" Package)" = quorldcw ] || fail "$name: package name is not quorldcw"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$name: version is not $version"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$name: architecture is not $arch"
  # The tool is linked statically: it needs no library, nor any package.
  [ -z "$(dpkg-deb -f "$deb" Depends)" ] ||
    fail "$name depends on $(dpkg-deb -f "$deb" Depends)"

  unpacked=$work/deb-$arch
  dpkg-deb -x "$deb" "$unpacked"
  zcat "$unpacked/usr/share/man/man1/QuorlDCW.1.gz" >"$work/QuorlDCW.1"
  head -1 "$work/QuorlDCW.1" | grep -q "\"QuorlDCW $version\"" ||
    fail "$name: the man page does not name version $version"
  if command -v mandoc >/dev/null; then
    lint=$(mandoc -Tlint -Wwarning "$work/QuorlDCW.1" 2>&1 || true)
    [ -z "$lint" ] || fail "$name: mandoc: $lint"
  fi

  local binary=$unpacked/usr/bin/QuorlDCW
  check_elf "$binary" "$arch"
  runner=$(cross_runner "${target[$arch]}" "$work") || fail "nothing here runs $arch programs"
  check_version "$name" "$binary" $runner
  dump_samples "$work/dump-$arch" "$binary" $runner
  local dumps="dumps as amd64 does"
  if [ -z "$reference" ]; then
    dumps="dumps edg as tests/expected has it"
    # The first binary checked is the reference: edg as tests/expected has it.
    reference=$work/dump-$arch
    local edg=testdata/sample/quorlbay/hyd/edg status=0
    "$binary" -l 2147483647 "$edg" >"$work/edg.out" 2>"$work/edg.err" || status=$?
    [ "$status" = 0 ] || fail "$name: the binary ended with status $status"
    [ "$(tail -1 "$work/edg.err")" = "6 Records processed" ] || fail "$name: the count is wrong"
    cmp -s "$work/edg.out" tests/expected/sample/quorlbay/hyd/edg.dump ||
      fail "$name: the dump of $edg differs from tests/expected/sample/quorlbay/hyd/edg.dump"
  else
    same_dumps "$reference" "$work/dump-$arch" "$name"
  fi
  echo "  $name: $arch, static, runs${runner:+ under $(basename "$runner")}, $dumps"
}

# check_tgz TGZ ARCH: the same files as the .deb of ARCH, under one folder
# named as the tarball, and the same binary.
check_tgz() {
  local tgz=$1 arch=$2 name listing top path
  name=$(basename "$tgz")
  # Listed once into a variable: a pipe that its reader closes early would
  # stop tar with SIGPIPE, which pipefail turns into a failure.
  listing=$(tar -tzf "$tgz")
  top=${name%.tar.gz}
  for path in bin/QuorlDCW share/man/man1/QuorlDCW.1.gz share/doc/quorldcw/README.md \
              share/doc/quorldcw/LICENSE share/doc/quorldcw/CHANGELOG.md; do
    grep -qx -- "$top/$path" <<<"$listing" || fail "$name lacks $top/$path"
  done
  mkdir -p "$work/tgz-$arch"
  tar -xzf "$tgz" -C "$work/tgz-$arch"
  cmp -s "$work/tgz-$arch/$top/bin/QuorlDCW" "$work/deb-$arch/usr/bin/QuorlDCW" ||
    fail "$name: its binary is not the one of the $arch .deb"
  echo "  $name: the files and the binary of the $arch .deb"
}

# check_zip ZIP: QuorlDCW.exe and the docs in one folder; the executable
# under wine.
check_zip() {
  local zip=$1 name listing top path exe dlls
  name=$(basename "$zip")
  top=${name%.zip}
  listing=$(unzip -Z1 "$zip")
  for path in QuorlDCW.exe README.md LICENSE CHANGELOG.md QuorlDCW.html; do
    grep -qx -- "$top/$path" <<<"$listing" || fail "$name lacks $top/$path"
  done
  unzip -q "$zip" -d "$work/zip"
  grep -q "QuorlDCW $version" "$work/zip/$top/QuorlDCW.html" ||
    fail "$name: the manual does not name version $version"
  exe=$work/zip/$top/QuorlDCW.exe
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
         sort | tr '\n' ' ')
  dlls=${dlls% }
  [ "$dlls" = "kernel32.dll msvcrt.dll" ] || fail "$name: QuorlDCW.exe imports $dlls"
  wine_start "$ROOT/build-mingw64/wine"  # the cross test's wine prefix, made once
  check_version "$name" "$exe" "$WINE"
  dump_samples "$work/dump-windows" "$exe" "$WINE"
  same_dumps "$reference" "$work/dump-windows" "$name" crlf
  echo "  $name: imports $dlls; runs under wine, dumps as amd64 does with CR LF"
}

if ! $release; then
  arch=$(dpkg --print-architecture)
  deb=$DIR/quorldcw_${version}_$arch.deb
  tgz=$(ls "$DIR"/quorldcw-"$version"-*.tar.gz 2>/dev/null | head -1)
  [ -f "$deb" ] || fail "no $(basename "$deb") in $DIR"
  [ -f "$tgz" ] || fail "no quorldcw-$version-*.tar.gz in $DIR"
  echo "check_package: $DIR"
  check_deb "$deb"
  check_tgz "$tgz" "$arch"
  echo "packages good"
  exit 0
fi

arches=(amd64 arm64 i386 armhf s390x)
expected=()
for arch in "${arches[@]}"; do
  expected+=("quorldcw_${version}_$arch.deb" "quorldcw-$version-Linux-${processor[$arch]}.tar.gz")
done
expected+=("quorldcw-$version-Windows-x86_64.zip")
[ "$(ls "$DIR" | LC_ALL=C sort)" = "$(printf '%s\n' "${expected[@]}" SHA256SUMS | LC_ALL=C sort)" ] ||
  fail "$DIR holds $(ls "$DIR" | tr '\n' ' '), not the $((${#expected[@]} + 1)) files of a release"
[ "$(awk '{print $2}' "$DIR/SHA256SUMS" | LC_ALL=C sort)" = \
  "$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)" ] || fail "SHA256SUMS does not list every package"
(cd "$DIR" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not hold"
echo "check_package: $DIR, release $version"
for arch in "${arches[@]}"; do
  check_deb "$DIR/quorldcw_${version}_$arch.deb"
  check_tgz "$DIR/quorldcw-$version-Linux-${processor[$arch]}.tar.gz" "$arch"
done
check_zip "$DIR/quorldcw-$version-Windows-x86_64.zip"
echo "release good: $(( ${#expected[@]} + 1 )) files in $DIR"
