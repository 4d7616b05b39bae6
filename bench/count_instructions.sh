#!/usr/bin/env bash
# count_instructions.sh BINARY WORKDIR - instructions per run, counted by
# valgrind's callgrind (repeatable where wall times vary by 10 to 15%), on
# 10 MB generated tables: the dump of the edge and text tables, and the
# JSON outputs beside it with their ratio to the dump of the same table.
# Optional environment: COUNT_MB (table size, default 10), BENCH_SEED.
set -euo pipefail

if [ $# -ne 2 ]; then echo "usage: $0 BINARY WORKDIR" >&2; exit 2; fi
BIN=$(realpath "$1")
WORK=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
MB=${COUNT_MB:-10}
SEED=${BENCH_SEED:-20240601}
command -v valgrind >/dev/null || { echo "count_instructions: needs valgrind" >&2; exit 2; }
mkdir -p "$WORK"
if [ ! -x "$WORK/gen_table" ] || [ "$HERE/gen_table.cc" -nt "$WORK/gen_table" ]; then
  g++ -O2 -std=c++17 -o "$WORK/gen_table" "$HERE/gen_table.cc"
fi

# instructions ARGS...: the instructions of one run of the tool.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$BIN" "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : *//p'
}

echo "binary: $BIN; tables of $MB MB"
printf "%-10s %-8s %14s %8s\n" table output instructions "x dump"
for kind in edge text mixed-le; do
  t="$WORK/$kind-$MB.tbl"
  [ -f "$t" ] || "$WORK/gen_table" "$kind" "$MB" "$SEED" "$t" >/dev/null
  dump=$(instructions -l 2147483647 "$t")
  printf "%-10s %-8s %14s %8s\n" "$kind" dcw "$dump" 1.00
  for format in jsonl json geojson; do
    n=$(instructions -o "$format" "$t")
    printf "%-10s %-8s %14s %8.2f\n" "$kind" "$format" "$n" "$(awk -v a="$n" -v b="$dump" 'BEGIN{print a/b}')"
  done
done
