#!/usr/bin/env bash
# write_all_layers.sh BINARY WORKDIR [REALDATA] - every real feature table
# under REALDATA (default ../shared/realdata: DNC 17's and VMap 2's, 58)
# written as a GeoJSON feature layer, one process a table, two at a time
# (xargs -P 2), VMap's with -e 2407, into WORKDIR/layers; prints the wall
# time of the whole, the tables, their statuses, the GeoJSON written and
# the features without geometry. Exits 1 where a table ends with a status
# other than 0, but for VMap's tileref/tileref.aft, whose stray byte gives 1.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then echo "usage: $0 BINARY WORKDIR [REALDATA]" >&2; exit 2; fi
BIN=$(realpath "$1")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REAL=${3:-$HERE/../../shared/realdata}
[ -d "$REAL" ] || { echo "skipped: $REAL is missing"; exit 0; }
REAL=$(cd "$REAL" && pwd)
OUT=$2/layers
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

now_ns() { local t=${EPOCHREALTIME/[.,]/}; echo $((t * 1000)); }

# One line a table: its path under REALDATA, the feature tables of every
# product (by the end of their name, any case).
(cd "$REAL" && find . -type f \( -iname '*.pft' -o -iname '*.lft' -o -iname '*.aft' \
  -o -iname '*.tft' -o -iname '*.cft' \) | sed 's|^\./||' | LC_ALL=C sort) > "$OUT/tables.txt"
[ -s "$OUT/tables.txt" ] || { echo "skipped: no feature table under $REAL"; exit 0; }

# Each table: its GeoJSON in OUT (the path's / as _), its status beside it.
t0=$(now_ns)
# shellcheck disable=SC2016
xargs -P 2 -I{} sh -c '
  edition=; case $1 in vmap*) edition="-e 2407";; esac
  name=$(echo "$1" | tr / _)
  status=0
  "$2" $edition -o geojson "$3/$1" > "$4/$name.geojson" 2> "$4/$name.err" || status=$?
  echo "$status" > "$4/$name.status"' - {} "$BIN" "$REAL" "$OUT" < "$OUT/tables.txt"
t1=$(now_ns)

bad=0 nulls=0
while read -r t; do
  name=$(tr / _ <<< "$t")
  status=$(cat "$OUT/$name.status")
  n=$(grep -c '"geometry":null' "$OUT/$name.geojson" || true)
  nulls=$((nulls + n))
  case "$status:$t" in
    0:* | 1:vmap2/texash/tileref/tileref.aft) ;;
    *) echo "status $status: $t: $(tail -1 "$OUT/$name.err")"; bad=1 ;;
  esac
done < "$OUT/tables.txt"
echo "binary: $BIN"
echo "tables: $(wc -l < "$OUT/tables.txt") under $REAL, two at a time"
echo "statuses: $(cat "$OUT"/*.status | sort | uniq -c | awk '{printf "%s%d with status %s", (NR > 1 ? ", " : ""), $1, $2}')"
echo "written: $(cat "$OUT"/*.geojson | wc -c | awk '{printf "%.1f MB", $1 / 1e6}') of GeoJSON, $nulls features without geometry"
awk -v n=$((t1 - t0)) 'BEGIN { printf "wall time: %.3f s\n", n / 1e9 }'
exit "$bad"
