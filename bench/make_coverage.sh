#!/usr/bin/env bash
# make_coverage.sh WORKDIR MB SEED DIR - the library that gen_coverage.cc
# generates (MB of edges, SEED) in DIR, made once for this generator source,
# size and seed: DIR.info's second line names them, and a DIR made by them
# is kept. The generator is compiled into WORKDIR where missing or older
# than its source.
set -euo pipefail

if [ $# -ne 4 ]; then echo "usage: $0 WORKDIR MB SEED DIR" >&2; exit 2; fi
WORK=$1 MB=$2 SEED=$3 dir=$4
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ ! -x "$WORK/gen_coverage" ] || [ "$HERE/gen_coverage.cc" -nt "$WORK/gen_coverage" ]; then
  g++ -O2 -std=c++17 -ffp-contract=off -o "$WORK/gen_coverage" "$HERE/gen_coverage.cc"
fi
id="gen=$(sha256sum < "$HERE/gen_coverage.cc" | cut -c1-16) mb=$MB seed=$SEED"
if [ -d "$dir" ] && [ -f "$dir.info" ] && [ "$(sed -n 2p "$dir.info")" = "$id" ]; then exit 0; fi
rm -rf "$dir"
{ "$WORK/gen_coverage" "$MB" "$SEED" "$dir"; echo "$id"; } > "$dir.info.tmp"
mv "$dir.info.tmp" "$dir.info"
