#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz target into fuzz/corpus.

Each seed is a fuzz input: the command-line bytes described in fuzz_case.h,
then a table file. The seeds cover the sample database of testdata/, one small
table per column type in each byte order, the record-range options, every
way a header is rejected, and the ways the data can end.

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


if __name__ == "__main__":
    main()
