#!/usr/bin/env bash
# run_bench.sh BINARY WORKDIR [REALDATA] - throughput benchmark of the table dumper.
# Generates (once) one large table per kind with gen_table, then times the dumper
# on each, the JSON outputs on some, plus the discard path and `cat` as a read floor.
# Then the feature layers: the lines, areas and blocks of faces of a coverage
# generated (once) with gen_coverage, each beside the -o geojson of the tables
# it reads, one after another (layer_tables.sh), and DNC 17's ECR/COASTL.LFT,
# ECR/ECRAREA.AFT and HYD/SOUNDP.PFT under REALDATA (default ../shared/realdata,
# skipped where missing).
# Optional environment: BENCH_MB (table size and the coverage's edges, default 100),
# BENCH_RUNS (default 5), BENCH_SEED (default 20240601).
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then echo "usage: $0 BINARY WORKDIR [REALDATA]" >&2; exit 2; fi
BIN=$(realpath "$1")
WORK=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REAL=${3:-$HERE/../../shared/realdata}
MB=${BENCH_MB:-100}
RUNS=${BENCH_RUNS:-5}
SEED=${BENCH_SEED:-20240601}
KINDS=(edge text mixed-le mixed-be)
[ -x "$BIN" ] || { echo "run_bench: $BIN is not executable" >&2; exit 2; }
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)

# now_ns: current time in nanoseconds (microsecond resolution, no fork).
now_ns() { local t=${EPOCHREALTIME/[.,]/}; echo $((t * 1000)); }

# build_gen: compile the generators into WORKDIR if missing or older than their source.
build_gen() {
  if [ ! -x "$WORK/gen_table" ] || [ "$HERE/gen_table.cc" -nt "$WORK/gen_table" ]; then
    echo "compiling gen_table" >&2
    g++ -O2 -std=c++17 -o "$WORK/gen_table" "$HERE/gen_table.cc"
  fi
  if [ ! -x "$WORK/gen_coverage" ] || [ "$HERE/gen_coverage.cc" -nt "$WORK/gen_coverage" ]; then
    echo "compiling gen_coverage" >&2
    g++ -O2 -std=c++17 -ffp-contract=off -o "$WORK/gen_coverage" "$HERE/gen_coverage.cc"
  fi
}

# gen_tables: generate each kind once; reuse a table whose .info names the same
# generator source and arguments and whose size matches.
gen_tables() {
  local id kind t info
  id="gen=$(sha256sum < "$HERE/gen_table.cc" | cut -c1-16) mb=$MB seed=$SEED"
  for kind in "${KINDS[@]}"; do
    t="$WORK/$kind.tbl"; info="$t.info"
    if [ -f "$t" ] && [ -f "$info" ] && [ "$(sed -n 2p "$info")" = "$id" ] &&
       [ "$(stat -c %s "$t")" = "$(info_get "$info" bytes)" ]; then
      continue
    fi
    local t0 t1; t0=$(now_ns)
    { "$WORK/gen_table" "$kind" "$MB" "$SEED" "$t"; echo "$id"; } > "$info.tmp"
    t1=$(now_ns)
    mv "$info.tmp" "$info"
    printf 'generated %-9s %s (%.2f s)\n' "$kind" "$(head -1 "$info")" \
      "$(awk -v n=$((t1 - t0)) 'BEGIN{print n/1e9}')" >&2
  done
}

# gen_coverage: the coverage's library in WORKDIR/coverage, made once for this
# generator source, size and seed.
gen_coverage() {
  local dir=$WORK/coverage id t0 t1
  id="gen=$(sha256sum < "$HERE/gen_coverage.cc" | cut -c1-16) mb=$MB seed=$SEED"
  if [ -d "$dir" ] && [ -f "$dir.info" ] && [ "$(sed -n 2p "$dir.info")" = "$id" ]; then return; fi
  rm -rf "$dir"
  t0=$(now_ns)
  { "$WORK/gen_coverage" "$MB" "$SEED" "$dir"; echo "$id"; } > "$dir.info.tmp"
  t1=$(now_ns)
  mv "$dir.info.tmp" "$dir.info"
  printf 'generated coverage %s (%.2f s)\n' "$(head -1 "$dir.info")" \
    "$(awk -v n=$((t1 - t0)) 'BEGIN{print n/1e9}')" >&2
}

# info_get INFOFILE KEY: value of KEY=... on the first line.
info_get() { head -1 "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }

# median of the arguments (numbers).
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }

# measure NAME BYTES FIELDS CMD...: one run for output size and peak RSS, then RUNS
# timed runs; prints one table row.
measure() {
  local name=$1 bytes=$2 fields=$3; shift 3
  local out rss times=() i t0 t1 status=ok
  out=$( (/usr/bin/time -v -o "$WORK/time.txt" "$@" 2>/dev/null || true) | wc -c)
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.txt")
  grep -q 'Exit status: 0' "$WORK/time.txt" || status=FAIL
  for ((i = 0; i < RUNS; i++)); do
    t0=$(now_ns)
    "$@" > /dev/null 2>&1 || status=FAIL
    t1=$(now_ns)
    times+=($((t1 - t0)))
  done
  awk -v n="$name" -v b="$bytes" -v f="$fields" -v o="$out" -v r="$rss" -v s="$status" \
      -v ns="$(median "${times[@]}")" 'BEGIN {
    sec = ns / 1e9
    m = (r >= 1024) ? sprintf("%.1f MiB", r / 1024) : sprintf("%d KiB", r)
    nf = (f > 0) ? sprintf("%.1f", ns / f) : "-"
    printf "%-20s %8.1f %9.3f %9.1f %9.1f %9.1f %11s %8s %10s  %s\n", n, b / 1e6, sec,
           b / 1e6 / sec, o / 1e6, o / 1e6 / sec, (f > 0 ? f : "-"), nf, m, s }'
}

build_gen
gen_tables
echo "binary: $BIN"
echo "cpu: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1) x $(nproc); median of $RUNS runs"
printf "%-20s %8s %9s %9s %9s %9s %11s %8s %10s  %s\n" case "table MB" "median s" "read MB/s" \
  "out MB" "out MB/s" fields "ns/field" "peak RSS" status
for kind in "${KINDS[@]}"; do
  t="$WORK/$kind.tbl"
  measure "$kind" "$(stat -c %s "$t")" "$(info_get "$t.info" fields)" "$BIN" -l 2147483647 "$t"
done
# The JSON outputs: jsonl and geojson of the edge and mixed tables, jsonl
# of the text table.
for run in edge:jsonl edge:geojson text:jsonl mixed-le:jsonl mixed-le:geojson; do
  kind=${run%:*} format=${run#*:}
  t="$WORK/$kind.tbl"
  measure "$kind-$format" "$(stat -c %s "$t")" "$(info_get "$t.info" fields)" \
    "$BIN" -o "$format" "$t"
done
t="$WORK/edge.tbl"
measure "edge-discard" "$(stat -c %s "$t")" "$(info_get "$t.info" fields)" \
  "$BIN" -f 2147483646 -l 2147483647 "$t"
measure "cat-edge" "$(stat -c %s "$t")" 0 cat "$t"

# measure_layer NAME TABLE: the feature layer TABLE, then the -o geojson of
# each table it reads, one after another (the feature table read as a plain
# table, through a link of another name); table MB is what they hold.
measure_layer() {
  local name=$1 table=$2 t plain bytes=0 plains=()
  mkdir -p "$WORK/plain"
  while read -r t; do
    plain=$WORK/plain/$(tr / _ <<< "$t").table
    ln -sfn "$(realpath "$t")" "$plain"
    plains+=("$plain")
    bytes=$((bytes + $(stat -L -c %s "$t")))
  done < <("$HERE/layer_tables.sh" "$BIN" "$table")
  measure "$name" "$bytes" 0 "$BIN" -o geojson "$table"
  # shellcheck disable=SC2016
  measure "$name-tables" "$bytes" 0 \
    bash -c 'b=$1; shift; for t; do "$b" -o geojson "$t" || exit; done' - "$BIN" "${plains[@]}"
}

gen_coverage
echo "feature layers: coverage of $(head -1 "$WORK/coverage.info")"
measure_layer grid-lines "$WORK/coverage/GRID/GRIDL.LFT"
measure_layer grid-areas "$WORK/coverage/GRID/GRIDA.AFT"
measure_layer grid-blocks "$WORK/coverage/GRID/BLOCKA.AFT"
DNC=$REAL/dnc17/COA17D
for t in ECR/COASTL.LFT ECR/ECRAREA.AFT HYD/SOUNDP.PFT; do
  if [ -f "$DNC/$t" ]; then
    measure_layer "$(basename "$t" | tr '[:upper:]' '[:lower:]')" "$DNC/$t"
  else
    echo "skipped dnc17 $t: $DNC/$t is missing"
  fi
done
