#!/usr/bin/env python3
"""Writes a small VPF database of what -o gpkg must handle and the sample
does not show, for check_gpkg.py to run the tool on (ctest gpkg_edges):

    gpkg_edge_library.py FOLDER

- library `aaa` (its grt gives GEO but not WGE: srs_id 0): coverage `cov`
  with a point table of every value kind (NaN, infinities, -0, a 32-bit
  subnormal, Latin-1 and NUL bytes, padded fixed and variable text,
  triplets, arrays, positions) and names to make unique (FID, fid, GEOM,
  string, Dup/dup/dup), coded columns whose vdt rows differ in case and
  spaces, repeat a code, trim to one or hold an empty code; a line table
  of the same name (both get their extension) with a feature whose edge
  has no row; texts at a point and along a line (GEOMETRY); texts joined
  in twos (a GeometryCollection); points joined in twos and alone (multi
  promotion, 2-D and 3-D: z 2); a table cut inside its last row; one the
  fcs gives no join; one whose header is not valid; one without rows; one
  whose features none can be drawn (a column's description starting with a
  NUL byte: none);
  an fca row whose descr is empty. Coverages `x-y` and `x_y` (one name: `_2`) and `GPKG`.
- library `bbb` (no grt): a coverage holding only a .cft.
- library `ccc` (a grt that is not GEO): a coverage holding no table.

Every byte is written here from the table writer of testdata/make_sample.py.
"""

import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, os.pardir, os.pardir, "testdata"))
sys.dont_write_bytecode = True
import make_sample as ms  # noqa: E402
from make_sample import table  # noqa: E402

NAN, INF = float("nan"), float("inf")
ID = ("id", "I", "1", "P", "Row Identifier")
NODES = [ID, ("coordinate", "Z", "1", "N", "Node Position (lon/lat/height)")]
EDGES = [ID, ("coordinates", "C", "*", "N", "Edge Shape (lon/lat)")]
POINTS = [
    ID, ("FID", "I", "1", "N", "Upper fid"), ("fid", "I", "1", "N", "Lower fid"),
    ("GEOM", "T", "3", "N", "Upper geom"), ("string", "T", "4", "N", "A Column Named string"),
    ("flt", "F", "1", "N", "Float"), ("dbl", "R", "1", "N", "Double"),
    ("dat", "D", "1", "N", "Date"), ("nul", "X", "1", "N", "Null"),
    ("key", "K", "1", "N", "Triplet"), ("dbls", "R", "*", "N", "Doubles"),
    ("shorts", "S", "2", "N", "Two Shorts"), ("none", "I", "0", "N", "No Integers"),
    ("vtext", "T", "*", "N", "Variable Text"), ("ftext", "T", "8", "N", "Fixed Text"),
    ("code", "S", "1", "N", "Coded", "INT.VDT"), ("ccode", "T", "3", "N", "Char Coded",
                                                    "char.vdt"),
    ("pos", "C", "1", "N", "A Position"), ("line", "B", "*", "N", "A Line"),
    ("one", "F", "3", "N", "A Float Counted 3"), ("Dup", "I", "1", "N", "Dup"),
    ("dup", "I", "1", "N", "Dup"), ("dup", "I", "1", "N", "  Dup  "),
    ("end_id", "I", "1", "N", "Node"),
]
POINT_ROWS = [
    (1, 7, 8, "abc", "st", 1.1, 0.1, "20250101000000.0    ", None, (0xF8, 1, 2, 3),
     [1.5, NAN], [1, -2], [], "pad  ", "~1", 1, "A", (-21.5, -38.6), [(0.1, 0.2), (INF, 1e300)],
     2.5, 1, 2, 3, 1),
    (2, 0, 0, "", "", NAN, INF, " " * 20, None, (0x00,), [], [0, 0], [], "", "", 2, " A ",
     (NAN, 1.0), [], -0.0, 0, 0, 0, 2),
    (3, 0, 0, "x", "y", -0.0, -INF, "2025" + " " * 16, None, (0x40, 5), [-0.0],
     [32767, -32768], [], "~2", " " * 8, 9, "B", (1.0, 2.0), [(1.0, 2.0)], 1e-45, 0, 0, 0, 3),
    (4, 0, 0, "x", "y", 3.0, 3.0, "2025" + " " * 16, None, (0x40, 5), [], [1, 1], [], "", "",
     1, "B", (1.0, 2.0), [], 1.0, 0, 0, 0, 0),
]
# Bytes that the writer's ASCII text cannot give, put in after it.
LATIN1 = [(b"~1      ", b"\xe9t\xe9\x00 \x00  "), (b"~2", b"\xff\x7f"), (b"~3   ", b"\xc4\xd6   "),
          (b"~0", b"\x00z")]


def patched(data):
    for mark, raw in LATIN1:
        data = data.replace(mark, raw)
    return data


def fcs(joins):
    return table("L", "Feature Classes", ms.FCS_COLUMNS,
                 [(number,) + join for number, join in enumerate(joins, 1)])


def keyed(description, key, rows):
    """A feature table of id and one key column."""
    return table("L", description, [ID, (key, "I", "1", "N", "Key")], rows)


def join_table(feature, primitive, rows):
    """A join table: id, the feature's id, the primitive's."""
    columns = [ID, (feature + "_id", "I", "1", "N", "Feature"),
               (primitive, "I", "1", "N", "Primitive")]
    return table("L", "Join", columns, rows)


def cov_files():
    joins = [("pts", "pts.pft", "end_id", "end", "id"), ("ptsl", "pts.lft", "edg_id", "edg", "id"),
             ("cut", "cut.pft", "end_id", "end", "id"), ("txt", "names.tft", "txt_id", "txt", "id"),
             ("gc", "gc.tft", "id", "gc.tjt", "gc.tft_id"), ("gc", "gc.tjt", "txt_id", "txt", "id"),
             ("mp", "mp.pft", "id", "mp.pjt", "mp.pft_id"), ("mp", "mp.pjt", "end_id", "end", "id"),
             ("empty", "empty.aft", "fac_id", "fac", "id"),
             ("lost", "lost.pft", "end_id", "end", "id")]
    cut = keyed("  Cut Inside Its Last Row  ", "end_id", [(1, 1), (2, 2)])
    lines = [ID, ("edg_id", "I", "1", "N", "Edge"), ("code", "S", "1", "N", "Coded", "int.vdt")]
    names = [ID, ("txt_id", "I", "1", "N", "Text"), ("string", "T", "4", "N", "A string")]
    return {
        "fcs": fcs(joins),
        "fca": ms.fca("Classes", [("PTS", "P", "  Points, padded  "), ("ptsl", "L", "")]),
        "end": table("L", "Nodes", NODES, [(1, (-21.5, -38.6, 5.0)), (2, (-21.25, -38.5, NAN)),
                                           (3, (0.0, -0.0, -0.0))]),
        "edg": table("L", "Edges", EDGES, [(1, [(-21.5, -38.6), (-21.4, -38.7)]),
                                           (2, [(1e-40, 2.5), (3.0, -1e38)])]),
        "txt": ms.text_table("Texts", [(1, "One  ", [(-21.5, -38.6)]),
                                       (2, "Two", [(-21.5, -38.6), (-21.4, -38.5)])]),
        "pts.pft": patched(table("L", "  Points Table  ", POINTS, POINT_ROWS)),
        "int.vdt": table("L", "Integer Codes", ms.vdt_columns("S", "1"), [
            (1, "PTS.PFT ", "code", 1, "  One "), (2, "pts.pft", " CODE", 2, ""),
            (3, "pts.pft", "code", 1, "Again"), (4, "pts.lft", "code", 5, "Other table")]),
        "char.vdt": patched(table("L", "Character Codes", ms.vdt_columns("T", "5"), [
            (1, "pts.pft", "ccode", "A", "Letter A"), (2, "pts.pft", "ccode", " A ", "A again"),
            (3, "pts.pft", "ccode", "~3", "Latin"), (4, "pts.pft", "ccode", "", "Empty")])),
        "pts.lft": table("L", "Lines", lines, [(1, 1, 5), (2, 2, 5), (3, 9, 5)]),
        "cut.pft": cut[:-3],
        "bad.aft": table("L", "No Join", [ID], [(1,)]),
        "inv.lft": b"\x10\x00\x00\x00L;no;",
        "names.tft": table("L", "Names", names, [(1, 1, "s1"), (2, 2, "s2")]),
        "gc.tft": table("L", "Texts in Twos", [ID], [(1,), (2,)]),
        "gc.tjt": join_table("gc.tft", "txt_id", [(1, 1, 1), (2, 1, 2), (3, 2, 2), (4, 2, 1)]),
        "empty.aft": keyed("No Row", "fac_id", []),
        "lost.pft": patched(table("L", "None Drawn", [ID, ("end_id", "I", "1", "N", "~0")],
                                  [(1, 0), (2, 7)])),
        "mp.pft": table("L", "Points in Twos", [ID], [(1,), (2,), (3,)]),
        "mp.pjt": join_table("mp.pft", "end_id", [(1, 1, 1), (2, 1, 3), (3, 2, 2), (4, 3, 3)]),
    }


def write(folder):
    """Every file of the edge library, under folder (emptied first)."""
    shutil.rmtree(folder, ignore_errors=True)
    grt = [ID, ("data_type", "T", "3", "N", "Kind"), ("geo_datum_code", "T", "4", "N", "Datum")]
    files = {"dht": ms.dht(), "aaa/lht": ms.lht(), "bbb/lht": ms.lht(), "ccc/lht": ms.lht(),
             "aaa/GRT": table("L", "Reference", grt, [(1, "GEO", "WGS ")]),
             "ccc/grt": table("L", "Reference", grt, [(1, "UTM", "WGE ")]),
             "bbb/cpx/fcs": fcs([]), "ccc/emp/fcs": fcs([]),
             "bbb/cpx/c.cft": table("L", "Complex", [ID, ("nam", "T", "*", "N", "Name")],
                                    [(1, "one"), (2, "two")])}
    files.update(("aaa/cov/" + name, data) for name, data in cov_files().items())
    for coverage in ("x-y", "x_y", "GPKG"):
        files["aaa/%s/fcs" % coverage] = fcs([("t", "t.pft", "end_id", "end", "id")])
        files["aaa/%s/end" % coverage] = table("L", "Nodes", NODES, [(1, (1.0, 2.0, 3.0))])
        files["aaa/%s/t.pft" % coverage] = keyed("T", "end_id", [(1, 1)])
    for name, data in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: gpkg_edge_library.py FOLDER")
    write(sys.argv[1])
