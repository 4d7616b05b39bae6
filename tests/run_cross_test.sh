#!/usr/bin/env bash
# run_cross_test.sh [--install-only] [TARGET...] - builds the tool for other machines with
# Debian's cross toolchains and runs its tests there:
#   s390x    big-endian 64-bit Linux: the whole suite under qemu-s390x-static
#   i686     32-bit x86 Linux: the whole suite, run by the kernel itself where
#            it runs 32-bit programs, else under qemu-i386-static without the
#            tests labelled forks (the death tests)
#   armhf    32-bit ARM Linux: the whole suite under qemu-arm-static
#   aarch64  64-bit ARM Linux: the whole suite under qemu-aarch64-static
#   mingw64  Windows x86-64: QuorlDCW.exe under wine, run by the Linux-built
#            tests labelled blackbox and realdata (the sample and real tables
#            against the decoder included), CR LF taken back to LF
# Targets: the arguments, else CROSS_TARGETS, else all five. Each builds in
# build-TARGET; the Linux build for the wine run is $BUILD (build). Missing
# toolchains, qemu and wine are installed with apt-get (cmake/cross_tools.sh).
# CROSS_I686_QEMU=1 runs i686 under qemu-i386-static even where the kernel
# could run it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
BUILD=${BUILD:-build}
GTEST_SOURCE=/usr/src/googletest/googletest
# --install-only: install what the targets need, and nothing more (CI does
# it beside its native tests).
install_only=false
if [ "${1:-}" = --install-only ]; then install_only=true; shift; fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || read -ra targets <<< "${CROSS_TARGETS:-s390x i686 armhf aarch64 mingw64}"
. cmake/cross_tools.sh

# install_missing: apt-get installs what the targets and GoogleTest's
# sources need.
install_missing() {
  local list need=()
  list=$(cross_packages "${targets[@]}") || exit 2
  [ -z "$list" ] || mapfile -t need <<<"$list"
  [ -f "$GTEST_SOURCE/CMakeLists.txt" ] || need+=(googletest)
  apt_install "${need[@]}"
}

# build_linux TARGET [CMAKE_ARGS...]: configures and builds build-TARGET
# with its toolchain file and GoogleTest built from source.
build_linux() {
  local t=$1
  shift
  cmake -S . -B "build-$t" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/$t.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=ON -DQUORL_GTEST_SOURCE_DIR="$GTEST_SOURCE" "$@" \
    >/dev/null
  cmake --build "build-$t" -j "$JOBS"
}

# same_geopackage TOOL [RUNNER]: the GeoPackages of the real DNC 17 and
# VMap databases that TOOL writes (behind RUNNER, an emulator or wine) are
# the same bytes as this machine's build writes, with SOURCE_DATE_EPOCH=0;
# skipped, with a line, where the real tables are missing. (The native
# tests check those files against the independent decoder: the emulated
# runs leave that check out, dnc17_gpkg and vmap2_gpkg, which would take
# most of a minute each under an emulator.)
same_geopackage() {
  local tool=$1 runner=${2:-} real=${QUORL_REALDATA_DIR:-$ROOT/../shared/realdata} dir db
  if [ ! -d "$real/dnc17" ]; then
    echo "same_geopackage: $real/dnc17 not found: skipped"
    return 0
  fi
  if [ ! -x "$ROOT/$BUILD/QuorlDCW" ]; then
    cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j "$JOBS" --target QuorlDCW >/dev/null
  fi
  dir=$(mktemp -d)
  for db in dnc17 vmap2; do
    SOURCE_DATE_EPOCH=0 "$ROOT/$BUILD/QuorlDCW" -o gpkg -w "$dir/here.gpkg" "$real/$db" 2>/dev/null || true
    SOURCE_DATE_EPOCH=0 $runner "$tool" -o gpkg -w "$dir/there.gpkg" "$real/$db" 2>/dev/null || true
    if [ ! -f "$dir/here.gpkg" ] || ! cmp "$dir/here.gpkg" "$dir/there.gpkg"; then
      echo "run_cross_test: $tool writes another GeoPackage of $db than this machine's build" >&2
      rm -rf "$dir"
      return 1
    fi
    echo "== the GeoPackage of $db is the same bytes as this machine's ($(wc -c < "$dir/here.gpkg") bytes)"
    rm -f "$dir/here.gpkg" "$dir/there.gpkg"
  done
  rm -rf "$dir"
}

# run_ctest DIR [CTEST_ARGS...]: the tests of one build, but for the
# decoder's checks of the real databases' GeoPackages (see same_geopackage)
# and the checks that run no program of the build (the sample's generator,
# the checkers' self-checks), which the native tests have run.
run_ctest() {
  local dir=$1
  shift
  (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 600 \
    -E '^((dnc17|vmap2)_gpkg|sample_current|sample_layers_checker|gpkg_checker)$' "$@")
}

test_i686() {
  if [ -z "${CROSS_I686_QEMU:-}" ] && i686_runs_natively build-i686; then
    echo "== i686: the kernel runs 32-bit programs; no emulator"
    build_linux i686 -DCMAKE_CROSSCOMPILING_EMULATOR=
    run_ctest build-i686
    same_geopackage "$ROOT/build-i686/QuorlDCW"
  else
    # qemu-i386 (7.2) can hang in fork: leave out the tests that fork (the
    # others start their children with posix_spawn).
    echo "== i686: under qemu-i386-static, without the tests that fork"
    build_linux i686 -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v qemu-i386-static)"
    run_ctest build-i686 -LE forks
    same_geopackage "$ROOT/build-i686/QuorlDCW" "$(command -v qemu-i386-static)"
  fi
}

test_mingw64() {
  local exe=$ROOT/build-mingw64/QuorlDCW.exe dlls
  cmake -S . -B build-mingw64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-mingw64 -j "$JOBS"
  # One executable: it may import only what every Windows has.
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
         sort | tr '\n' ' ')
  echo "QuorlDCW.exe imports: $dlls"
  if [ "$dlls" != "kernel32.dll msvcrt.dll " ]; then
    echo "run_cross_test: QuorlDCW.exe needs more than Windows' own DLLs" >&2
    exit 1
  fi
  # The tests that run it are the Linux build's.
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD" -j "$JOBS"
  wine_start "$ROOT/build-mingw64/wine"
  local status=0
  QUORL_TOOL=$exe QUORL_TOOL_RUNNER=$WINE QUORL_TOOL_LINE_ENDS=crlf \
    run_ctest "$BUILD" -L '^(blackbox|realdata)$' ||
    status=$?
  same_geopackage "$exe" "$WINE" || status=$?
  wine_stop
  return "$status"
}

install_missing
if $install_only; then exit 0; fi
summary=()
for t in "${targets[@]}"; do
  start=$SECONDS
  echo "== $t"
  case $t in
    s390x | armhf | aarch64)
      build_linux "$t"
      run_ctest "build-$t"
      same_geopackage "$ROOT/build-$t/QuorlDCW" "$(cross_runner "$t" "build-$t")"
      ;;
    i686) test_i686 ;;
    mingw64) test_mingw64 ;;
  esac
  summary+=("$t: passed in $((SECONDS - start)) s")
done
printf '== cross-test: %s\n' "${summary[@]}"
