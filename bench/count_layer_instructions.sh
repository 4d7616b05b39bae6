#!/usr/bin/env bash
# count_layer_instructions.sh BINARY WORKDIR [REALDATA] - what a feature
# layer costs against reading its tables, in instructions counted by
# valgrind's callgrind: for each layer, the instructions of writing it
# with -o geojson, of writing with -o geojson each table it reads (the
# feature table as a plain table, as it was written before feature layers,
# through a link of another name; its join table; the primitive tables of
# every tile it draws from: see layer_tables.sh), their sum and the ratio of the layer to
# the sum, which should stay at most 2. Layers: DNC 17's ECR/COASTL.LFT,
# ECR/ECRAREA.AFT and HYD/SOUNDP.PFT under REALDATA (default
# ../shared/realdata; skipped with a message where missing), and the lines,
# areas and blocks of a coverage generated with gen_coverage into WORKDIR.
# Exits 1 where a ratio is above 2 or a run does not end with status 0.
# Optional environment: LAYER_COUNT_MB (the generated coverage's edges in
# MB, default 10), BENCH_SEED.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then echo "usage: $0 BINARY WORKDIR [REALDATA]" >&2; exit 2; fi
BIN=$(realpath "$1")
WORK=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REAL=${3:-$HERE/../../shared/realdata}
MB=${LAYER_COUNT_MB:-10}
SEED=${BENCH_SEED:-20240601}
command -v valgrind >/dev/null || { echo "count_layer_instructions: needs valgrind" >&2; exit 2; }
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)

# instructions ARGS...: the instructions of one run of the tool; "FAIL"
# where the run's status is not 0.
instructions() {
  local out status=0
  out=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$BIN" "$@" 2>&1 >/dev/null) ||
    status=$?
  [ "$status" = 0 ] || { echo FAIL; return; }
  sed -n 's/.*Collected : *//p' <<< "$out"
}

failed=0
# layer NAME TABLE: the layer's count, each table's, the sum and the ratio.
layer() {
  local name=$1 table=$2 n sum=0 t c tables plain
  tables=$("$HERE/layer_tables.sh" "$BIN" "$table")
  n=$(instructions -o geojson "$table")
  mkdir -p "$WORK/plain"
  while read -r t; do
    # Read as a plain table: under a name that is no feature table's.
    plain=$WORK/plain/$(tr / _ <<< "$t").table
    ln -sfn "$(realpath "$t")" "$plain"
    c=$(instructions -o geojson "$plain")
    printf "  %-36s %14s\n" "${t#"$(dirname "$(dirname "$table")")"/}" "$c"
    if [ "$c" = FAIL ]; then failed=1; else sum=$((sum + c)); fi
  done <<< "$tables"
  if [ "$n" = FAIL ]; then
    failed=1
    printf "%-38s %14s %14s\n" "$name" FAIL "$sum"
    return
  fi
  local ratio
  ratio=$(awk -v a="$n" -v b="$sum" 'BEGIN{printf "%.2f", a/b}')
  awk -v r="$ratio" 'BEGIN{exit !(r > 2)}' && failed=1
  printf "%-38s %14s %14s %6s\n" "$name" "$n" "$sum" "$ratio"
}

echo "binary: $BIN"
printf "%-38s %14s %14s %6s\n" "layer (its tables below it)" "layer" "tables" ratio
DNC=$REAL/dnc17/COA17D
for t in ECR/COASTL.LFT ECR/ECRAREA.AFT HYD/SOUNDP.PFT; do
  if [ -f "$DNC/$t" ]; then
    layer "dnc17 $t" "$DNC/$t"
  else
    echo "skipped dnc17 $t: $DNC/$t is missing"
  fi
done
COV=$WORK/coverage-$MB
"$HERE/make_coverage.sh" "$WORK" "$MB" "$SEED" "$COV"
echo "generated coverage: $(head -1 "$COV.info")"
# Counts of layers that do not draw what was designed would mean nothing.
python3 "$HERE/check_coverage.py" "$BIN" "$COV" | sed 's/^/  /' ||
  { echo "count_layer_instructions: the coverage's layers are not as designed" >&2; exit 1; }
layer "grid lines ($MB MB)" "$COV/GRID/GRIDL.LFT"
layer "grid areas ($MB MB)" "$COV/GRID/GRIDA.AFT"
layer "grid blocks ($MB MB)" "$COV/GRID/BLOCKA.AFT"
[ "$failed" = 0 ] || { echo "a ratio is above 2, or a run failed" >&2; exit 1; }
