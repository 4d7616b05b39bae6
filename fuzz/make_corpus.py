#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz target into fuzz/corpus.

Each seed is a fuzz input: the command-line bytes described in fuzz_case.h,
then a table file. The seeds cover the sample database of testdata/, one small
table per column type in each byte order, the record-range options, every
way a header is rejected, and the ways the data can end. The coverage seeds
are small coverages whose feature tables draw geometry: a direct line join,
faces with a hole, a union of faces through a join table, a tiled point
join, texts and connected nodes through a tiled join table. The
coverage-gpkg seeds write some of those coverages as a GeoPackage too, also
with failing reads, a cut feature table and SQLite's memory or the file's
size limited.

    python3 fuzz/make_corpus.py    # rewrites fuzz/corpus from scratch
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")

TYPES = "TFRSICBZYDXK"

# Command-line bytes (see fuzz_case.h).
NO_OPTIONS = b"\x00"
STRETCH = 0x50
LONG_OUTPUT = 0x60
FAILING_READS = 0x70
FORMAT = 0x80
FORMATS = {"dcw": 0, "json": 1, "jsonl": 2, "geojson": 3, "unknown": 4}

# Coverage runs (see fuzz_case.h): byte 0, byte 1's feature kinds and run
# kinds, the mark before each file and the files' slots.
COVERAGE = 0x40
FEATURES = {"pft": 0, "lft": 1, "aft": 2, "tft": 3}
UPPER_NAMES = 0x04
COVERAGE_FAILING_READS = 0x10
COVERAGE_LONG_OUTPUT = 0x20
COVERAGE_STRETCH = 0x30
# A coverage run's -o gpkg run (byte 0), written from the coverage's folder
# (byte 1), under a limit given by one more byte: SQLite's memory in 4 KiB
# steps (with 0x80), or a file's size in 4 KiB steps.
GPKG = 0x80
GPKG_COVERAGE_FOLDER = 0x08
GPKG_LIMIT = 0x40
HEAP_LIMIT = 0x80
LATER_EDITION = 0x08
TREE_MARK = b"%QT%"
SLOTS = {"feat": 0, "fcs": 1, "join": 2, "tileref": 3}
PRIMITIVES = ["end", "cnd", "edg", "fac", "rng", "txt"]
for place, folder in enumerate(["", "t/a/", "t/b/"]):
    for i, name in enumerate(PRIMITIVES):
        SLOTS[folder + name] = 4 + 6 * place + i


def failing_reads(offset, options=b"\x00"):
    """Command-line bytes of a run whose reads fail from offset on."""
    return bytes([FAILING_READS | options[0]]) + struct.pack("<H", offset) + options[1:]


def with_format(name, options=b"\x00"):
    """The same command-line bytes with "-o FORMAT" in front of the words."""
    return bytes([FORMAT | options[0], FORMATS[name]]) + options[1:]


def odd_word(index):
    return bytes([0xC0 + index])


def number(value):
    """A number word for the option bytes: small ones as one byte."""
    if 0 <= value < 0xA0:
        return bytes([value])
    if -32 < value < 0:
        return bytes([0xA0 - value])
    if -2**31 <= value < 2**31:
        return b"\xE0" + struct.pack("<i", value)
    return b"\xF0" + struct.pack("<q", value)


class Table:
    """A table file: 4 length bytes, header text, then values."""

    def __init__(self, header, order="L"):
        self.big = order in ("M", "m")
        self.data = struct.pack("<I", len(header)) + header.encode("latin-1")

    def raw(self, data):
        self.data += data if isinstance(data, bytes) else data.encode("latin-1")
        return self

    def value(self, fmt, *values):
        self.data += struct.pack((">" if self.big else "<") + fmt, *values)
        return self


def header(columns, order="L;"):
    return order + "Test Table;-;" + columns + ";"


def column(name, letter, count="1", key="N"):
    return "%s=%s,%s,%s,%s column,-,-,:" % (name, letter, count, key, name)


def values_for(table, letter, count):
    """One value of the given column type, with count elements."""
    if letter in "TD":
        n = 20 if letter == "D" else count
        table.raw(("20261207120000.00000" if letter == "D" else "Name padded      ")[:n].ljust(n))
    elif letter == "F":
        table.value("f", 1.5)
    elif letter == "R":
        for i in range(count):
            table.value("d", -2.25 * (i + 1))
    elif letter == "S":
        for i in range(count):
            table.value("h", -257 + i)
    elif letter == "I":
        for i in range(count):
            table.value("i", 100000 * (i + 1))
    elif letter in "CZ":
        for i in range(count):
            table.value("f" * (2 if letter == "C" else 3), *([0.5 + i] * (2 if letter == "C" else 3)))
    elif letter in "BY":
        for i in range(count):
            table.value("d" * (2 if letter == "B" else 3), *([1e10 + i] * (2 if letter == "B" else 3)))
    elif letter == "K":
        table.raw(bytes([0xE4])).value("i", 100000).value("h", -2).raw(bytes([0x50, 7, 2]))


def type_table(letter, order, variable=False):
    """Two rows of one column of the type, then a truncated third."""
    count = 2
    t = Table(header(column("c", letter, "*" if variable else str(count))
                     + column("k", "K"), order + ";" if order else ";"), order)
    for _ in range(2):
        if variable:
            t.value("i", count)
        values_for(t, letter, count)
        values_for(t, "K", 1)
    return t.raw(b"\x01\x02\x03")


def id_name_table(rows=6, order="L"):
    t = Table(header(column("ID", "I", key="P") + column("NAME", "T", "8"), order + ";"), order)
    for i in range(1, rows + 1):
        t.value("i", i).raw("NAME%4d" % i)
    return t


def every_type_table(order):
    cols = "".join(column(l.lower(), l, "*" if l in "IY" else "1") for l in TYPES)
    t = Table(header(cols, order + ";" if order else ";"), order)
    t.raw("abcd"[:1]).value("f", 1.5).value("d", -2.25).value("h", -3)
    t.value("i", 2).value("i", 7).value("i", -8)
    t.value("ff", 0.5, -0.5).value("dd", 1, 2).value("fff", 1, 2, 3)
    t.value("i", 1).value("ddd", 4, 5, 6).raw("20261207000000.00000")
    t.raw(bytes([0xE4])).value("i", 100000).value("h", -2)
    return t.raw(bytes([200]))


def bad_headers():
    """One header per way of being rejected, keyed by a short name."""
    good = column("ID", "I", key="P")
    return {
        "short-preamble": b"\x01\x02",
        "order-letter-q": Table("Q;T;-;" + good + ";").data,
        "order-l-no-semicolon": Table("LxT;-;" + good + ";").data,
        "empty-description": Table("L;;-;" + good + ";").data,
        "narrative-digit": Table("L;T;9abc;" + good + ";").data,
        "type-letter-a": Table(header("ID=A,1,P,d,-,-,:")).data,
        "seventh-field": Table(header("ID=I,1,P,d,-,-,x,:")).data,
        "empty-description-six": Table(header("ID=I,1,P,,-,-,:")).data,
        "empty-description-seven": Table(header("ID=I,1,P,,-,-,x,:")).value("i", 5).data,
        "ends-in-header": Table("L;T;-;" + good).data,
        "newline-between": Table("L;T;-;" + good + "\n" + good + ";").data,
        "no-columns": Table("L;T;-;;").raw(b"\x01\x00\x00\x00").data,
        "count-20-chars": Table(header("ID=I," + "1" * 20 + ",P,d,-,-,:")).data,
        "count-overflow": Table(header("ID=I,2147483648,P,d,-,-,:")).data,
        "count-max": Table(header("ID=T,2147483647,P,d,-,-,:")).raw("ab").data,
        "count-star-digits": Table(header("ID=I,*5,P,d,-,-,:")).value("i", 5).data,
        "101-columns": Table(header(column("c", "X") * 101)).data,
        "100-columns": Table(header(column("c", "X") * 99 + column("i", "I"))).data,
        "key-letter-q": Table(header("ID=I,1,Q,d,-,-,:")).data,
        "missing-colon": Table(header("ID=I,1,P,d,-,-,;")).data,
        "long-names": Table(header("ABCDEFGHIJKLMNOPQ=I,1,P," + "d" * 100
                                   + ",ABCDEFGHIJKLM,-,:")).data,
        "spaces-and-tabs": Table("L;T;\t-abc.1;  ID \t=\tI ,\t1 , P , d , x.y , z.w ,\t:;")
        .value("i", 1).data,
        "nul-in-description": Table(header("ID=I,1,P,a\x00b,-,-,:")).value("i", 1).data,
        "empty": b"",
    }


def data_endings():
    """Tables whose data ends in the ways the row loop must handle."""
    return {
        "empty-data": Table(header(column("ID", "I"))),
        "half-value": Table(header(column("ID", "I"))).raw(b"\x01\x02"),
        "only-fixed-text": Table(header(column("t", "T", "3") + column("d", "D"))).raw("abc"),
        "only-null": Table(header(column("x", "X"))).raw("zz"),
        "zero-counts": Table(header(column("r", "R", "0") + column("c", "C", "0"))),
        "negative-count": Table(header(column("t", "T", "*") + column("c", "C", "*")))
        .value("i", -5).value("i", -1).value("i", 1),
        "huge-variable-count": Table(header(column("i", "I", "*"))).value("i", 2**31 - 1),
        "huge-text-count": Table(header(column("t", "T", "*"))).value("i", 2**31 - 1).raw("ab"),
        "triplet-ff": Table(header(column("k", "K"))).raw(b"\xff"),
        "nan-and-inf": Table(header(column("r", "R", "4") + column("f", "F")))
        .value("dddd", float("nan"), -float("nan"), float("inf"), 1.7976931348623157e308)
        .value("f", -float("inf")),
        "big-endian-straddle": Table(header(column("y", "Y", "*"), "M;"), "M")
        .value("i", 3).value("ddd", 1, 2, 3).raw(b"\x40\x00"),
    }


def encode(letter, count, value, order):
    """One value of a column of a joined table, in the byte order."""
    e = ">" if order == "M" else "<"
    if letter == "X":
        return b""
    if letter == "D":
        return value.encode("latin-1").ljust(20)
    if letter == "T":
        text = value.encode("latin-1")
        return struct.pack(e + "i", len(text)) + text if count == "*" else text.ljust(int(count))
    if letter == "K":
        return bytes([0x40, value]) if value is not None else b"\x00"
    if letter in "IS":
        return struct.pack(e + ("i" if letter == "I" else "h"), value)
    fmt = {"C": "ff", "B": "dd", "Z": "fff", "Y": "ddd"}[letter]
    if count != "*":
        return struct.pack(e + fmt, *value)
    return struct.pack(e + "i", len(value)) + b"".join(struct.pack(e + fmt, *p) for p in value)


def joined_table(columns, rows, order="L"):
    """A table of the given columns, (name, letter, count) each, and rows."""
    t = Table(header("".join(column(n, l, c, "P" if n == "id" else "N") for n, l, c in columns),
                     order + ";"))
    for row in rows:
        t.raw(b"".join(encode(l, c, v, order) for (_, l, c), v in zip(columns, row)))
    return t.data


def schema(*joins):
    """The coverage's fcs: one row per join (table1, table1_key, table2, table2_key)."""
    columns = [("id", "I", "1"), ("feature_class", "T", "8"), ("table1", "T", "12"),
               ("table1_key", "T", "*"), ("table2", "T", "12"), ("table2_key", "T", "*")]
    return joined_table(columns, [(i + 1, "CLASS") + j for i, j in enumerate(joins)])


def edges(rows, letter="B", order="L"):
    """edg with its topology: (id, start, end, right face, left face,
    right edge, left edge, positions) each."""
    columns = [("id", "I", "1"), ("start_node", "I", "1"), ("end_node", "I", "1"),
               ("right_face", "K", "1"), ("left_face", "K", "1"), ("right_edge", "K", "1"),
               ("left_edge", "K", "1"), ("coordinates", letter, "*")]
    return joined_table(columns, rows, order)


def faces(count):
    return joined_table([("id", "I", "1")], [(i,) for i in range(1, count + 1)])


def rings(rows):
    return joined_table([("id", "I", "1"), ("face_id", "I", "1"), ("start_edge", "I", "1")],
                        [(i + 1,) + r for i, r in enumerate(rows)])


def coverage_input(kind, files, options=b"\x00", settings=0, run=b""):
    """A coverage run: byte 0 from options[0] (its low 4 bits), byte 1 from
    the kind and settings, the run's bytes, the number words, then each file
    (slot name, bytes) after a mark."""
    data = bytes([COVERAGE | options[0], FEATURES[kind] | settings]) + run + options[1:]
    for name, table in files:
        assert TREE_MARK not in table
        data += TREE_MARK + bytes([SLOTS[name]]) + table
    return data


def coverages():
    """Small coverages whose features all draw, by seed name: the feature
    kind and the files."""
    line = ("lft", [
        ("feat", joined_table([("id", "I", "1"), ("f_code", "T", "5"), ("edg_id", "I", "1")],
                              [(1, "BA010", 1), (2, "BA010", 3), (3, "BA010", 2)])),
        # A row the other way round first: it joins nothing.
        ("fcs", schema(("edg", "id", "feat.lft", "edg_id"), ("feat.lft", "edg_id", "edg", "id"))),
        ("edg", joined_table([("id", "I", "1"), ("coordinates", "C", "*")],
                             [(1, [(0, 0), (1, 1)]), (2, [(1, 1), (2, 1), (3, 2)]),
                              (3, [(3, 2), (4, 4), (3, 2)])])),
    ])
    # Face 2 a square of two edges with face 3, a loop edge, as its hole.
    hole = ("aft", [
        ("feat", joined_table([("id", "I", "1"), ("f_code", "T", "5"), ("fac_id", "I", "1")],
                              [(1, "SA010", 2), (2, "SA020", 3)])),
        ("fcs", schema(("feat.aft", "fac_id", "fac", "id"))),
        ("fac", faces(3)),
        ("rng", rings([(1, 1), (2, 1), (2, 2), (3, 2)])),
        ("edg", edges([(1, 1, 2, 2, 1, 3, 3, [(0, 0), (0, 4), (4, 4)]),
                       (2, 3, 3, 3, 2, 2, 2, [(1, 1), (1, 3), (3, 3), (3, 1), (1, 1)]),
                       (3, 2, 1, 2, 1, 1, 1, [(4, 4), (4, 0), (0, 0)])])),
    ])
    # Faces 2 and 3 side by side, edge 1 between them: feature 1 is their
    # union, feature 2 face 2 alone.
    union = ("aft", [
        ("feat", joined_table([("id", "I", "1"), ("nam", "T", "*")], [(1, "both"), (2, "left")])),
        ("fcs", schema(("feat.aft", "id", "join.ajt", "feat_id"),
                       ("join.ajt", "fac_id", "fac", "id"))),
        ("join", joined_table([("id", "I", "1"), ("feat_id", "I", "1"), ("fac_id", "I", "1")],
                              [(1, 1, 2), (2, 1, 3), (3, 2, 2)])),
        ("fac", faces(3)),
        ("rng", rings([(1, 2), (2, 2), (3, 3)])),
        ("edg", edges([(1, 5, 2, 2, 3, 2, 3, [(2, 2), (2, 0)]),
                       (2, 2, 5, 2, 1, 1, 3, [(2, 0), (0, 0), (0, 2), (2, 2)]),
                       (3, 5, 2, 3, 1, 1, 2, [(2, 2), (4, 2), (4, 0), (2, 0)])], "C", "M")),
    ])
    # A square ring of faces 2 and 3 (halves cut by edges 5 and 6) around
    # face 4, and face 5 apart: their unions have a hole, or two outlines.
    ring = ("aft", [
        ("feat", joined_table([("id", "I", "1")], [(1,), (2,), (3,), (4,)])),
        union[1][1],
        ("join", joined_table([("id", "I", "1"), ("feat_id", "I", "1"), ("fac_id", "I", "1")],
                              [(1, 1, 2), (2, 1, 3), (3, 2, 2), (4, 2, 5), (5, 3, 2), (6, 3, 3),
                               (7, 3, 5), (8, 4, 4)])),
        ("fac", faces(5)),
        ("rng", rings([(1, 1), (2, 1), (3, 2), (4, 3), (5, 7)])),
        ("edg", edges([(1, 4, 1, 1, 2, 2, 6, [(1.5, 3), (0, 3), (0, 0), (1.5, 0)]),
                       (2, 1, 4, 1, 3, 1, 5, [(1.5, 0), (3, 0), (3, 3), (1.5, 3)]),
                       (3, 2, 3, 4, 2, 4, 5, [(1.5, 1), (1, 1), (1, 2), (1.5, 2)]),
                       (4, 3, 2, 4, 3, 3, 6, [(1.5, 2), (2, 2), (2, 1), (1.5, 1)]),
                       (5, 1, 2, 3, 2, 4, 1, [(1.5, 0), (1.5, 1)]),
                       (6, 3, 4, 3, 2, 2, 3, [(1.5, 2), (1.5, 3)]),
                       (7, 5, 5, 5, 1, 7, 7, [(10, 10), (10, 11), (11, 11), (11, 10), (10, 10)])])),
    ])
    # Nodes in two tiles; the first tile named with '\' and in upper case.
    tiled = ("pft", [
        ("feat", joined_table([("id", "I", "1"), ("tile_id", "S", "1"), ("end_id", "I", "1")],
                              [(1, 1, 1), (2, 2, 1), (3, 1, 2)])),
        ("fcs", schema(("feat.pft", "end_id", "end", "id"))),
        ("tileref", joined_table([("id", "I", "1"), ("tile_name", "T", "12")],
                                 [(1, "T\\A"), (2, "t/b")])),
        ("t/a/end", joined_table([("id", "I", "1"), ("coordinate", "C", "1")],
                                 [(1, (10, 20)), (2, (11, 21))])),
        ("t/b/end", joined_table([("id", "I", "1"), ("coordinate", "Z", "1")], [(1, (12, 22, 5))])),
    ])
    # The feature table has a string of its own: the text's is string#2.
    text = ("tft", [
        ("feat", joined_table([("id", "I", "1"), ("string", "T", "*"), ("txt_id", "I", "1")],
                              [(1, "a", 2), (2, "b", 1)])),
        ("fcs", schema(("feat.tft", "txt_id", "txt", "id"))),
        ("txt", joined_table([("id", "I", "1"), ("string", "T", "*"), ("shape_line", "C", "*")],
                             [(1, "Bay", [(1, 1), (2, 1), (2, 1)]), (2, "Point", [(3, 3)])])),
    ])
    # Connected nodes through a join table whose rows carry the tiles.
    nodes = ("pft", [
        ("feat", joined_table([("id", "I", "1")], [(1,), (2,)])),
        ("fcs", schema(("feat.pft", "id", "join.pjt", "feat_id"),
                       ("join.pjt", "cnd_id", "cnd", "id"))),
        ("join", joined_table([("id", "I", "1"), ("feat_id", "I", "1"), ("tile_id", "I", "1"),
                               ("cnd_id", "I", "1")], [(1, 1, 1, 1), (2, 1, 2, 1), (3, 2, 2, 1)])),
        ("tileref", joined_table([("id", "I", "1"), ("tile_name", "T", "*")],
                                 [(1, "t/a"), (2, "t/b")])),
        ("t/a/cnd", joined_table([("id", "I", "1"), ("coordinate", "B", "1")], [(1, (5, 6))])),
        ("t/b/cnd", joined_table([("id", "I", "1"), ("coordinate", "B", "1")], [(1, (7, 8))])),
    ])
    return {"line-direct": line, "area-hole": hole, "area-union": union,
            "area-union-hole": ring, "point-tiled": tiled, "text": text, "point-join-tiled": nodes}


def write(name, data):
    with open(os.path.join(CORPUS, name), "wb") as f:
        f.write(data)


def main():
    if os.path.isdir(CORPUS):
        shutil.rmtree(CORPUS)
    os.makedirs(CORPUS)
    sample = os.path.join(ROOT, "testdata", "sample")
    for folder, _, names in sorted(os.walk(sample)):
        for name in sorted(names):
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                write("sample-" + os.path.relpath(path, sample).replace(os.sep, "-"),
                      NO_OPTIONS + f.read())
    for order in ("L", "M", ""):
        for letter in TYPES:
            write("type-%s-%s" % (letter, order or "bare"), NO_OPTIONS + type_table(letter, order).data)
        write("every-type-%s" % (order or "bare"), NO_OPTIONS + every_type_table(order).data)
    for order in ("l", "m"):
        write("every-type-lower-%s" % order, NO_OPTIONS + every_type_table(order).data)
    for letter in "TRSICBZY":
        write("variable-%s" % letter, NO_OPTIONS + type_table(letter, "M", True).data)
    six = id_name_table().data
    options = {
        "first-2": b"\x01" + number(2),
        "last-3": b"\x02" + number(3),
        "first-2-last-4": b"\x03" + number(2) + number(4),
        "first-3-last-3": b"\x03" + number(3) + number(3),
        "first-5-last-2": b"\x03" + number(5) + number(2),
        "first-twice": b"\x04" + number(3) + number(7),
        "last-before-path": b"\x05" + number(2),
        "no-words": b"\x06",
        "six-words": b"\x0e",
        "missing-path": b"\x07",
        "first-negative": b"\x01" + number(-3),
        "first-100000": b"\x01" + number(100000),
        "last-max": b"\x02" + number(2**31 - 1),
        "last-too-big": b"\x02" + number(2**31),
        "first-min-last-min": b"\x03" + number(-2**31) + number(-2**31),
        "first-far-negative": b"\x01" + number(-2**40),
    }
    for name, prefix in options.items():
        write("options-" + name, prefix + six)
    for i in range(32):
        write("word-%02d" % i, b"\x01" + odd_word(i) + six)
    later = "-e 2407"
    for name, text in {
        "seventh-field": header("ID=I,1,P,d,-,-,x.doc,:N=T,2,N,n,-,-,:"),
        "seventh-field-no-comma": header(column("ID", "I", key="P") + "E=I,1,N,d,-,e.jti,-:"),
        "seventh-field-13-chars": header("ID=I,1,P,d,-,-,abcdefghijklm,:"),
        "eighth-field": header("ID=I,1,P,d,-,-,x,y,:"),
        "seventh-field-cut": "L;T;-;ID=I,1,P,d,-,-,xy",
    }.items():
        write("edition-2407-" + name, b"\x08" + Table(text).value("i", 5).raw("ab").data)
    write("edition-2407-first", b"\x09" + number(2) + id_name_table().data)
    for name, data in bad_headers().items():
        write("header-" + name, NO_OPTIONS + data)
    for name, table in data_endings().items():
        write("ending-" + name, NO_OPTIONS + table.data)
    text = Table(header(column("t", "T", "200"))).raw("x" * 200).data
    write("stretch-text", bytes([STRETCH]) + text)
    write("stretch-id-name", bytes([STRETCH | 3]) + number(1) + number(2**31 - 1) + six)
    write("stretch-every-type-M", bytes([STRETCH]) + every_type_table("M").data)
    write("long-output-huge-count", bytes([LONG_OUTPUT]) + data_endings()["huge-variable-count"].data)
    write("long-output-many-rows", bytes([LONG_OUTPUT]) + id_name_table(1000).data)
    with open(os.path.join(sample, "quorlbay", "hyd", "edg"), "rb") as f:
        edg = f.read()
    write("failing-reads-edg-header", failing_reads(100) + edg)
    write("failing-reads-edg-rows", failing_reads(500) + edg)
    write("failing-reads-edg-at-end", failing_reads(len(edg)) + edg)
    rows_start = len(six) - 6 * 12
    write("failing-reads-row-boundary", failing_reads(rows_start + 24) + six)
    write("failing-reads-inside-row", failing_reads(rows_start + 26, b"\x03\x02\x03") + six)
    every = every_type_table("M").data
    write("failing-reads-every-type-M", failing_reads(len(every) - 40) + every)
    for name in FORMATS:
        write("format-%s-edg" % name, with_format(name) + edg)
        for order in ("L", "M"):
            write("format-%s-every-type-%s" % (name, order),
                  with_format(name) + every_type_table(order).data)
    for name, table in data_endings().items():
        write("format-jsonl-ending-" + name, with_format("jsonl") + table.data)
    write("format-json-range", with_format("json", b"\x0b" + number(2) + number(3)) + six)
    write("format-geojson-first-100000", with_format("geojson", b"\x01" + number(100000)) + six)
    write("format-json-failing-reads-rows", with_format("json", failing_reads(500)) + edg)
    write("format-geojson-failing-reads-inside-row",
          with_format("geojson", failing_reads(rows_start + 26)) + six)
    write("format-geojson-stretch-every-type-M",
          with_format("geojson", bytes([STRETCH])) + every_type_table("M").data)
    write("format-jsonl-long-output-many-rows",
          with_format("jsonl", bytes([LONG_OUTPUT])) + id_name_table(1000).data)
    seeds = coverages()
    for name, (kind, files) in seeds.items():
        write("coverage-" + name, coverage_input(kind, files))
    kind, files = seeds["point-tiled"]
    write("coverage-point-tiled-upper-2407-range",
          coverage_input(kind, files, b"\x0b" + number(2) + number(3), UPPER_NAMES))
    # A tile name that would lead out of the coverage: its feature draws nothing.
    out = [("feat", joined_table([("id", "I", "1"), ("tile_id", "S", "1"), ("end_id", "I", "1")],
                                 [(1, 1, 1), (2, 3, 1)])),
           ("tileref", joined_table([("id", "I", "1"), ("tile_name", "T", "12")],
                                    [(1, "t/a"), (3, "t/../t/a")]))]
    write("coverage-point-tiled-leads-out",
          coverage_input(kind, out + [f for f in files if f[0] not in ("feat", "tileref")]))
    kind, files = seeds["area-hole"]
    write("coverage-area-hole-failing-reads-edg",
          coverage_input(kind, files, settings=COVERAGE_FAILING_READS,
                         run=bytes([SLOTS["edg"]]) + struct.pack("<H", 200)))
    write("coverage-area-hole-long-output",
          coverage_input(kind, files, settings=COVERAGE_LONG_OUTPUT))
    kind, files = seeds["area-union"]
    write("coverage-area-union-failing-reads-fcs",
          coverage_input(kind, files, settings=COVERAGE_FAILING_READS,
                         run=bytes([SLOTS["fcs"]]) + struct.pack("<H", 120)))
    write("coverage-area-union-stretch-edg",
          coverage_input(kind, files, settings=COVERAGE_STRETCH, run=bytes([SLOTS["edg"]])))
    write("coverage-area-union-failing-reads-join",
          coverage_input(kind, files, settings=COVERAGE_FAILING_READS,
                         run=bytes([SLOTS["join"]]) + struct.pack("<H", len(dict(files)["join"]) - 10)))
    kind, files = seeds["line-direct"]
    feature = files[0][1]
    write("coverage-line-direct-failing-reads-feature",
          coverage_input(kind, files, settings=COVERAGE_FAILING_READS,
                         run=bytes([SLOTS["feat"]]) + struct.pack("<H", len(feature) - 4)))
    gpkg_coverages(seeds)


def gpkg_coverages(seeds):
    """The coverages again with a -o gpkg run, checked against -o geojson's
    (all rows, the later edition's grammar, as -o gpkg reads them)."""
    gpkg = bytes([GPKG | LATER_EDITION])
    for name in ("point-tiled", "area-hole", "area-union", "area-union-hole", "text",
                 "point-join-tiled"):
        kind, files = seeds[name]
        write("coverage-gpkg-" + name, coverage_input(kind, files, gpkg))
    kind, files = seeds["line-direct"]
    # Lines through a join table: one feature's two edges do not meet. A
    # date and a null column beside them.
    joined = [
        ("feat", joined_table([("id", "I", "1"), ("d", "D", "1"), ("x", "X", "1")],
                              [(1, "20261208000000.00000", None), (2, "2026", None)])),
        ("fcs", schema(("feat.lft", "id", "join.ljt", "feat_id"),
                       ("join.ljt", "edg_id", "edg", "id"))),
        ("join", joined_table([("id", "I", "1"), ("feat_id", "I", "1"), ("edg_id", "I", "1")],
                              [(1, 1, 1), (2, 1, 3), (3, 2, 2)])),
        files[2],
    ]
    write("coverage-gpkg-line-join", coverage_input(kind, joined, gpkg))
    write("coverage-gpkg-line-direct-folder",
          coverage_input(kind, files, gpkg, GPKG_COVERAGE_FOLDER))
    # The last row cut short: its data ends inside row 3.
    cut = [(name, table[:-2] if name == "feat" else table) for name, table in files]
    write("coverage-gpkg-line-cut-feature", coverage_input(kind, cut, gpkg))
    kind, files = seeds["area-hole"]
    write("coverage-gpkg-area-hole-failing-reads-edg",
          coverage_input(kind, files, gpkg, COVERAGE_FAILING_READS,
                         bytes([SLOTS["edg"]]) + struct.pack("<H", 200)))
    # The schema unreadable: the one layer is left out, nothing written.
    kind, files = seeds["area-union"]
    write("coverage-gpkg-area-union-failing-reads-fcs",
          coverage_input(kind, files, gpkg, COVERAGE_FAILING_READS,
                         bytes([SLOTS["fcs"]]) + struct.pack("<H", 120)))
    # SQLite's memory runs out as the layer's rows go to its table; the file
    # may not grow past 32 KiB.
    kind, files = seeds["area-union-hole"]
    write("coverage-gpkg-area-union-hole-heap-limit",
          coverage_input(kind, files, gpkg, GPKG_LIMIT, bytes([HEAP_LIMIT | 0x64])))
    kind, files = seeds["text"]
    write("coverage-gpkg-text-file-limit", coverage_input(kind, files, gpkg, GPKG_LIMIT, bytes([8])))


if __name__ == "__main__":
    main()
