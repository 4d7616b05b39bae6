#!/usr/bin/env python3
"""Writes the project's sample VPF database into testdata/sample.

The database is fictional and made here, value by value: two libraries,
quorlbay, charting the made-up Quorl Bay (an open-ocean spot at about
21.4 W, 38.7 S, where there is no land), and tamsel, a harbour on its west
shore. quorlbay's grt gives its coordinates' datum. The hyd coverage holds
the bay's topology (nodes, edges, faces, rings), an area feature table,
its value description tables, a join table, the edge index and the feature
class schema; the snd coverage, big-endian, holds soundings with depths
and a survey-mark table in double precision. The tile reference and the
lim coverage, limits in two tiles, hold what feature layers join: an area,
a line, a point and a text table, a join table and each tile's topology,
and its fca describes most of the classes. tamsel, without grt or tiles,
has one coverage at level 0, hbr: a point and a text table of one name, a
line table and a complex feature table, value description tables with
codes listed twice, and column names and descriptions that SQL must quote.
See testdata/README.md for every file.

    python3 testdata/make_sample.py              # rewrites testdata/sample
    python3 testdata/make_sample.py --out DIR    # writes the files into DIR
    python3 testdata/make_sample.py --check      # compares with testdata/sample
"""
import argparse
import os
import struct
import sys

SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample")

# Element formats of the list and coordinate types.
FORMATS = {"S": "h", "I": "i", "R": "d", "C": "ff", "B": "dd", "Z": "fff", "Y": "ddd"}
# Triplet component sizes (the type byte's bit pairs) and their formats.
COMPONENT = {1: "B", 2: "h", 3: "i"}


def definition(column, end=",:"):
    """One column definition, name=type,count,key,description,vdt,theme then end.

    end is ",:" in the first edition; ",-,:" adds the later edition's
    narrative table name, ",-:" adds it with no comma (as some join tables do).
    """
    name, kind, count, key, desc, vdt, theme = (column + ("-", "-"))[:7]
    assert "," not in desc, desc
    return f"{name}={kind},{count},{key},{desc},{vdt},{theme}{end}"


def triplet(order, value):
    """A K value given as (type byte, present components...)."""
    kind, parts = value[0], list(value[1:])
    data = bytes([kind])
    for shift in (6, 4, 2):
        size = (kind >> shift) & 3
        if size:
            data += struct.pack(order + COMPONENT[size], parts.pop(0))
    assert not parts, value
    return data


def field(order, kind, count, value):
    """The bytes of one field; a "*" count is written before the elements."""
    if kind == "X":
        return b""
    if kind == "D":
        assert len(value) == 20, value
        return value.encode("ascii")
    if kind == "K":
        return triplet(order, value)
    if kind == "F":
        return struct.pack(order + "f", value)
    if kind == "T":
        text = value.encode("ascii")
        if count == "*":
            return struct.pack(order + "i", len(text)) + text
        assert len(text) <= int(count), value
        return text.ljust(int(count), b" ")
    items = value if isinstance(value, list) else [value]
    data = b""
    if count == "*":
        data = struct.pack(order + "i", len(items))
    else:
        assert len(items) == int(count), value
    for item in items:
        data += struct.pack(order + FORMATS[kind], *(item if isinstance(item, tuple) else (item,)))
    return data


def table_parts(order, description, columns, rows, later=False, mixed=False):
    """The header bytes and each row's bytes of one table.

    order is "L" or "M". later gives every column definition the seventh
    field, mixed the last one alone.
    """
    pack = "<" if order == "L" else ">"
    ends = [",-,:" if later else ",:"] * len(columns)
    if mixed:
        ends[-1] = ",-:"
    text = f"{order};{description};-;"
    text += "".join(definition(c, e) for c, e in zip(columns, ends)) + ";"
    head = struct.pack(pack + "i", len(text)) + text.encode("ascii")
    data = []
    for row in rows:
        assert len(row) == len(columns), row
        data.append(b"".join(field(pack, c[1], c[2], v) for c, v in zip(columns, row)))
    return head, data


def table(*args, **kwargs):
    head, rows = table_parts(*args, **kwargs)
    return head + b"".join(rows)


DATE = "20261207120000.00000"
LIBRARY = "quorlbay"
HARBOUR = "tamsel"


def dht():
    """Database header, in the later edition's form (seven fields)."""
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("vpf_version", "T", "10", "N", "Edition of the Format"),
        ("database_name", "T", "8", "N", "Database Folder Name"),
        ("database_desc", "T", "60", "N", "What the Database Holds"),
        ("originator", "T", "40", "N", "Who Made the Database"),
        ("security_class", "T", "1", "N", "Security Classification"),
        ("edition_number", "T", "4", "N", "Edition Number"),
        ("edition_date", "D", "1", "N", "Edition Date"),
    ]
    rows = [(1, "2407", "sample", "Fictional sample database of the made-up Quorl Bay",
             "The QuorlDCW developers", "U", "1", DATE)]
    return table("L", "Database Header Table of the Quorl Sample", columns, rows, later=True)


def lat():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("library_name", "T", "8", "U", "Library Folder Name"),
        ("xmin", "F", "1", "N", "West Limit (degrees)"),
        ("ymin", "F", "1", "N", "South Limit (degrees)"),
        ("xmax", "F", "1", "N", "East Limit (degrees)"),
        ("ymax", "F", "1", "N", "North Limit (degrees)"),
    ]
    rows = [(1, LIBRARY, -21.52, -38.81, -21.29, -38.58),
            (2, HARBOUR, -21.52, -38.67, -21.48, -38.64)]
    return table("L", "Library Attribute Table of the Quorl Sample", columns, rows)


LHT_COLUMNS = [
    ("id", "I", "1", "P", "Row Identifier"),
    ("product_type", "T", "12", "N", "Product Type"),
    ("library_name", "T", "8", "N", "Library Folder Name"),
    ("description", "T", "60", "N", "What the Library Charts"),
    ("data_struct_code", "T", "1", "N", "Highest Topology Level"),
    ("scale", "I", "1", "N", "Compilation Scale Denominator"),
    ("source_date", "D", "1", "N", "Date of the Source Survey"),
    ("security_class", "T", "1", "N", "Security Classification"),
]
CAT_COLUMNS = [
    ("id", "I", "1", "P", "Row Identifier"),
    ("coverage_name", "T", "8", "U", "Coverage Folder Name"),
    ("description", "T", "50", "N", "What the Coverage Holds"),
    ("level", "I", "1", "N", "Topology Level"),
]


def lht():
    rows = [(1, "QSC", LIBRARY, "Quorl Bay and its outer roads, a fictional harbour approach",
             "3", 25000, "20250314093000.00000", "U")]
    return table("L", "Library Header Table of Quorl Bay", LHT_COLUMNS, rows)


def cat():
    rows = [(1, "hyd", "Water areas of the bay and an islet, with topology", 3),
            (2, "snd", "Soundings and survey marks", 0),
            (3, "tileref", "Tile reference: the two tiles of the lim coverage", 3),
            (4, "lim", "Limits, cables, marks and names, in two tiles", 3)]
    return table("L", "Coverage Attribute Table of Quorl Bay", CAT_COLUMNS, rows)


# The geographic reference of quorlbay's coordinates: longitude and latitude
# in decimal degrees on WGS 84. Its datum names and codes are fixed text,
# padded with spaces. The harbour library has none.
def grt():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("data_type", "T", "3", "N", "Kind of Coordinates"),
        ("units", "T", "3", "N", "Units of the Coordinates"),
        ("ellipsoid_name", "T", "15", "N", "Ellipsoid"),
        ("ellipsoid_detail", "T", "50", "N", "Ellipsoid Axes"),
        ("vert_datum_name", "T", "15", "N", "Height Datum"),
        ("vert_datum_code", "T", "4", "N", "Code of the Height Datum"),
        ("sound_datum_name", "T", "15", "N", "Sounding Datum"),
        ("sound_datum_code", "T", "4", "N", "Code of the Sounding Datum"),
        ("geo_datum_name", "T", "15", "N", "Horizontal Datum"),
        ("geo_datum_code", "T", "4", "N", "Code of the Horizontal Datum"),
        ("projection_name", "T", "20", "N", "Projection"),
    ]
    rows = [(1, "GEO", "DEG", "WGS 84", "A=6378137 B=6356752.3142 METRES", "Quorl MSL 2025",
             "QM25", "Quorl LAT 2025", "QL25", "WGS 84", "WGE", "LON/LAT UNPROJECTED")]
    return table("L", "Geographic Reference of Quorl Bay", columns, rows)


# The hyd coverage: four corner nodes and an islet node, five edges that
# bound the bay (face 2) and the outer roads (face 3), and a loop edge
# round the islet (face 4); face 1 is the universe face. Triplets mix
# component sizes and carry the tile number 1 in some rows.
def cnd():
    columns = [
        ("id", "I", "1", "P", "Node Identifier"),
        ("first_edge", "I", "1", "N", "An Edge at the Node"),
        ("coordinate", "C", "1", "N", "Node Position (lon/lat)"),
    ]
    rows = [(1, 1, (-21.5, -38.6)), (2, 2, (-21.3, -38.6)), (3, 3, (-21.3, -38.8)),
            (4, 4, (-21.5, -38.8)), (5, 6, (-21.36, -38.73))]
    return table("L", "Quorl Bay Connected Nodes", columns, rows)


EDG = ("L", "Quorl Bay Edge Primitives", [
    ("id", "I", "1", "P", "Edge Identifier"),
    ("start_node", "I", "1", "N", "Start Node"),
    ("end_node", "I", "1", "N", "End Node"),
    ("right_face", "K", "1", "N", "Face on the Right"),
    ("left_face", "K", "1", "N", "Face on the Left"),
    ("right_edge", "K", "1", "N", "Next Edge from the End Node"),
    ("left_edge", "K", "1", "N", "Next Edge from the Start Node"),
    ("coordinates", "C", "*", "N", "Edge Shape (lon/lat)"),
], [
    (1, 1, 2, (0x40, 2), (0x40, 1), (0x80, 5), (0xC0, 4),
     [(-21.5, -38.6), (-21.46, -38.585), (-21.41, -38.592), (-21.35, -38.581), (-21.3, -38.6)]),
    (2, 2, 3, (0x50, 3, 1), (0x50, 1, 1), (0x40, 3), (0x40, 1),
     [(-21.3, -38.6), (-21.3, -38.8)]),
    (3, 3, 4, (0x80, 3), (0x80, 1), (0xE0, 5, 1), (0x40, 2),
     [(-21.3, -38.8), (-21.4125, -38.8037), (-21.5, -38.8)]),
    (4, 4, 1, (0xC0, 2), (0x40, 1), (0x40, 1), (0x80, 3),
     [(-21.5, -38.8), (-21.517, -38.74), (-21.508, -38.66), (-21.5, -38.6)]),
    (5, 2, 4, (0x40, 2), (0x40, 3), (0x40, 4), (0x40, 2),
     [(-21.3, -38.6), (-21.5, -38.8)]),
    (6, 5, 5, (0x40, 4), (0x40, 3), (0x40, 6), (0x40, 6),
     [(-21.36, -38.73), (-21.34, -38.73), (-21.34, -38.75), (-21.36, -38.75), (-21.36, -38.73)]),
])


def edg():
    return table(*EDG)


def edx():
    """The edge index: row count and header size, then each edg row's offset and size."""
    head, rows = table_parts(*EDG)
    data = struct.pack("<ii", len(rows), len(head))
    offset = len(head)
    for row in rows:
        data += struct.pack("<ii", offset, len(row))
        offset += len(row)
    return data


def fac():
    columns = [("id", "I", "1", "P", "Face Identifier"),
               ("ring_ptr", "I", "1", "N", "Outer Ring of the Face")]
    return table("L", "Quorl Bay Faces", columns, [(1, 1), (2, 2), (3, 3), (4, 5)])


def rng():
    columns = [("id", "I", "1", "P", "Ring Identifier"),
               ("face_id", "I", "1", "N", "Face the Ring Bounds"),
               ("start_edge", "I", "1", "N", "First Edge of the Ring")]
    rows = [(1, 1, 1), (2, 2, 1), (3, 3, 2), (4, 3, 6), (5, 4, 6)]
    return table("L", "Quorl Bay Rings", columns, rows)


def bayarea_aft():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("f_code", "T", "5", "N", "Feature Code", "char.vdt"),
        ("nam", "T", "*", "N", "Name"),
        ("label", "T", "12", "N", "Chart Label"),
        ("acc", "S", "1", "N", "Horizontal Accuracy", "int.vdt"),
        ("datum_offset", "S", "1", "N", "Chart Datum Offset (cm)"),
        ("area", "I", "1", "N", "Area (square metres)"),
        ("least_depth", "F", "1", "N", "Least Depth (m)"),
        ("src_date", "D", "1", "N", "Source Date"),
        ("remarks", "X", "1", "N", "Remarks (none recorded)"),
        ("fac_id", "I", "1", "N", "Face of the Area"),
    ]
    rows = [
        (1, "QB010", "Quorl Bay", "QUORL BAY", 1, 0, 193402117, 4.6, DATE, None, 2),
        (2, "QB020", "Outer Roads of Quorl", "OUTER ROADS", 2, -257, 188955840, 11.25,
         "20250314093000.00000", None, 3),
        (3, "QL010", "", "ISLET", 3, -12, 3857316, -1.8, "20250314093000.00000", None, 4),
    ]
    return table("L", "Quorl Bay Water and Islet Areas", columns, rows)


def vdt_columns(value_kind, value_count):
    return [
        ("id", "I", "1", "P", "Row Identifier"),
        ("table", "T", "12", "N", "Feature Table"),
        ("attribute", "T", "12", "N", "Coded Attribute"),
        ("value", value_kind, value_count, "N", "Code"),
        ("description", "T", "50", "N", "What the Code Means"),
    ]


def int_vdt():
    rows = [(1, "bayarea.aft", "acc", 1, "Accurate, fixed by the survey of 2025"),
            (2, "bayarea.aft", "acc", 2, "Approximate"),
            (3, "bayarea.aft", "acc", 3, "Doubtful, from an old sketch")]
    return table("L", "Quorl Bay Integer Codes", vdt_columns("S", "1"), rows)


def char_vdt():
    rows = [(1, "bayarea.aft", "f_code", "QB010", "Bay"),
            (2, "bayarea.aft", "f_code", "QB020", "Roadstead"),
            (3, "bayarea.aft", "f_code", "QL010", "Islet")]
    return table("L", "Quorl Bay Character Codes", vdt_columns("T", "5"), rows)


def bayarea_ajt():
    """Join table whose last column alone carries the seventh field (",-:")."""
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("bayarea.aft_id", "I", "1", "N", "Area Feature"),
        ("tile_id", "S", "1", "N", "Tile of the Feature"),
        ("fac_id", "I", "1", "N", "Face of the Feature"),
    ]
    rows = [(1, 1, 1, 2), (2, 2, 1, 3), (3, 3, 1, 4)]
    return table("L", "Join of Quorl Bay Areas and Faces", columns, rows, mixed=True)


# A coverage's feature class schema: how its feature tables join their
# primitives. Real products list each join both ways round, so some rows
# name a primitive or a join table first.
FCS_COLUMNS = [
    ("id", "I", "1", "P", "Row Identifier"),
    ("feature_class", "T", "8", "N", "Feature Class"),
    ("table1", "T", "12", "N", "First Table of the Join"),
    ("table1_key", "T", "16", "N", "Join Column of table1"),
    ("table2", "T", "12", "N", "Second Table of the Join"),
    ("table2_key", "T", "16", "N", "Join Column of table2"),
]


def fcs(description, joins, later=False):
    rows = [(number,) + join for number, join in enumerate(joins, 1)]
    return table("L", description, FCS_COLUMNS, rows, later=later)


# A coverage's feature class attributes: each class's kind (P, L, A, T or
# C) and what it holds. Real ones leave some classes out.
FCA_COLUMNS = [
    ("id", "I", "1", "P", "Row Identifier"),
    ("fclass", "T", "8", "U", "Feature Class"),
    ("type", "T", "1", "N", "Kind of Feature (P point L line A area T text C complex)"),
    ("descr", "T", "*", "N", "What the Class Holds"),
]


def fca(description, classes):
    rows = [(number,) + row for number, row in enumerate(classes, 1)]
    return table("L", description, FCA_COLUMNS, rows)


def hyd_fcs():
    """bayarea.aft joins fac directly by fac_id; the join through bayarea.ajt
    comes later and is not the geometry join."""
    return fcs("Quorl Bay Hydrography Feature Classes", [
        ("bayarea", "fac", "id", "bayarea.aft", "fac_id"),
        ("bayarea", "bayarea.aft", "fac_id", "fac", "id"),
        ("bayarea", "bayarea.aft", "id", "bayarea.ajt", "bayarea.aft_id"),
        ("bayarea", "bayarea.ajt", "fac_id", "fac", "id"),
        ("bayarea", "fac", "id", "bayarea.ajt", "fac_id"),
        ("bayarea", "bayarea.ajt", "bayarea.aft_id", "bayarea.aft", "id"),
    ])


# Level-3 topology tables, shared by the tile reference and the tiles of
# lim. Edge references are triplets of one-byte ids; right_edge is the first
# edge counterclockwise about the edge's end node, left_edge about its
# start node.
def node_table(description, rows, later=False):
    columns = [("id", "I", "1", "P", "Node Identifier"),
               ("first_edge", "I", "1", "N", "An Edge at the Node"),
               ("coordinate", "C", "1", "N", "Node Position (lon/lat)")]
    return table("L", description, columns, rows, later=later)


def edge_table(description, rows, later=False):
    """rows: (id, start, end, right face, left face, right edge, left edge, positions)."""
    columns = [
        ("id", "I", "1", "P", "Edge Identifier"),
        ("start_node", "I", "1", "N", "Start Node"),
        ("end_node", "I", "1", "N", "End Node"),
        ("right_face", "K", "1", "N", "Face on the Right"),
        ("left_face", "K", "1", "N", "Face on the Left"),
        ("right_edge", "K", "1", "N", "Next Edge from the End Node"),
        ("left_edge", "K", "1", "N", "Next Edge from the Start Node"),
        ("coordinates", "C", "*", "N", "Edge Shape (lon/lat)"),
    ]
    data = [row[:3] + tuple((0x40, ref) for ref in row[3:7]) + (row[7],) for row in rows]
    return table("L", description, columns, data, later=later)


def face_table(description, rings, later=False):
    """rings: each face's outer ring, faces numbered from 1 (the universe face)."""
    columns = [("id", "I", "1", "P", "Face Identifier"),
               ("ring_ptr", "I", "1", "N", "Outer Ring of the Face")]
    return table("L", description, columns, list(enumerate(rings, 1)), later=later)


def ring_table(description, rings, later=False):
    """rings: (face, start edge) of each ring, numbered from 1."""
    columns = [("id", "I", "1", "P", "Ring Identifier"),
               ("face_id", "I", "1", "N", "Face the Ring Bounds"),
               ("start_edge", "I", "1", "N", "First Edge of the Ring")]
    rows = [(number,) + ring for number, ring in enumerate(rings, 1)]
    return table("L", description, columns, rows, later=later)


def entity_node_table(description, rows, later=False):
    columns = [("id", "I", "1", "P", "Node Identifier"),
               ("containing_face", "I", "1", "N", "Face Holding the Node"),
               ("first_edge", "X", "1", "N", "Null"),
               ("coordinate", "C", "1", "N", "Node Position (lon/lat)")]
    rows = [(row[0], row[1], None, row[2]) for row in rows]
    return table("L", description, columns, rows, later=later)


def text_table(description, rows, later=False):
    columns = [("id", "I", "1", "P", "Text Identifier"),
               ("string", "T", "*", "N", "Text"),
               ("shape_line", "C", "*", "N", "Text Placement (lon/lat)")]
    return table("L", description, columns, rows, later=later)


# The tile reference, in the later edition's form: the two tiles of lim
# are two rectangles that share the tile line at 21.4 W. Face 2 is tile
# QB/W, face 3 tile QBE. The tile names are stored in upper case; lim's
# tile directories are lower case.
TILES = [(1, "QB/W", 2), (2, "QBE", 3)]


def tileref_files():
    description = "Quorl Tile Reference "
    return {
        "fcs": fcs(description + "Feature Classes", [
            ("tileref", "tileref.aft", "fac_id", "fac", "id"),
            ("tileref", "fac", "id", "tileref.aft", "fac_id"),
        ], later=True),
        "tileref.aft": table("L", description + "Areas", [
            ("id", "I", "1", "P", "Row Identifier"),
            ("tile_name", "T", "8", "N", "Tile Directory"),
            ("fac_id", "I", "1", "N", "Face of the Tile"),
        ], TILES, later=True),
        "cnd": node_table(description + "Nodes",
                          [(1, 1, (-21.4, -38.6)), (2, 1, (-21.4, -38.8))], later=True),
        "edg": edge_table(description + "Edges", [
            (1, 1, 2, 2, 3, 2, 3, [(-21.4, -38.6), (-21.4, -38.8)]),
            (2, 2, 1, 2, 1, 1, 3, [(-21.4, -38.8), (-21.5, -38.8), (-21.5, -38.6), (-21.4, -38.6)]),
            (3, 1, 2, 3, 1, 1, 2, [(-21.4, -38.6), (-21.3, -38.6), (-21.3, -38.8), (-21.4, -38.8)]),
        ], later=True),
        "fac": face_table(description + "Faces", [1, 2, 3], later=True),
        "rng": ring_table(description + "Rings", [(1, 2), (2, 1), (3, 1)], later=True),
    }


# The lim coverage: limits, cables, marks and their names, in two tiles.
# Its fcs names the tables in upper case, the files are lower case.
def lim_fcs():
    return fcs("Quorl Limits Feature Classes", [
        ("limarea", "FAC", "id", "LIMAREA.AJT", "fac_id"),
        ("limarea", "LIMAREA.AFT", "id", "LIMAREA.AJT", "limarea.aft_id"),
        ("limarea", "LIMAREA.AJT", "limarea.aft_id", "LIMAREA.AFT", "id"),
        ("limarea", "LIMAREA.AJT", "fac_id", "FAC", "id"),
        ("limline", "LIMLINE.LFT", "edg_id", "EDG", "id"),
        ("limline", "EDG", "id", "LIMLINE.LFT", "edg_id"),
        ("limpnt", "LIMPNT.PFT", "end_id", "END", "id"),
        ("limpnt", "END", "id", "LIMPNT.PFT", "end_id"),
        ("limtext", "LIMTEXT.TFT", "txt_id", "TXT", "id"),
        ("limtext", "TXT", "id", "LIMTEXT.TFT", "txt_id"),
    ])


def lim_fca():
    """Every class but limtext, whose layer is described by its table's
    header; LIMLINE in upper case, as the schema's class is not."""
    return fca("Quorl Limits Feature Class Attributes", [
        ("limarea", "A", "Anchorages, pilot grounds, spoil grounds and exclusion zones"),
        ("LIMLINE", "L", "Cables, leading lines and limits"),
        ("limpnt", "P", "Buoys and beacons of the limits"),
    ])


FEATURE_COLUMNS = [("id", "I", "1", "P", "Row Identifier"),
                   ("f_code", "T", "5", "N", "Feature Code")]
NAME_COLUMN = ("nam", "T", "*", "N", "Name")
TILE_COLUMN = ("tile_id", "S", "1", "N", "Tile of the Primitive")


def limarea_aft():
    """1: the anchorage, faces 3, 4 and 5 of tile QB/W, around the wreck
    zone (face 6) and the rock (face 7); 2: the pilot ground, face 2 of
    each tile, across the tile line; 3: the spoil ground, face 3 of QBE;
    4: the wreck zone, face 6 of QB/W."""
    rows = [(1, "QA010", "Tarrow Anchorage"), (2, "QA020", "Vennick Pilot Ground"),
            (3, "QA030", "Old Spoil Ground"), (4, "QA040", "Tarrow Wreck Exclusion Zone")]
    return table("L", "Quorl Limit Areas", FEATURE_COLUMNS + [NAME_COLUMN], rows)


def limarea_ajt():
    """Join of the areas and their faces, one row a face, the features'
    rows interleaved; its last column alone carries the seventh field."""
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("limarea.aft_id", "I", "1", "N", "Area Feature"),
        TILE_COLUMN,
        ("fac_id", "I", "1", "N", "Face of the Feature"),
    ]
    rows = [(1, 1, 1, 4), (2, 2, 2, 2), (3, 1, 1, 3), (4, 2, 1, 2), (5, 3, 2, 3), (6, 1, 1, 5),
            (7, 4, 1, 6)]
    return table("L", "Join of Quorl Limit Areas and Faces", columns, rows, mixed=True)


def limline_lft():
    columns = FEATURE_COLUMNS + [NAME_COLUMN, TILE_COLUMN, ("edg_id", "I", "1", "N", "Edge")]
    rows = [(1, "QL110", "Tarrow Cable", 1, 3), (2, "QL120", "Vennick Leading Line", 2, 4),
            (3, "QL130", "Spoil Ground Limit", 2, 3)]
    return table("L", "Quorl Limit Lines", columns, rows)


def limpnt_pft():
    columns = FEATURE_COLUMNS + [NAME_COLUMN, TILE_COLUMN, ("end_id", "I", "1", "N", "Entity Node")]
    rows = [(1, "QP210", "Tarrow Wreck Buoy", 1, 1), (2, "QP220", "Spoil Ground Buoy", 2, 2),
            (3, "QP230", "Vennick Beacon", 2, 1)]
    return table("L", "Quorl Marks", columns, rows)


def limtext_tft():
    columns = FEATURE_COLUMNS + [TILE_COLUMN, ("txt_id", "I", "1", "N", "Text")]
    return table("L", "Quorl Limit Names", columns, [(1, "QT310", 1, 1), (2, "QT310", 2, 1)])


def tile_qb_w():
    """Tile QB/W, west of the tile line, lower-case files, first edition.

    Faces: 2 the pilot ground's west half (a rectangle on the tile line);
    in the anchorage frame, 3 the U-shaped part, 4 and 5 the two triangles
    of its north-west corner square, 6 the wreck zone (the frame's hole,
    bounded by loop edge 7 from node 5) and 7 the rock (loop edge 11 inside
    face 3, the hole of face 3). Edge 3 is the cable, alone in face 1."""
    name = "Quorl Limits Tile QB/W "
    return {
        "cnd": node_table(name + "Nodes", [
            (1, 1, (-21.4, -38.64)), (2, 1, (-21.4, -38.68)), (3, 3, (-21.49, -38.62)),
            (4, 3, (-21.46, -38.69)), (5, 4, (-21.46, -38.74)), (6, 4, (-21.46, -38.72)),
            (7, 5, (-21.48, -38.72)), (8, 6, (-21.48, -38.74)), (9, 11, (-21.43, -38.765))]),
        "edg": edge_table(name + "Edges", [
            (1, 1, 2, 2, 1, 2, 2, [(-21.4, -38.64), (-21.4, -38.68)]),
            (2, 1, 2, 1, 2, 1, 1, [(-21.4, -38.64), (-21.44, -38.64), (-21.44, -38.68),
                                   (-21.4, -38.68)]),
            (3, 3, 4, 1, 1, 3, 3, [(-21.49, -38.62), (-21.47, -38.66), (-21.46, -38.69)]),
            (4, 5, 6, 3, 4, 10, 5, [(-21.46, -38.74), (-21.46, -38.72)]),
            (5, 5, 7, 4, 5, 8, 6, [(-21.46, -38.74), (-21.48, -38.72)]),
            (6, 5, 8, 5, 3, 9, 7, [(-21.46, -38.74), (-21.48, -38.74)]),
            (7, 5, 5, 6, 3, 7, 4, [(-21.46, -38.74), (-21.44, -38.74), (-21.44, -38.76),
                                   (-21.46, -38.76), (-21.46, -38.74)]),
            (8, 6, 7, 1, 4, 9, 4, [(-21.46, -38.72), (-21.48, -38.72)]),
            (9, 7, 8, 1, 5, 10, 5, [(-21.48, -38.72), (-21.48, -38.74)]),
            (10, 6, 8, 3, 1, 6, 8, [(-21.46, -38.72), (-21.42, -38.72), (-21.42, -38.78),
                                    (-21.48, -38.78), (-21.48, -38.74)]),
            (11, 9, 9, 7, 3, 11, 11, [(-21.43, -38.765), (-21.425, -38.77), (-21.43, -38.775),
                                      (-21.435, -38.77), (-21.43, -38.765)]),
        ]),
        "fac": face_table(name + "Faces", [1, 4, 5, 6, 7, 8, 10]),
        "rng": ring_table(name + "Rings", [
            (1, 8), (1, 2), (1, 3), (2, 2), (3, 10), (4, 4), (5, 9), (6, 7), (3, 11), (7, 11)]),
        "end": entity_node_table(name + "Entity Nodes", [(1, 6, (-21.45, -38.75))]),
        "txt": text_table(name + "Texts", [
            (1, "TARROW ANCHORAGE", [(-21.49, -38.705), (-21.46, -38.705), (-21.46, -38.705),
                                     (-21.43, -38.705)])]),
    }


def tile_qbe():
    """Tile QBE, east of the tile line, upper-case files, later edition.

    Faces: 2 the pilot ground's east half (on the tile line), 3 the spoil
    ground, a pentagon sharing edge 1 with face 2. Edge 4 is the leading
    line, alone in face 1."""
    name = "Quorl Limits Tile QBE "
    return {
        "CND": node_table(name + "Nodes", [
            (1, 1, (-21.36, -38.64)), (2, 1, (-21.36, -38.68)), (3, 4, (-21.38, -38.72)),
            (4, 4, (-21.32, -38.78))], later=True),
        "EDG": edge_table(name + "Edges", [
            (1, 1, 2, 2, 3, 2, 3, [(-21.36, -38.64), (-21.36, -38.68)]),
            (2, 1, 2, 1, 2, 3, 1, [(-21.36, -38.64), (-21.4, -38.64), (-21.4, -38.68),
                                   (-21.36, -38.68)]),
            (3, 1, 2, 3, 1, 1, 2, [(-21.36, -38.64), (-21.32, -38.64), (-21.31, -38.66),
                                   (-21.32, -38.68), (-21.36, -38.68)]),
            (4, 3, 4, 1, 1, 4, 4, [(-21.38, -38.72), (-21.32, -38.78)]),
        ], later=True),
        "FAC": face_table(name + "Faces", [1, 2, 4], later=True),
        "RNG": ring_table(name + "Rings", [(1, 2), (2, 1), (1, 4), (3, 1)], later=True),
        "END": entity_node_table(name + "Entity Nodes", [
            (1, 1, (-21.38, -38.62)), (2, 3, (-21.34, -38.66))], later=True),
        "TXT": text_table(name + "Texts", [(1, "Spoil Ground", [(-21.345, -38.665)])],
                          later=True),
    }


# The snd coverage is big-endian: soundings as 3-D entity nodes (depth in
# metres, a drying height negative), and survey marks in double precision.
def snd_end():
    columns = [("id", "I", "1", "P", "Sounding Identifier"),
               ("coordinate", "Z", "1", "N", "Position and Depth (lon/lat/m)")]
    rows = [(1, (-21.452, -38.641, 4.6)), (2, (-21.418, -38.676, 7.35)),
            (3, (-21.365, -38.612, 9.8)), (4, (-21.331, -38.771, 11.25)),
            (5, (-21.392, -38.782, 14.1)), (6, (-21.351, -38.739, -1.8))]
    return table("M", "Quorl Bay Soundings", columns, rows)


def ctrlpnt_pft():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("mark", "T", "*", "N", "Survey Mark"),
        ("position", "B", "1", "N", "Adopted Position (lon/lat)"),
        ("position_3d", "Y", "1", "N", "Position and Ellipsoid Height (m)"),
        ("residuals", "R", "*", "N", "Residuals of Repeat Levellings (m)"),
        ("height", "R", "1", "N", "Adjusted Height above Datum (m)"),
        ("obs_date", "D", "1", "N", "Date of Last Observation"),
    ]
    rows = [
        (1, "Islet Summit", (-21.3497215, -38.7412876), (-21.3497215, -38.7412876, 21.4783),
         [0.0021, -0.0000004, -0.0013], 6.1234567, "20250314093000.00000"),
        (2, "Tamsel Point Pillar", (-21.4993102, -38.6488455),
         (-21.4993102, -38.6488455, 44.0625), [], 28.75, "20240921154500.00000"),
        (3, "Vennick Head Bolt", (-21.3120664, -38.5843017),
         (-21.3120664, -38.5843017, 17.9), [0.0007], 2.5, DATE),
    ]
    return table("M", "Quorl Bay Survey Marks", columns, rows)


# The second library, tamsel: Tamsel Harbour, on the bay's west shore by
# Tamsel Point, at harbour scale. It has no grt (its coordinates' datum is
# not given) and no tile reference. Its one coverage, hbr, is at level 0
# (entity nodes, edges and texts without topology) and holds a point and a
# text table of one name (marks.pft, marks.tft), a line table and a complex
# feature table whose features are made of the marks and the berths.
def harbour_lht():
    rows = [(1, "QHC", HARBOUR, "Tamsel Harbour by Tamsel Point on the west shore of the bay",
             "0", 5000, "20250611080000.00000", "U")]
    return table("L", "Library Header Table of Tamsel Harbour", LHT_COLUMNS, rows)


def harbour_cat():
    rows = [(1, "hbr", "Harbour marks, berths and their names", 0)]
    return table("L", "Coverage Attribute Table of Tamsel Harbour", CAT_COLUMNS, rows)


# The fcs joins each simple table to its primitives, then the complex
# table to the marks and berths that carry its id, each both ways round.
# The simple tables' rows come first, so that a table's first row as
# table1 gives its own class.
def hbr_fcs():
    return fcs("Tamsel Harbour Feature Classes", [
        ("markpnt", "marks.pft", "end_id", "end", "id"),
        ("markpnt", "end", "id", "marks.pft", "end_id"),
        ("marktext", "marks.tft", "txt_id", "txt", "id"),
        ("marktext", "txt", "id", "marks.tft", "txt_id"),
        ("berths", "berths.lft", "edg_id", "edg", "id"),
        ("berths", "edg", "id", "berths.lft", "edg_id"),
        ("approach", "approach.cft", "id", "marks.pft", "approach.cft_id"),
        ("approach", "approach.cft", "id", "berths.lft", "approach.cft_id"),
        ("approach", "marks.pft", "approach.cft_id", "approach.cft", "id"),
        ("approach", "berths.lft", "approach.cft_id", "approach.cft", "id"),
    ])


def hbr_fca():
    """Every class but marktext: marks.tft is described by its header."""
    return fca("Tamsel Harbour Feature Class Attributes", [
        ("markpnt", "P", "Lights, beacons and buoys of the harbour"),
        ("berths", "L", "Quays and piers"),
        ("approach", "C", "Ways in: the marks and berths of each"),
    ])


# The marks: a column named FID, one named group (a word of SQL), two
# columns of one description (col and topcol, both coded; int.vdt has no
# row for topcol), and a description holding both quotes.
def marks_pft():
    columns = FEATURE_COLUMNS[:1] + [
        ("f_code", "T", "5", "N", "Feature Code", "char.vdt"),
        NAME_COLUMN,
        ("FID", "I", "1", "N", "Number in the Harbour List of Marks"),
        ("col", "S", "1", "N", "Colour", "int.vdt"),
        ("topcol", "S", "1", "N", "Colour", "int.vdt"),
        ("group", "T", "10", "N", "Light's Group as \"Fl(2) 10s\""),
        ("approach.cft_id", "I", "1", "N", "Way In"),
        ("end_id", "I", "1", "N", "Entity Node"),
    ]
    rows = [(1, "QP250", "Tamsel Point Light", 4107, 1, 1, "Fl(2) 10s", 1, 1),
            (2, "QP260", "Tamsel Pier Head Beacon", 4112, 3, 3, "", 1, 3),
            (3, "QP270", "Tamsel Fairway Buoy", 4120, 4, 0, "Q", 2, 2)]
    return table("L", "Tamsel Harbour Marks", columns, rows)


def marks_tft():
    columns = FEATURE_COLUMNS[:1] + [("f_code", "T", "5", "N", "Feature Code", "char.vdt"),
                                     ("txt_id", "I", "1", "N", "Text")]
    return table("L", "Tamsel Harbour Mark Names", columns, [(1, "QT320", 1), (2, "QT320", 2)])


# The berths: a column whose name holds a space and a slash.
def berths_lft():
    columns = FEATURE_COLUMNS[:1] + [
        ("f_code", "T", "5", "N", "Feature Code", "char.vdt"),
        NAME_COLUMN,
        ("depth m/ft", "T", "9", "N", "Depth Alongside (m/ft)"),
        ("acc", "S", "1", "N", "Horizontal Accuracy", "int.vdt"),
        ("approach.cft_id", "I", "1", "N", "Way In"),
        ("edg_id", "I", "1", "N", "Edge"),
    ]
    rows = [(1, "QL140", "North Quay", "6.5/21", 1, 1, 1),
            (2, "QL150", "Tamsel Pier", "4.2/14", 2, 1, 2)]
    return table("L", "Tamsel Harbour Berths", columns, rows)


def approach_cft():
    columns = FEATURE_COLUMNS[:1] + [("f_code", "T", "5", "N", "Feature Code", "char.vdt"),
                                     NAME_COLUMN]
    rows = [(1, "QC010", "Tamsel Harbour Approach"), (2, "QC020", "Tamsel Fairway")]
    return table("L", "Tamsel Harbour Ways In", columns, rows)


# The value descriptions: the berths' rows name their table in upper case
# (the file is lower case); one code of each table is listed twice, the
# second time with another description.
def hbr_int_vdt():
    rows = [(1, "marks.pft", "col", 1, "White"),
            (2, "marks.pft", "col", 3, "Red"),
            (3, "marks.pft", "col", 4, "Green"),
            (4, "BERTHS.LFT", "acc", 1, "Accurate"),
            (5, "BERTHS.LFT", "acc", 2, "Approximate"),
            (6, "marks.pft", "col", 3, "Red and white bands")]
    return table("L", "Tamsel Harbour Integer Codes", vdt_columns("S", "1"), rows)


def hbr_char_vdt():
    rows = [(1, "marks.pft", "f_code", "QP250", "Light"),
            (2, "marks.pft", "f_code", "QP260", "Beacon"),
            (3, "marks.pft", "f_code", "QP270", "Buoy"),
            (4, "marks.tft", "f_code", "QT320", "Name of a mark"),
            (5, "BERTHS.LFT", "f_code", "QL140", "Quay"),
            (6, "BERTHS.LFT", "f_code", "QL150", "Pier"),
            (7, "BERTHS.LFT", "f_code", "QL140", "Wharf"),
            (8, "approach.cft", "f_code", "QC010", "Harbour approach"),
            (9, "approach.cft", "f_code", "QC020", "Fairway")]
    return table("L", "Tamsel Harbour Character Codes", vdt_columns("T", "5"), rows)


def hbr_primitives():
    """Level 0: the marks' entity nodes, the berths' edges (the pier runs
    out to the beacon) and the names' texts, one at a point, one along a
    line."""
    name = "Tamsel Harbour "
    nodes = [("id", "I", "1", "P", "Node Identifier"),
             ("coordinate", "C", "1", "N", "Node Position (lon/lat)")]
    edges = [("id", "I", "1", "P", "Edge Identifier"),
             ("coordinates", "C", "*", "N", "Edge Shape (lon/lat)")]
    return {
        "end": table("L", name + "Entity Nodes", nodes, [
            (1, (-21.505, -38.648)), (2, (-21.485, -38.662)), (3, (-21.492, -38.655))]),
        "edg": table("L", name + "Edges", edges, [
            (1, [(-21.512, -38.652), (-21.5, -38.652)]),
            (2, [(-21.5, -38.652), (-21.496, -38.654), (-21.492, -38.655)])]),
        "txt": text_table(name + "Texts", [
            (1, "Tamsel Pt Lt", [(-21.509, -38.6465)]),
            (2, "FAIRWAY", [(-21.488, -38.6635), (-21.482, -38.6635)])]),
    }


def database():
    """Every file of the sample, by path relative to its folder."""
    lib = LIBRARY + "/"
    files = {
        "dht": dht(),
        "lat": lat(),
        lib + "lht": lht(),
        lib + "cat": cat(),
        lib + "hyd/cnd": cnd(),
        lib + "hyd/edg": edg(),
        lib + "hyd/edx": edx(),
        lib + "hyd/fac": fac(),
        lib + "hyd/rng": rng(),
        lib + "hyd/bayarea.aft": bayarea_aft(),
        lib + "hyd/bayarea.ajt": bayarea_ajt(),
        lib + "hyd/int.vdt": int_vdt(),
        lib + "hyd/char.vdt": char_vdt(),
        lib + "snd/end": snd_end(),
        lib + "snd/ctrlpnt.pft": ctrlpnt_pft(),
        lib + "hyd/fcs": hyd_fcs(),
        lib + "lim/fcs": lim_fcs(),
        lib + "lim/limarea.aft": limarea_aft(),
        lib + "lim/limarea.ajt": limarea_ajt(),
        lib + "lim/limline.lft": limline_lft(),
        lib + "lim/limpnt.pft": limpnt_pft(),
        lib + "lim/limtext.tft": limtext_tft(),
    }
    files.update({lib + "tileref/" + name: data for name, data in tileref_files().items()})
    files.update({lib + "lim/qb/w/" + name: data for name, data in tile_qb_w().items()})
    files.update({lib + "lim/qbe/" + name: data for name, data in tile_qbe().items()})
    files.update({lib + "grt": grt(), lib + "lim/fca": lim_fca()})
    hbr = HARBOUR + "/hbr/"
    files.update({
        HARBOUR + "/lht": harbour_lht(),
        HARBOUR + "/cat": harbour_cat(),
        hbr + "fcs": hbr_fcs(),
        hbr + "fca": hbr_fca(),
        hbr + "marks.pft": marks_pft(),
        hbr + "marks.tft": marks_tft(),
        hbr + "berths.lft": berths_lft(),
        hbr + "approach.cft": approach_cft(),
        hbr + "int.vdt": hbr_int_vdt(),
        hbr + "char.vdt": hbr_char_vdt(),
    })
    files.update({hbr + name: data for name, data in hbr_primitives().items()})
    return files


def files_in(folder):
    found = set()
    for root, _, names in os.walk(folder):
        for name in names:
            found.add(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return found


def check(folder):
    """Prints each file that differs from the generator's; 1 if any does."""
    wanted = database()
    present = files_in(folder)
    problems = [f"extra: {p}" for p in sorted(present - set(wanted))]
    for path, data in sorted(wanted.items()):
        if path not in present:
            problems.append(f"missing: {path}")
        else:
            with open(os.path.join(folder, path), "rb") as f:
                if f.read() != data:
                    problems.append(f"differs: {path}")
    for line in problems:
        print(line)
    return 1 if problems else 0


def write(folder):
    for path, data in database().items():
        target = os.path.join(folder, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=SAMPLE, help="folder to write (default testdata/sample)")
    parser.add_argument("--check", action="store_true",
                        help="compare testdata/sample (or --out) with what would be written")
    args = parser.parse_args()
    if args.check:
        return check(args.out)
    write(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
