#!/usr/bin/env bash
# layer_tables.sh BINARY TABLE - the tables that writing the feature layer
# TABLE reads, one path a line, in the order it opens them: the feature
# table, its join table and the primitive tables of every tile it draws
# from (the schema, fcs, and the tile reference, tileref.aft, are left
# out: they are read once, whatever the layer). Watches the run's opens
# with strace; the layer's output goes nowhere.
set -euo pipefail

if [ $# -ne 2 ]; then echo "usage: $0 BINARY TABLE" >&2; exit 2; fi
command -v strace >/dev/null || { echo "layer_tables: needs strace" >&2; exit 2; }
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
strace -e trace=open,openat -o "$trace" "$1" -o geojson "$2" >/dev/null 2>&1 || true
# Files opened for reading alone (folders are opened with O_DIRECTORY).
sed -n 's/^open\(at\)\{0,1\}(\(AT_FDCWD, \)\{0,1\}"\(.*\)", O_RDONLY) = [0-9][0-9]*$/\3/p' "$trace" |
  awk '{ n = tolower($0); sub(/.*\//, "", n) } n != "fcs" && n != "tileref.aft" && !seen[$0]++'
