#!/usr/bin/env bash
# count_gpkg_instructions.sh BINARY WORKDIR [REALDATA] - what -o gpkg costs
# against writing the same layers with -o geojson, one run a layer: the
# instructions of each run, counted by valgrind's callgrind, and its peak
# memory (maximum resident set size, from /usr/bin/time in a second run,
# not under valgrind).
#   - DNC 17's library COA17D under REALDATA (default ../shared/realdata;
#     skipped with a message where missing): -o gpkg -w FILE of the library
#     against the sum of -o geojson of each of its feature tables; the ratio
#     should stay at most 2.
#   - the coverage GRID that gen_coverage generates into WORKDIR: -o gpkg of
#     the coverage against the sum of -o geojson of its three layers
#     (GRIDL.LFT, GRIDA.AFT, BLOCKA.AFT); the ratio should stay at most 2,
#     and the GeoPackage's peak memory at most the largest of the GeoJSON
#     runs' peaks plus 64 MiB.
# The GeoPackages are written into WORKDIR/gpkg, each beside the callgrind
# file of its run (NAME.callgrind, for callgrind_annotate --inclusive=yes).
# Exits 1 where a goal is missed or a run does not end with status 0.
# Optional environment: GPKG_COUNT_MB (the generated coverage's edges in
# MB, default 100), BENCH_SEED.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then echo "usage: $0 BINARY WORKDIR [REALDATA]" >&2; exit 2; fi
BIN=$(realpath "$1")
WORK=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REAL=${3:-$HERE/../../shared/realdata}
MB=${GPKG_COUNT_MB:-100}
SEED=${BENCH_SEED:-20240601}
MEMORY_SLACK_KIB=$((64 * 1024))
command -v valgrind >/dev/null || { echo "count_gpkg_instructions: needs valgrind" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "count_gpkg_instructions: needs /usr/bin/time (Debian: time)" >&2; exit 2; }
mkdir -p "$WORK/gpkg"
WORK=$(cd "$WORK" && pwd)
[ ! -d "$REAL" ] || REAL=$(cd "$REAL" && pwd)
OUT=$WORK/gpkg
# The GeoPackages' last_change, so that each run writes the same file.
export SOURCE_DATE_EPOCH=0

# feature_tables DIR: the feature tables of the library or coverage DIR,
# one path a line, in the order of their lower-cased paths.
feature_tables() {
  find "$1" -maxdepth 2 -type f \( -iname '*.pft' -o -iname '*.lft' -o -iname '*.aft' \
    -o -iname '*.tft' -o -iname '*.cft' \) |
    awk '{ print tolower($0) "\t" $0 }' | LC_ALL=C sort | cut -f2
}

# run CALLGRIND ARGS...: one run of the tool under callgrind (its profile
# in the file CALLGRIND, or none where it is /dev/null), then one under
# /usr/bin/time; sets instructions, peak (KiB) and last (the run's last
# line of standard error). Either is "FAIL" where a run's status is not 0.
run() {
  local profile=$1 log status=0
  shift
  log=$(valgrind --tool=callgrind --callgrind-out-file="$profile" "$BIN" "$@" 2>&1 >/dev/null) ||
    status=$?
  instructions=FAIL
  [ "$status" != 0 ] || instructions=$(sed -n 's/.*Collected : *//p' <<< "$log")
  status=0
  /usr/bin/time -v -o "$OUT/time.txt" "$BIN" "$@" >/dev/null 2>"$OUT/stderr.txt" || status=$?
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$OUT/time.txt")
  [ "$status" = 0 ] || peak=FAIL
  last=$(tail -1 "$OUT/stderr.txt")
}

# mib KIB: KIB in MiB, or FAIL.
mib() {
  if [ "$1" = FAIL ]; then echo FAIL; return; fi
  awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'
}

failed=0
# row TEXT INSTRUCTIONS PEAK: one line of the table.
row() { printf "%-46s %16s %12s\n" "$@"; }

# compare NAME PATH MEMORY_GOAL TABLES...: -o gpkg of PATH against
# -o geojson of each of the TABLES; prints a row a table, the two totals,
# the ratio and the peaks, and checks the peak memory's goal where
# MEMORY_GOAL is yes.
compare() {
  local name=$1 path=$2 memory_goal=$3 t sum=0 largest=0 some_failed=no gpkg gpkg_peak gpkg_last
  local ratio verdict
  shift 3
  row "  -o geojson of each table" instructions "peak RSS"
  for t in "$@"; do
    run /dev/null -o geojson "$t"
    row "  ${t#"$path"/}" "$instructions" "$(mib "$peak")"
    if [ "$instructions" = FAIL ] || [ "$peak" = FAIL ]; then some_failed=yes; continue; fi
    sum=$((sum + instructions))
    [ "$peak" -le "$largest" ] || largest=$peak
  done
  run "$OUT/$name.callgrind" -o gpkg -w "$OUT/$name.gpkg" "$path"
  gpkg=$instructions gpkg_peak=$peak gpkg_last=$last
  row "-o gpkg ($gpkg_last)" "$gpkg" "$(mib "$gpkg_peak")"
  row "-o geojson, $# runs: sum; largest peak" "$sum" "$(mib "$largest")"
  if [ "$gpkg" = FAIL ] || [ "$gpkg_peak" = FAIL ] || [ "$some_failed" = yes ]; then
    [ "$some_failed" = no ] || echo "a -o geojson run failed: no ratio"
    [ "$gpkg" != FAIL ] && [ "$gpkg_peak" != FAIL ] || echo "-o gpkg failed: $gpkg_last"
    failed=1
    return
  fi
  ratio=$(awk -v a="$gpkg" -v b="$sum" 'BEGIN { printf "%.2f", a / b }')
  verdict=ok
  if awk -v r="$ratio" 'BEGIN { exit !(r > 2) }'; then verdict=MISSED; failed=1; fi
  echo "instructions: gpkg / sum of geojson = $ratio (goal: at most 2: $verdict)"
  if [ "$memory_goal" = yes ]; then
    verdict=ok
    if [ "$gpkg_peak" -gt $((largest + MEMORY_SLACK_KIB)) ]; then verdict=MISSED; failed=1; fi
    echo "peak memory: gpkg $(mib "$gpkg_peak") = largest geojson $(mib "$largest")" \
      "+ $(mib $((gpkg_peak - largest))) (goal: at most + 64 MiB: $verdict)"
  fi
}

echo "binary: $BIN"
echo "instructions counted by callgrind; peak RSS from /usr/bin/time, not under valgrind"
echo
DNC=$REAL/dnc17/COA17D
if [ -d "$DNC" ]; then
  mapfile -t tables < <(feature_tables "$DNC")
  echo "DNC 17 library $DNC: ${#tables[@]} feature tables"
  compare dnc17-coa17d "$DNC" no "${tables[@]}"
else
  echo "skipped DNC 17: $DNC is missing"
fi
echo
COV=$WORK/coverage-$MB
"$HERE/make_coverage.sh" "$WORK" "$MB" "$SEED" "$COV"
echo "generated coverage $COV/GRID: $(head -1 "$COV.info")"
compare "coverage-$MB" "$COV/GRID" yes "$COV/GRID/GRIDL.LFT" "$COV/GRID/GRIDA.AFT" "$COV/GRID/BLOCKA.AFT"
rm -f "$OUT/time.txt" "$OUT/stderr.txt"
[ "$failed" = 0 ] || { echo "a goal is missed, or a run failed" >&2; exit 1; }
