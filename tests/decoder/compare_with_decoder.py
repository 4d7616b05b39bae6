#!/usr/bin/env python3
"""Runs QuorlDCW and the independent decoder (decode_table.py) on tables and
compares standard output, standard error and exit status.

    compare_with_decoder.py --tool QuorlDCW [--runner PROGRAM] [--crlf]
        [--editions first,2407] [--formats dcw,json,jsonl,geojson]
        (--manifest DIR | TABLE...)
    compare_with_decoder.py --decoder-only --manifest DIR [--editions ...] [--formats ...]

The dump (dcw) runs as `[runner] tool [-e 2407] -l 2147483647 PATH` and is
compared byte for byte. The structured outputs run as `[runner] tool
[-e 2407] -o FORMAT PATH`: status and standard error byte for byte,
standard output by parsed value (the same structure, keys in the same
order, equal strings and integers, each float the same bits at its width
and written with the fewest significant digits that read back to it) and
by its layout (LF only, one row or feature a line). A feature layer's
geometry drawn from several faces is compared as a set of polygons, each
outer ring up to where it starts and its holes as a set; every polygon
ring written must be closed and oriented as RFC 7946 asks.

With --manifest, every file listed in DIR/MANIFEST.tsv is checked, and
each run must also give what the manifest's `fields` column says: 6 fields
dump in both editions, 7 or mixed:6/7 are rejected in the first edition and
dump in the later one (-e 2407), and a file that is not a table is rejected
in both; with -o geojson, every feature of a feature table must be
drawn. --decoder-only checks the decoder against those expectations
alone, and its own JSON text against its values.

The environment variables QUORL_TOOL, QUORL_TOOL_RUNNER and
QUORL_TOOL_LINE_ENDS=crlf replace --tool, --runner and --crlf, so that a
test can be pointed at another build of the tool (the Windows one under
wine). Where QUORL_TOOL names another tool than --tool, each structured
output must also be the same bytes as the --tool build's (run with
--runner): JSON is the same on every host. Exits 0 when everything agrees,
1 on a difference, 77 when the manifest's folder is missing (the test is
skipped), 2 on a usage error.
"""

import argparse
import concurrent.futures
import csv
import functools
import json
import math
import operator
import os
import re
import struct
import subprocess
import sys
import tempfile
import time

# The decoder beside this file, imported without leaving a bytecode cache
# in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from decode_table import (FORMATS, NOT_A_TABLE, Single, decode_table,  # noqa: E402
                          decode_values, expected_output, json_text, number_json,
                          output_decoded, shortest_text, single_from_text, structured_text)
from feature_layers import Dissolved  # noqa: E402

SKIPPED = 77
EDITIONS = {"first": False, "2407": True}
SHOWN_FAILURES = 10

# Real tables that end inside a row: the structured outputs stop before
# that row (status 1) where the dump shows it as its extra last row.
ENDS_INSIDE_ROW = {"vmap2/texash/tileref/tileref.aft": 2}  # one stray byte after row 1

# The last line of standard error where a feature layer left features undrawn.
NO_GEOMETRY = re.compile(rb"\d+ features? ha(s|ve) no geometry; the first, row \d+: ")


def read_manifest(folder):
    """(path, expectation) for every file listed. The expectation is the
    set of editions in which it must dump (None for a file that is not a
    table) and the row its data ends inside (None where it ends cleanly)."""
    entries = []
    with open(os.path.join(folder, "MANIFEST.tsv"), newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            fields = row["fields"]
            if fields == "not-a-table":
                dumps_in = None
            elif fields == "6":
                dumps_in = {"first", "2407"}
            elif fields in ("7", "mixed:6/7"):
                dumps_in = {"2407"}
            else:
                raise SystemExit("%s: unknown fields value %r" % (row["path"], fields))
            entries.append((os.path.join(folder, row["path"]),
                            (dumps_in, ENDS_INSIDE_ROW.get(row["path"]))))
    return entries


def take_crlf(text, stream, problems):
    """A Windows build's stream with its CR LF line ends turned back to LF;
    an LF that does not follow a CR is a problem."""
    at = text.find(b"\n")
    while at >= 0:
        if at == 0 or text[at - 1:at] != b"\r":
            problems.append("%s: line feed without carriage return at byte %d" % (stream, at))
            break
        at = text.find(b"\n", at + 1)
    return text.replace(b"\r\n", b"\n")


def run_once(args):
    """One run of the tool: (stdout, stderr, status)."""
    # Files, not pipes: the helper processes wine starts with a program
    # inherit its standard streams and outlive it, so a pipe would not
    # reach its end before they exit.
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
        status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=out_file,
                                stderr=err_file).returncode
        out_file.seek(0)
        err_file.seek(0)
        return out_file.read(), err_file.read(), status


def tool_arguments(command, path, edition, fmt):
    """The tool's command line for one table, edition and format."""
    args = list(command)
    if EDITIONS[edition]:
        args += ["-e", "2407"]
    args += ["-l", "2147483647"] if fmt == "dcw" else ["-o", fmt]
    return args + [path]


def run_tool(args):
    """The tool's (stdout, stderr, status), and whether it had to be run
    twice.

    The tool writes its banner before anything else, so a failed run that
    wrote nothing at all never got to start; wine does that now and then
    (about once in a few thousand runs). Such a run is tried once more."""
    out, err, status = run_once(args)
    retried = status != 0 and not out and not err
    if retried:
        out, err, status = run_once(args)
    return (out, err, status), retried


def first_difference(name, mine, theirs):
    """Where two streams first differ: the line number and both lines."""
    a = mine.splitlines(keepends=True)
    b = theirs.splitlines(keepends=True)
    for number in range(max(len(a), len(b))):
        line_a = a[number] if number < len(a) else None
        line_b = b[number] if number < len(b) else None
        if line_a != line_b:
            return "%s differs at line %d:\n      tool:    %s\n      decoder: %s" % (
                name, number + 1, shown_line(line_a), shown_line(line_b))
    return None


def shown_line(line, limit=200):
    """A line for the report, repr'd and cut short; None is the stream's end."""
    if line is None:
        return "(end of stream)"
    text = repr(line)
    return text if len(text) <= limit else text[:limit] + "..."


# --- Structured outputs: parsed values --------------------------------------


class NumberText(str):
    """A number of the tool's JSON, kept as its text."""


class Pairs(list):
    """An object of the tool's JSON: its (key, value) pairs in order."""


def no_constant(name):
    raise ValueError("%s is not JSON" % name)


def parse_json(text):
    """The tool's JSON text as Python values: NumberText, str, None, lists
    and Pairs (true and false never appear in these outputs)."""
    return json.loads(text, parse_float=NumberText, parse_int=NumberText,
                      parse_constant=no_constant, object_pairs_hook=Pairs)


def significant_digits(text):
    """The significant digits of a number text: leading zeros do not
    count, nor do trailing zeros of a number without a point."""
    mantissa = text.lstrip("-").split("e")[0].split("E")[0]
    digits = mantissa.replace(".", "").lstrip("0")
    if "." not in mantissa:
        digits = digits.rstrip("0")
    return len(digits) or len(mantissa.replace(".", ""))


# What each number text of the table in hand reads back to: the three
# formats write the same numbers.
READINGS = {}


def reading(text, single):
    """What a number text reads back to at its width (32 bits where
    single), and whether it has the fewest significant digits that do."""
    key = (text, single)
    if key not in READINGS:
        value = single_from_text(text) if single else float(text)
        digits = significant_digits(text)
        if single:
            fewest = digits == 1 or (digits <= 9 and shortest_text(value, digits - 1) is None)
        else:
            fewest = digits == len(re.sub("[^0-9]", "", repr(value).split("e")[0]).strip("0"))
        READINGS[key] = value, fewest
    return READINGS[key]


def number_problem(text, expected):
    """What is wrong with a number text where the float expected (Single:
    32 bits) was to be written, or None."""
    value, fewest = reading(text, isinstance(expected, Single))
    if value == expected and math.copysign(1, value) == math.copysign(1, expected):
        # std::to_chars writes a large integer in fixed notation exactly.
        if fewest or text == number_json(expected):
            return None
    return "tool %s (%d digits), decoder %s" % (text, significant_digits(text),
                                               number_json(expected))


def shown(value, limit=80):
    """A parsed or expected value for the report, as JSON cut short."""
    if isinstance(value, NumberText):
        text = str(value)
    elif isinstance(value, Pairs):
        text = "{" + ",".join("%s:%s" % (json.dumps(k), shown(v)) for k, v in value) + "}"
    elif isinstance(value, list):
        text = "[" + ",".join(shown(v) for v in value) + "]"
    else:
        text = json_text(value)
    return text if len(text) <= limit else text[:limit] + "..."


def difference(tool, expected):
    """None where the tool's parsed value is the expected one, else the
    problem and the path to it as a list of parts, innermost first."""
    if isinstance(expected, Dissolved):
        return dissolved_difference(tool, expected)
    if isinstance(expected, float):
        if isinstance(tool, NumberText):
            problem = number_problem(tool, expected)
            return problem and (problem, [])
    elif expected is None:
        if tool is None:
            return None
    elif isinstance(expected, str):
        if type(tool) is str and tool == expected:
            return None
    elif isinstance(expected, int):
        if isinstance(tool, NumberText) and tool == "%d" % expected:
            return None
    elif isinstance(expected, list):
        if type(tool) is list:
            for index, (a, b) in enumerate(zip(tool, expected)):
                found = difference(a, b)
                if found:
                    found[1].append("[%d]" % index)
                    return found
            if len(tool) == len(expected):
                return None
            return "tool has %d elements, decoder %d" % (len(tool), len(expected)), []
    elif isinstance(tool, Pairs):
        keys = [key for key, _ in tool]
        if keys != list(expected):
            return "keys: tool %s, decoder %s" % (keys, list(expected)), []
        for (key, a), b in zip(tool, expected.values()):
            found = difference(a, b)
            if found:
                found[1].append("." + key)
                return found
        return None
    return "tool %s, decoder %s" % (shown(tool), shown(expected)), []


# --- Feature geometries ---------------------------------------------------------
#
# A union of faces may list its polygons and their holes in any order and
# start each ring anywhere: such geometries are compared as sets, each
# position by its bits at its width. Every polygon ring written must be
# closed and oriented as RFC 7946 asks (outer rings counterclockwise,
# holes clockwise), by its exact signed area.


class Malformed(Exception):
    """A geometry's coordinates are not those of its type."""


def number_value(number, single):
    """A number of the tool's JSON (NumberText) or of the decoder's values,
    as the float it stands for at its width."""
    if isinstance(number, NumberText):
        return reading(number, single)[0]
    if isinstance(number, float):
        return number
    raise Malformed("%s is not a number" % shown(number))


def digits_problem(number, single):
    """Where a number of the tool's is not written with the fewest digits."""
    if isinstance(number, NumberText):
        value, fewest = reading(number, single)
        if not fewest and number != number_json(Single(value) if single else value):
            return "%s is not written with the fewest digits (%s)" % (
                number, number_json(Single(value) if single else value))
    return None


def position_key(position, single):
    """A position as the bytes of its components at 64 bits (a 32-bit
    value is exact there): equal keys are equal bits."""
    if not isinstance(position, list) or len(position) not in (2, 3):
        raise Malformed("%s is not a position" % shown(position))
    return struct.pack("<%dd" % len(position), *(number_value(n, single) for n in position))


def ring_key(ring, single):
    """A closed ring the same wherever it starts: its positions but the
    last, rotated to start at the least one (the least such rotation)."""
    if not isinstance(ring, list) or len(ring) < 2:
        raise Malformed("%s is not a ring" % shown(ring))
    keys = [position_key(p, single) for p in ring]
    if keys[0] != keys[-1]:
        return ("not closed",) + tuple(keys)
    keys.pop()
    least = min(keys)
    return min(tuple(keys[i:] + keys[:i]) for i, key in enumerate(keys) if key == least)


def polygon_keys(geometry, single):
    """The polygons of a Polygon or MultiPolygon's coordinates, each as its
    outer ring's key and its holes' keys (sorted): sorted, as a multiset."""
    kind, value = geometry
    if not isinstance(value, list):
        raise Malformed("the coordinates are not an array")
    polygons = [value] if kind == "Polygon" else value
    keys = []
    for polygon in polygons:
        if not isinstance(polygon, list) or not polygon:
            raise Malformed("%s is not a polygon" % shown(polygon))
        keys.append((ring_key(polygon[0], single),
                     tuple(sorted(ring_key(ring, single) for ring in polygon[1:]))))
    return sorted(keys)


def geometry_fields(geometry):
    """(type, coordinates) of a parsed or expected geometry, else None."""
    if isinstance(geometry, Pairs) and [k for k, _ in geometry] == ["type", "coordinates"]:
        return geometry[0][1], geometry[1][1]
    if isinstance(geometry, dict) and list(geometry) == ["type", "coordinates"]:
        return geometry["type"], geometry["coordinates"]
    return None


def numbers(value):
    """Every number of nested arrays, in order."""
    if isinstance(value, list):
        for item in value:
            yield from numbers(item)
    else:
        yield value


def first_number(value):
    """The first number of nested arrays (None where there is none)."""
    while isinstance(value, list) and value:
        value = value[0]
    return value


def dissolved_difference(tool, expected):
    """A union of faces: the same type, and the same polygons as sets."""
    fields = geometry_fields(tool)
    if fields is None or type(fields[0]) is not str:
        return "tool %s, decoder a %s" % (shown(tool), expected["type"]), []
    if fields[0] != expected["type"]:
        return "tool %s, decoder %s" % (fields[0], expected["type"]), [".type"]
    single = isinstance(first_number(expected["coordinates"]), Single)
    try:
        mine = polygon_keys(fields, single)
    except Malformed as e:
        return str(e), [".coordinates"]
    digits = next(filter(None, (digits_problem(n, single) for n in numbers(fields[1]))), None)
    if digits:
        return digits, [".coordinates"]
    theirs = polygon_keys(geometry_fields(expected), single)
    if mine == theirs:
        return None
    if len(mine) != len(theirs):
        problem = "tool has %d polygons, decoder %d" % (len(mine), len(theirs))
    else:
        missing = [key for key in theirs if key not in mine]
        problem = "as sets of polygons, the decoder's with the outer ring of %d positions " \
            "from %s and %d holes is not the tool's" % (
                len(missing[0][0]), shown_key(missing[0][0], single), len(missing[0][1]))
    return problem, [".coordinates"]


def shown_key(key, single):
    """A ring key's least position, as the report shows it."""
    position = key[1] if key[0] == "not closed" else key[0]
    values = struct.unpack("<%dd" % (len(position) // 8), position)
    return shown([Single(v) if single else v for v in values])


def ring_problems(features, expected):
    """Polygon rings (of the tool's parsed features, or of the decoder's
    values where the tool wrote the same text) that are not closed or not
    in RFC 7946 orientation, each with its path."""
    problems = []
    for index, feature in enumerate(features):
        geometry = dict(feature).get("geometry") if isinstance(feature, Pairs) else \
            feature.get("geometry")
        fields = geometry_fields(geometry)
        if fields is None or fields[0] not in ("Polygon", "MultiPolygon") or \
                not isinstance(fields[1], list):
            continue
        wanted = expected[index].get("geometry") if index < len(expected) else None
        single = isinstance(first_number(wanted and wanted.get("coordinates")), Single)
        polygons = [fields[1]] if fields[0] == "Polygon" else fields[1]
        for p, polygon in enumerate(polygons):
            for r, ring in enumerate(polygon if isinstance(polygon, list) else []):
                where = "features[%d].geometry.coordinates%s[%d]" % (
                    index, "" if fields[0] == "Polygon" else "[%d]" % p, r)
                problem = orientation_problem(ring, single, r == 0)
                if problem:
                    problems.append("%s: %s" % (where, problem))
    return problems


def orientation_problem(ring, single, outer):
    """What is wrong with a ring: not closed, or walked the wrong way round
    (by its exact signed area; a ring of zero area is either)."""
    try:
        xs, ys = ([p[i] for p in ring] for i in (0, 1))
        if not all(type(v) in (float, Single) for v in xs + ys):  # the tool's text
            xs, ys = ([number_value(v, single) for v in part] for part in (xs, ys))
        ratios = [v.as_integer_ratio() for v in xs], [v.as_integer_ratio() for v in ys]
    except (Malformed, TypeError, IndexError, KeyError) as e:
        return "not a ring: %s" % (e or "a position has fewer than two numbers")
    except (OverflowError, ValueError):
        return "a position is not finite"
    if len(xs) < 4 or xs[0] != xs[-1] or ys[0] != ys[-1]:
        return "the ring is not closed (%d positions, the first %s, the last %s)" % (
            len(xs), shown(ring[0]) if ring else "none", shown(ring[-1]) if ring else "none")
    scale = max(d for part in ratios for _, d in part)
    x, y = ([n * (scale // d) for n, d in part] for part in ratios)
    area = sum(map(operator.mul, x, y[1:])) - sum(map(operator.mul, x[1:], y))
    if outer and area < 0:
        return "the outer ring is clockwise (RFC 7946: counterclockwise)"
    if not outer and area > 0:
        return "the hole is counterclockwise (RFC 7946: clockwise)"
    return None


def value_problem(fmt, out, expected):
    """Where the tool's standard output differs by value from the expected
    output (jsonl: a list of rows, one a line), or None."""
    try:
        text = out.decode("utf-8")
    except UnicodeDecodeError as e:
        return "stdout is not UTF-8 at byte %d" % e.start
    if expected is None:
        return "stdout should be empty, holds %r" % out[:80] if out else None
    try:
        if fmt == "jsonl":  # LF only: U+0085 and U+2028 may stand in strings
            lines = text.split("\n")
            tool = parse_json("[" + ",".join(lines[:-1] if lines[-1] == "" else lines) + "]")
        else:
            tool = parse_json(text)
    except ValueError as e:
        return "stdout is not %s: %s" % ("one JSON object a line" if fmt == "jsonl" else "JSON", e)
    if fmt == "geojson" and isinstance(tool, Pairs) and dict(tool).get("features"):
        rings = ring_problems(dict(tool)["features"], expected["features"])
        if rings:
            return "stdout " + rings[0]
    found = difference(tool, expected)
    if not found:
        return None
    parts = found[1][::-1]
    where = "stdout "
    if fmt == "jsonl" and parts:
        where = "stdout line %s: " % (int(parts.pop(0)[1:-1]) + 1)
    path = "".join(parts).lstrip(".")
    return "%s%s%s" % (where, path + ": " if path else "", found[0])


# --- Structured outputs: the layout -----------------------------------------

OUTSIDE_STRINGS = re.compile(rb'"[^"\\]*(?:\\.[^"\\]*)*"')


def expected_lines(fmt, expected):
    """The layout of an output: for each line, None for one row, column or
    feature, else the text of the line (for json's first line: its end)."""
    if fmt == "jsonl":
        return [None] * len(expected)
    if fmt == "geojson":
        frames = ['{"type":"FeatureCollection","features":[', "]}"]
        groups = [len(expected["features"])]
    else:
        frames = ['"columns":[', '],"rows":[', '],"records":%d}' % expected["records"]]
        groups = [len(expected["columns"]), len(expected["rows"])]
    lines = [frames[0]]
    for items, frame in zip(groups, frames[1:]):
        if items:
            lines += [None] * items + [frame]
        else:
            lines[-1] += frame
    return lines


def layout_problem(fmt, out, expected):
    """What is wrong with the lines of a structured output, or None: LF
    only, an LF at the end, no space outside strings, and one row, column
    or feature a line, framed as the format says."""
    if b"\r" in out:
        return "stdout has a carriage return at byte %d (JSON ends its lines in LF only)" % (
            out.index(b"\r"))
    if not out:
        return None
    if not out.endswith(b"\n"):
        return "stdout does not end in a line feed"
    bare = OUTSIDE_STRINGS.sub(b"", out)
    if b" " in bare or b"\t" in bare:
        return "stdout has a space or tab outside strings"
    if expected is None:
        return None
    lines = out[:-1].split(b"\n")
    wanted = expected_lines(fmt, expected)
    if len(lines) != len(wanted):
        return "stdout has %d lines, the layout %d" % (len(lines), len(wanted))
    for number, (line, want) in enumerate(zip(lines, wanted)):
        if want is None:
            last = fmt == "jsonl" or wanted[number + 1] is not None
            ok = line.startswith(b"{") and line.endswith(b"}" if last else b"},")
        elif number == 0 and fmt == "json":
            ok = line.startswith(b'{"description":') and line.endswith(want.encode())
        else:
            ok = line == want.encode()
        if not ok:
            return "stdout line %d does not follow the layout: %s" % (number + 1,
                                                                     shown_line(line, 120))
    return None


# --- One table ---------------------------------------------------------------


def expectation_problems(who, result, expectation, edition, fmt):
    """What is wrong with a run's result against the manifest's expectation."""
    out, err, status = result
    dumps_in, ends_inside = expectation
    last_line = err.rstrip(b"\n").rsplit(b"\n", 1)[-1]
    if fmt == "geojson" and NO_GEOMETRY.match(last_line):
        return ["%s: expected every feature drawn, stderr ends %r" % (who, last_line)]
    if dumps_in is not None and edition in dumps_in:
        if fmt != "dcw" and ends_inside:
            ending = b"Not a valid VPF table file: its data ends inside row %d\n" % ends_inside
            if status != 1 or not err.endswith(ending):
                return ["%s: expected %r (status 1), got status %d, stderr ending %r"
                        % (who, ending, status, err[-60:])]
        elif status != 0 or not err.endswith(b" Records processed\n"):
            return ["%s: expected a dump (status 0), got status %d, stderr ending %r"
                    % (who, status, err[-60:])]
    elif status != 1 or not err.endswith(NOT_A_TABLE):
        return ["%s: expected \"Not a valid VPF table file\" (status 1), got status %d"
                % (who, status)]
    return []


def dump_problems(tool, expected, crlf):
    """The dump: standard output, standard error and status byte for byte."""
    problems = []
    out, err, status = tool
    if crlf:
        out = take_crlf(out, "tool's stdout", problems)
        err = take_crlf(err, "tool's stderr", problems)
    for name, mine, theirs in (("stdout", out, expected[0]), ("stderr", err, expected[1])):
        difference_text = first_difference(name, mine, theirs)
        if difference_text:
            problems.append(difference_text)
    if status != expected[2]:
        problems.append("status: tool %d, decoder %d" % (status, expected[2]))
    return problems


def structured_problems(fmt, tool, expected, crlf, check_rings=True):
    """A structured output: status and standard error byte for byte;
    standard output the decoder's text, or else the same by value and
    layout (the tool may escape strings or write numbers otherwise)."""
    out, err, status = tool
    text, decoded = expected
    problems = []
    if crlf:
        err = take_crlf(err, "tool's stderr", problems)
    difference_text = first_difference("stderr", err, decoded.err)
    if difference_text:
        problems.append(difference_text)
    if status != decoded.status:
        problems.append("status: tool %d, decoder %d" % (status, decoded.status))
    if out != text:
        problems += text_problems(fmt, out, decoded)
    elif decoded.layer is not None and check_rings:  # the same text: the same rings
        features = [{"geometry": geometry} for geometry in decoded.layer.geometries]
        problems += ["stdout " + p for p in ring_problems(features, features)[:1]]
    return problems


def text_problems(fmt, out, decoded):
    """A structured output against the decoder's values: layout and value."""
    expected = expected_output(decoded, fmt)
    return [p for p in (layout_problem(fmt, out, expected), value_problem(fmt, out, expected))
            if p]


def same_table(a, b):
    """Whether two editions' readings of a table are the same (a valid
    header with the same definitions): then so are their outputs."""
    return (a is not None and b is not None and a.header is not None and b.header is not None
            and a.header.definitions == b.header.definitions
            and (a.header.description, a.header.narrative) ==
            (b.header.description, b.header.narrative))


def decoder_results(path, edition, formats, previous):
    """The decoder's outputs of a table in one edition: the dump as
    (stdout, stderr, status) and for each structured format (text,
    Decoded: for -o geojson on a feature table its own, with the layer);
    those of the previous edition where it read the same."""
    later = EDITIONS[edition]
    decoded = decode_values(path, later) if set(formats) - {"dcw"} else None
    if previous and same_table(previous[1], decoded):
        return previous, True
    dump = decode_table(path, later) if "dcw" in formats else None
    texts = {}
    for fmt in formats:
        if fmt != "dcw":
            written = output_decoded(decoded, path, fmt)
            texts[fmt] = (structured_text(written, fmt), written)
    return (dump, decoded, texts), False


def check_table(entry, commands, editions, formats, crlf):
    """Runs one table in every edition and format; returns (path,
    [(edition, format, decoder's outcome, problems)], tool runs retried)."""
    path, expectation = entry
    tool_command, reference_command = commands
    READINGS.clear()
    results = []
    retries = 0
    previous = None
    for edition in editions:
        previous, shared = decoder_results(path, edition, formats, previous)
        dump, _, texts = previous
        for fmt in formats:
            expected = dump if fmt == "dcw" else texts[fmt]
            decoded = None if fmt == "dcw" else expected[1]
            result = dump if fmt == "dcw" else (expected[0], decoded.err, decoded.status)
            problems = []
            if expectation:
                problems += expectation_problems("decoder", result, expectation, edition, fmt)
            if tool_command is None:
                if fmt != "dcw" and not shared:  # the decoder's text against its values
                    problems += text_problems(fmt, expected[0], decoded)
            else:
                tool, retried = run_tool(tool_arguments(tool_command, path, edition, fmt))
                retries += retried
                if fmt == "dcw":
                    problems += dump_problems(tool, expected, crlf)
                else:
                    problems += structured_problems(fmt, tool, expected, crlf, not shared)
                    if reference_command:
                        reference, retried = run_tool(
                            tool_arguments(reference_command, path, edition, fmt))
                        retries += retried
                        problems += same_bytes_problems(tool[0], reference[0])
                if expectation:
                    # Standard error is a text stream: CR LF on Windows.
                    err = tool[1].replace(b"\r\n", b"\n") if crlf else tool[1]
                    problems += expectation_problems("tool", (tool[0], err, tool[2]), expectation,
                                                     edition, fmt)
            results.append((edition, fmt, outcome(result), problems, drawn(decoded)))
    return path, results, retries


def same_bytes_problems(out, reference):
    """On another host the structured output must be the same bytes."""
    if out == reference:
        return []
    at = next((i for i, (a, b) in enumerate(zip(out, reference)) if a != b),
              min(len(out), len(reference)))
    return ["stdout is not the same bytes as the --tool build's from byte %d: %s, not %s "
            "(JSON is the same on every host)" % (at, shown_line(out[at:at + 40], 60),
                                                   shown_line(reference[at:at + 40], 60))]


def drawn(decoded):
    """(features drawn, features) of a feature layer, else None."""
    if decoded is None or decoded.layer is None:
        return None
    geometries = decoded.layer.geometries
    return sum(geometry is not None for geometry in geometries), len(geometries)


def outcome(result):
    """How the decoder's run ended: dumped, rejected, cut (its data ends
    inside a row) or another status."""
    _, err, status = result
    if status == 0:
        return "dumped"
    if status == 1:
        return "rejected" if err.endswith(NOT_A_TABLE) else "cut"
    return "status %d" % status


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", help="the QuorlDCW binary (QUORL_TOOL replaces it)")
    parser.add_argument("--runner", help="an emulator to run the tool with (QUORL_TOOL_RUNNER)")
    parser.add_argument("--crlf", action="store_true",
                        help="the tool writes CR LF line ends (QUORL_TOOL_LINE_ENDS=crlf)")
    parser.add_argument("--manifest", metavar="DIR", help="check every file in DIR/MANIFEST.tsv")
    parser.add_argument("--editions", default="first",
                        help="first, 2407 or first,2407 (default first)")
    parser.add_argument("--formats", default="dcw",
                        help="some of dcw,json,jsonl,geojson (default dcw)")
    parser.add_argument("--decoder-only", action="store_true",
                        help="check the decoder against the manifest, without the tool")
    parser.add_argument("tables", nargs="*", help="table paths to check")
    args = parser.parse_args()
    args.editions = args.editions.split(",")
    if not args.editions or any(e not in EDITIONS for e in args.editions):
        parser.error("--editions takes first, 2407 or first,2407")
    args.formats = args.formats.split(",")
    if any(f not in FORMATS for f in args.formats):
        parser.error("--formats takes some of " + ",".join(FORMATS))
    if bool(args.manifest) == bool(args.tables):
        parser.error("give either --manifest DIR or table paths")
    if args.decoder_only and not args.manifest:
        parser.error("--decoder-only checks the manifest's expectations: give --manifest")
    reference = ([args.runner] if args.runner else []) + [args.tool]
    args.reference = None
    if os.environ.get("QUORL_TOOL", args.tool) != args.tool and args.tool:
        args.reference = reference
    args.tool = os.environ.get("QUORL_TOOL", args.tool)
    args.runner = os.environ.get("QUORL_TOOL_RUNNER", args.runner)
    args.crlf = args.crlf or os.environ.get("QUORL_TOOL_LINE_ENDS") == "crlf"
    if not args.decoder_only and not args.tool:
        parser.error("--tool is required (or QUORL_TOOL)")
    return args


def main():
    args = parse_arguments()
    if args.manifest:
        if not os.path.isdir(args.manifest):
            print("real tables not found at %s: skipped (they sit beside the project's root "
                  "in ../shared/realdata)" % args.manifest)
            return SKIPPED
        entries = read_manifest(args.manifest)
    else:
        entries = [(path, None) for path in args.tables]
    commands = (None, None)
    if not args.decoder_only:
        commands = (([args.runner] if args.runner else []) + [args.tool], args.reference)

    started = time.monotonic()
    failures = []
    outcomes = {}
    layers = []
    retries = 0
    # Processes, not threads: the decoder's Python takes a core of its own.
    # Twice as many as cores, three times for the Windows tool (CR LF): a
    # tool run under wine waits on wine's server as much as it computes
    # (the realdata check takes 66 s there with three times, 74 s with
    # twice and 98 s with as many as cores).
    check = functools.partial(check_table, commands=commands, editions=args.editions,
                              formats=args.formats, crlf=args.crlf)
    workers = (3 if args.crlf else 2) * (os.cpu_count() or 1)
    with concurrent.futures.ProcessPoolExecutor(max_workers=workers) as pool:
        done = {result[0]: result for results in pool.map(
            functools.partial(check_group, check), coverage_groups(entries)) for result in results}
        for (path, expectation), (_, results, retried) in ((e, done[e[0]]) for e in entries):
            retries += retried
            not_a_table = expectation is not None and expectation[0] is None
            for edition, fmt, result, problems, layer in results:
                if layer:
                    layers.append(layer)
                key = ("other file" if not_a_table else "table", result)
                outcomes[key] = outcomes.get(key, 0) + 1
                if problems:
                    failures.append((path, edition, fmt, problems))
    seconds = time.monotonic() - started

    for path, edition, fmt, problems in failures[:SHOWN_FAILURES]:
        print("FAIL %s (edition %s, format %s)" % (path, edition, fmt))
        for problem in problems:
            print("    " + problem)
    if len(failures) > SHOWN_FAILURES:
        print("... and %d more failing runs" % (len(failures) - SHOWN_FAILURES))
    if retries:
        print("%d run%s of the tool wrote nothing and failed: tried again"
              % (retries, "s" if retries > 1 else ""))
    print(summary(entries, args, outcomes, failures, seconds, layers))
    return 1 if failures else 0


def check_group(check, group):
    """Checks a group of entries in one worker, in order."""
    return [check(entry) for entry in group]


# What the runs of one file cost beside its size, as so many bytes: the
# tool's eight runs weigh most under an emulator.
FILE_WEIGHT = 64 << 10


def coverage_groups(entries):
    """The entries in the groups that one worker checks, the heaviest first
    so that no worker is left with one at the end: the tables of one
    coverage together, the biggest first (a feature layer then finds the
    texts of its primitives' numbers worked out), every other file alone."""
    groups = {}
    for entry in entries:
        groups.setdefault(coverage_of(entry[0]) or entry[0], []).append(entry)
    for group in groups.values():
        group.sort(key=lambda entry: -size_of(entry[0]))
    return sorted(groups.values(),
                  key=lambda group: -sum(size_of(path) + FILE_WEIGHT for path, _ in group))


@functools.lru_cache(maxsize=None)
def entries_of(folder):
    """The lower-case names in a folder (none where it cannot be listed)."""
    try:
        return frozenset(name.lower() for name in os.listdir(folder))
    except OSError:
        return frozenset()


def coverage_of(path):
    """The coverage a table belongs to: the nearest folder above it that
    holds an fcs, or None."""
    folder = os.path.dirname(os.path.abspath(path))
    while "fcs" not in entries_of(folder):
        if os.path.dirname(folder) == folder:
            return None
        folder = os.path.dirname(folder)
    return folder


def size_of(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def counted(n, word):
    return "%d %s%s" % (n, word, "" if n == 1 else "s")


def summary(entries, args, outcomes, failures, seconds, layers):
    """One line: how many tables and runs, how many dumped, rejected and
    cut short (by the decoder's outcome), how many features the decoder
    drew in feature layers, how long it took."""
    tables = sum(1 for _, expectation in entries
                 if not (expectation is not None and expectation[0] is None))
    others = len(entries) - tables
    runs = sum(outcomes.values())
    table_runs = sum(n for (kind, _), n in outcomes.items() if kind == "table")
    verb = "meet%s the manifest (decoder only)" if args.decoder_only else "agree%s with the decoder"
    verb %= "s" if table_runs == 1 else ""
    if failures:
        verb = "checked, %d FAILED" % len(failures)
    shown_outcomes = ", ".join("%d %s" % (n, name) for (kind, name), n in sorted(
        outcomes.items()) if kind == "table")
    line = "%s, editions %s, formats %s: %s %s (%s)" % (
        counted(tables, "table"), "+".join(args.editions), "+".join(args.formats),
        counted(table_runs, "run"), verb, shown_outcomes or "none")
    if others:
        line += "; %s not a table: rejected in %d of %s" % (
            counted(others, "file"), outcomes.get(("other file", "rejected"), 0),
            counted(runs - table_runs, "run"))
    if layers:
        line += "; %s: %d of %s drawn" % (
            counted(len(layers), "feature layer run"), sum(n for n, _ in layers),
            counted(sum(total for _, total in layers), "feature"))
    return line + "; %.1f s" % seconds


if __name__ == "__main__":
    sys.exit(main())
