#!/usr/bin/env python3
"""Checks the feature layers QuorlDCW draws from the sample database.

Runs `QuorlDCW -e 2407 -o geojson TABLE` on each feature table of
testdata/sample and compares the run with the expected output written by
hand from the sample's design (tests/expected/sample/<table>.geojson, see
testdata/README.md): standard output as JSON (keys in order, numbers by
value, one feature a line), standard error and the status exactly.

The geometry of a feature drawn from several faces is compared as a set:
where each ring starts, the order of the holes and of the polygons are the
tool's choice there. A feature of one face is compared exactly.

    check_sample_layers.py --tool build/QuorlDCW [--runner PROGRAM]

QUORL_TOOL and QUORL_TOOL_RUNNER replace --tool and --runner, so that the
check runs another build of the tool (the Windows one under wine).

Status 0 when every table matches, 1 otherwise.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.normpath(os.path.join(HERE, os.pardir, "testdata", "sample"))
EXPECTED = os.path.join(HERE, "expected", "sample")

BANNER = ("QuorlGIS Mapping System\nby Brannick\n"
          "PO Box 4127, 18 Harrow Lane, Eastmere\nNorthland NL 40217\n\n")

# Every feature table of the sample; the value is the table of the coverage
# that is missing, for the one table that cannot be drawn (status 3).
TABLES = {
    "quorlbay/hyd/bayarea.aft": None,
    "quorlbay/snd/ctrlpnt.pft": "fcs",
    "quorlbay/tileref/tileref.aft": None,
    "quorlbay/lim/limarea.aft": None,
    "quorlbay/lim/limline.lft": None,
    "quorlbay/lim/limpnt.pft": None,
    "quorlbay/lim/limtext.tft": None,
    "tamsel/hbr/approach.cft": None,
    "tamsel/hbr/berths.lft": None,
    "tamsel/hbr/marks.pft": None,
    "tamsel/hbr/marks.tft": None,
}
# The features drawn from several faces (by feature id): their polygons
# are compared as sets.
SEVERAL_FACES = {"quorlbay/lim/limarea.aft": {1, 2}}

SET_NOTE = " (compared as sets: each ring from its least position, holes and polygons sorted)"


def where(path):
    return "".join(f"[{p}]" if isinstance(p, int) else f".{p}" for p in path).lstrip(".")


def short(value):
    text = json.dumps(value, separators=(",", ":"))
    return text if len(text) <= 120 else text[:117] + "..."


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def first_difference(want, got, path=()):
    """The path and a description of the first difference, or None."""
    if is_number(want) and is_number(got):
        return None if want == got else (path, f"expected {short(want)}, got {short(got)}")
    if isinstance(want, list) and isinstance(got, list):
        for index, (w, g) in enumerate(zip(want, got)):
            found = first_difference(w, g, path + (index,))
            if found:
                return found
        if len(want) != len(got):
            return (path, f"expected {len(want)} elements, got {len(got)}")
        return None
    if isinstance(want, dict) and isinstance(got, dict):
        if list(want) != list(got):
            return (path, f"expected the keys {list(want)}, got {list(got)}")
        for key in want:
            found = first_difference(want[key], got[key], path + (key,))
            if found:
                return found
        return None
    if type(want) is not type(got) or want != got:
        return (path, f"expected {short(want)}, got {short(got)}")
    return None


def order_key(value):
    """A total order on JSON values, equal for values that compare equal."""
    if is_number(value):
        return (0, float(value))
    if isinstance(value, list):
        return (1, tuple(order_key(v) for v in value))
    return (2, json.dumps(value, sort_keys=True))


def canonical_ring(ring):
    if not isinstance(ring, list) or len(ring) < 2 or order_key(ring[0]) != order_key(ring[-1]):
        return ring
    body = ring[:-1]
    start = min(range(len(body)), key=lambda k: order_key(body[k:] + body[:k]))
    turned = body[start:] + body[:start]
    return turned + turned[:1]


def canonical_polygon(rings):
    if not isinstance(rings, list) or not rings:
        return rings
    rings = [canonical_ring(r) for r in rings]
    return rings[:1] + sorted(rings[1:], key=order_key)


def canonical_geometry(geometry):
    """Polygon and MultiPolygon coordinates with every choice made one way."""
    if not isinstance(geometry, dict) or not isinstance(geometry.get("coordinates"), list):
        return geometry
    kind, coordinates = geometry.get("type"), geometry["coordinates"]
    if kind == "Polygon":
        coordinates = canonical_polygon(coordinates)
    elif kind == "MultiPolygon":
        coordinates = sorted((canonical_polygon(p) for p in coordinates), key=order_key)
    else:
        return geometry
    return dict(geometry, coordinates=coordinates)


def unique_keys(pairs):
    keys = [key for key, _ in pairs]
    for key in keys:
        if keys.count(key) > 1:
            raise ValueError(f"the key {key!r} is written {keys.count(key)} times in one object")
    return dict(pairs)


def compare_output(table, want_text, got_text):
    """Problems with standard output, the first differing feature first."""
    if not want_text:
        return [] if not got_text else [f"standard output: expected nothing, got {short(got_text)}"]
    try:
        got = json.loads(got_text, object_pairs_hook=unique_keys)
    except ValueError as error:
        first = got_text.split("\n", 1)[0]
        return [f"standard output is not JSON ({error}); its first line: {first[:120]!r}"]
    want = json.loads(want_text)
    problems = []
    wanted = want["features"]
    features = got.get("features") if isinstance(got, dict) else None
    if not isinstance(features, list):
        found = first_difference(want, got)
        return [f"standard output at {where(found[0]) or 'the top'}: {found[1]}"]
    found = first_difference({k: ([] if k == "features" else v) for k, v in want.items()},
                             {k: ([] if k == "features" else v) for k, v in got.items()})
    if found:
        problems.append(f"the collection at {where(found[0]) or 'the top'}: {found[1]}")
    several = SEVERAL_FACES.get(table, set())
    differing = []
    for index, feature in enumerate(features[:len(wanted)]):
        expected = wanted[index]
        note = ""
        found = first_difference(expected, feature)
        same_kind = (isinstance(feature, dict) and isinstance(feature.get("geometry"), dict)
                     and feature["geometry"].get("type") == expected["geometry"].get("type"))
        if found and found[0][:1] == ("geometry",) and expected.get("id") in several and same_kind:
            expected = dict(expected, geometry=canonical_geometry(expected["geometry"]))
            feature = dict(feature, geometry=canonical_geometry(feature.get("geometry")))
            found = first_difference(expected, feature)
            note = SET_NOTE
        if found:
            differing.append((index, found, note))
    if differing:
        index, (path, what), note = differing[0]
        problems.append(f"{len(differing)} of {len(wanted)} features differ; the first, feature "
                        f"{index + 1}, at {where(path)}: {what}{note}")
    if len(features) != len(wanted):
        problems.append(f"expected {len(wanted)} features, got {len(features)}")
    lines = got_text.split("\n")
    if not problems and (lines[-1] != "" or len(lines) != len(wanted) + 3):
        problems.append(f"standard output: expected {len(wanted) + 2} lines (one a feature) "
                        f"ending in a line feed, got {got_text.count(chr(10))} line feeds")
    return problems


def expectation(table, path):
    """Standard output, standard error and status expected for one table."""
    with open(os.path.join(EXPECTED, *table.split("/")) + ".geojson", encoding="utf-8") as f:
        out = f.read()
    missing = TABLES[table]
    if missing:
        coverage = path.rsplit("/", 1)[0]
        return out, BANNER + f"can't open {coverage}/{missing} for reading\n", 3
    return out, BANNER + f"{len(json.loads(out)['features'])} Records processed\n", 0


def check_run(table, path, run):
    """Problems with one run (stdout text, stderr text, status)."""
    want_out, want_err, want_status = expectation(table, path)
    out, err, status = run
    problems = []
    if status != want_status:
        problems.append(f"status: expected {want_status}, got {status}")
    err = err.replace("\r\n", "\n")
    if err != want_err:
        problems.append(f"standard error: expected {want_err[len(BANNER):]!r} after the banner, "
                        f"got {err[len(BANNER):] if err.startswith(BANNER) else err!r}")
    return problems + compare_output(table, want_out, out)


def run_tool(tool, runner, path):
    command = ([runner] if runner else []) + [tool, "-e", "2407", "-o", "geojson", path]
    # Files, not pipes: the helper processes wine starts with a program
    # inherit its standard streams and outlive it.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                timeout=300).returncode
        out.seek(0)
        err.seek(0)
        return (out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace"),
                status)


def report(table, problems):
    if problems:
        print(f"FAIL {table}")
        for problem in problems:
            print(f"    {problem}")
    else:
        print(f"ok   {table}")
    return bool(problems)


def self_check(sample):
    """Feeds the checker the expected files as if the tool had written them,
    as they are and changed in ways that must pass or must fail."""
    failures = 0

    def expect(name, table, run, passes, mention=""):
        nonlocal failures
        problems = check_run(table, sample + "/" + table, run)
        fine = (not problems) if passes else bool(problems) and mention in "\n".join(problems)
        if not fine:
            failures += 1
        print(f"{'ok  ' if fine else 'FAIL'} {name}: "
              f"{'passes' if not problems else problems[0]}")

    def edited(table, change):
        out, err, status = expectation(table, sample + "/" + table)
        lines = out.split("\n")
        features = [json.loads(line.rstrip(",")) for line in lines[1:-2]]
        change(features)
        body = ",\n".join(json.dumps(f, separators=(",", ":")) for f in features)
        return (lines[0] + "\n" + body + "\n" + lines[-2] + "\n", err, status)

    for table in TABLES:
        expect(f"{table} as expected", table, expectation(table, sample + "/" + table), True)
    area = "quorlbay/lim/limarea.aft"

    def turn(ring, by):
        return ring[by:-1] + ring[:by] + ring[by:by + 1]

    def union_reordered(features):
        rings = features[0]["geometry"]["coordinates"]
        rings[:] = [turn(rings[0], 3), turn(rings[2], 1), rings[1]]
        polygons = features[1]["geometry"]["coordinates"]
        polygons[:] = [[turn(polygons[1][0], 2)], polygons[0]]
    expect("a union's rings turned, its holes and polygons reordered", area,
           edited(area, union_reordered), True)

    def hole_moved(features):
        features[0]["geometry"]["coordinates"][2][1][0] = -21.426
    expect("a hole's position changed", area, edited(area, hole_moved), False,
           "the first, feature 1, at geometry.coordinates[2]")

    def single_turned(features):
        ring = features[3]["geometry"]["coordinates"][0]
        ring[:] = turn(ring, 1)
    expect("a single face's ring turned", area, edited(area, single_turned), False, "feature 4")

    def reversed_hole(features):
        features[0]["geometry"]["coordinates"][1].reverse()
    expect("a union's hole reversed", area, edited(area, reversed_hole), False, "as sets")

    def polygon_lost(features):
        features[1]["geometry"]["coordinates"].pop()
    expect("a polygon lost", area, edited(area, polygon_lost), False, "feature 2")

    text = "quorlbay/lim/limtext.tft"

    def keys_swapped(features):
        properties = features[1]["properties"]
        features[1]["properties"] = {"string": properties.pop("string"), **properties}
    expect("the text's string not last", text, edited(text, keys_swapped), False, "keys")

    def repeat_dropped(features):
        del features[0]["geometry"]["coordinates"][2]
    expect("a repeated text position dropped", text, edited(text, repeat_dropped), False,
           "feature 1")
    out, err, status = expectation(text, sample + "/" + text)
    expect("numbers written another way", text,
           (out.replace("-21.49,", "-21.490,").replace("\"id\":2", "\"id\":2.0"), err, status),
           True)
    expect("one line for every feature", text, (out.replace(",\n{", ",{"), err, status), False,
           "lines")
    expect("a key written twice", text, (out.replace('"string":', '"string":"x","string":', 1),
                                         err, status), False, "2 times")
    expect("a wrong status", text, (out, err, 1), False, "status")
    expect("CRLF on standard error", text, (out, err.replace("\n", "\r\n"), status), True)
    points = "quorlbay/snd/ctrlpnt.pft"
    _, err, _ = expectation(points, sample + "/" + points)
    expect("a layer where nothing may be written", points,
           ('{"type":"FeatureCollection","features":[\n]}\n', err, 3), False, "expected nothing")
    expect("a record count where fcs is missing", points,
           ("", BANNER + "3 Records processed\n", 3), False, "standard error")
    print(f"self-check: {failures} failure(s)")
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", help="the QuorlDCW program to run")
    parser.add_argument("--runner", help="a program that runs the tool (an emulator)")
    parser.add_argument("--sample", default=SAMPLE, help="the sample database (testdata/sample)")
    parser.add_argument("--self-check", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    sample = args.sample.replace(os.sep, "/").rstrip("/")
    if args.self_check:
        return self_check(sample)
    args.tool = os.environ.get("QUORL_TOOL", args.tool)
    args.runner = os.environ.get("QUORL_TOOL_RUNNER", args.runner)
    if not args.tool:
        parser.error("--tool is required")
    failed = 0
    for table in TABLES:
        path = sample + "/" + table
        try:
            problems = check_run(table, path, run_tool(args.tool, args.runner, path))
        except (OSError, subprocess.TimeoutExpired) as error:
            problems = [f"the tool could not be run: {error}"]
        failed += report(table, problems)
    print(f"{len(TABLES) - failed} of {len(TABLES)} feature tables as expected")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
