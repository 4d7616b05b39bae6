#!/usr/bin/env python3
"""Runs `QuorlDCW -o gpkg -w FILE PATH` and checks the GeoPackage against
the independent decoder's own reading of PATH (gpkg_layers.py).

    check_gpkg.py --tool QuorlDCW [--runner PROGRAM] [--crlf] [--base DIR]
        [--expect PATH:LAYERS:FEATURES:STATUS] [--every-feature-drawn] PATH...

For each PATH (under --base where given: the test is skipped, status 77,
where DIR is missing), the run's status and standard error must be the
decoder's, and the file (opened with Python's sqlite3, its geometry blobs
taken apart by gpkg_binary.py) must hold:
- the file: application_id, user_version, page size, UTF-8, no journal,
  no free page, integrity_check "ok", foreign_key_check empty, no table,
  index, view or trigger but those of a GeoPackage of these layers;
- gpkg_spatial_ref_sys, gpkg_contents (the layers in order, their
  description, last_change from SOURCE_DATE_EPOCH, extent, srs_id),
  gpkg_geometry_columns (type, z, m), gpkg_extensions;
- each layer's columns (names, declared types, fid the AUTOINCREMENT
  key) and every value by the value rules; each geometry against the
  decoder's drawing of the feature, every position by its bits, the blob's
  header (flags, srs_id, envelope) and ISO WKB little-endian;
- the R-tree: one entry per geometry, its box the envelope rounded outward
  to 32-bit floats; its seven triggers, exercised on a copy of the file;
- gpkg_data_columns and gpkg_data_column_constraints by the column
  descriptions and the coverage's value description tables.
The first PATH is also run with the GeoPackage on standard output, which
must be the same bytes. QUORL_TOOL, QUORL_TOOL_RUNNER and
QUORL_TOOL_LINE_ENDS=crlf replace --tool, --runner and --crlf (the
Windows build under wine); where QUORL_TOOL names another build than
--tool, each file must be the same bytes as the --tool build's.
--expect also asks the decoder's reading of a PATH for the number of
layers, features and the status, and --every-feature-drawn that it draws
every feature. Exits 0 when all agree, 1 on a difference, 77 when skipped,
2 on a usage error.
"""

import argparse
import concurrent.futures
import os
import shutil
import sqlite3
import struct
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import decode_table  # noqa: E402

sys.modules.setdefault("decode_table", decode_table)
from compare_with_decoder import (difference, first_difference, orientation_problem,  # noqa: E402
                                  parse_json, polygon_keys, run_tool, take_crlf)
from feature_layers import Dissolved  # noqa: E402
from gpkg_binary import BlobError, read_blob, write_blob  # noqa: E402
from gpkg_layers import geometry_box, is_3d, package  # noqa: E402

SKIPPED = 77
EPOCH = 1765231200  # 2025-12-08T22:00:00Z
SHOWN = 12
APPLICATION_ID = 0x47504B47
TRIGGERS = ("insert", "update6", "update7", "update2", "update5", "update4", "delete")
GPKG_TABLES = {
    "gpkg_spatial_ref_sys": ["srs_name", "srs_id", "organization", "organization_coordsys_id",
                             "definition", "description"],
    "gpkg_contents": ["table_name", "data_type", "identifier", "description", "last_change",
                      "min_x", "min_y", "max_x", "max_y", "srs_id"],
    "gpkg_geometry_columns": ["table_name", "column_name", "geometry_type_name", "srs_id", "z",
                              "m"],
    "gpkg_extensions": ["table_name", "column_name", "extension_name", "definition", "scope"],
    "gpkg_data_columns": ["table_name", "column_name", "name", "title", "description",
                          "mime_type", "constraint_name"],
    "gpkg_data_column_constraints": ["constraint_name", "constraint_type", "value", "min",
                                     "min_is_inclusive", "max", "max_is_inclusive",
                                     "description"],
}
SRS_ROWS = [(b"Undefined Cartesian SRS", -1, b"NONE", -1),
            (b"Undefined geographic SRS", 0, b"NONE", 0),
            (b"WGS 84 geodetic", 4326, b"EPSG", 4326)]
RTREE_EXTENSION = (b"gpkg_rtree_index", b"http://www.geopackage.org/spec140/#extension_rtree",
                   b"write-only")
SCHEMA_EXTENSION = (b"gpkg_schema", b"http://www.geopackage.org/spec/#extension_schema",
                    b"read-write")


def quoted(name):
    """An identifier quoted for SQL."""
    return '"' + name.replace('"', '""') + '"'


def utf8(value):
    return None if value is None else value.encode("utf-8")


def bits(value):
    return struct.pack("<d", value)


def same_real(expected, got):
    """A REAL as stored: the same bits (SQLite keeps no negative zero in a
    column of REAL affinity: -0 reads back as 0)."""
    return isinstance(got, float) and (bits(got) == bits(expected) or expected == got == 0)


class Problems(list):
    """The differences found in one file, with a limit per subject so that
    one fault does not hide the others."""

    def __init__(self):
        super().__init__()
        self.counts = {}

    def add(self, subject, text, limit=3):
        self.counts[subject] = self.counts.get(subject, 0) + 1
        if self.counts[subject] <= limit:
            self.append("%s: %s" % (subject, text))
        elif self.counts[subject] == limit + 1:
            self.append("%s: ... (more differences of this kind)" % subject)


# --- The file -------------------------------------------------------------------------


def file_problems(db, file_path, problems):
    """What the file as a whole must be."""
    with open(file_path, "rb") as f:
        head = f.read(100)
    if head[:16] != b"SQLite format 3\0":
        problems.add("file", "is not an SQLite 3 database")
        return False
    if head[18:20] != b"\1\1":
        problems.add("file", "header bytes 18-19 are %r, not a rollback journal's 1, 1 "
                     "(WAL mode)" % head[18:20])
    for pragma, wanted in (("application_id", APPLICATION_ID), ("user_version", 10400),
                           ("page_size", 4096), ("encoding", b"UTF-8"),
                           ("freelist_count", 0)):
        got = db.execute("PRAGMA " + pragma).fetchone()[0]
        if got != wanted:
            problems.add("file", "PRAGMA %s is %r, not %r" % (pragma, got, wanted))
    integrity = [row[0] for row in db.execute("PRAGMA integrity_check")]
    if integrity != [b"ok"]:
        problems.add("file", "PRAGMA integrity_check: %r" % integrity[:3])
    foreign = db.execute("PRAGMA foreign_key_check").fetchall()
    if foreign:
        problems.add("file", "PRAGMA foreign_key_check: %r" % foreign[:3])
    return True


def schema_problems(db, model, problems):
    """No table, index, view or trigger but a GeoPackage's of these layers;
    the gpkg_ tables with the standard's columns."""
    tables = set(GPKG_TABLES) | {"sqlite_sequence"}
    triggers = {}
    for layer in model.layers:
        tables.add(layer.name)
        if not layer.attributes:
            rtree = "rtree_%s_geom" % layer.name
            tables |= {rtree} | {rtree + part for part in ("_node", "_rowid", "_parent")}
            for trigger in TRIGGERS:
                triggers["%s_%s" % (rtree, trigger)] = layer.name
    found = {}
    for kind, name, table in db.execute("SELECT type, name, tbl_name FROM sqlite_master"):
        found.setdefault(kind.decode(), {})[name.decode()] = table.decode()
    for name in sorted(set(found.get("table", {})) - tables):
        problems.add("schema", "holds a table %s that no rule asks for" % name, 5)
    for name in sorted(tables - set(found.get("table", {}))):
        problems.add("schema", "has no table %s" % name, 5)
    for name in sorted(set(found.get("view", {}))):
        problems.add("schema", "holds a view %s" % name)
    for name in sorted(n for n in found.get("index", {}) if not n.startswith("sqlite_autoindex_")):
        problems.add("schema", "holds an index %s that no rule asks for" % name)
    got = found.get("trigger", {})
    if got != triggers:
        extra = sorted(set(got) - set(triggers))
        missing = sorted(set(triggers) - set(got))
        wrong = sorted(n for n in set(got) & set(triggers) if got[n] != triggers[n])
        problems.add("schema", "triggers: %s" % "; ".join(part for part in (
            "extra %s" % extra[:3] if extra else "", "missing %s" % missing[:3] if missing else "",
            "on the wrong table %s" % wrong[:3] if wrong else "") if part))
    for table, columns in GPKG_TABLES.items():
        if table in found.get("table", {}):
            got = [row[1].decode() for row in db.execute("PRAGMA table_info(%s)" % table)]
            if got != columns:
                problems.add("schema", "%s has the columns %s, not %s" % (table, got, columns))


def reference_problems(db, problems):
    """The three spatial reference systems, in order."""
    rows = db.execute("SELECT srs_name, srs_id, organization, organization_coordsys_id, "
                      "definition FROM gpkg_spatial_ref_sys ORDER BY rowid").fetchall()
    got = [(name, srs, organization and organization.upper(), number)
           for name, srs, organization, number, _ in rows]
    if got != SRS_ROWS:
        problems.add("gpkg_spatial_ref_sys", "rows %r, not %r" % (got, SRS_ROWS))
        return
    definitions = [row[4] for row in rows]
    if definitions[:2] != [b"undefined", b"undefined"]:
        problems.add("gpkg_spatial_ref_sys", "-1 and 0 are defined as %r" % definitions[:2])
    wgs84 = definitions[2] or b""
    if not wgs84.startswith(b'GEOGCS["WGS 84"') or b'AUTHORITY["EPSG","4326"]]' not in wgs84:
        problems.add("gpkg_spatial_ref_sys", "4326's definition is not WGS 84's: %r"
                     % wgs84[:60])


# --- The registers --------------------------------------------------------------------


def contents_problems(db, model, problems):
    """gpkg_contents: the layers in order; gpkg_geometry_columns; gpkg_extensions."""
    stamp = time.strftime("%Y-%m-%dT%H:%M:%S.000Z", time.gmtime(EPOCH)).encode()
    rows = db.execute("SELECT table_name, data_type, identifier, description, last_change, "
                      "min_x, min_y, max_x, max_y, srs_id FROM gpkg_contents "
                      "ORDER BY rowid").fetchall()
    names = [row[0].decode("utf-8", "replace") for row in rows]
    wanted = [layer.name for layer in model.layers]
    if names != wanted:
        problems.add("gpkg_contents", "layers %s, not %s" % (names, wanted))
    for row, layer in zip(rows, model.layers):
        if row[0].decode("utf-8", "replace") != layer.name:
            continue
        expected = (utf8(layer.name), utf8(layer.data_type), utf8(layer.name),
                    utf8(layer.description), stamp)
        for field, got, wanted in zip(GPKG_TABLES["gpkg_contents"], row, expected):
            if got != wanted:
                problems.add("gpkg_contents", "%s: %s %r, not %r" % (layer.name, field, got,
                                                                    wanted))
        extent = layer.extent()
        got_extent = row[5:9]
        if extent is None:
            if got_extent != (None,) * 4:
                problems.add("gpkg_contents", "%s: extent %r, not NULL" % (layer.name,
                                                                           got_extent))
        elif not all(same_real(e, g) for e, g in zip(extent, got_extent)):
            problems.add("gpkg_contents", "%s: extent %r, not %r" % (layer.name, got_extent,
                                                                     extent))
        if row[9] != layer.srs_id:
            problems.add("gpkg_contents", "%s: srs_id %r, not %r" % (layer.name, row[9],
                                                                     layer.srs_id))
    got = {row[0]: row[1:] for row in db.execute(
        "SELECT table_name, column_name, geometry_type_name, srs_id, z, m "
        "FROM gpkg_geometry_columns")}
    wanted = {utf8(layer.name): (b"geom", utf8(layer.geometry_type), layer.srs_id, layer.z, 0)
              for layer in model.layers if not layer.attributes}
    if got != wanted:
        for name in sorted(set(got) | set(wanted)):
            if got.get(name) != wanted.get(name):
                problems.add("gpkg_geometry_columns", "%s: %r, not %r" % (
                    name.decode("utf-8", "replace"), got.get(name), wanted.get(name)))
    got = sorted(db.execute("SELECT table_name, column_name, extension_name, definition, scope "
                            "FROM gpkg_extensions").fetchall(), key=repr)
    wanted = [(utf8(layer.name), b"geom") + RTREE_EXTENSION for layer in model.layers
              if not layer.attributes]
    wanted += [(b"gpkg_data_columns", None) + SCHEMA_EXTENSION,
               (b"gpkg_data_column_constraints", None) + SCHEMA_EXTENSION]
    wanted.sort(key=repr)
    if got != wanted:
        extra = [row for row in got if row not in wanted]
        missing = [row for row in wanted if row not in got]
        problems.add("gpkg_extensions", "extra %r, missing %r" % (extra[:2], missing[:2]))


def description_problems(db, model, problems):
    """gpkg_data_columns and gpkg_data_column_constraints."""
    got = {}
    for row in db.execute("SELECT table_name, column_name, name, title, description, "
                          "mime_type, constraint_name FROM gpkg_data_columns"):
        if row[:2] in got:
            problems.add("gpkg_data_columns", "%r has two rows" % (row[:2],))
        got[row[:2]] = row[2:]
    wanted = {}
    constraints = {}
    for layer in model.layers:
        for column in layer.columns:
            if column.index is None:
                continue
            key = (utf8(layer.name), utf8(column.name))
            wanted[key] = (utf8(column.title), None, None, None, utf8(column.constraint))
            if column.constraint:
                constraints[utf8(column.constraint)] = [
                    (b"enum", utf8(value), None, None, None, None, utf8(description))
                    for value, description in column.codes]
    for key in sorted(set(got) | set(wanted)):
        if got.get(key) != wanted.get(key):
            problems.add("gpkg_data_columns", "%s.%s: %r, not %r" % (
                key[0].decode("utf-8", "replace"), key[1].decode("utf-8", "replace"),
                got.get(key), wanted.get(key)))
    got = {}
    for row in db.execute("SELECT constraint_name, constraint_type, value, min, "
                          "min_is_inclusive, max, max_is_inclusive, description "
                          "FROM gpkg_data_column_constraints ORDER BY rowid"):
        got.setdefault(row[0], []).append(tuple(row[1:]))
    for name in sorted(set(got) | set(constraints)):
        mine, theirs = got.get(name, []), constraints.get(name, [])
        if mine != theirs:
            at = next((i for i, (a, b) in enumerate(zip(mine, theirs)) if a != b),
                      min(len(mine), len(theirs)))
            problems.add("gpkg_data_column_constraints", "%s: %d rows, not %d; row %d is %r, "
                         "not %r" % (name.decode("utf-8", "replace"), len(mine), len(theirs),
                                     at + 1, mine[at] if at < len(mine) else None,
                                     theirs[at] if at < len(theirs) else None))


# --- Layers --------------------------------------------------------------------------


def layer_problems(db, layer, problems):
    """A layer's table: columns and types, every row's values and geometry,
    its R-tree and its entry in sqlite_sequence."""
    subject = layer.name
    table = quoted(layer.name)
    info = db.execute("PRAGMA table_info(%s)" % table).fetchall()
    got = [(row[1].decode("utf-8", "replace"), row[2].decode("utf-8", "replace"), row[5])
           for row in info]
    wanted = [(c.name, c.sql_type or layer.geometry_type, 1 if c.name == "fid" else 0)
              for c in layer.columns]
    if got != wanted:
        at = next((i for i, (a, b) in enumerate(zip(got, wanted)) if a != b),
                  min(len(got), len(wanted)))
        problems.add(subject, "columns: %d, not %d; column %d is %r, not %r" % (
            len(got), len(wanted), at + 1, got[at] if at < len(got) else None,
            wanted[at] if at < len(wanted) else None))
        return
    sql = db.execute("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?",
                     (layer.name,)).fetchone()[0].decode("utf-8", "replace")
    if not autoincrement(sql):
        problems.add(subject, "fid is not INTEGER PRIMARY KEY AUTOINCREMENT: %s" % sql[:120])
    selected = ", ".join("typeof(%s), %s" % (quoted(c.name), quoted(c.name))
                         for c in layer.columns)
    rows = db.execute("SELECT %s FROM %s ORDER BY fid" % (selected, table)).fetchall()
    if len(rows) != layer.rows:
        problems.add(subject, "%d rows, not %d" % (len(rows), layer.rows))
    boxes = {}
    for number, row in enumerate(rows[:layer.rows], 1):
        for column, expected, kind, got in zip(layer.columns, layer.values(number), row[::2],
                                               row[1::2]):
            if column.sql_type is None:
                problem = geometry_problem(expected, kind, got, layer, number)
                if expected is not None:
                    boxes[number] = layer.boxes()[number - 1]
            else:
                problem = value_problem(expected, kind, got)
            if problem:
                problems.add("%s %s" % (subject, column.name), "row %d: %s" % (number, problem))
    if not layer.attributes:
        rtree_problems(db, layer, boxes, problems)
    sequence = db.execute("SELECT seq FROM sqlite_sequence WHERE name = ?",
                          (layer.name,)).fetchall()
    if layer.rows and sequence != [(layer.rows,)]:
        problems.add(subject, "sqlite_sequence holds %r, not the last fid %d"
                     % (sequence, layer.rows))


def autoincrement(sql):
    """Whether a CREATE TABLE makes fid its INTEGER PRIMARY KEY AUTOINCREMENT."""
    words = sql.replace("(", " ( ").replace(",", " , ").split()
    for at, word in enumerate(words):
        if word.strip('"').lower() == "fid" and at + 1 < len(words):
            return [w.upper() for w in words[at + 1:at + 5]] == [
                "INTEGER", "PRIMARY", "KEY", "AUTOINCREMENT"]
    return False


def value_problem(expected, kind, got):
    """Where a column's value is not the expected Value, or None."""
    kind = kind.decode()
    if expected.kind == "null":
        return None if kind == "null" else "%s %r, not NULL" % (kind, got)
    if expected.kind == "integer":
        if kind == "integer" and got == expected.value:
            return None
    elif expected.kind == "real":
        if kind == "real" and same_real(expected.value, got):
            return None
    elif expected.kind == "text":
        if kind == "text" and got == utf8(expected.value):
            return None
    elif kind == "text":  # JSON text: the decoder's, or the same by value
        if got == utf8(expected.value):
            return None
        try:
            found = difference(parse_json(got.decode("utf-8")), expected.json)
        except ValueError as e:
            return "%r is not JSON: %s" % (got[:60], e)
        if not found:
            return None
        return "%r, not %s (%s)" % (got[:80], expected.value[:80], found[0])
    return "%s %r, not %s %r" % (kind, got if not isinstance(got, bytes) else got[:80],
                                 "text" if expected.kind == "json" else expected.kind,
                                 expected.value)


# --- Geometries ----------------------------------------------------------------------


def geometry_problem(expected, kind, got, layer, number):
    """Where a geom value is not the blob of the drawn geometry, or None.
    A geometry drawn exactly is first compared with the blob made from it
    (gpkg_binary.write_blob), byte for byte; where they differ, or for a
    union of faces, the blob is taken apart and compared part by part."""
    kind = kind.decode()
    if expected is None:
        return None if kind == "null" else "%s, not NULL (the feature is not drawn)" % kind
    if kind == "blob" and got == layer.blobs()[number - 1]:
        return None
    if kind != "blob":
        return "%s %r, not a geometry blob" % (kind, got if kind != "text" else got[:40])
    try:
        blob = read_blob(got)
    except BlobError as e:
        return "not a GeoPackage geometry: %s" % e
    header = [(blob.version, 0, "version"), (blob.little_endian, True, "little-endian header"),
              (blob.extended, False, "extended type flag"), (blob.empty, False, "empty flag"),
              (blob.srs_id, layer.srs_id, "srs_id"),
              (blob.envelope_code, 0 if expected["type"] == "Point" else 1, "envelope code"),
              (blob.wkb_orders, {"little"}, "WKB byte orders"), (blob.z, is_3d(expected), "Z")]
    for got_value, wanted, what in header:
        if got_value != wanted:
            return "%s %r, not %r" % (what, got_value, wanted)
    if blob.envelope is not None:
        box = layer.boxes()[number - 1]
        if list(map(bits, blob.envelope)) != list(map(bits, box)):
            return "envelope %r, not %r" % (blob.envelope, box)
    problem = shape_problem(expected, blob.geometry)
    if problem is None and not isinstance(expected, Dissolved):
        wanted = write_blob(expected, layer.srs_id)
        problem = "the blob is not the bytes made from the drawing%s" % same_from(got, wanted)
    return problem


def shape_problem(expected, got):
    """Where a decoded geometry is not the drawn one: the same type and
    positions, bit for bit (a union of faces as a set of polygons)."""
    if got["type"] != expected["type"]:
        return "a %s, not a %s" % (got["type"], expected["type"])
    if expected["type"] == "GeometryCollection":
        if len(got["geometries"]) != len(expected["geometries"]):
            return "%d members, not %d" % (len(got["geometries"]), len(expected["geometries"]))
        for index, (a, b) in enumerate(zip(expected["geometries"], got["geometries"])):
            problem = shape_problem(a, b)
            if problem:
                return "member %d: %s" % (index + 1, problem)
        return None
    if isinstance(expected, Dissolved):
        mine = polygon_keys((got["type"], got["coordinates"]), False)
        if mine != polygon_keys((expected["type"], expected["coordinates"]), False):
            return "its polygons are not the decoder's (compared as sets)"
        polygons = [got["coordinates"]] if got["type"] == "Polygon" else got["coordinates"]
        for polygon in polygons:
            for index, ring in enumerate(polygon):
                problem = orientation_problem(ring, False, index == 0)
                if problem:
                    return problem
        return None
    return coordinates_problem(expected["coordinates"], got["coordinates"], "coordinates")


def coordinates_problem(expected, got, where):
    """The first position or count that differs, by the bits of each number."""
    if isinstance(expected, list) and expected and not isinstance(expected[0], list):
        if len(got) != len(expected) or list(map(bits, got)) != [bits(float(v))
                                                                 for v in expected]:
            return "%s is %r, not %r" % (where, got, [float(v) for v in expected])
        return None
    if len(got) != len(expected):
        return "%s has %d parts, not %d" % (where, len(got), len(expected))
    for index, (a, b) in enumerate(zip(expected, got)):
        problem = coordinates_problem(a, b, "%s[%d]" % (where, index))
        if problem:
            return problem
    return None


# --- The R-tree ------------------------------------------------------------------------


def single_steps(value, up):
    """The 32-bit float one step from a 32-bit value, up or down."""
    if value == 0:
        return struct.unpack("<f", struct.pack("<I", 1))[0] * (1 if up else -1)
    word = struct.unpack("<I", struct.pack("<f", value))[0]
    word += 1 if (value > 0) == up else -1
    return struct.unpack("<f", struct.pack("<I", word))[0]


def outward(value, up):
    """The 32-bit floats a box side may be stored as: the nearest one
    outward of the value, or the next one beyond it."""
    try:
        nearest = struct.unpack("<f", struct.pack("<f", value))[0]
    except OverflowError:
        return ()
    if (nearest < value) if up else (nearest > value):
        nearest = single_steps(nearest, up)
    return nearest, single_steps(nearest, up)


def rtree_problems(db, layer, boxes, problems):
    """One entry per drawn feature, id = fid, its box the envelope rounded
    outward to 32-bit floats (at most one further step)."""
    subject = "rtree_%s_geom" % layer.name
    try:
        entries = {row[0]: row[1:] for row in db.execute(
            "SELECT id, minx, maxx, miny, maxy FROM %s" % quoted(subject))}
    except sqlite3.Error as e:
        problems.add(subject, "cannot be read: %s" % e)
        return
    if set(entries) != set(boxes):
        extra = sorted(set(entries) - set(boxes))
        missing = sorted(set(boxes) - set(entries))
        problems.add(subject, "ids %d, not %d: extra %s, missing %s" % (
            len(entries), len(boxes), extra[:5], missing[:5]))
    for fid in sorted(set(entries) & set(boxes)):
        for got, value, up, side in zip(entries[fid], boxes[fid], (False, True, False, True),
                                        ("minx", "maxx", "miny", "maxy")):
            if got not in outward(value, up):
                problems.add(subject, "id %d: %s %r for %r (not rounded outward to a "
                             "32-bit float)" % (fid, side, got, value))


def register_functions(db):
    """The ST_ functions that the R-tree triggers call, from the blob reader."""
    for name, part in (("ST_MinX", 0), ("ST_MaxX", 1), ("ST_MinY", 2), ("ST_MaxY", 3)):
        db.create_function(name, 1, lambda blob, part=part: None if blob is None else
                           geometry_box(read_blob(blob).geometry)[part], deterministic=True)
    db.create_function("ST_IsEmpty", 1, lambda blob: None if blob is None else
                       int(read_blob(blob).empty), deterministic=True)


def exercise_triggers(db, model, problems):
    """On a copy of the file, one feature layer's triggers keep its R-tree
    in step when a program later updates, inserts and deletes features
    (the ST_ functions registered from this file's blob reader)."""
    layer = next((layer for layer in model.layers
                  if not layer.attributes and any(layer.geometries)), None)
    if layer is None:
        return
    copy = sqlite3.connect(":memory:")
    db.backup(copy)
    register_functions(copy)
    table = quoted(layer.name)
    fid = next(number for number, g in enumerate(layer.geometries, 1) if g is not None)
    one, two = (1.5, 1.5, -2.5, -2.5), (3.25, 3.25, 4.75, 4.75)
    points = [write_blob({"type": "Point", "coordinates": [box[0], box[2]]}, layer.srs_id)
              for box in (one, two)]
    moved, added, last = layer.rows + 5, layer.rows + 7, layer.rows + 8
    steps = [  # trigger, statement, parameters, the entries then
        ("update2", "UPDATE %s SET geom = NULL WHERE fid = %d" % (table, fid), (),
         [(fid, None)]),
        ("update7", "UPDATE %s SET geom = ? WHERE fid = %d" % (table, fid), points[:1],
         [(fid, one)]),
        ("update6", "UPDATE %s SET geom = ? WHERE fid = %d" % (table, fid), points[1:],
         [(fid, two)]),
        ("update5", "UPDATE %s SET fid = %d WHERE fid = %d" % (table, moved, fid), (),
         [(fid, None), (moved, two)]),
        ("delete", "DELETE FROM %s WHERE fid = %d" % (table, moved), (), [(moved, None)]),
        ("insert", "INSERT INTO %s (fid, geom) VALUES (%d, ?)" % (table, added), points[:1],
         [(added, one)]),
        ("update4", "UPDATE %s SET geom = NULL, fid = %d WHERE fid = %d" % (table, last, added),
         (), [(added, None), (last, None)]),
    ]
    rtree = quoted("rtree_%s_geom" % layer.name)
    try:
        for trigger, statement, parameters, entries in steps:
            copy.execute(statement, parameters)
            for number, box in entries:
                row = copy.execute("SELECT minx, maxx, miny, maxy FROM %s WHERE id = %d"
                                   % (rtree, number)).fetchone()
                if (row and tuple(row)) != box:
                    problems.add("triggers", "%s (%s): after `%s` the R-tree entry %d is %r, "
                                 "not %r" % (layer.name, trigger, statement, number, row, box))
                    return
    except sqlite3.Error as e:
        problems.add("triggers", "%s: %s" % (layer.name, e))
    finally:
        copy.close()


# --- One GeoPackage ------------------------------------------------------------------------


def package_problems(file_path, model, exercise=True):
    """Everything that is wrong with the GeoPackage at file_path, by the
    decoder's model of it."""
    problems = Problems()
    db = sqlite3.connect("file:%s?mode=ro&immutable=1" % file_path.replace("?", "%3f"),
                         uri=True)
    db.text_factory = bytes
    try:
        if not file_problems(db, file_path, problems):
            return problems
        schema_problems(db, model, problems)
        reference_problems(db, problems)
        contents_problems(db, model, problems)
        description_problems(db, model, problems)
        present = {row[0].decode("utf-8", "replace") for row in db.execute(
            "SELECT name FROM sqlite_master WHERE type = 'table'")}
        for layer in model.layers:
            if layer.name in present:
                layer_problems(db, layer, problems)
        if exercise:
            exercise_triggers(db, model, problems)
    except sqlite3.Error as e:
        problems.add("file", "SQLite: %s" % e)
    finally:
        db.close()
    return problems


# --- The runs -------------------------------------------------------------------------------


def run_problems(result, model, crlf, folder, file_path):
    """Status, standard error and the files the run leaves."""
    out, err, status = result
    problems = Problems()
    if crlf:
        err = take_crlf(err, "tool's stderr", problems)
    difference_text = first_difference("stderr", err, model.err)
    if difference_text:
        problems.append(difference_text)
    if status != model.status:
        problems.append("status: tool %d, decoder %d" % (status, model.status))
    if out:
        problems.append("stdout holds %d bytes (the file is given with -w)" % len(out))
    left = sorted(os.listdir(folder))
    wanted = [os.path.basename(file_path)] if model.status in (0, 1) else []
    if left != wanted:
        problems.append("the folder holds %s after the run, not %s" % (left, wanted))
    return problems


def tool_command(tool, runner):
    return ([runner] if runner else []) + [tool]


def run_to_file(command, path, file_path):
    return run_tool(command + ["-o", "gpkg", "-w", file_path, path])


def check_path(path, index, args, runs, shown_path):
    """Checks one PATH's run; returns (problems, the model, seconds)."""
    started = time.monotonic()
    model = package(path)
    (result, _), folder, file_path = runs[index].result()
    problems = run_problems(result, model, args.crlf, folder, file_path)
    if model.status in (0, 1) and os.path.exists(file_path):
        problems += package_problems(file_path, model)
        with open(file_path, "rb") as f:
            written = f.read()
        if index == 0:
            stdout_run, _ = run_tool(args.command + ["-o", "gpkg", path])
            if stdout_run[0] != written:
                problems.append("-o gpkg %s > FILE: %d bytes, not the %d bytes of -w FILE%s"
                                % (shown_path, len(stdout_run[0]), len(written),
                                   same_from(stdout_run[0], written)))
            if stdout_run[1:] != result[1:]:
                problems.append("-o gpkg %s > FILE: standard error or status differ from "
                                "the -w run's" % shown_path)
        if args.reference:
            reference_file = os.path.join(folder, "reference.gpkg")
            run_to_file(args.reference, path, reference_file)
            with open(reference_file, "rb") as f:
                reference = f.read()
            if reference != written:
                problems.append("the file is not the same bytes as the --tool build's%s"
                                % same_from(written, reference))
    shutil.rmtree(folder, ignore_errors=True)
    return problems, model, time.monotonic() - started


def same_from(a, b):
    at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return " (they differ from byte %d)" % at


def expectation_problems(model, expect, every_drawn):
    """What the decoder's reading must give by the test's expectations."""
    problems = []
    if expect:
        got = (len(model.layers), model.features, model.status)
        if got != expect:
            problems.append("the decoder finds %d layers, %d features, status %d; the test "
                            "expects %d, %d, %d" % (got + expect))
    if every_drawn and model.undrawn:
        problems.append("the decoder leaves %d features undrawn; every one should be drawn"
                        % model.undrawn)
    return problems


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", help="the QuorlDCW binary (QUORL_TOOL replaces it)")
    parser.add_argument("--runner", help="an emulator to run the tool with (QUORL_TOOL_RUNNER)")
    parser.add_argument("--crlf", action="store_true",
                        help="the tool's standard error ends lines in CR LF")
    parser.add_argument("--base", help="the folder the PATHs are in (skipped where missing)")
    parser.add_argument("--expect", action="append", default=[], metavar="PATH:L:F:S",
                        help="the layers, features and status PATH must give")
    parser.add_argument("--every-feature-drawn", action="store_true",
                        help="every feature of every PATH must be drawn")
    parser.add_argument("paths", nargs="+", metavar="PATH")
    args = parser.parse_args()
    reference = tool_command(args.tool, args.runner)
    args.reference = None
    if os.environ.get("QUORL_TOOL", args.tool) != args.tool and args.tool:
        args.reference = reference
    args.tool = os.environ.get("QUORL_TOOL", args.tool)
    args.runner = os.environ.get("QUORL_TOOL_RUNNER", args.runner)
    args.crlf = args.crlf or os.environ.get("QUORL_TOOL_LINE_ENDS") == "crlf"
    if not args.tool:
        parser.error("--tool is required (or QUORL_TOOL)")
    args.command = tool_command(args.tool, args.runner)
    expectations = {}
    for text in args.expect:
        path, *numbers = text.rsplit(":", 3)
        if len(numbers) != 3 or not all(n.isdigit() for n in numbers):
            parser.error("--expect takes PATH:LAYERS:FEATURES:STATUS")
        expectations[path] = tuple(map(int, numbers))
    args.expectations = expectations
    return args


def main():
    args = parse_arguments()
    if args.base and not os.path.isdir(args.base):
        print("%s not found: skipped (the real databases sit beside the project's root in "
              "../shared/realdata)" % args.base)
        return SKIPPED
    os.environ["SOURCE_DATE_EPOCH"] = str(EPOCH)
    started = time.monotonic()
    paths = [os.path.join(args.base, p) if args.base else p for p in args.paths]
    workspace = tempfile.mkdtemp(prefix="check_gpkg.")
    failed = 0
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
            runs = []
            for index, path in enumerate(paths):
                folder = os.path.join(workspace, str(index))
                os.mkdir(folder)
                file_path = os.path.join(folder, "out.gpkg")
                runs.append(pool.submit(lambda path=path, file_path=file_path, folder=folder: (
                    run_to_file(args.command, path, file_path), folder, file_path)))
            for index, (shown, path) in enumerate(zip(args.paths, paths)):
                problems, model, seconds = check_path(path, index, args, runs, shown)
                problems += expectation_problems(model, args.expectations.get(shown),
                                                 args.every_feature_drawn)
                summary = "%s: status %d, %d layers, %d features (%d not drawn), %.1f s" % (
                    shown, model.status, len(model.layers), model.features, model.undrawn,
                    seconds)
                if problems:
                    failed += 1
                    print("FAIL " + summary)
                    for problem in problems[:SHOWN]:
                        print("    " + problem)
                    if len(problems) > SHOWN:
                        print("    ... and %d more" % (len(problems) - SHOWN))
                else:
                    print("ok   " + summary)
    finally:
        shutil.rmtree(workspace, ignore_errors=True)
    print("%d of %d runs of -o gpkg agree with the decoder; %.1f s" % (
        len(paths) - failed, len(paths), time.monotonic() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
