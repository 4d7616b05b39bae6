# cross_tools.sh - sourced by the cross test and the release build: what
# building for and running on the other hosts needs, by target:
#   s390x armhf aarch64 i686  Linux, Debian's cross g++ and qemu-user
#   mingw64                   Windows x86-64, mingw-w64's g++ and wine
#   native                    this machine's g++; nothing to install

# cross_packages TARGET...: the Debian packages that the targets need and
# this machine lacks, one a line.
cross_packages() {
  local t
  for t in "$@"; do
    case $t in
      native) ;;
      s390x) command -v s390x-linux-gnu-g++ >/dev/null || echo g++-s390x-linux-gnu
             command -v qemu-s390x-static >/dev/null || echo qemu-user-static ;;
      armhf) command -v arm-linux-gnueabihf-g++ >/dev/null || echo g++-arm-linux-gnueabihf
             command -v qemu-arm-static >/dev/null || echo qemu-user-static ;;
      aarch64) command -v aarch64-linux-gnu-g++ >/dev/null || echo g++-aarch64-linux-gnu
               command -v qemu-aarch64-static >/dev/null || echo qemu-user-static ;;
      i686) command -v i686-linux-gnu-g++ >/dev/null || echo g++-i686-linux-gnu
            command -v qemu-i386-static >/dev/null || echo qemu-user-static ;;
      mingw64) command -v x86_64-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-x86-64-posix
               [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null || echo wine64 ;;
      *) echo "cross_tools: unknown target $t" >&2; return 2 ;;
    esac
  done
}

# apt_install PACKAGE...: installs the packages named, each once; nothing
# when none is named.
apt_install() {
  [ $# -gt 0 ] || return 0
  local need
  mapfile -t need < <(printf '%s\n' "$@" | sort -u)
  echo "== installing ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
}

# i686_runs_natively DIR: true when this kernel runs a static 32-bit x86
# program (built in DIR).
i686_runs_natively() {
  local probe=$1/native-probe status=0
  mkdir -p "$1"
  echo 'int main() { return 3; }' | i686-linux-gnu-g++ -static -x c++ -o "$probe" - || return 1
  "$probe" 2>/dev/null || status=$?
  [ "$status" -eq 3 ]
}

# cross_runner TARGET DIR: the program that runs the target's binaries here,
# empty for none (DIR holds the i686 probe). mingw64's is wine, once
# wine_start has run.
cross_runner() {
  case $1 in
    s390x) command -v qemu-s390x-static ;;
    armhf) command -v qemu-arm-static ;;
    aarch64) command -v qemu-aarch64-static ;;
    i686) if [ -z "${CROSS_I686_QEMU:-}" ] && i686_runs_natively "$2"; then echo ""
          else command -v qemu-i386-static; fi ;;
    mingw64) echo "$WINE" ;;
    *) echo "" ;;
  esac
}

# wine_start PREFIX: sets WINE and WINESERVER, makes the wine prefix PREFIX
# on first use, and starts one wineserver that stays until wine_stop. With
# the default one, wine's helper processes (services.exe, winedevice.exe,
# ...) stop whenever no program happens to run and start again, half a
# second, with the next. The Linux side's names and words are UTF-8 to
# wine, so that a path in any script reaches the Windows program whole.
wine_start() {
  WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
  WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
  mkdir -p "$WINEPREFIX"
  "$WINE" cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on the first run
  "$WINESERVER" -w
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
}

wine_stop() { "$WINESERVER" -k 2>/dev/null || true; }
