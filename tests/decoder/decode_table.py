#!/usr/bin/env python3
"""A second, independent decoder of one VPF table, to check QuorlDCW against.

    decode_table.py [-e 2407] PATH

writes to standard output and standard error exactly what
`QuorlDCW [-e 2407] -l 2147483647 PATH` writes there, and exits with the
tool's status. As a module, decode_table(path, later_edition) returns the
same as (stdout bytes, stderr bytes, status).

It is written in another language and in another shape than the tool
(a position over the whole file in memory, the header read with a small
formatted scanner, exceptions for the invalid-table exit), so that a
mistake in one of them shows as a difference between the two.
Standard library only.
"""

import argparse
import math
import os
import struct
import sys

BANNER = (b"QuorlGIS Mapping System\n"
          b"by Brannick\n"
          b"PO Box 4127, 18 Harrow Lane, Eastmere\n"
          b"Northland NL 40217\n\n")
NOT_A_TABLE = b"Not a valid VPF table file\n"
USAGE = b"usage : QuorlDCW [-f firstRec] [-l lastRec] DCWfile\n"
COLUMNS_MARKER = b"\n**DCWcolumns ====================\n"
DATA_MARKER = b"\n**DCWdata ===========================\n\n"
EOF_MARKER = b"\n**DCWeof ===========================\n\n"

MAX_COLUMNS = 100
VARIABLE_COUNT = -1
INT32_MAX = 2**31 - 1
END_OF_INPUT = -1


class InvalidTable(Exception):
    """The header does not match the grammar: the run ends with status 1."""


class Table:
    """The table file in memory and the read position in it.

    `get_char` and `unget_char` behave like a stream's character read and
    push-back; `read_status` is what the value reader leaves after each
    byte it takes (1 read, 0 not read)."""

    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.swap_bytes = False
        self.read_status = 1

    def at_end(self):
        return self.pos >= len(self.data)

    def peek_char(self):
        return END_OF_INPUT if self.at_end() else self.data[self.pos]

    def get_char(self):
        c = self.peek_char()
        if c != END_OF_INPUT:
            self.pos += 1
        return c

    def unget_char(self):
        self.pos -= 1


# --- Formatted scan -------------------------------------------------------
#
# The header is read with scan patterns made only of conversions:
# "%Nc" (exactly N characters of any value), "%N[set]" / "%[set]" (1 up to N,
# or any number, of characters from the set) and "%*[set]" (the same, not
# stored). A conversion that matches nothing ends the scan; the caller tests
# how many items were stored.

_compiled = {}


def _parse_set(pattern, i):
    """Parses a set after its "[": returns (set of byte values, index after "]")."""
    negate = pattern[i] == "^"
    if negate:
        i += 1
    members = set()
    first = True
    while first or pattern[i] != "]":
        c = pattern[i]
        if (c == "-" and not first and pattern[i + 1] != "]"):
            low, high = ord(pattern[i - 1]), ord(pattern[i + 1])
            members.update(range(low, high + 1))
            i += 2
        else:
            members.add(ord(c))
            i += 1
        first = False
    if negate:
        members = set(range(256)) - members
    return frozenset(members), i + 1


def _compile(pattern):
    """Turns a scan pattern into a list of (kind, width, stored, set)."""
    conversions = []
    i = 0
    while i < len(pattern):
        assert pattern[i] == "%", pattern
        i += 1
        stored = pattern[i] != "*"
        if not stored:
            i += 1
        digits = ""
        while pattern[i].isdigit():
            digits += pattern[i]
            i += 1
        width = int(digits) if digits else None
        if pattern[i] == "c":
            conversions.append(("c", width or 1, stored, None))
            i += 1
        else:
            assert pattern[i] == "[", pattern
            members, i = _parse_set(pattern, i + 1)
            conversions.append(("[", width, stored, members))
    return conversions


def scan(table, pattern):
    """Runs one formatted scan over the table; returns the stored items."""
    if pattern not in _compiled:
        _compiled[pattern] = _compile(pattern)
    items = []
    data = table.data
    for kind, width, stored, members in _compiled[pattern]:
        start = table.pos
        if kind == "c":
            if table.pos + width > len(data):
                table.pos = len(data)
                break
            table.pos += width
        else:
            end = len(data) if width is None else min(len(data), start + width)
            while table.pos < end and data[table.pos] in members:
                table.pos += 1
            if table.pos == start:
                break
        if stored:
            items.append(data[start:table.pos])
    return items


# --- Header ---------------------------------------------------------------

NAME_SET = "_A-Za-z0-9.-"


def read_preamble(table):
    """The 4 bytes of header length (not used) and one byte-order character."""
    items = scan(table, "%4c%1[lLmM;]")
    if len(items) != 2:
        raise InvalidTable
    return items[1]


def read_byte_order(table, order):
    """Sets the table's byte order; after L or M the next character is ";"."""
    if order in (b"L", b"l", b"M", b"m"):
        if table.get_char() != ord(";"):
            raise InvalidTable
    table.swap_bytes = order in (b"M", b"m")


def read_table_description(table):
    """At least one character up to the next ";" (79 kept, the rest dropped)."""
    if len(scan(table, "%79[^;]%*[^;]")) != 1:
        raise InvalidTable


def read_narrative_table_name(table):
    """One character from "_", letters and "-", then up to 11 more; then the
    run of ";", spaces and tabs after it."""
    if len(scan(table, "%*[;\t ]%1[_A-Za-z-]")) != 1:
        raise InvalidTable
    scan(table, "%11[_A-Za-z0-9.]")
    scan(table, "%*[; \t]")


def read_column_name(table):
    """1 to 16 name characters, then any run of spaces, tabs and "="."""
    items = scan(table, "%16[ _A-Za-z0-9$%/.-]%*[ \t=]")
    if len(items) != 1:
        raise InvalidTable
    return items[0]


def read_type_count_key(table):
    """Type letter, count text (at most 19 characters) and key type letter."""
    items = scan(table, "%1[TFRSICBZYDXK]%*[ \t,]%19[0-9*]%*[ \t,]%1[FUPN]%*[ \t,]")
    if len(items) != 3:
        raise InvalidTable
    return items


def read_column_description(table, previous):
    """Up to 79 characters other than ","; the rest up to "," is dropped.

    The result is not tested: when nothing matches, the text read for the
    column before stays (the next step then fails anyway)."""
    items = scan(table, "%79[^,]%*[^,]")
    return items[0] if items else previous


def read_table_names(table):
    """Value description table name and thematic index name, each 1 to 12
    characters, with their separators. Returns the two names and whether a
    separator followed the thematic index name."""
    items = scan(table, "%*[, \t]%12[" + NAME_SET + "]%*[, \t]%12[" + NAME_SET + "]")
    if len(items) != 2:
        raise InvalidTable
    separated = bool(scan(table, "%[, \t]"))
    return items[0], items[1], separated


def read_seventh_name(table, separated):
    """Later edition: the name before ":" that some column definitions add.

    Returns None where the definition ends after the thematic index name."""
    if table.peek_char() == ord(":"):
        return None
    if not separated:
        raise InvalidTable
    items = scan(table, "%12[" + NAME_SET + "]%*[, \t]")
    if len(items) != 1 or table.peek_char() != ord(":"):
        raise InvalidTable
    return items[0]


def read_column_definition(table, later_edition, previous_description):
    """One column definition up to and including its ":"; returns its fields
    (name, type, count, key, description, value table, thematic index,
    seventh name or None)."""
    name = read_column_name(table)
    type_letter, count_text, key = read_type_count_key(table)
    description = read_column_description(table, previous_description)
    value_table, thematic_index, separated = read_table_names(table)
    seventh = read_seventh_name(table, separated) if later_edition else None
    if table.get_char() != ord(":"):
        raise InvalidTable
    return (name, type_letter, count_text, key, description, value_table,
            thematic_index, seventh)


def c_string(text):
    """The text as far as a C string holds it: up to its first zero byte."""
    zero = text.find(b"\0")
    return text if zero < 0 else text[:zero]


def echo_column(out, column):
    """The column's line: name in 16 positions, count right-aligned in 3."""
    name, type_letter, count_text, key, description, value_table, thematic_index, seventh = column
    fields = [type_letter, count_text.rjust(3), key, c_string(description), value_table,
              thematic_index]
    if seventh is not None:
        fields.append(seventh)
    out += b"\n" + name.ljust(16) + b"=" + b",".join(fields) + b",:"


def column_count(count_text):
    """-1 for "*", else the value of the leading digits (0 without any);
    a value beyond 32 bits makes the table invalid."""
    if count_text == b"*":
        return VARIABLE_COUNT
    digits = 0
    while digits < len(count_text) and count_text[digits:digits + 1].isdigit():
        digits += 1
    value = int(count_text[:digits]) if digits else 0
    if value > INT32_MAX:
        raise InvalidTable
    return value


def add_column(columns, type_letter, count_text):
    """Enters the column's handler and count; a 101st column is invalid."""
    if len(columns) == MAX_COLUMNS:
        raise InvalidTable
    columns.append((HANDLERS[type_letter], column_count(count_text)))


def read_table_header(table, out, later_edition):
    """Reads and echoes the whole header; returns the columns as
    (handler, count) pairs, the table left on the first data byte."""
    read_byte_order(table, read_preamble(table))
    read_table_description(table)
    read_narrative_table_name(table)
    out += COLUMNS_MARKER
    columns = []
    description = b""
    while True:
        c = table.get_char()
        if c == ord(";"):
            break
        if c == END_OF_INPUT:
            raise InvalidTable
        table.unget_char()
        column = read_column_definition(table, later_edition, description)
        description = column[4]
        echo_column(out, column)
        add_column(columns, column[1], column[2])
    out += b";\n"
    return columns


# --- Values ---------------------------------------------------------------


def read_bytes(table, n):
    """n bytes, one at a time; read_status tells whether the last arrived."""
    chunk = table.data[table.pos:table.pos + n]
    table.pos += len(chunk)
    table.read_status = 1 if len(chunk) == n else 0
    return chunk


def read_value(table, width, code):
    """One value of the given width in the table's byte order, 0 when its
    last byte is missing."""
    chunk = read_bytes(table, width)
    if table.read_status < 1:
        chunk = bytes(width)
    return struct.unpack((">" if table.swap_bytes else "<") + code, chunk)[0]


def read_short(table):
    return read_value(table, 2, "h")


def read_long(table):
    return read_value(table, 4, "i")


def read_float(table):
    return read_value(table, 4, "f")


def read_double(table):
    return read_value(table, 8, "d")


def number_text(value):
    """A number as "%f" writes it: 6 decimals, correctly rounded, whole
    digits for huge values, nan and inf with their signs."""
    if math.isnan(value):
        return b"-nan" if math.copysign(1.0, value) < 0 else b"nan"
    return b"%f" % value


# --- Field handlers -------------------------------------------------------


def element_count(table, count):
    """The column's count, or one read from the data when it is "*"."""
    return read_long(table) if count < 0 else count


def copy_bytes(table, out, n):
    """n bytes copied as they are; each one past the end is 0xFF."""
    chunk = table.data[table.pos:table.pos + n] if n > 0 else b""
    table.pos += len(chunk)
    out += chunk
    if n > len(chunk):
        out += b"\xff" * (n - len(chunk))


def dump_text(table, out, count):
    copy_bytes(table, out, element_count(table, count))
    out += b"\n"


def dump_float(table, out, count):
    out += number_text(read_float(table)) + b"\n"


def dump_double(table, out, count):
    for _ in range(element_count(table, count)):
        out += number_text(read_double(table)) + b"\n"


def dump_short(table, out, count):
    for _ in range(element_count(table, count)):
        out += b"%d\n" % read_short(table)


def dump_long(table, out, count):
    for _ in range(element_count(table, count)):
        out += b"%d\n" % read_long(table)


def dump_coordinates(table, out, count, reader, dimensions, first_separator):
    """Count line, then one line per tuple of 2 or 3 components."""
    n = element_count(table, count)
    out += b"%d\n" % n
    for _ in range(n):
        components = [number_text(reader(table)) for _ in range(dimensions)]
        out += first_separator + b",".join(components) + b"\n"


def dump_coord2f(table, out, count):
    dump_coordinates(table, out, count, read_float, 2, b"")


def dump_coord2d(table, out, count):
    dump_coordinates(table, out, count, read_double, 2, b",")


def dump_coord3f(table, out, count):
    dump_coordinates(table, out, count, read_float, 3, b"")


def dump_coord3d(table, out, count):
    dump_coordinates(table, out, count, read_double, 3, b"")


def dump_date(table, out, count):
    copy_bytes(table, out, 20)
    out += b"\n"


def dump_null(table, out, count):
    out += b"\n"


def read_triplet_component(table, size):
    """One triplet component of size code 0 to 3; None when absent."""
    if size == 0:
        return None
    if size == 1:
        c = table.get_char()
        return 0xFF if c == END_OF_INPUT else c
    return read_short(table) if size == 2 else read_long(table)


def dump_triplet(table, out, count):
    """Type byte, then identifier, tile and external identifier."""
    type_byte = table.get_char() & 0xFF
    components = [read_triplet_component(table, (type_byte >> shift) & 3)
                  for shift in (6, 4, 2)]
    out += b",".join(b"-" if v is None else b"%d" % v for v in components) + b"\n"


HANDLERS = {
    b"T": dump_text, b"F": dump_float, b"R": dump_double, b"S": dump_short,
    b"I": dump_long, b"C": dump_coord2f, b"B": dump_coord2d, b"Z": dump_coord3f,
    b"Y": dump_coord3d, b"D": dump_date, b"X": dump_null, b"K": dump_triplet,
}


# --- Rows and the run -----------------------------------------------------


def dump_rows(table, out, columns):
    """Every row until one in which a value read found no byte, or one that
    took no byte at all; returns the number of records."""
    out += DATA_MARKER
    table.read_status = 1
    row_number = 0
    while table.read_status == 1:
        row_number += 1
        start = table.pos
        out += b"**DCWrow ------------ %d ----\n" % row_number
        for handler, count in columns:
            handler(table, out, count)
        if table.pos == start:
            break
    out += EOF_MARKER
    return row_number - 1


def decode_table(path, later_edition=False):
    """What the tool writes for the table at path: (stdout, stderr, status)."""
    err = bytearray(BANNER)
    raw_path = os.fsencode(path)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        err += b"can't open " + raw_path + b" for reading\n" + USAGE
        return b"", bytes(err), 3
    out = bytearray(b"Digital Chart of the World file: " + raw_path + b"\n\n")
    table = Table(data)
    try:
        columns = read_table_header(table, out, later_edition)
    except InvalidTable:
        err += NOT_A_TABLE
        return bytes(out), bytes(err), 1
    records = dump_rows(table, out, columns)
    err += b"%d Records processed\n" % records
    return bytes(out), bytes(err), 0


def main():
    parser = argparse.ArgumentParser(
        description="Writes what `QuorlDCW [-e 2407] -l 2147483647 PATH` writes.")
    parser.add_argument("-e", dest="edition", choices=["2407"],
                        help="read the later edition's column definitions")
    parser.add_argument("path")
    args = parser.parse_args()
    out, err, status = decode_table(args.path, args.edition == "2407")
    sys.stdout.buffer.write(out)
    sys.stdout.buffer.flush()
    sys.stderr.buffer.write(err)
    sys.stderr.buffer.flush()
    return status


if __name__ == "__main__":
    sys.exit(main())
