#!/usr/bin/env bash
# build_release.sh [DIST] - builds every host's packages of this version
# into DIST (dist), then checks them (tests/check_package.sh --release):
#   amd64 arm64 i386 armhf s390x  quorldcw_VERSION_ARCH.deb and
#                                 quorldcw-VERSION-Linux-PROCESSOR.tar.gz, the
#                                 binary linked statically by the host's
#                                 cross toolchain (amd64: this machine's g++)
#   Windows x86-64                quorldcw-VERSION-Windows-x86_64.zip:
#                                 QuorlDCW.exe, README, licence, changelog and
#                                 the manual as a web page
#   SHA256SUMS                    the checksums of all of them
# The Linux cross hosts' and Windows' packages are built in the build
# folders of `make cross-test` (build-TARGET), where that has built the tool
# already for the same host and build type; a folder it has not made yet
# is made for the tool alone (no tests). The amd64 packages are built in
# the plain build (BUILD, build) where `make build` has made it with g++
# for Release, else in RELEASE_BUILD/native (build-dist/native).
# The cross toolchains, qemu, wine and the package tools are installed with
# apt-get where missing (cmake/cross_tools.sh).
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."
ROOT=$PWD
DIST=${1:-dist}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}
RELEASE_BUILD=${RELEASE_BUILD:-build-dist}
targets=(native aarch64 i686 armhf s390x mingw64)
. cmake/cross_tools.sh

if [ "$(uname -m)" != x86_64 ]; then
  echo "build_release: the release is built on x86-64 Linux, which builds its amd64 packages" >&2
  exit 2
fi
need=()
mapfile -t need < <(cross_packages "${targets[@]}")
# dpkg-deb and dpkg-shlibdeps make the .deb, mandoc the web page of the
# manual and the lint of the man page; unzip opens the .zip to check it.
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v mandoc >/dev/null || need+=(mandoc)
command -v unzip >/dev/null || need+=(unzip)
apt_install "${need[@]}"

# plain_build_is_release DIR: DIR is a build of this machine's tool as the
# release builds it (g++, Release, no sanitizer, no toolchain file): its
# tool is the one to pack, and packing it saves compiling it again.
plain_build_is_release() {
  local cache=$1/CMakeCache.txt
  [ -f "$cache" ] &&
    grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$cache" &&
    ! grep -q '^CMAKE_TOOLCHAIN_FILE:' "$cache" &&
    ! grep -qE '^QUORL_(SANITIZE|FUZZ):BOOL=ON|^QUORL_STATIC:BOOL=OFF' "$cache" &&
    grep -qs 'set(CMAKE_CXX_COMPILER_ID "GNU")' "$1"/CMakeFiles/*/CMakeCXXCompiler.cmake
}

rm -rf "$DIST"
mkdir -p "$DIST"
for t in "${targets[@]}"; do
  start=$SECONDS
  if [ "$t" = native ] && plain_build_is_release "${BUILD:-build}"; then
    dir=${BUILD:-build}
  elif [ "$t" = native ]; then
    dir=$RELEASE_BUILD/native
    # SQLite as the plain build has compiled it, where it has.
    sqlite=()
    plain=$ROOT/${BUILD:-build}/libquorl_sqlite.a
    [ -f "$plain" ] && sqlite=(-DQUORL_SQLITE_LIBRARY="$plain")
    CC=gcc CXX=g++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF "${sqlite[@]}" >/dev/null
  else
    dir=build-$t
    tests=()
    [ -f "$dir/CMakeCache.txt" ] || tests=(-DQUORL_TESTS=OFF)
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/$t.cmake" \
      -DCMAKE_BUILD_TYPE=Release "${tests[@]}" >/dev/null
  fi
  cmake --build "$dir" -j "$JOBS" >/dev/null
  rm -f "$dir"/*.deb "$dir"/*.tar.gz "$dir"/*.zip
  (cd "$dir" && cpack >/dev/null)
  cp "$dir"/*.deb "$dir"/*.tar.gz "$dir"/*.zip "$DIST"/
  echo "== release: $t built and packed in $((SECONDS - start)) s"
done
(cd "$DIST" && sha256sum -- *.deb *.tar.gz *.zip > SHA256SUMS)

tests/check_package.sh --release "$DIST"
