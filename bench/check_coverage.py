#!/usr/bin/env python3
"""check_coverage.py BINARY LIBRARY - checks the feature layers of a
coverage made by gen_coverage: each of GRID's three feature tables written
with -o geojson must end with status 0, every feature drawn (no null
geometry) as its table's design says (lines; one face a polygon of one
ring; blocks a polygon of one ring, or with one hole, or two polygons),
every ring closed and in RFC 7946 orientation, and the features in
LIBRARY/expected.jsonl exactly as the generator designed them (positions
compared as 32-bit floats; polygons, holes and where a ring starts
compared as sets)."""

import json
import os
import struct
import subprocess
import sys


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def area2(ring):
    return sum(ring[k][0] * ring[k + 1][1] - ring[k + 1][0] * ring[k][1]
               for k in range(len(ring) - 1))


def canonical_ring(ring):
    """A closed ring as the smallest rotation of its positions (floats)."""
    points = [(f32(x), f32(y)) for x, y in ring[:-1]]
    k = points.index(min(points))
    return tuple(points[k:] + points[:k])


def canonical(geometry):
    if geometry["type"] == "LineString":
        return ("LineString", tuple((f32(x), f32(y)) for x, y in geometry["coordinates"]))
    polygons = [geometry["coordinates"]] if geometry["type"] == "Polygon" else geometry["coordinates"]
    return (geometry["type"], frozenset(
        (canonical_ring(p[0]), frozenset(canonical_ring(h) for h in p[1:])) for p in polygons))


def shape_fault(table, feature):
    """What is wrong with the feature's geometry for its table, or None."""
    g = feature["geometry"]
    if g is None:
        return "no geometry"
    if table == "GRIDL.LFT":
        return None if g["type"] == "LineString" and len(g["coordinates"]) >= 20 else "not an edge"
    polygons = [g["coordinates"]] if g["type"] == "Polygon" else g["coordinates"]
    if table == "GRIDA.AFT":
        shape = g["type"] == "Polygon" and len(polygons[0]) == 1
    elif feature["properties"]["f_code"] == "FA002":
        shape = g["type"] == "MultiPolygon" and [len(p) for p in polygons] == [1, 1]
    else:
        shape = g["type"] == "Polygon" and len(polygons[0]) in (1, 2)
    if not shape:
        return "%s of %s rings" % (g["type"], [len(p) for p in polygons])
    for polygon in polygons:
        for k, ring in enumerate(polygon):
            if len(ring) < 4 or ring[0] != ring[-1]:
                return "a ring is not closed"
            if (area2(ring) > 0) != (k == 0):
                return "a ring is not in RFC 7946 orientation"
    return None


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_coverage.py BINARY LIBRARY")
    binary, library = sys.argv[1:]
    expected = {}
    with open(os.path.join(library, "expected.jsonl")) as f:
        for line in f:
            e = json.loads(line)
            expected[(e["table"], e["id"])] = canonical(e["geometry"])
    faults = 0
    for table in ("GRIDL.LFT", "GRIDA.AFT", "BLOCKA.AFT"):
        run = subprocess.Popen([binary, "-o", "geojson", os.path.join(library, "GRID", table)],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        count = positions = matched = 0
        first_fault = None
        for line in run.stdout:
            line = line.rstrip("\n").rstrip(",")
            if not line.startswith('{"type":"Feature",'):
                continue
            feature = json.loads(line)
            count += 1
            fault = shape_fault(table, feature)
            if fault is None and (table, feature["id"]) in expected:
                if canonical(feature["geometry"]) != expected[(table, feature["id"])]:
                    fault = "not the geometry designed"
                matched += 1
            if fault is not None:
                faults += 1
                first_fault = first_fault or "feature %d: %s" % (feature["id"], fault)
            elif table == "GRIDL.LFT":
                positions += len(feature["geometry"]["coordinates"])
        err = run.stderr.read().strip().splitlines()
        status = run.wait()
        wanted = sum(1 for t, _ in expected if t == table)
        ok = (status == 0 and err[-1:] == ["%d Records processed" % count] and first_fault is None
              and matched == wanted)
        faults += 0 if ok else 1
        print("%-11s %s: status %d, %d features%s, %d of %d designed features equal%s" % (
            table, "ok" if ok else "FAULT", status, count,
            ", %d positions" % positions if table == "GRIDL.LFT" else "", matched, wanted,
            "; first fault, " + first_fault if first_fault else ""))
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
