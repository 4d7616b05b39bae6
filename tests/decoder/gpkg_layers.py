"""What `QuorlDCW -o gpkg PATH` writes, by the independent decoder's own
reading of PATH: package(path) finds the libraries, coverages and feature
tables of PATH, names the layers, reads each table (the later edition's
grammar), draws its features (feature_layers.py) and works out every layer's
contents row, columns and their types, each row's values and geometry as
they should stand in the GeoPackage, the column descriptions and coded
values, and the run's standard error lines and status.

Written from the description of the output, not from the tool. Names and
paths are bytes, as the file system gives them; texts for the GeoPackage
are str (each Latin-1 byte one character).
"""

import os
import re

import feature_layers
from decode_table import (BANNER, VARIABLE_COUNT, c_string, column_text, decode_values,
                          json_value, output_decoded, string_key)
from gpkg_binary import envelope, positions_of, write_blob
from feature_layers import (Dissolved, TableTrouble, find_entry, joined, library_of,
                            read_table, split_path)

EXTENSIONS = (b".pft", b".lft", b".aft", b".tft", b".cft")
NO_GEOMETRY_TYPE = {"point": "POINT", "line": "LINESTRING", "area": "POLYGON",
                    "text": "GEOMETRY"}
MULTI = {"Point": "MultiPoint", "LineString": "MultiLineString", "Polygon": "MultiPolygon"}
SQL_TYPES = {"Point": "POINT", "LineString": "LINESTRING", "Polygon": "POLYGON",
             "MultiPoint": "MULTIPOINT", "MultiLineString": "MULTILINESTRING",
             "MultiPolygon": "MULTIPOLYGON", "GeometryCollection": "GEOMETRYCOLLECTION"}
RESERVED_PREFIXES = ("gpkg_", "rtree_", "sqlite_")
SHOULD_BE = (b" should be a database, library or coverage folder (one holding a dht, lht or "
             b"fcs), one of those files, or a feature table (.pft, .lft, .aft, .tft, .cft)")


def text(raw):
    """Bytes of a table as text: each byte one character (Latin-1)."""
    return raw.decode("latin-1")


def plural(n, word):
    return b"%d %s%s" % (n, word, b"" if n == 1 else b"s")


# --- Finding the layers ------------------------------------------------------


def entries(folder):
    """The names in a folder (none where it cannot be listed)."""
    try:
        return os.listdir(folder or b".")
    except OSError:
        return []


def by_name(names):
    """Names in the order of their lower-cased bytes, then their own."""
    return sorted(names, key=lambda name: (name.lower(), name))


def holds(folder, wanted):
    """Whether a folder holds a file of that (lower-case) name, any case."""
    return any(name.lower() == wanted and os.path.isfile(joined(folder, name))
               for name in entries(folder))


def subfolders_holding(folder, wanted):
    """The subfolders (names) that hold a file of that name."""
    return by_name(name for name in entries(folder)
                   if os.path.isdir(joined(folder, name)) and holds(joined(folder, name), wanted))


def feature_tables(coverage):
    """A coverage's feature tables (file names), in order."""
    return by_name(name for name in entries(coverage)
                   if name.lower().endswith(EXTENSIONS) and os.path.isfile(joined(coverage, name)))


def last_part(raw):
    """A folder's own name (None: the working directory): the last part of
    its real path, so that `.` and `cov/` name the folder they stand for."""
    return os.path.basename(os.path.realpath(raw if raw is not None else b"."))


class Found:
    """A feature table found under PATH: its library (path and name), its
    coverage (path and name) and its file name."""

    def __init__(self, library, library_name, coverage, coverage_name, name):
        self.library = library
        self.library_name = library_name
        self.coverage = coverage
        self.coverage_name = coverage_name
        self.name = name
        self.path = joined(coverage, name)


def coverage_tables(library, library_name, coverage):
    """The tables of one coverage folder (a path)."""
    name = last_part(coverage)
    return [Found(library, library_name, coverage, name, table)
            for table in feature_tables(coverage)]


def library_tables(library):
    """The tables of every coverage of one library folder (a path)."""
    name = last_part(library)
    found = []
    for coverage in subfolders_holding(library, b"fcs"):
        found += coverage_tables(library, name, joined(library, coverage))
    return found


def path_kind(raw):
    """(kind, folder) of PATH: database, library, coverage or table (the
    folder is then the table's path), or (None, cause line)."""
    if os.path.isdir(raw):
        for kind, wanted in (("database", b"dht"), ("library", b"lht"), ("coverage", b"fcs")):
            if holds(raw, wanted):
                return kind, raw
        return None, raw + SHOULD_BE
    if not os.path.exists(raw):
        return None, b"can't open " + raw + b" for reading"
    folder, name = split_path(raw)
    kinds = {b"dht": "database", b"lht": "library", b"fcs": "coverage"}
    if name.lower() in kinds:
        return kinds[name.lower()], folder
    if name.lower().endswith(EXTENSIONS):
        return "table", raw
    return None, raw + SHOULD_BE


def found_tables(raw):
    """(tables found, whether PATH is a database of several libraries), or
    (None, cause line)."""
    kind, folder = path_kind(raw)
    if kind is None:
        return None, folder
    if kind == "database":
        libraries = subfolders_holding(folder, b"lht")
        found = []
        for library in libraries:
            found += library_tables(joined(folder, library))
        return found, len(libraries) > 1
    if kind == "library":
        return library_tables(folder), False
    if kind == "coverage":
        library = library_of(folder)
        return coverage_tables(library, last_part(library), folder), False
    coverage, name = split_path(folder)
    library = library_of(coverage)
    return [Found(library, last_part(library), coverage, last_part(coverage), name)], False


# --- Layer names ---------------------------------------------------------------


def sanitized(name):
    """Lower case; every byte other than a-z, 0-9 and _ becomes _."""
    return re.sub(rb"[^a-z0-9_]", b"_", name.lower()).decode("ascii")


def layer_names(found, with_library):
    """Each table's layer name, by the rules: coverage_table (library_
    first where asked), two tables of one coverage with one name both with
    their extension, reserved prefixes behind _, repeats _2, _3, ..."""
    bases = []
    for table in found:
        parts = ([table.library_name] if with_library else []) + [table.coverage_name,
                                                                table.name[:-4]]
        bases.append(sanitized(b"_".join(parts)))
    names = []
    taken = set()
    for index, (table, base) in enumerate(zip(found, bases)):
        twins = [i for i, other in enumerate(found)
                 if other.coverage == table.coverage and bases[i] == base]
        name = base + "_" + sanitized(table.name[-3:]) if len(twins) > 1 else base
        if name.startswith(RESERVED_PREFIXES):
            name = "_" + name
        if name in taken:
            number = 2
            while "%s_%d" % (name, number) in taken:
                number += 1
            name = "%s_%d" % (name, number)
        taken.add(name)
        names.append(name)
    return names


# --- Libraries: the spatial reference ------------------------------------------


def library_srs(library):
    """(srs_id, the line where it is 0, else None) of a library by its grt."""
    shown = library if library is not None else b"."
    entry = find_entry(library, b"grt")
    if entry is None:
        return 0, shown + b": its layers use srs_id 0 (undefined geographic): it has no grt"
    try:
        read = read_table(joined(library, entry))
        row = read.rows[0]
        data_type = read.column(b"data_type", (b"T",))
        datum = read.column(b"geo_datum_code", (b"T",))
        if feature_layers.trimmed_text(row[data_type]) == b"GEO" and \
                feature_layers.trimmed_text(row[datum]) == b"WGE":
            return 4326, None
    except (TableTrouble, IndexError, TypeError):
        pass
    return 0, shown + (b": its layers use srs_id 0 (undefined geographic): its grt does not "
                       b"give GEO and WGE")


# --- One layer -----------------------------------------------------------------


class Column:
    """A column of a layer's table: its name, declared type, and for a VPF
    column its index in the row, data_columns name and constraint."""

    def __init__(self, name, sql_type, index=None):
        self.name = name
        self.sql_type = sql_type
        self.index = index
        self.title = None
        self.constraint = None
        self.codes = []  # (value, description) of its enum constraint


def sql_type(letter, count):
    """The declared type of a VPF column."""
    if letter == b"F":
        return "FLOAT"
    if letter == b"D":
        return "TEXT(20)"
    if letter == b"T":
        return "TEXT" if count == VARIABLE_COUNT else "TEXT(%d)" % count
    if count == 1 and letter in (b"S", b"I", b"R"):
        return {b"S": "SMALLINT", b"I": "MEDIUMINT", b"R": "DOUBLE"}[letter]
    return "TEXT"


def unique_names(names):
    """Names unique ignoring ASCII case: a repeat gets #2, #3, ... (the
    smallest free)."""
    taken = set()
    result = []
    for name in names:
        if name.lower() in taken:
            number = 2
            while ("%s#%d" % (name, number)).lower() in taken:
                number += 1
            name = "%s#%d" % (name, number)
        taken.add(name.lower())
        result.append(name)
    return result


class Value:
    """A value as the GeoPackage should hold it: its storage class
    (null, integer, real, text) and Python value; a JSON text (json) also
    carries the decoder's JSON value, for a comparison by value."""

    def __init__(self, kind, value, json=None):
        self.kind = kind
        self.value = value
        self.json = json


NULL = Value("null", None)


def finite(v):
    return v - v == 0


def sql_value(raw, letter, count):
    """A VPF value as the GeoPackage holds it, by the value rules."""
    if letter in (b"T", b"D"):
        if letter == b"D" or count != VARIABLE_COUNT:
            raw = raw.rstrip(" ")
        return Value("text", raw)
    if letter == b"X":
        return NULL
    if letter == b"F" or (letter == b"R" and count == 1):
        value = raw if letter == b"F" else raw[0]
        return Value("real", float(value)) if finite(value) else NULL
    if letter in (b"I", b"S") and count == 1:
        return Value("integer", raw[0])
    return Value("json", column_text(raw, letter, count), json_value(raw, letter, count))


def fca_description(coverage, name):
    """The fca's descr (trimmed) of the class of the table `name`, or None."""
    wanted = name[:-4]
    try:
        entry = find_entry(coverage, b"fcs")
        fcs = read_table(joined(coverage, entry)) if entry else None
    except TableTrouble:
        fcs = None
    if fcs is not None:
        table1, feature_class = fcs.column(b"table1", (b"T",)), fcs.column(b"feature_class",
                                                                           (b"T",))
        if table1 is not None and feature_class is not None:
            for row in fcs.rows:
                if feature_layers.trimmed_text(row[table1]).lower() == name.lower():
                    wanted = feature_layers.trimmed_text(row[feature_class])
                    break
    try:
        entry = find_entry(coverage, b"fca")
        fca = read_table(joined(coverage, entry)) if entry else None
    except TableTrouble:
        return None
    if fca is None:
        return None
    fclass, descr = fca.column(b"fclass", (b"T",)), fca.column(b"descr", (b"T",))
    if fclass is None or descr is None:
        return None
    for row in fca.rows:
        if feature_layers.trimmed_text(row[fclass]).lower() == wanted.lower():
            return text(feature_layers.trimmed_text(row[descr]))
    return None


def value_codes(coverage, value_table, table_name, column_name):
    """The (code, description) rows of a value description table for one
    column of one table, in row order, a code's first row only."""
    if value_table.strip(b" ").lower() not in (b"int.vdt", b"char.vdt"):
        return []
    entry = find_entry(coverage, value_table.strip(b" "))
    if entry is None:
        return []
    try:
        vdt = read_table(joined(coverage, entry))
    except TableTrouble:
        return []
    columns = [vdt.column(name) for name in (b"table", b"attribute", b"value", b"description")]
    if None in columns or vdt.definitions[columns[0]][1] != b"T" or \
            vdt.definitions[columns[1]][1] != b"T" or vdt.definitions[columns[3]][1] != b"T":
        return []
    table, attribute, value, description = columns
    letter = vdt.definitions[value][1]
    codes = []
    seen = set()
    for row in vdt.rows:
        if feature_layers.trimmed_text(row[table]).lower() != table_name.lower() or \
                feature_layers.trimmed_text(row[attribute]).lower() != column_name.lower():
            continue
        if letter in (b"I", b"S") and row[value]:
            code = "%d" % row[value][0]
        elif letter == b"T":
            code = text(feature_layers.trimmed_text(row[value]))
        else:
            continue
        if code not in seen:
            seen.add(code)
            codes.append((code, text(feature_layers.trimmed_text(row[description]))))
    return codes


class LayerModel:
    """One layer as the GeoPackage should hold it."""

    def __init__(self, name, found, decoded, srs_id):
        self.name = name
        self.found = found
        self.kind = feature_layers.feature_kind(found.path)
        self.attributes = self.kind == "complex"
        self.data_type = "attributes" if self.attributes else "features"
        self.srs_id = None if self.attributes else srs_id
        self.decoded = decoded
        header = decoded.header
        fca = fca_description(found.coverage, found.name)
        self.description = fca if fca is not None else text(
            c_string(header.description).strip(b" "))
        self.rows = len(decoded.rows)
        self.columns = self.table_columns()
        self.geometries = self.written_geometries()

    def table_columns(self):
        """fid, geom, the VPF columns, string: names, types, descriptions."""
        header = self.decoded.header
        keys = self.decoded.keys
        columns = [Column("fid", "INTEGER")]
        if not self.attributes:
            columns.append(Column("geom", None))  # its type: the geometry type
        for index, (definition, (_, count)) in enumerate(zip(header.definitions,
                                                             header.columns)):
            columns.append(Column(keys[index], sql_type(definition[1], count), index))
        if self.kind == "text":
            columns.append(Column(string_key(keys), "TEXT"))
        names = unique_names([column.name for column in columns])
        titles = {}
        for column, name in zip(columns, names):
            column.name = name
            if column.index is None:
                continue
            definition = header.definitions[column.index]
            title = text(c_string(definition[4]).strip(b" "))
            if title:
                titles[title] = titles.get(title, 0) + 1
                column.title = title if titles[title] == 1 else "%s (%d)" % (title, titles[title])
            column.codes = value_codes(self.found.coverage, definition[5], self.found.name,
                                       definition[0].strip(b" "))
            if column.codes:
                column.constraint = "%s_%s" % (self.name, name)
        return columns

    def written_geometries(self):
        """Each feature's geometry as written (None: NULL), and the layer's
        geometry type and z."""
        if self.attributes:
            self.geometry_type, self.z = None, None
            return [None] * self.rows
        drawn = list(self.decoded.layer.geometries)
        types = {g["type"] for g in drawn if g is not None}
        singles = {t for t in types if t in MULTI}
        if not types:
            self.geometry_type = NO_GEOMETRY_TYPE[self.kind]
        elif len(types) == 1:
            self.geometry_type = SQL_TYPES[types.pop()]
        elif len(singles) == 1 and types == singles | {MULTI[next(iter(singles))]}:
            multi = MULTI[singles.pop()]
            self.geometry_type = SQL_TYPES[multi]
            drawn = [as_multi(g, multi) if g is not None and g["type"] != multi else g
                     for g in drawn]
        else:
            self.geometry_type = "GEOMETRY"
        heights = {is_3d(g) for g in drawn if g is not None}
        self.z = 2 if len(heights) == 2 else 1 if heights == {True} else 0
        return drawn

    def values(self, number):
        """The values of row `number` (1-based) in the column order, geom
        and fid included (the geometry as drawn, or None)."""
        row = self.decoded.rows[number - 1]
        header = self.decoded.header
        values = []
        for column in self.columns:
            if column.name == "fid":
                values.append(Value("integer", number))
            elif column.index is not None:
                letter = header.definitions[column.index][1]
                values.append(sql_value(row[column.index], letter,
                                        header.columns[column.index][1]))
            elif column.sql_type is None:
                values.append(self.geometries[number - 1])
            else:
                string = self.decoded.layer.strings[number - 1]
                values.append(NULL if string is None else Value("text", string))
        return values

    def boxes(self):
        """Each geometry's (minx, maxx, miny, maxy), or None (worked out once
        for every run of the table: a multi of one has its single's box)."""
        if self.decoded.boxes is None:
            self.decoded.boxes = [None if g is None else envelope(g) for g in self.geometries]
        return self.decoded.boxes

    def blobs(self):
        """Each geometry's blob as the rules make it (None for a union of
        faces, which is compared as a set), worked out once for every run
        of the table with this srs_id and geometry type."""
        key = (self.srs_id, self.geometry_type)
        if key not in self.decoded.blobs:
            self.decoded.blobs[key] = [
                None if g is None or isinstance(g, Dissolved) else write_blob(g, self.srs_id, box)
                for g, box in zip(self.geometries, self.boxes())]
        return self.decoded.blobs[key]

    def extent(self):
        """(min_x, min_y, max_x, max_y) of the geometries' positions, or None."""
        boxes = [box for box in self.boxes() if box is not None]
        if not boxes:
            return None
        return (min(b[0] for b in boxes), min(b[2] for b in boxes),
                max(b[1] for b in boxes), max(b[3] for b in boxes))


def as_multi(geometry, multi):
    """A single geometry as a multi geometry of one (a union of faces stays
    one to compare as a set)."""
    made = {"type": multi, "coordinates": [geometry["coordinates"]]}
    return Dissolved(made) if isinstance(geometry, Dissolved) else made


def is_3d(geometry):
    return len(positions_of(geometry)[0]) == 3


def geometry_box(geometry):
    """(minx, maxx, miny, maxy) of a drawn geometry's positions."""
    return envelope(geometry)


# --- The package -------------------------------------------------------------------

_drawn = {}


def read_layer(path):
    """A feature table read and drawn as for -o geojson (later edition),
    kept for the other runs of the same table: the Decoded (with the layer)
    or the cause it is left out for."""
    key = os.path.abspath(path)
    if key not in _drawn:
        decoded = decode_values(path, True)
        if decoded.header is None:
            if decoded.status == 3:
                _drawn[key] = b"can't open " + path + b" for reading"
            else:
                _drawn[key] = b"can't read " + path + b": not a valid VPF table"
        else:
            drawn = output_decoded(decoded, path, "geojson")
            if drawn.status == 3:
                _drawn[key] = drawn.err[len(BANNER):].rstrip(b"\n")
            else:
                drawn.boxes = None
                drawn.blobs = {}
                _drawn[key] = drawn
    return _drawn[key]


class Package:
    """What -o gpkg PATH writes: the layers (LayerModel), standard error
    and the status; no file where the status is 3."""

    def __init__(self, path):
        raw = os.fsencode(path)
        self.layers = []
        self.features = 0
        self.undrawn = 0
        lines = []
        found, several = found_tables(raw)
        if found is None:
            self.finish(lines + [several], 3)
            return
        if not found:
            self.finish([raw + b" holds no feature table"], 3)
            return
        names = layer_names(found, several)
        libraries = {}
        first = None
        troubled = False
        for table, name in zip(found, names):
            if table.library not in libraries:
                libraries[table.library] = library_srs(table.library)
                if libraries[table.library][1]:
                    lines.append(libraries[table.library][1])
            read = read_layer(table.path)
            if isinstance(read, bytes):
                lines.append(b"left out " + name.encode() + b": " + read)
                troubled = True
                continue
            layer = LayerModel(name, table, read, libraries[table.library][0])
            self.layers.append(layer)
            self.features += layer.rows
            if read.cut_row is not None:
                lines.append(b"%s: its data ends inside row %d" % (name.encode(), read.cut_row))
                troubled = True
            if read.layer is not None and read.layer.undrawn:
                self.undrawn += read.layer.undrawn
                if first is None:
                    first = (name, read.layer.first)
        if not self.layers:
            self.finish(lines + [b"no layer of " + raw + b" could be written"], 3)
            return
        if first:
            name, (row, cause) = first
            lines.append(b"%d feature%s no geometry; the first, %s row %d: %s" % (
                self.undrawn, b" has" if self.undrawn == 1 else b"s have", name.encode(), row,
                cause))
            troubled = True
        lines.append(plural(len(self.layers), b"layer") + b", " +
                     plural(self.features, b"feature"))
        self.finish(lines, 1 if troubled else 0)

    def finish(self, lines, status):
        self.err = BANNER + b"".join(line + b"\n" for line in lines)
        self.status = status


def package(path):
    """The Package of -o gpkg PATH."""
    return Package(path)

