#!/usr/bin/env bash
# time_gpkg_database.sh BINARY WORKDIR [REALDATA] - the wall time of
# writing DNC 17's whole database (REALDATA/dnc17, REALDATA default
# ../shared/realdata; skipped with a message where missing) as one
# GeoPackage, -o gpkg -w FILE, against writing each of its feature tables
# as GeoJSON, -o geojson, one process a table, one after another; the
# median of BENCH_RUNS (3) runs of each, taken in turn after one run of
# each that also measures the peak memory (maximum resident set size, from
# /usr/bin/time; the largest of the GeoJSON runs'). Prints the GeoPackage's
# size beside the GeoJSON's, all in WORKDIR/gpkg-database. SOURCE_DATE_EPOCH
# is 0, so every run writes the same GeoPackage, which is checked. Exits 1
# where a run does not end with status 0 or the files differ.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then echo "usage: $0 BINARY WORKDIR [REALDATA]" >&2; exit 2; fi
BIN=$(realpath "$1")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REAL=${3:-$HERE/../../shared/realdata}
RUNS=${BENCH_RUNS:-3}
[ -d "$REAL/dnc17" ] || { echo "skipped: $REAL/dnc17 is missing"; exit 0; }
[ -x /usr/bin/time ] || { echo "time_gpkg_database: needs /usr/bin/time (Debian: time)" >&2; exit 2; }
DB=$(cd "$REAL/dnc17" && pwd)
OUT=$2/gpkg-database
rm -rf "$OUT"
mkdir -p "$OUT/layers"
OUT=$(cd "$OUT" && pwd)
export SOURCE_DATE_EPOCH=0

now_ns() { local t=${EPOCHREALTIME/[.,]/}; echo $((t * 1000)); }

# median of the arguments (numbers).
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# The database's feature tables (database, library, coverage, table), in
# the order of their lower-cased paths.
mapfile -t tables < <(find "$DB" -mindepth 3 -maxdepth 3 -type f \( -iname '*.pft' \
  -o -iname '*.lft' -o -iname '*.aft' -o -iname '*.tft' -o -iname '*.cft' \) |
  awk '{ print tolower($0) "\t" $0 }' | LC_ALL=C sort | cut -f2)
[ "${#tables[@]}" -gt 0 ] || { echo "skipped: no feature table in $DB"; exit 0; }

bad=0
# gpkg [time]: the database as one GeoPackage, under /usr/bin/time where
# asked (peak in gpkg.time).
gpkg() {
  local status=0
  if [ "${1:-}" = time ]; then
    /usr/bin/time -v -o "$OUT/gpkg.time" "$BIN" -o gpkg -w "$OUT/dnc17.gpkg" "$DB" \
      2>"$OUT/gpkg.err" || status=$?
  else
    "$BIN" -o gpkg -w "$OUT/dnc17.gpkg" "$DB" 2>"$OUT/gpkg.err" || status=$?
  fi
  [ "$status" = 0 ] || { echo "-o gpkg: status $status: $(tail -1 "$OUT/gpkg.err")"; bad=1; }
}

# geojson [time]: each table as GeoJSON in OUT/layers (the path's / as
# _), one process after another, under /usr/bin/time where asked (the
# peaks in layers/NAME.time).
geojson() {
  local t name status
  for t in "${tables[@]}"; do
    name=$(tr / _ <<< "${t#"$DB"/}")
    status=0
    if [ "${1:-}" = time ]; then
      /usr/bin/time -v -o "$OUT/layers/$name.time" "$BIN" -o geojson "$t" \
        >"$OUT/layers/$name.geojson" 2>/dev/null || status=$?
    else
      "$BIN" -o geojson "$t" >"$OUT/layers/$name.geojson" 2>/dev/null || status=$?
    fi
    [ "$status" = 0 ] || { echo "-o geojson $t: status $status"; bad=1; }
  done
}

peak_kib() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$@" | sort -n | tail -1; }

gpkg time
geojson time
gpkg_peak=$(peak_kib "$OUT/gpkg.time")
geojson_peak=$(peak_kib "$OUT"/layers/*.time)
first=$(sha256sum < "$OUT/dnc17.gpkg")
gpkg_times=() geojson_times=() same=yes
for ((i = 0; i < RUNS; i++)); do
  t0=$(now_ns)
  gpkg
  t1=$(now_ns)
  geojson
  t2=$(now_ns)
  gpkg_times+=($((t1 - t0)))
  geojson_times+=($((t2 - t1)))
  [ "$(sha256sum < "$OUT/dnc17.gpkg")" = "$first" ] || same=no
done
[ "$same" = yes ] || bad=1

gpkg_bytes=$(stat -c %s "$OUT/dnc17.gpkg")
geojson_bytes=$(cat "$OUT"/layers/*.geojson | wc -c)
echo "binary: $BIN"
echo "cpu: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1) x $(nproc); median of $RUNS runs"
echo "database: $DB, ${#tables[@]} feature tables"
awk -v gn="$(median "${gpkg_times[@]}")" -v jn="$(median "${geojson_times[@]}")" \
    -v gp="$gpkg_peak" -v jp="$geojson_peak" -v gb="$gpkg_bytes" -v jb="$geojson_bytes" \
    -v n="${#tables[@]}" -v last="$(tail -1 "$OUT/gpkg.err")" 'BEGIN {
  printf "%-58s %9s %10s %10s\n", "run", "wall", "peak RSS", "written"
  printf "%-58s %7.3f s %6.1f MiB %7.1f MB\n", "-o gpkg -w FILE, one process (" last ")", gn / 1e9,
         gp / 1024, gb / 1e6
  printf "%-58s %7.3f s %6.1f MiB %7.1f MB\n", "-o geojson, " n " processes one after another", jn / 1e9,
         jp / 1024, jb / 1e6
  printf "gpkg / geojson: wall %.2f, size %.2f\n", gn / jn, gb / jb }'
echo "peak RSS of -o geojson: the largest of its runs'; the same GeoPackage on every run: $same"
exit "$bad"
