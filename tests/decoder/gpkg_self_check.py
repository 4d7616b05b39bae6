#!/usr/bin/env python3
"""The GeoPackage checker (check_gpkg.py) fed files written here, as if
the tool had written them: a GeoPackage of the sample database written
from the decoder's own model (by the GeoPackage standard's tables and
R-tree triggers) must pass, and each of a list of damages done to a copy
of it must be caught.

    gpkg_self_check.py [PATH...]    (PATH: testdata/sample by default)

A damage that the PATH gives nothing to do to (no JSON value, say) is
skipped. Exits 0 when each whole file passes and every damage is
caught, else 1.
"""

import os
import shutil
import sqlite3
import struct
import sys
import tempfile

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_gpkg  # noqa: E402
from gpkg_binary import read_blob, write_blob  # noqa: E402
from gpkg_layers import package  # noqa: E402

SAMPLE = os.path.normpath(os.path.join(HERE, os.pardir, os.pardir, "testdata", "sample"))

TABLES = """
CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL, srs_id INTEGER PRIMARY KEY,
  organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL,
  definition TEXT NOT NULL, description TEXT);
CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT NULL,
  identifier TEXT UNIQUE, description TEXT DEFAULT '',
  last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),
  min_x DOUBLE, min_y DOUBLE, max_x DOUBLE, max_y DOUBLE, srs_id INTEGER,
  CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id));
CREATE TABLE gpkg_geometry_columns (table_name TEXT NOT NULL, column_name TEXT NOT NULL,
  geometry_type_name TEXT NOT NULL, srs_id INTEGER NOT NULL, z TINYINT NOT NULL,
  m TINYINT NOT NULL, CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name),
  CONSTRAINT uk_gc_table_name UNIQUE (table_name),
  CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),
  CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));
CREATE TABLE gpkg_extensions (table_name TEXT, column_name TEXT,
  extension_name TEXT NOT NULL, definition TEXT NOT NULL, scope TEXT NOT NULL,
  CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name));
CREATE TABLE gpkg_data_columns (table_name TEXT NOT NULL, column_name TEXT NOT NULL,
  name TEXT, title TEXT, description TEXT, mime_type TEXT, constraint_name TEXT,
  CONSTRAINT pk_gdc PRIMARY KEY (table_name, column_name),
  CONSTRAINT gdc_tn UNIQUE (table_name, name));
CREATE TABLE gpkg_data_column_constraints (constraint_name TEXT NOT NULL,
  constraint_type TEXT NOT NULL, value TEXT, min NUMERIC, min_is_inclusive BOOLEAN,
  max NUMERIC, max_is_inclusive BOOLEAN, description TEXT,
  CONSTRAINT gdcc_ntv UNIQUE (constraint_name, constraint_type, value));
"""
WGS84 = ('GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563,'
         'AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,'
         'AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,'
         'AUTHORITY["EPSG","9122"]],AUTHORITY["EPSG","4326"]]')
SRS = [("Undefined Cartesian SRS", -1, "NONE", -1, "undefined", None),
       ("Undefined geographic SRS", 0, "NONE", 0, "undefined", None),
       ("WGS 84 geodetic", 4326, "EPSG", 4326, WGS84, "longitude/latitude in decimal degrees")]
# GeoPackage 1.4, Annex F.3: T the table, R its R-tree.
TRIGGERS = """
CREATE TRIGGER "R_insert" AFTER INSERT ON T WHEN (new.geom NOT NULL AND NOT ST_IsEmpty(NEW.geom))
BEGIN INSERT OR REPLACE INTO "R" VALUES (NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom),
  ST_MinY(NEW.geom), ST_MaxY(NEW.geom)); END;
CREATE TRIGGER "R_update6" AFTER UPDATE OF geom ON T WHEN OLD.fid = NEW.fid AND
  (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom)) AND
  (OLD.geom NOTNULL AND NOT ST_IsEmpty(OLD.geom))
BEGIN UPDATE "R" SET minx = ST_MinX(NEW.geom), maxx = ST_MaxX(NEW.geom),
  miny = ST_MinY(NEW.geom), maxy = ST_MaxY(NEW.geom) WHERE id = NEW.fid; END;
CREATE TRIGGER "R_update7" AFTER UPDATE OF geom ON T WHEN OLD.fid = NEW.fid AND
  (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom)) AND (OLD.geom ISNULL OR ST_IsEmpty(OLD.geom))
BEGIN INSERT INTO "R" VALUES (NEW.fid, ST_MinX(NEW.geom), ST_MaxX(NEW.geom),
  ST_MinY(NEW.geom), ST_MaxY(NEW.geom)); END;
CREATE TRIGGER "R_update2" AFTER UPDATE OF geom ON T WHEN OLD.fid = NEW.fid AND
  (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))
BEGIN DELETE FROM "R" WHERE id = OLD.fid; END;
CREATE TRIGGER "R_update5" AFTER UPDATE ON T WHEN OLD.fid != NEW.fid AND
  (NEW.geom NOTNULL AND NOT ST_IsEmpty(NEW.geom))
BEGIN DELETE FROM "R" WHERE id = OLD.fid; INSERT OR REPLACE INTO "R" VALUES (NEW.fid,
  ST_MinX(NEW.geom), ST_MaxX(NEW.geom), ST_MinY(NEW.geom), ST_MaxY(NEW.geom)); END;
CREATE TRIGGER "R_update4" AFTER UPDATE ON T WHEN OLD.fid != NEW.fid AND
  (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom))
BEGIN DELETE FROM "R" WHERE id IN (OLD.fid, NEW.fid); END;
CREATE TRIGGER "R_delete" AFTER DELETE ON T WHEN old.geom NOT NULL
BEGIN DELETE FROM "R" WHERE id = OLD.fid; END;
"""


def write_package(model, file_path):
    """The GeoPackage of a model, written by the rules."""
    db = sqlite3.connect(file_path)
    db.executescript("PRAGMA page_size = 4096; PRAGMA application_id = %d; "
                     "PRAGMA user_version = 10400;" % check_gpkg.APPLICATION_ID + TABLES)
    db.executemany("INSERT INTO gpkg_spatial_ref_sys VALUES (?, ?, ?, ?, ?, ?)", SRS)
    q = check_gpkg.quoted
    stamp = "2025-12-08T22:00:00.000Z"
    for layer in model.layers:
        columns = ", ".join("%s %s" % (q(c.name), c.sql_type or layer.geometry_type) +
                            (" PRIMARY KEY AUTOINCREMENT" if c.name == "fid" else "")
                            for c in layer.columns)
        db.execute("CREATE TABLE %s (%s)" % (q(layer.name), columns))
        marks = ", ".join("?" * len(layer.columns))
        for number in range(1, layer.rows + 1):
            db.execute("INSERT INTO %s VALUES (%s)" % (q(layer.name), marks),
                       [bound(value, layer) for value in layer.values(number)])
        db.execute("INSERT INTO gpkg_contents VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   (layer.name, layer.data_type, layer.name, layer.description, stamp) +
                   (layer.extent() or (None,) * 4) + (layer.srs_id,))
        if not layer.attributes:
            rtree = "rtree_%s_geom" % layer.name
            db.execute("INSERT INTO gpkg_geometry_columns VALUES (?, 'geom', ?, ?, ?, 0)",
                       (layer.name, layer.geometry_type, layer.srs_id, layer.z))
            db.execute("CREATE VIRTUAL TABLE %s USING rtree(id, minx, maxx, miny, maxy)"
                       % q(rtree))
            for number, geometry in enumerate(layer.geometries, 1):
                if geometry is not None:
                    box = check_gpkg.geometry_box(geometry)
                    db.execute("INSERT INTO %s VALUES (?, ?, ?, ?, ?)" % q(rtree),
                               (number,) + box)
            db.executescript(TRIGGERS.replace('"R', '"' + rtree).replace(" T ", " %s "
                                                                          % q(layer.name)))
            db.execute("INSERT INTO gpkg_extensions VALUES (?, 'geom', ?, ?, ?)",
                       (layer.name,) + tuple(v.decode() for v in check_gpkg.RTREE_EXTENSION))
        for column in layer.columns:
            if column.index is None:
                continue
            db.execute("INSERT INTO gpkg_data_columns VALUES (?, ?, ?, NULL, NULL, NULL, ?)",
                       (layer.name, column.name, column.title, column.constraint))
            for value, description in column.codes:
                db.execute("INSERT INTO gpkg_data_column_constraints VALUES "
                           "(?, 'enum', ?, NULL, NULL, NULL, NULL, ?)",
                           (column.constraint, value, description))
    for table in ("gpkg_data_columns", "gpkg_data_column_constraints"):
        db.execute("INSERT INTO gpkg_extensions VALUES (?, NULL, ?, ?, ?)",
                   (table,) + tuple(v.decode() for v in check_gpkg.SCHEMA_EXTENSION))
    db.commit()
    db.execute("VACUUM")
    db.close()


def bound(value, layer):
    """A model's value as bound to the statement."""
    if isinstance(value, dict):
        return write_blob(value, layer.srs_id)
    return None if value is None else value.value


# --- Damages ------------------------------------------------------------------------------


def first_geometry(db, model, kind=None):
    """(layer, fid, blob) of the first geometry (of a type)."""
    for layer in model.layers:
        for number, geometry in enumerate(layer.geometries, 1):
            if geometry is not None and (kind is None or geometry["type"] == kind):
                blob = db.execute("SELECT geom FROM %s WHERE fid = ?" % check_gpkg.quoted(
                    layer.name), (number,)).fetchone()[0]
                return layer, number, blob
    raise LookupError("it has no %s" % kind)


def set_geometry(db, layer, fid, blob):
    db.execute("UPDATE %s SET geom = ? WHERE fid = ?" % check_gpkg.quoted(layer.name),
               (blob, fid))


def flip_last_bit(db, model):
    layer, fid, blob = first_geometry(db, model)
    set_geometry(db, layer, fid, blob[:-1] + bytes([blob[-1] ^ 1]))


def reverse_ring(db, model):
    layer, fid, blob = first_geometry(db, model, "Polygon")
    geometry = read_blob(blob).geometry
    geometry["coordinates"][0].reverse()
    set_geometry(db, layer, fid, write_blob(geometry, layer.srs_id))


def single_in_multi(db, model):
    for layer in model.layers:
        for number, geometry in enumerate(layer.geometries, 1):
            if geometry and geometry["type"].startswith("Multi") and \
                    len(geometry["coordinates"]) == 1:
                one = {"type": geometry["type"][5:], "coordinates": geometry["coordinates"][0]}
                set_geometry(db, layer, number, write_blob(one, layer.srs_id))
                return
    raise LookupError("it has no single geometry promoted to a multi one")


def point_envelope(db, model):
    layer, fid, blob = first_geometry(db, model, "Point")
    x, y = read_blob(blob).geometry["coordinates"][:2]
    set_geometry(db, layer, fid, blob[:3] + bytes([blob[3] | 2]) + blob[4:8] +
                 struct.pack("<4d", x, x, y, y) + blob[8:])


def big_endian_wkb(db, model):
    layer, fid, blob = first_geometry(db, model, "Point")
    x, y = read_blob(blob).geometry["coordinates"][:2]
    set_geometry(db, layer, fid, blob[:8] + struct.pack(">BIdd", 0, 1, x, y))


def wrong_srs(db, model):
    layer, fid, blob = first_geometry(db, model)
    set_geometry(db, layer, fid, blob[:4] + struct.pack("<i", 4326 - layer.srs_id) + blob[8:])


def heights_changed(db, model):
    """A 2-D point made 3-D, or a 3-D one 2-D."""
    layer, fid, blob = first_geometry(db, model, "Point")
    geometry = read_blob(blob).geometry
    if len(geometry["coordinates"]) == 2:
        geometry["coordinates"].append(0.0)
    else:
        geometry["coordinates"].pop()
    set_geometry(db, layer, fid, write_blob(geometry, layer.srs_id))


def drop_rtree_entry(db, model):
    layer, fid, _ = first_geometry(db, model)
    db.execute("DELETE FROM %s WHERE id = ?" % check_gpkg.quoted("rtree_%s_geom" % layer.name),
               (fid,))


def widen_rtree_box(db, model):
    layer, fid, _ = first_geometry(db, model)
    db.execute("UPDATE %s SET minx = minx - 0.001 WHERE id = ?" % check_gpkg.quoted(
        "rtree_%s_geom" % layer.name), (fid,))


def drop_trigger(db, model):
    layer, _, _ = first_geometry(db, model)
    db.execute('DROP TRIGGER "rtree_%s_geom_update7"' % layer.name)


def break_trigger(db, model):
    """update2 that forgets to delete: only its body changes."""
    layer, _, _ = first_geometry(db, model)
    rtree = "rtree_%s_geom" % layer.name
    db.execute('DROP TRIGGER "%s_update2"' % rtree)
    db.execute('CREATE TRIGGER "%s_update2" AFTER UPDATE OF geom ON %s WHEN OLD.fid = NEW.fid '
               'AND (NEW.geom ISNULL OR ST_IsEmpty(NEW.geom)) BEGIN SELECT 1; END'
               % (rtree, check_gpkg.quoted(layer.name)))


def column_value(db, model, letter_type, change):
    """Changes the first value of a column of a declared type that the
    change changes."""
    for layer in model.layers:
        for column in layer.columns:
            if column.sql_type and column.sql_type.startswith(letter_type) and column.index \
                    is not None:
                q = check_gpkg.quoted
                for fid, value in db.execute("SELECT fid, %s FROM %s WHERE %s IS NOT NULL" % (
                        q(column.name), q(layer.name), q(column.name))).fetchall():
                    if change(value) != value:
                        db.execute("UPDATE %s SET %s = ? WHERE fid = ?" % (
                            q(layer.name), q(column.name)), (change(value), fid))
                        return
    raise LookupError("it has no %s value" % letter_type)


def padded_text(db, model):
    column_value(db, model, "TEXT(", lambda v: v + " ")


def rounded_float(db, model):
    column_value(db, model, "FLOAT", lambda v: float("%.6g" % v))


def integer_as_real(db, model):
    column_value(db, model, "MEDIUMINT", lambda v: v + 0.5)


def json_changed(db, model):
    """A K, array or coordinate value's JSON text with its first digit changed."""
    for layer in model.layers:
        for number in range(1, layer.rows + 1):
            for column, value in zip(layer.columns, layer.values(number)):
                if value is not None and getattr(value, "kind", None) == "json" and \
                        any(c.isdigit() for c in value.value):
                    digit = next(c for c in value.value if c.isdigit())
                    changed = value.value.replace(digit, "7" if digit != "7" else "8", 1)
                    db.execute("UPDATE %s SET %s = ? WHERE fid = ?" % (check_gpkg.quoted(
                        layer.name), check_gpkg.quoted(column.name)), (changed, number))
                    return
    raise LookupError("it has no JSON value")


def schema_type(db, model):
    """A declared type changed in the schema text alone."""
    db.execute("PRAGMA writable_schema = ON")
    db.execute("UPDATE sqlite_master SET sql = replace(sql, 'SMALLINT', 'INTEGER') "
               "WHERE type = 'table' AND sql LIKE '%SMALLINT%'")
    db.execute("PRAGMA writable_schema = OFF")


def named_by_case(db, model):
    layer = model.layers[0]
    db.execute("ALTER TABLE %s RENAME COLUMN id TO ID" % check_gpkg.quoted(layer.name))


SQL_DAMAGES = {
    "contents stamp": "UPDATE gpkg_contents SET last_change = '2025-12-08T22:00:01.000Z'",
    "contents order": "UPDATE gpkg_contents SET rowid = -rowid",
    "contents extent": "UPDATE gpkg_contents SET min_x = min_x - 1e-9 WHERE min_x IS NOT NULL",
    "geometry type": "UPDATE gpkg_geometry_columns SET geometry_type_name = CASE "
                     "geometry_type_name WHEN 'GEOMETRY' THEN 'POINT' ELSE 'GEOMETRY' END",
    "z": "UPDATE gpkg_geometry_columns SET z = 2",
    "extension row": "DELETE FROM gpkg_extensions WHERE extension_name = 'gpkg_schema'",
    "column title": "UPDATE gpkg_data_columns SET name = name || ' ' WHERE name IS NOT NULL",
    "constraint code": "DELETE FROM gpkg_data_column_constraints WHERE rowid = "
                       "(SELECT max(rowid) FROM gpkg_data_column_constraints)",
    "constraint order": "UPDATE gpkg_data_column_constraints SET rowid = -rowid",
    "srs": "UPDATE gpkg_spatial_ref_sys SET definition = 'none' WHERE srs_id = 0",
    "extra table": "CREATE TABLE notes (a)",
    "extra index": "CREATE INDEX gpkg_contents_by_type ON gpkg_contents (data_type)",
    "user version": "PRAGMA user_version = 10300",
    "application id": "PRAGMA application_id = 0",
    "sequence": "UPDATE sqlite_sequence SET seq = seq + 1",
    "row missing": "DELETE FROM %s WHERE fid = 1",
}
DAMAGES = [flip_last_bit, reverse_ring, single_in_multi, point_envelope, big_endian_wkb,
           wrong_srs, heights_changed, drop_rtree_entry, widen_rtree_box, drop_trigger,
           break_trigger, padded_text, rounded_float, integer_as_real, json_changed,
           schema_type, named_by_case]


def damaged(good, folder, name, damage, model, vacuum=True):
    """A copy of the good file with one damage done."""
    path = os.path.join(folder, name + ".gpkg")
    shutil.copyfile(good, path)
    db = sqlite3.connect(path)
    check_gpkg.register_functions(db)
    if callable(damage):
        damage(db, model)
    else:
        db.execute(damage % check_gpkg.quoted(model.layers[0].name) if "%s" in damage
                   else damage)
    db.commit()
    if vacuum:
        db.execute("VACUUM")
    db.close()
    return path


def main():
    paths = sys.argv[1:] or [SAMPLE]
    return max(check(path) for path in paths)


def check(path):
    """The checker fed one PATH's GeoPackage, whole and damaged, and the
    run's standard error and status, as they are and changed."""
    model = package(path)
    folder = tempfile.mkdtemp(prefix="gpkg_self_check.")
    failures = []
    caught = 0
    try:
        good = os.path.join(folder, "good.gpkg")
        write_package(model, good)
        run = (b"", model.err, model.status)
        failures += ["the run: " + p for p in check_gpkg.run_problems(run, model, False, folder,
                                                                     good)]
        changed = (b"", model.err + b"x\n", 1 - model.status)
        if len(check_gpkg.run_problems(changed, model, False, folder, good)) < 2:
            failures.append("a changed standard error and status are not caught")
        failures += ["the whole file: " + p for p in check_gpkg.package_problems(good, model)]
        cases = [(d.__name__, d, True) for d in DAMAGES] + \
            [(name, sql, True) for name, sql in SQL_DAMAGES.items()]
        cases.append(("free pages", lambda db, model: db.executescript(
            "CREATE TABLE scratch AS SELECT * FROM gpkg_spatial_ref_sys; DROP TABLE scratch"),
            False))
        for name, damage, vacuum in cases:
            try:
                file_path = damaged(good, folder, name.replace(" ", "_"), damage, model, vacuum)
            except LookupError as e:  # PATH shows no such thing: nothing to damage
                print("%s: skipped damage %s: %s" % (path, name, e))
                continue
            if check_gpkg.package_problems(file_path, model):
                caught += 1
            else:
                failures.append("damage not caught: " + name)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAIL %s: %s" % (path, failure))
    print("%s: the whole GeoPackage %s, %d of %d damages caught" % (
        path, "fails" if any(f.startswith("the whole") for f in failures) else "passes",
        caught, caught + sum(f.startswith("damage not") for f in failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
