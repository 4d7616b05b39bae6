#!/usr/bin/env python3
"""Writes the project's sample VPF database into testdata/sample.

The database is fictional and made here, value by value: one library,
quorlbay, charting the made-up Quorl Bay (an open-ocean spot at about
21.4 W, 38.7 S, where there is no land). The hyd coverage holds the bay's
topology (nodes, edges, faces, rings), an area feature table, its value
description tables, a join table and the edge index; the snd coverage,
big-endian, holds soundings with depths and a survey-mark table in double
precision. See testdata/README.md for every file.

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
    rows = [(1, LIBRARY, -21.52, -38.81, -21.29, -38.58)]
    return table("L", "Library Attribute Table of the Quorl Sample", columns, rows)


def lht():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("product_type", "T", "12", "N", "Product Type"),
        ("library_name", "T", "8", "N", "Library Folder Name"),
        ("description", "T", "60", "N", "What the Library Charts"),
        ("data_struct_code", "T", "1", "N", "Highest Topology Level"),
        ("scale", "I", "1", "N", "Compilation Scale Denominator"),
        ("source_date", "D", "1", "N", "Date of the Source Survey"),
        ("security_class", "T", "1", "N", "Security Classification"),
    ]
    rows = [(1, "QSC", LIBRARY, "Quorl Bay and its outer roads, a fictional harbour approach",
             "3", 25000, "20250314093000.00000", "U")]
    return table("L", "Library Header Table of Quorl Bay", columns, rows)


def cat():
    columns = [
        ("id", "I", "1", "P", "Row Identifier"),
        ("coverage_name", "T", "8", "U", "Coverage Folder Name"),
        ("description", "T", "50", "N", "What the Coverage Holds"),
        ("level", "I", "1", "N", "Topology Level"),
    ]
    rows = [(1, "hyd", "Water areas of the bay and an islet, with topology", 3),
            (2, "snd", "Soundings and survey marks", 0)]
    return table("L", "Coverage Attribute Table of Quorl Bay", columns, rows)


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


def database():
    """Every file of the sample, by path relative to its folder."""
    lib = LIBRARY + "/"
    return {
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
    }


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
