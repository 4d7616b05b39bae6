#!/usr/bin/env python3
"""A second, independent decoder of one VPF table, to check QuorlDCW against.

    decode_table.py [-e 2407] [-o FORMAT] PATH

writes to standard output and standard error what
`QuorlDCW [-e 2407] -l 2147483647 PATH` writes there (with -o json, jsonl
or geojson: `QuorlDCW [-e 2407] -o FORMAT PATH`), and exits with the
tool's status. The dump is the same to the byte; the JSON is the same by
value (the same structure, keys, strings and numbers, each float with as
few significant digits as read back to it) and in its line layout. With
-o geojson a feature table's features are drawn from its coverage
(feature_layers.py). As a module, decode_table(path, later_edition, fmt)
returns the same as (stdout bytes, stderr bytes, status);
decode_values(path, later_edition) gives the rows as Python values,
output_decoded(decoded, path, fmt) what a format writes of them (a
feature layer) and expected_output(decoded, fmt) the JSON values.

It is written in another language and in another shape than the tool
(a position over the whole file in memory, the header read with a small
formatted scanner, exceptions for the invalid-table exit), so that a
mistake in one of them shows as a difference between the two.
Standard library only.
"""

import argparse
import array
import copy
import decimal
import json
import math
import operator
import os
import struct
import sys
from fractions import Fraction

BANNER = (b"QuorlGIS Mapping System\n"
          b"by Brannick\n"
          b"PO Box 4127, 18 Harrow Lane, Eastmere\n"
          b"Northland NL 40217\n\n")
NOT_A_TABLE = b"Not a valid VPF table file\n"
USAGE = b"usage : QuorlDCW [-f firstRec] [-l lastRec] DCWfile\n"
COLUMNS_MARKER = b"\n**DCWcolumns ====================\n"
DATA_MARKER = b"\n**DCWdata ===========================\n\n"
EOF_MARKER = b"\n**DCWeof ===========================\n\n"

FORMATS = ("dcw", "json", "jsonl", "geojson")
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
    items = scan(table, "%79[^;]%*[^;]")
    if len(items) != 1:
        raise InvalidTable
    return items[0]


def read_narrative_table_name(table):
    """One character from "_", letters and "-", then up to 11 more; then the
    run of ";", spaces and tabs after it."""
    items = scan(table, "%*[;\t ]%1[_A-Za-z-]")
    if len(items) != 1:
        raise InvalidTable
    items += scan(table, "%11[_A-Za-z0-9.]")
    scan(table, "%*[; \t]")
    return b"".join(items)


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


class Header:
    """What the header says: the table description and narrative table name
    as read, the column definitions (the fields read_column_definition
    returns) and the columns as (handler, count) pairs."""

    def __init__(self, description, narrative):
        self.description = description
        self.narrative = narrative
        self.definitions = []
        self.columns = []


def read_table_header(table, out, later_edition):
    """Reads and echoes the whole header; returns the Header, the table left
    on the first data byte."""
    read_byte_order(table, read_preamble(table))
    header = Header(read_table_description(table), read_narrative_table_name(table))
    out += COLUMNS_MARKER
    columns = header.columns
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
        header.definitions.append(column)
    out += b";\n"
    return header


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


# --- Rows for the structured outputs --------------------------------------
#
# The structured outputs (-o json, jsonl, geojson) hold only complete rows.
# A row is read as a list of raw values, one per column: a tuple of the
# numbers for I, S, R and the position types (a position's components one
# after the other), a float for F, a str for T and D (the bytes as
# Latin-1), None for X and a tuple of three parts (None where absent) for
# K. json_value turns one into Python JSON values, column_text into text.


class RowCut(Exception):
    """The data ends inside a row."""


class Single(float):
    """A value read from a 32-bit float; it is written with the fewest
    digits that read back to it at 32 bits."""


NUMBER_WIDTHS = {"h": 2, "i": 4, "f": 4, "d": 8}


def take(table, n):
    """The next n bytes; RowCut where fewer are left."""
    end = table.pos + n
    if end > len(table.data):
        raise RowCut
    chunk = table.data[table.pos:end]
    table.pos = end
    return chunk


def take_numbers(table, n, code):
    """n numbers of a struct code (h, i, f, d) in the table's byte order."""
    end = table.pos + n * NUMBER_WIDTHS[code]
    if end > len(table.data):
        raise RowCut
    order = ">" if table.swap_bytes else "<"
    values = struct.unpack_from("%s%d%s" % (order, n, code), table.data, table.pos)
    table.pos = end
    return values


def stored_count(table, count):
    """The number of elements in this row's value: the column's count, or
    the count stored before the value when the column says "*"; a negative
    count is no element."""
    if count == VARIABLE_COUNT:
        count = take_numbers(table, 1, "i")[0]
    return max(count, 0)


def numbers_reader(code, dimensions=1):
    """I, S, R and the positions: the count's elements, as one tuple."""
    def read(table, count):
        return take_numbers(table, stored_count(table, count) * dimensions, code)
    return read


def float_value(table, count):
    """F: always one value, whatever the count."""
    return take_numbers(table, 1, "f")[0]


def text_value(table, count):
    return take(table, stored_count(table, count)).decode("latin-1")


def date_value(table, count):
    return take(table, 20).decode("latin-1")


def null_value(table, count):
    return None


def triplet_value(table, count):
    """Type byte, then the three parts its bit pairs size."""
    type_byte = take(table, 1)[0]
    parts = []
    for shift in (6, 4, 2):
        size = (type_byte >> shift) & 3
        if size == 0:
            parts.append(None)
        elif size == 1:
            parts.append(take(table, 1)[0])
        else:
            parts.append(take_numbers(table, 1, "h" if size == 2 else "i")[0])
    return tuple(parts)


# Type letter: (reader, struct code of its floats, components of a position).
COLUMN_KINDS = {
    b"T": (text_value, None, 0), b"D": (date_value, None, 0), b"X": (null_value, None, 0),
    b"K": (triplet_value, None, 0), b"I": (numbers_reader("i"), None, 0),
    b"S": (numbers_reader("h"), None, 0), b"F": (float_value, "f", 0),
    b"R": (numbers_reader("d"), "d", 0), b"C": (numbers_reader("f", 2), "f", 2),
    b"Z": (numbers_reader("f", 3), "f", 3), b"B": (numbers_reader("d", 2), "d", 2),
    b"Y": (numbers_reader("d", 3), "d", 3),
}


def read_rows(table, header):
    """The complete rows, and the number of the row the data ends inside
    (None where it ends between rows). A row that starts at the end of the
    data, or that takes no byte at all, ends the table."""
    readers = [(COLUMN_KINDS[d[1]][0], count)
               for d, (_, count) in zip(header.definitions, header.columns)]
    rows = []
    while table.pos < len(table.data):
        start = table.pos
        try:
            row = [read(table, count) for read, count in readers]
        except RowCut:
            return rows, len(rows) + 1
        if table.pos == start:
            break
        rows.append(row)
    return rows, None


class Decoded:
    """A table read for the structured outputs: the run's status and
    standard error, and where the header was valid the header, the byte
    order, the rows' keys, the complete rows and the cut row's number."""

    def __init__(self, status, err, header=None, big_endian=False, rows=(), cut_row=None):
        self.status = status
        self.err = bytes(err)
        self.header = header
        self.big_endian = big_endian
        self.keys = column_keys(header.definitions) if header else []
        self.rows = list(rows)
        self.cut_row = cut_row
        self.texts = None  # each row's column texts, once worked out
        self.row_lines = None  # each row's object text
        self.layer = None  # a feature table's drawn features (-o geojson)


def output_decoded(decoded, path, fmt):
    """The Decoded that -o fmt writes from a table read by decode_values:
    for -o geojson on a feature table its own, with the features drawn
    from the coverage (a layer) and its own standard error and status;
    else decoded itself."""
    if fmt != "geojson" or decoded.header is None:
        return decoded
    import feature_layers  # it reads its tables with this module's reader
    if feature_layers.feature_kind(path) is None:
        return decoded
    try:
        layer = feature_layers.draw_layer(decoded, path)
    except feature_layers.LayerTrouble as trouble:
        return Decoded(3, BANNER + trouble.args[0] + b"\n")
    drawn = copy.copy(decoded)
    drawn.layer = layer
    drawn.err = decoded.err + layer.last_line()
    drawn.status = max(decoded.status, 1 if layer.undrawn else 0)
    return drawn


def column_keys(definitions):
    """Each column's name without the spaces at either end; a name seen
    before gets #2, #3, ... ("#" is no name character, so no clash)."""
    seen = {}
    keys = []
    for definition in definitions:
        name = definition[0].strip(b" ").decode("latin-1")
        seen[name] = seen.get(name, 0) + 1
        keys.append(name if seen[name] == 1 else "%s#%d" % (name, seen[name]))
    return keys


def decode_values(path, later_edition=False):
    """What the tool finds in the table for -o json, jsonl and geojson."""
    err = bytearray(BANNER)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        err += b"can't open " + os.fsencode(path) + b" for reading\n" + USAGE
        return Decoded(3, err)
    table = Table(data)
    try:
        header = read_table_header(table, bytearray(), later_edition)
    except InvalidTable:
        return Decoded(1, err + NOT_A_TABLE)
    rows, cut_row = read_rows(table, header)
    if cut_row is None:
        err += b"%d Records processed\n" % len(rows)
    else:
        err += b"Not a valid VPF table file: its data ends inside row %d\n" % cut_row
    return Decoded(0 if cut_row is None else 1, err, header, table.swap_bytes, rows, cut_row)


# --- The structured outputs as Python values --------------------------------


def float_json(value, code):
    """A float as a JSON value: Single for 32 bits, None where not finite
    (v - v is 0 only for a finite v)."""
    if value - value != 0:
        return None
    return Single(value) if code == "f" else value


def json_value(raw, letter, count):
    """A column's raw value as a Python JSON value."""
    if letter in (b"T", b"D", b"X"):
        return raw
    if letter == b"K":
        return dict(zip(("id", "tile", "external"), raw))
    if letter == b"F":
        return float_json(raw, "f")
    _, code, dimensions = COLUMN_KINDS[letter]
    values = [float_json(v, code) for v in raw] if code else list(raw)
    if dimensions:
        values = [values[i:i + dimensions] for i in range(0, len(values), dimensions)]
    return values[0] if count == 1 else values


def latin1(text):
    return text.decode("latin-1")


def column_object(definition, key):
    """A column as -o json lists it."""
    name, type_letter, count_text, key_type, description, value_table, thematic, seventh = \
        definition
    count = column_count(count_text)
    column = {"name": key, "type": latin1(type_letter),
              "count": None if count == VARIABLE_COUNT else count, "key": latin1(key_type),
              "description": latin1(c_string(description)), "valueTable": latin1(value_table),
              "thematicIndex": latin1(thematic)}
    if seventh is not None:
        column["narrativeTable"] = latin1(seventh)
    return column


def geometry_column(decoded):
    """The index of the first position column (C, Z, B, Y), or None."""
    letters = [d[1] for d in decoded.header.definitions]
    return next((i for i, t in enumerate(letters) if t in (b"C", b"Z", b"B", b"Y")), None)


def geometry(value, count):
    """A position column's value as a GeoJSON geometry, or None: a Point
    for one position, a LineString for more; 2-D where a height is
    unknown, None where a position is."""
    positions = [value] if count == 1 else value
    if not positions or any(p[0] is None or p[1] is None for p in positions):
        return None
    if any(None in p for p in positions):
        positions = [p[:2] for p in positions]
    if len(positions) == 1:
        return {"type": "Point", "coordinates": positions[0]}
    return {"type": "LineString", "coordinates": positions}


def expected_output(decoded, fmt):
    """A structured output as Python values: for jsonl the list of row
    objects (one a line), else the document; None where the header is not
    valid (standard output stays empty)."""
    if decoded.header is None:
        return None
    header = decoded.header
    kinds = [(d[1], count) for d, (_, count) in zip(header.definitions, header.columns)]
    rows = [[json_value(raw, letter, count) for raw, (letter, count) in zip(row, kinds)]
            for row in decoded.rows]
    if fmt == "geojson" and decoded.layer:
        return {"type": "FeatureCollection", "features": [
            {"type": "Feature", "id": number, "geometry": geometry,
             "properties": layer_properties(decoded, row, string)}
            for number, (row, geometry, string) in enumerate(zip(
                rows, decoded.layer.geometries, layer_strings(decoded)), 1)]}
    if fmt == "geojson":
        where = geometry_column(decoded)
        features = [{"type": "Feature", "id": number,
                     "geometry": None if where is None else geometry(row[where],
                                                                     kinds[where][1]),
                     "properties": {k: v for i, (k, v) in enumerate(zip(decoded.keys, row))
                                    if i != where}}
                    for number, row in enumerate(rows, 1)]
        return {"type": "FeatureCollection", "features": features}
    rows = [dict(zip(decoded.keys, row)) for row in rows]
    if fmt == "jsonl":
        return rows
    return {"description": latin1(c_string(header.description)),
            "narrativeTable": latin1(header.narrative),
            "byteOrder": "big" if decoded.big_endian else "little",
            "columns": [column_object(d, k) for d, k in zip(header.definitions, decoded.keys)],
            "rows": rows, "records": len(rows)}


def layer_properties(decoded, row, string):
    """A drawn feature's properties: every column, and for a text feature
    its text's string last (keyed as a further column named string)."""
    properties = dict(zip(decoded.keys, row))
    if decoded.layer.strings is not None:
        properties[string_key(decoded.keys)] = string
    return properties


def layer_strings(decoded):
    """Each feature's text string (None for features other than texts)."""
    strings = decoded.layer.strings
    return strings if strings is not None else [None] * len(decoded.rows)


def string_key(keys):
    """string, or where a column already has that key, string#N by the
    rule of repeated names."""
    taken = sum(1 for key in keys if key == "string" or key.startswith("string#"))
    return "string" if not taken else "string#%d" % (taken + 1)


# --- Number text --------------------------------------------------------------

SINGLE = struct.Struct("<f")


def single_from_text(text):
    """The 32-bit float nearest to a decimal text (ties to even), exactly:
    float(text) rounds to 64 bits first, and where that lands exactly
    halfway between two 32-bit values the text itself decides."""
    d = float(text)
    try:
        s = SINGLE.unpack(SINGLE.pack(d))[0]
    except OverflowError:
        return math.copysign(math.inf, d)
    if s != d:
        other = d + d - s  # a 32-bit value only where d lies halfway
        try:
            halfway = SINGLE.unpack(SINGLE.pack(other))[0] == other
        except OverflowError:
            halfway = False
        if halfway:
            exact = Fraction(text)
            if exact != d:
                s = other if (exact > d) == (other > d) else s
    return s


def shortest_text(value, digits):
    """value in scientific notation with `digits` significant digits that
    read back to it at 32 bits, or None. The nearest such decimal, and at
    a power of two, where the 32-bit values below lie closer together than
    those above, also the one just above it."""
    text = "%.*e" % (digits - 1, value)
    if single_from_text(text) == value:
        return text
    if abs(math.frexp(value)[0]) == 0.5:
        above = decimal.Context(prec=digits, rounding=decimal.ROUND_UP).plus(
            decimal.Decimal(value))
        text = format(above, ".%de" % (digits - 1))
        if single_from_text(text) == value:
            return text
    return None


def shortest_single(value):
    """A finite nonzero 32-bit value with the fewest significant digits
    that read back to it, in scientific notation. Most need 7 or 8: the
    search starts at 7."""
    digits = 7
    text = shortest_text(value, digits)
    if text:
        while digits > 1:
            shorter = shortest_text(value, digits - 1)
            if not shorter:
                break
            text, digits = shorter, digits - 1
    while not text:
        digits += 1
        text = shortest_text(value, digits)
    return text


def number_json(value):
    """A finite float (Single: 32 bits) as std::to_chars writes it: its
    shortest digits in fixed or scientific notation, whichever is shorter
    (fixed on a tie); a fixed integer is written to its last digit."""
    sign = "-" if math.copysign(1.0, value) < 0 else ""
    if value == 0:
        return sign + "0"
    if isinstance(value, Single):
        mantissa, exponent = shortest_single(abs(value)).split("e")
    else:
        mantissa, exponent = format(decimal.Decimal(repr(abs(value))), "e").split("e")
    digits = mantissa.replace(".", "").rstrip("0")
    exponent = int(exponent)
    scientific = digits[0] + ("." + digits[1:] if len(digits) > 1 else "") + \
        "e%+03d" % exponent
    if exponent >= len(digits) - 1:
        fixed = "%d" % abs(value)
    elif exponent >= 0:
        fixed = digits[:exponent + 1] + "." + digits[exponent + 1:]
    else:
        fixed = "0." + "0" * (-exponent - 1) + digits
    return sign + (fixed if len(fixed) <= len(scientific) else scientific)


def json_text(value):
    """Compact JSON text of a Python JSON value."""
    if value is None:
        return "null"
    if isinstance(value, float):
        return number_json(value)
    if isinstance(value, int):
        return "%d" % value
    if isinstance(value, str):
        return json.dumps(value, ensure_ascii=False)
    if isinstance(value, list):
        return "[" + ",".join(map(json_text, value)) + "]"
    return "{" + ",".join(json.dumps(k, ensure_ascii=False) + ":" + json_text(v)
                          for k, v in value.items()) + "}"


# --- The structured outputs as text -----------------------------------------
#
# Tables hold hundreds of thousands of floats: their texts are kept by bit
# pattern and the bits taken in bulk, and each row's text is built once for
# all three formats.

BITS = {"f": next(c for c in "IL" if array.array(c).itemsize == 4), "d": "Q"}


class FloatTexts(dict):
    """The JSON texts of floats of one struct code (f, d) by bit pattern,
    each worked out on first use (and kept: the tables of one database
    share many coordinates)."""

    def __init__(self, code):
        super().__init__()
        self.code = code

    def __missing__(self, bits):
        value = array.array(self.code, array.array(BITS[self.code], [bits]).tobytes())[0]
        text = json_text(float_json(value, self.code))
        self[bits] = text
        return text


FLOAT_TEXTS = {"f": FloatTexts("f"), "d": FloatTexts("d")}


def float_texts(values, code):
    """The JSON texts of a sequence of floats of one struct code."""
    bits = array.array(BITS[code], array.array(code, values).tobytes())
    return list(map(FLOAT_TEXTS[code].__getitem__, bits))


def column_text(raw, letter, count):
    """A column's raw value as JSON text."""
    if letter in (b"T", b"D"):
        return json.dumps(raw, ensure_ascii=False)
    if letter == b"X":
        return "null"
    if letter == b"K":
        return '{"id":%s,"tile":%s,"external":%s}' % tuple(
            "null" if part is None else "%d" % part for part in raw)
    if letter == b"F":
        return float_texts((raw,), "f")[0]
    _, code, dimensions = COLUMN_KINDS[letter]
    texts = float_texts(raw, code) if code else list(map(str, raw))
    if dimensions:
        parts = iter(texts)
        texts = list(map(",".join, zip(*[parts] * dimensions)))
        if count == 1:
            return "[" + texts[0] + "]"
        return "[[" + "],[".join(texts) + "]]" if texts else "[]"
    return texts[0] if count == 1 else "[" + ",".join(texts) + "]"


def row_texts(decoded):
    """Each row's column texts, worked out once for all three formats."""
    if decoded.texts is None:
        header = decoded.header
        kinds = [(d[1], count) for d, (_, count) in zip(header.definitions, header.columns)]
        decoded.texts = [[column_text(raw, letter, count)
                          for raw, (letter, count) in zip(row, kinds)] for row in decoded.rows]
    return decoded.texts


def key_prefixes(keys):
    return [json.dumps(key, ensure_ascii=False) + ":" for key in keys]


def object_text(prefixes, texts):
    return "{" + ",".join(map(operator.add, prefixes, texts)) + "}"


def geometry_text(decoded, row, text, where):
    """The geometry of a feature: the position column's text made a Point
    or LineString (worked out from the values where one is not finite)."""
    letter = decoded.header.definitions[where][1]
    count = decoded.header.columns[where][1]
    if "null" in text:
        return json_text(geometry(json_value(row[where], letter, count), count))
    positions = len(row[where]) // COLUMN_KINDS[letter][2]
    if positions == 0:
        return "null"
    if positions > 1:
        return '{"type":"LineString","coordinates":%s}' % text
    return '{"type":"Point","coordinates":%s}' % (text if count == 1 else text[1:-1])


def layer_texts(decoded, texts):
    """The GeoJSON features of a feature table, one text a row."""
    prefixes = key_prefixes(decoded.keys)
    layer = decoded.layer
    if layer.strings is not None:
        prefixes = prefixes + key_prefixes([string_key(decoded.keys)])
        texts = [row_text + [json_text(string)] for row_text, string in zip(texts, layer.strings)]
    return ['{"type":"Feature","id":%d,"geometry":%s,"properties":%s}'
            % (number, geometry_json(geometry), object_text(prefixes, row_text))
            for number, (geometry, row_text) in enumerate(zip(layer.geometries, texts), 1)]


def geometry_json(value):
    """A drawn geometry as JSON text; the numbers of each list of positions
    (one table's, of one width) are taken in bulk by their bit patterns."""
    if isinstance(value, dict):
        return "{" + ",".join('"%s":%s' % (k, geometry_json(v)) for k, v in value.items()) + "}"
    if not isinstance(value, list):
        return json_text(value)
    if value and isinstance(value[0], list) and value[0] and isinstance(value[0][0], float):
        width = len(value[0])
        code = "f" if isinstance(value[0][0], Single) else "d"
        if all(len(p) == width and all(isinstance(v, Single) == (code == "f") for v in p)
               for p in value):
            parts = iter(float_texts([v for p in value for v in p], code))
            return "[[" + "],[".join(map(",".join, zip(*[parts] * width))) + "]]"
    if value and isinstance(value[0], float):
        return "[" + ",".join(json_text(v) for v in value) + "]"
    return "[" + ",".join(map(geometry_json, value)) + "]"


def feature_texts(decoded, texts):
    """The GeoJSON features, one text a row."""
    if decoded.layer:
        return layer_texts(decoded, texts)
    where = geometry_column(decoded)
    prefixes = key_prefixes(decoded.keys)
    features = []
    for number, (row, row_text) in enumerate(zip(decoded.rows, texts), 1):
        shape = "null" if where is None else geometry_text(decoded, row, row_text[where], where)
        properties = object_text(prefixes[:where] + prefixes[where + 1:],
                                 row_text[:where] + row_text[where + 1:]) \
            if where is not None else object_text(prefixes, row_text)
        features.append('{"type":"Feature","id":%d,"geometry":%s,"properties":%s}'
                        % (number, shape, properties))
    return features


def framed(text, items, after):
    """text, then each item on a line of its own, then after on the next
    line; where there is no item, after follows text on its line."""
    if not items:
        return text + after
    return text + "\n" + ",\n".join(items) + "\n" + after


def structured_text(decoded, fmt):
    """Standard output of -o json, jsonl or geojson."""
    if decoded.header is None:
        return b""
    texts = row_texts(decoded)
    if fmt == "geojson":
        text = framed('{"type":"FeatureCollection","features":[', feature_texts(decoded, texts),
                      "]}\n")
        return text.encode("utf-8")
    if decoded.row_lines is None:
        prefixes = key_prefixes(decoded.keys)
        decoded.row_lines = [object_text(prefixes, row_text) for row_text in texts]
    if fmt == "jsonl":
        return "".join(line + "\n" for line in decoded.row_lines).encode("utf-8")
    header = decoded.header
    text = json_text({"description": latin1(c_string(header.description)),
                      "narrativeTable": latin1(header.narrative),
                      "byteOrder": "big" if decoded.big_endian else "little"})
    columns = [json_text(column_object(d, k)) for d, k in zip(header.definitions, decoded.keys)]
    text = framed(text[:-1] + ',"columns":[', columns, '],"rows":[')
    text = framed(text, decoded.row_lines, '],"records":%d}\n' % len(decoded.rows))
    return text.encode("utf-8")


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


def decode_table(path, later_edition=False, fmt="dcw"):
    """What the tool writes for the table at path with -o fmt (dcw, json,
    jsonl or geojson): (stdout, stderr, status)."""
    if fmt != "dcw":
        decoded = output_decoded(decode_values(path, later_edition), path, fmt)
        return structured_text(decoded, fmt), decoded.err, decoded.status
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
        header = read_table_header(table, out, later_edition)
    except InvalidTable:
        err += NOT_A_TABLE
        return bytes(out), bytes(err), 1
    records = dump_rows(table, out, header.columns)
    err += b"%d Records processed\n" % records
    return bytes(out), bytes(err), 0


def main():
    parser = argparse.ArgumentParser(
        description="Writes what `QuorlDCW [-e 2407] [-o FORMAT] -l 2147483647 PATH` writes "
                    "(-o json, jsonl, geojson: without -l).")
    parser.add_argument("-e", dest="edition", choices=["2407"],
                        help="read the later edition's column definitions")
    parser.add_argument("-o", dest="format", choices=FORMATS, default="dcw",
                        help="the output: the dump (dcw, the default), json, jsonl or geojson")
    parser.add_argument("path")
    args = parser.parse_args()
    out, err, status = decode_table(args.path, args.edition == "2407", args.format)
    sys.stdout.buffer.write(out)
    sys.stdout.buffer.flush()
    sys.stderr.buffer.write(err)
    sys.stderr.buffer.flush()
    return status


if __name__ == "__main__":
    # feature_layers imports this module by its name: let it find this run's.
    sys.modules.setdefault("decode_table", sys.modules[__name__])
    sys.exit(main())
