"""Feature layers for the independent decoder: each feature's geometry
drawn from the primitives of its coverage, as `-o geojson` writes it for
a feature table (.pft, .lft, .aft, .tft; a .cft feature has none).

A feature table holds no coordinates. The coverage's feature class
schema (fcs) names the column that holds a primitive's id, or a join
table that holds several; a tile_id column names the tile through the
library's tileref/tileref.aft; a face's rings are walked around the
winged edges of edg, and the faces of one feature are dissolved by the
topology. draw_layer(decoded, path) gives each feature's geometry as
Python JSON values (a union's as a Dissolved, which checks compare as
sets), the text features' strings, and the first failure.

Written from the description of the formats, in the shape of
decode_table.py: every table whole in memory (read with the later
edition's grammar, complete rows only), small functions, integers for
areas, orientation and containment (no float rounding). Names are bytes
throughout: file names as the file system gives them, table names as the
tables store them.
"""

import collections
import operator
import os

from decode_table import InvalidTable, Single, Table, read_rows, read_table_header

KINDS = {b".pft": "point", b".lft": "line", b".aft": "area", b".tft": "text",
         b".cft": "complex"}
PRIMITIVES = {"point": (b"end", b"cnd"), "line": (b"edg",), "area": (b"fac",),
              "text": (b"txt",)}
JOIN_SUFFIXES = (b".pjt", b".ljt", b".ajt", b".tjt")
POSITION_KINDS = {b"C": ("f", 2), b"Z": ("f", 3), b"B": ("d", 2), b"Y": ("d", 3)}
KEY_TYPES = (b"I", b"S", b"K")
SEPARATORS = (b"/", b"\\") if os.name == "nt" else (b"/",)

# The columns each primitive table must have for a kind of feature: name
# and the type letters it may have (None: any; a key read from another
# type than I, S or K is null).
EDGE_TOPOLOGY = (b"start_node", b"end_node", b"right_face", b"left_face", b"right_edge",
                 b"left_edge")
POSITIONS = tuple(POSITION_KINDS)
COLUMNS = {
    "point": ((b"id", None), (b"coordinate", POSITIONS)),
    "line": ((b"id", None), (b"coordinates", POSITIONS)),
    "text": ((b"id", None), (b"string", (b"T",)), (b"shape_line", POSITIONS)),
    "area": ((b"id", None),),
    "rng": ((b"face_id", None), (b"start_edge", None)),
    "edg": ((b"id", None),) + tuple((name, None) for name in EDGE_TOPOLOGY)
    + ((b"coordinates", POSITIONS),),
}


class Undrawn(Exception):
    """A feature's geometry cannot be drawn; args[0] is the cause (bytes)."""


class LayerTrouble(Exception):
    """The layer cannot be written at all (status 3); args[0] is the line."""


class Dissolved(dict):
    """The geometry of a union of faces: its polygons, their holes and
    where each ring starts are each implementation's own, so checks
    compare them as sets."""


class Layer:
    """What -o geojson draws for a feature table: each feature's geometry
    (None where it cannot be drawn), the text features' strings (None for
    other kinds), the number of features not drawn and the first one's
    row and cause."""

    def __init__(self, count, texts):
        self.geometries = [None] * count
        self.strings = [None] * count if texts else None
        self.undrawn = 0
        self.first = None

    def failed(self, row, cause):
        """Counts a feature not drawn, keeping the first one's cause."""
        self.undrawn += 1
        if self.first is None:
            self.first = (row, cause)

    def last_line(self):
        """The last line of standard error where features were not drawn."""
        if not self.undrawn:
            return b""
        row, cause = self.first
        return b"%d feature%s no geometry; the first, row %d: %s\n" % (
            self.undrawn, b" has" if self.undrawn == 1 else b"s have", row, cause)


# --- Paths and names -----------------------------------------------------------


def feature_kind(path):
    """point, line, area, text or complex for a feature table's path, else None."""
    return KINDS.get(split_path(os.fsencode(path))[1][-4:].lower())


def split_path(raw):
    """(coverage, file name): the coverage is the path before its last
    separator (None where there is none; "/" for a file at the root)."""
    at = max(raw.rfind(separator) for separator in SEPARATORS)
    if at < 0:
        return None, raw
    return raw[:at] or raw[:1], raw[at + 1:]


def joined(directory, name):
    """name in directory (None: the working directory, the name alone)."""
    if directory is None:
        return name
    return directory + name if directory.endswith(SEPARATORS) else directory + b"/" + name


def library_of(coverage):
    """The coverage's parent: its path without the last component, or the
    coverage followed by /.. where that component is ., .. or missing."""
    if coverage is None:
        return b".."
    at = max(coverage.rfind(separator) for separator in SEPARATORS)
    if coverage[at + 1:] in (b"", b".", b".."):
        return joined(coverage, b"..")
    if at < 0:
        return None
    return coverage[:at] or coverage[:1]


def find_entry(directory, wanted):
    """The name of directory's entry that is the wanted name, ignoring
    ASCII case (the one equal byte for byte first, else the first in byte
    order), or None. A name that is empty or holds /, \\ or .. finds
    nothing: each name is one entry, never a path."""
    if not wanted or b"/" in wanted or b"\\" in wanted or b".." in wanted:
        return None
    try:
        names = os.listdir(directory or b".")
    except OSError:
        return None
    if wanted in names:
        return wanted
    lower = wanted.lower()
    return min((name for name in names if name.lower() == lower), default=None)


def trimmed_text(raw):
    """A T value as the bytes stored, without the spaces at either end."""
    return raw.encode("latin-1").strip(b" ")


# --- Tables ----------------------------------------------------------------------


class Read:
    """A table read with the later edition's grammar: its column definitions
    and complete rows, and what the joins work out from them (`derived`)."""

    def __init__(self, definitions, rows):
        self.definitions = definitions
        self.rows = rows
        self.derived = {}

    def column(self, name, letters=None):
        """The index of the first column of that name (trimmed, ASCII case
        ignored) where its type is one of letters; None where there is none."""
        for index, definition in enumerate(self.definitions):
            if definition[0].strip(b" ").lower() == name.lower():
                if letters is not None and definition[1] not in letters:
                    return None
                return index
        return None

    def key(self, row, index):
        """A key value of a row's column: I or S its first element, K its id."""
        if index is None:
            return None
        letter = self.definitions[index][1]
        raw = row[index]
        if letter in (b"I", b"S"):
            return raw[0] if raw else None
        return raw[0] if letter == b"K" else None


class TableTrouble(Exception):
    """A table could not be used: open, invalid or read."""


CACHE_BYTES = 32 << 20
_cache = collections.OrderedDict()


def read_table(path):
    """The table at path as a Read, kept for the other feature tables of a
    coverage (up to CACHE_BYTES of files, the least recently used dropped)."""
    try:
        status = os.stat(path)
    except OSError:
        raise TableTrouble("open")
    key = (os.path.abspath(path), status.st_mtime_ns, status.st_size, status.st_ino)
    if key in _cache:
        _cache.move_to_end(key)
        return _cache[key]
    read = load_table(path)
    _cache[key] = read
    while sum(k[2] for k in _cache) > CACHE_BYTES and len(_cache) > 1:
        _cache.popitem(last=False)
    return read


def load_table(path):
    """Reads a table whole: its header and complete rows (a cut last row
    and stray bytes are left out)."""
    try:
        f = open(path, "rb")
    except OSError:
        raise TableTrouble("open")
    with f:
        try:
            data = f.read()
        except OSError:
            raise TableTrouble("read")
    table = Table(data)
    try:
        header = read_table_header(table, bytearray(), True)
    except InvalidTable:
        raise TableTrouble("invalid")
    return Read(header.definitions, read_rows(table, header)[0])


# --- Positions ---------------------------------------------------------------------


def positions_of(raw, letter):
    """A position column's value as tuples of floats (Single at 32 bits)."""
    code, dimensions = POSITION_KINDS[letter]
    make = Single if code == "f" else float
    values = [make(v) for v in raw]
    return [tuple(values[i:i + dimensions]) for i in range(0, len(values), dimensions)]


def finite(v):
    """Whether a float is a number (v - v is 0 only for a finite v)."""
    return v - v == 0


def coordinates(positions, flat):
    """Positions as GeoJSON arrays: 3-D only where every position of the
    whole geometry has a finite height (flat says it does not)."""
    return [list(p[:2]) if flat else list(p) for p in positions]


def is_flat(positions):
    """Whether a geometry of these positions is written 2-D."""
    return any(len(p) < 3 or not finite(p[2]) for p in positions)


# --- Places: the coverage or a tile ------------------------------------------------


class Place:
    """A directory that holds primitives: the coverage or one tile of it;
    `where` is what a cause adds (b"" or b" in tile T")."""

    def __init__(self, directory, tile):
        self.directory = directory
        self.where = b"" if tile is None else b" in tile " + tile
        self.tables = {}

    def table(self, name, columns):
        """The primitive table of that name (as fcs stores it, trimmed) with
        the columns a kind needs, or Undrawn."""
        if name not in self.tables:
            self.tables[name] = self.open(name, columns)
        found = self.tables[name]
        if isinstance(found, bytes):
            raise Undrawn(found)
        return found

    def open(self, name, columns):
        """The table, or the cause (bytes) where it cannot be used."""
        entry = find_entry(self.directory, name)
        if entry is None:
            return b"can't open " + name + self.where
        try:
            read = read_table(joined(self.directory, entry))
        except TableTrouble as trouble:
            return {"open": b"can't open %s%s", "invalid": b"%s%s is not a valid VPF table",
                    "read": b"can't read %s%s"}[trouble.args[0]] % (name, self.where)
        for column, letters in columns:
            if read.column(column, letters) is None:
                return b"%s%s has no column %s" % (name, self.where, column)
        return read

    def row(self, name, read, k):
        """Row k of a primitive table, which must have the id k."""
        if k < 1 or k > len(read.rows) or read.key(read.rows[k - 1], read.column(b"id")) != k:
            raise Undrawn(b"%s %d has no row%s" % (name, k, self.where))
        return read.rows[k - 1]


# --- The join ------------------------------------------------------------------------


class Join:
    """How a feature table reaches its primitives: the feature's key column,
    the primitive's name (as fcs stores it, trimmed), and for a join table
    its name, the column that matches the feature's key and the one that
    holds the primitive's id."""

    def __init__(self, key, primitive, table=None, match=None, holds=None):
        self.key = key
        self.primitive = primitive
        self.table = table
        self.match = match
        self.holds = holds


def fcs_rows(coverage):
    """The fcs of the coverage as (table1, table1_key, table2, table2_key)
    rows, trimmed; LayerTrouble where it cannot be read."""
    directory = coverage
    entry = find_entry(directory, b"fcs")
    path = joined(coverage, entry or b"fcs")
    read = read_or_trouble(directory, entry, path)
    columns = []
    for name in (b"table1", b"table1_key", b"table2", b"table2_key"):
        index = read.column(name, (b"T",))
        if index is None:
            raise LayerTrouble(b"%s has no text column %s" % (path, name))
        columns.append(index)
    return path, [tuple(trimmed_text(row[i]) for i in columns) for row in read.rows]


def read_or_trouble(directory, entry, path):
    """A table the layer cannot do without, or LayerTrouble."""
    if entry is None:
        raise LayerTrouble(b"can't open %s for reading" % path)
    try:
        return read_table(joined(directory, entry))
    except TableTrouble as trouble:
        raise LayerTrouble({"open": b"can't open %s for reading",
                            "invalid": b"can't read %s: not a valid VPF table",
                            "read": b"can't read %s"}[trouble.args[0]] % path)


def find_join(coverage, name, kind):
    """The geometry join of the feature table `name` (its file name)."""
    path, rows = fcs_rows(coverage)
    primitives = PRIMITIVES[kind]
    lower = name.lower()
    for table1, table1_key, table2, table2_key in rows:
        if table1.lower() != lower:
            continue
        if table2.lower() in primitives:
            return Join(table1_key, table2)
        if table2.lower().endswith(JOIN_SUFFIXES):
            for second in rows:
                if second[0].lower() == table2.lower() and second[2].lower() in primitives:
                    return Join(table1_key, second[2], table2, table2_key, second[1])
            raise LayerTrouble(b"%s has no geometry join for %s" % (path, table2))
    raise LayerTrouble(b"%s has no geometry join for %s" % (path, name))


def tile_names(coverage):
    """The library's tileref.aft as {id: tile name (trimmed)}, the first
    row of each id; LayerTrouble where it cannot be read."""
    library = library_of(coverage)
    folder = find_entry(library, b"tileref")
    folder_path = joined(library, folder or b"tileref")
    entry = find_entry(folder_path, b"tileref.aft") if folder else None
    path = joined(folder_path, entry or b"tileref.aft")
    read = read_or_trouble(folder_path, entry, path)
    name_column = read.column(b"tile_name", (b"T",))
    if name_column is None:
        raise LayerTrouble(b"%s has no column tile_name" % path)
    id_column = read.column(b"id", KEY_TYPES)
    if id_column is None:
        raise LayerTrouble(b"%s has no column id" % path)
    names = {}
    for row in read.rows:
        names.setdefault(read.key(row, id_column), trimmed_text(row[name_column]))
    return names


class Coverage:
    """The coverage of a feature table and the places of its primitives."""

    def __init__(self, directory, tiles):
        self.directory = directory
        self.tiles = tiles
        self.places = {}

    def place(self, tile_id):
        """The place of a tile_id's primitives (None: no tile_id column)."""
        if tile_id is False:
            return self.places.setdefault(None, Place(self.directory, None))
        if tile_id is None:
            raise Undrawn(b"tile_id is null")
        if tile_id not in self.tiles:
            raise Undrawn(b"tile_id %d has no row in tileref.aft" % tile_id)
        name = self.tiles[tile_id]
        if name not in self.places:
            self.places[name] = self.tile_place(name)
        found = self.places[name]
        if isinstance(found, bytes):
            raise Undrawn(found)
        return found

    def tile_place(self, name):
        """The tile's directory, each part of its name one entry going down
        from the coverage; the cause where it leads nowhere."""
        parts = name.replace(b"\\", b"/").split(b"/")
        parts = [part for part in parts if part]
        if any(part in (b".", b"..") for part in parts):
            return b"tile %s leads out of the coverage" % name
        directory = self.directory
        for part in parts:
            entry = find_entry(directory, part)
            if entry is None or not os.path.isdir(joined(directory, entry)):
                return b"can't open tile %s" % name
            directory = joined(directory, entry)
        if not parts:
            return b"can't open tile %s" % name
        return Place(directory, name)


def checked_key(value, column):
    """A primitive id or feature key: null, 0 and negative ones are causes."""
    if value is None:
        raise Undrawn(b"%s is null" % column)
    if value <= 0:
        raise Undrawn(b"%s is %d" % (column, value))
    return value


def column_name(read, index):
    """A column's name as its JSON key: trimmed of spaces."""
    return read.definitions[index][0].strip(b" ")


# --- The layer -------------------------------------------------------------------------


def draw_layer(decoded, path):
    """The Layer of a feature table read for -o geojson (its header valid);
    LayerTrouble where the layer cannot be written."""
    raw = os.fsencode(path)
    coverage, name = split_path(raw)
    kind = feature_kind(path)
    layer = Layer(len(decoded.rows), kind == "text")
    if kind == "complex":
        return layer
    join = find_join(coverage, name, kind)
    feature = Read(decoded.header.definitions, decoded.rows)
    references = Links(feature, name, join, coverage)
    tiles = tile_names(coverage) if references.tiled else {}
    places = Coverage(coverage, tiles)
    for number, row in enumerate(decoded.rows, 1):
        try:
            primitives = Resolved(places, references.of(row))
            drawn = DRAWERS[kind](primitives, join.primitive)
        except Undrawn as undrawn:
            layer.failed(number, undrawn.args[0])
            continue
        if kind == "text":
            layer.geometries[number - 1], layer.strings[number - 1] = drawn
        else:
            layer.geometries[number - 1] = drawn
    return layer


class Resolved:
    """A feature's primitives as (place, id), each checked when reached, in
    join order: its id, then its tile."""

    def __init__(self, places, links):
        self.places = places
        self.links = links

    def __iter__(self):
        """(place, primitive id) pairs, each checked as it is reached."""
        for tile, k, column in self.links:
            k = checked_key(k, column)
            yield self.places.place(tile), k


class Links:
    """Each feature's primitives as (tile_id, primitive id, the column that
    holds it) in join order, tile_id False where the table holding the ids
    has no tile_id column."""

    def __init__(self, feature, name, join, coverage):
        self.feature = feature
        self.name = name
        self.join = join
        self.key = feature.column(join.key)
        self.table = None
        self.trouble = None
        if join.table is None:
            self.tiled = feature.column(b"tile_id") is not None
        else:
            self.open_join_table(coverage)
            self.tiled = self.table is not None and self.table.column(b"tile_id") is not None

    def open_join_table(self, coverage):
        """Reads the join table and groups its rows by the key they match."""
        place = Place(coverage, None)
        found = place.open(self.join.table, ())
        if isinstance(found, bytes):
            self.trouble = found
            return
        self.table = found
        for column in (self.join.match, self.join.holds):
            if found.column(column) is None:
                self.trouble = b"%s has no column %s" % (self.join.table, column)
                return
        match = found.column(self.join.match)
        self.rows = collections.defaultdict(list)
        for row in found.rows:
            self.rows[found.key(row, match)].append(row)

    def of(self, row):
        """The feature's (tile_id, primitive id, column) links."""
        if self.key is None:
            raise Undrawn(b"%s has no column %s" % (self.name, self.join.key))
        key = self.feature.key(row, self.key)
        column = column_name(self.feature, self.key)
        if self.join.table is None:
            return [(self.tile(self.feature, row), key, column)]
        key = checked_key(key, column)
        if self.trouble:
            raise Undrawn(self.trouble)
        rows = self.rows.get(key)
        if not rows:
            raise Undrawn(b"%s has no row with %s %d" % (self.join.table, self.join.match, key))
        table = self.table
        holds = table.column(self.join.holds)
        return [(self.tile(table, r), table.key(r, holds), column_name(table, holds))
                for r in rows]

    @staticmethod
    def tile(read, row):
        """The row's tile_id, or False where its table has no such column."""
        index = read.column(b"tile_id")
        return False if index is None else read.key(row, index)


# --- Points, lines and texts ----------------------------------------------------------


def primitive_positions(place, name, kind, k, column):
    """The positions of primitive k (checked: it has some, an edge two, all
    with x and y numbers), its table and its row."""
    read = place.table(name, COLUMNS[kind])
    row = place.row(name, read, k)
    index = read.column(column, POSITIONS)
    positions = positions_of(row[index], read.definitions[index][1])
    if kind == "line" and len(positions) < 2:
        raise Undrawn(b"%s %d has fewer than two positions%s" % (name, k, place.where))
    if not positions:
        raise Undrawn(b"%s %d has no position%s" % (name, k, place.where))
    if not all(finite(p[0]) and finite(p[1]) for p in positions):
        raise Undrawn(b"%s %d has a position that is not a number%s" % (name, k, place.where))
    return positions, read, row


def draw_points(primitives, name):
    """Nodes: a Point, or a MultiPoint of several."""
    points = [primitive_positions(place, name, "point", k, b"coordinate")[0][:1]
              for place, k in primitives]
    return shaped(points, "Point", "MultiPoint")


def draw_lines(primitives, name):
    """Edges as stored: a LineString, or a MultiLineString of several (one
    line an edge, in join order)."""
    lines = [primitive_positions(place, name, "line", k, b"coordinates")[0]
             for place, k in primitives]
    return shaped(lines, "LineString", "MultiLineString")


def draw_texts(primitives, name):
    """Texts' shape lines (a Point where one holds one position), and the
    first text's string."""
    shapes = []
    string = None
    for place, k in primitives:
        positions, read, row = primitive_positions(place, name, "text", k, b"shape_line")
        shapes.append(positions)
        if string is None:
            string = row[read.column(b"string", (b"T",))]
    if all(len(p) == 1 for p in shapes):
        return shaped(shapes, "Point", "MultiPoint"), string
    if all(len(p) > 1 for p in shapes):
        return shaped(shapes, "LineString", "MultiLineString"), string
    flat = is_flat([p for shape in shapes for p in shape])
    parts = [{"type": "Point", "coordinates": coordinates(p, flat)[0]} if len(p) == 1 else
             {"type": "LineString", "coordinates": coordinates(p, flat)} for p in shapes]
    return {"type": "GeometryCollection", "geometries": parts}, string


def shaped(parts, one, several):
    """One part's geometry (a Point takes the first position), or the Multi
    geometry of several, 2-D where any height is not known."""
    flat = is_flat([p for part in parts for p in part])
    if len(parts) == 1:
        value = coordinates(parts[0], flat)
        return {"type": one, "coordinates": value[0] if one == "Point" else value}
    values = [coordinates(part, flat) for part in parts]
    if one == "Point":
        values = [value[0] for value in values]
    return {"type": several, "coordinates": values}


# --- Faces -----------------------------------------------------------------------------


def draw_faces(primitives, name):
    """The faces' Polygon, or MultiPolygon where they make several polygons:
    each tile's faces alone (one face) or dissolved (several)."""
    groups = collections.OrderedDict()
    for place, k in primitives:
        read = place.table(name, COLUMNS["area"])
        place.row(name, read, k)
        if k == 1:
            raise Undrawn(b"%s 1 is the universe face" % name)
        faces = groups.setdefault(id(place), (place, []))[1]
        if k not in faces:
            faces.append(k)
    polygons = []
    union = False
    for place, faces in groups.values():
        edges = place_edges(place)
        rings = place_rings(place)
        if len(faces) == 1:
            polygons.append(face_polygon(edges, rings, faces[0], name, place))
        else:
            polygons += union_polygons(edges, rings, faces, name, place)
            union = True
    flat = is_flat([p for polygon in polygons for ring in polygon for p in ring])
    values = [[coordinates(ring, flat) for ring in polygon] for polygon in polygons]
    geometry = {"type": "Polygon", "coordinates": values[0]} if len(values) == 1 else \
        {"type": "MultiPolygon", "coordinates": values}
    return Dissolved(geometry) if union else geometry


DRAWERS = {"point": draw_points, "line": draw_lines, "text": draw_texts, "area": draw_faces}


class Edges:
    """A tile's edg as the walks use it: for edge k (1-based) its nodes,
    faces and next edges (their ids; null is 0), its positions on demand."""

    def __init__(self, read, where):
        self.read = read
        self.where = where
        self.count = len(read.rows)
        column = read.column
        ids = column(b"id")
        self.valid = [False] + [read.key(row, ids) == k for k, row in enumerate(read.rows, 1)]
        for name in EDGE_TOPOLOGY:
            index = column(name)
            setattr(self, name.decode(), [0] + [read.key(row, index) or 0 for row in read.rows])
        self.coordinates = column(b"coordinates", POSITIONS)
        self.positions_cache = {}

    def check(self, k):
        """Edge k exists (row k with the id k), else Undrawn."""
        if not (0 < k <= self.count and self.valid[k]):
            raise Undrawn(b"edg %d has no row%s" % (k, self.where))

    def positions(self, k, forward):
        """Edge k's positions, reversed where the walk takes it reversed."""
        if k not in self.positions_cache:
            letter = self.read.definitions[self.coordinates][1]
            positions = positions_of(self.read.rows[k - 1][self.coordinates], letter)
            if not positions:
                raise Undrawn(b"edg %d has no position%s" % (k, self.where))
            if not all(finite(p[0]) and finite(p[1]) for p in positions):
                raise Undrawn(b"edg %d has a position that is not a number%s" % (k, self.where))
            self.positions_cache[k] = positions
        positions = self.positions_cache[k]
        return positions if forward else positions[::-1]


def place_edges(place):
    """The place's edges, worked out once per table (and tile name)."""
    read = place.table(b"edg", COLUMNS["edg"])
    key = ("edges", place.where)
    if key not in read.derived:
        read.derived[key] = Edges(read, place.where)
    return read.derived[key]


def place_rings(place):
    """The place's rng as {face: [start edge, ...]} in rng row order."""
    read = place.table(b"rng", COLUMNS["rng"])
    if "rings" not in read.derived:
        faces, starts = read.column(b"face_id"), read.column(b"start_edge")
        rings = collections.defaultdict(list)
        for row in read.rows:
            rings[read.key(row, faces) or 0].append(read.key(row, starts) or 0)
        read.derived["rings"] = rings
    return read.derived["rings"]


def not_closed(face, place):
    """The cause for a ring walk that does not come back."""
    return Undrawn(b"a ring of fac %d does not close%s" % (face, place.where))


def leaving(edges, k, node, face):
    """How edge k leaves the node: as stored (True) or reversed (False).
    An edge that starts and ends there goes as stored where face is on its
    right, reversed where it is on its left; None where it does not touch
    the node (or a loop has the face on neither side)."""
    start, end = edges.start_node[k], edges.end_node[k]
    if start == node and end == node:
        if edges.right_face[k] == face:
            return True
        return False if edges.left_face[k] == face else None
    if start == node:
        return True
    return False if end == node else None


def face_walk(edges, face, start, place):
    """One ring of a face: the (edge, as stored) steps that keep the face on
    the right, from the start edge round to it again."""
    edges.check(start)
    first = (start, edges.right_face[start] == face)
    k, forward = first
    steps = [first]
    limit = 2 * edges.count
    while True:
        node = edges.end_node[k] if forward else edges.start_node[k]
        k = edges.right_edge[k] if forward else edges.left_edge[k]
        edges.check(k)
        forward = leaving(edges, k, node, face)
        if forward is None:
            raise not_closed(face, place)
        if (k, forward) == first:
            return steps
        steps.append((k, forward))
        if len(steps) > limit:
            raise not_closed(face, place)


def ring_positions(edges, steps):
    """The ring drawn along the steps: the first edge's positions, then each
    later edge's but its first; closed; None where it has fewer than four."""
    ring = []
    for k, forward in steps:
        positions = edges.positions(k, forward)
        ring += positions[1:] if ring else positions
    if ring and ring[-1][:2] != ring[0][:2]:
        ring.append(ring[0])
    return ring if len(ring) >= 4 else None


def face_polygon(edges, rings, face, name, place):
    """A face's polygon: its first ring the outer one, the others holes."""
    starts = rings.get(face)
    if not starts:
        raise Undrawn(b"%s %d has no outer ring%s" % (name, face, place.where))
    polygon = []
    for number, start in enumerate(starts):
        steps = face_walk(edges, face, start, place)
        drawn = [(k, forward) for k, forward in steps
                 if not edges.right_face[k] == edges.left_face[k] == face]
        ring = ring_positions(edges, drawn)
        if ring is None:
            if number == 0:
                raise Undrawn(b"%s %d has no outer ring%s" % (name, face, place.where))
            continue
        area = signed_area(exact([ring])[0])
        polygon.append(ring[::-1] if (area < 0 if not polygon else area > 0) else ring)
    return polygon


# --- Several faces: the union ----------------------------------------------------------


def union_polygons(edges, rings, faces, name, place):
    """The polygons of a tile's faces dissolved: the rings that keep the
    faces on the right, walked along the edges with one of their faces
    among them; clockwise ones outer, each hole in the smallest outer ring
    that holds it."""
    within = set(faces)
    bounding = []
    seen = set()
    for face in faces:
        for start in rings.get(face, ()):
            for k, _ in face_walk(edges, face, start, place):
                if k not in seen and (edges.right_face[k] in within) != (
                        edges.left_face[k] in within):
                    seen.add(k)
                    bounding.append(k)
    walked = set()
    drawn = []
    for k in bounding:
        forward = edges.right_face[k] in within
        if (k, forward) in walked:
            continue
        steps = union_walk(edges, within, k, forward, place)
        walked.update(steps)
        ring = ring_positions(edges, steps)
        if ring is not None:
            drawn.append(ring)
    return assembled(drawn, faces[0], name, place)


def union_walk(edges, within, start, forward, place):
    """One ring of a union: as a face's walk, but turning past each edge
    inside the area (both faces among them) around the node."""
    first = (start, forward)
    face = edges.right_face[start] if forward else edges.left_face[start]
    start_face = face
    k = start
    steps = [first]
    limit = 2 * edges.count
    looked = 0
    while True:
        node = edges.end_node[k] if forward else edges.start_node[k]
        k = edges.right_edge[k] if forward else edges.left_edge[k]
        while True:
            looked += 1
            if looked > limit:
                raise not_closed(start_face, place)
            edges.check(k)
            forward = leaving(edges, k, node, face)
            if forward is None:
                raise not_closed(start_face, place)
            right = edges.right_face[k] if forward else edges.left_face[k]
            left = edges.left_face[k] if forward else edges.right_face[k]
            if right in within and left in within:
                face = left
                k = edges.left_edge[k] if forward else edges.right_edge[k]
                continue
            if right not in within and left not in within:
                raise not_closed(start_face, place)
            face = right if right in within else left
            break
        if (k, forward) == first:
            return steps
        steps.append((k, forward))


def assembled(rings, first_face, name, place):
    """Outer rings (clockwise) each with the holes it holds, all in RFC 7946
    orientation; a hole in no outer ring is left out."""
    whole = exact(rings)
    areas = [signed_area(ring) for ring in whole]
    outers = sorted((i for i, area in enumerate(areas) if area < 0), key=lambda i: -areas[i])
    if not outers:
        raise Undrawn(b"%s %d has no outer ring%s" % (name, first_face, place.where))
    holes = {i: [] for i in outers}
    boxes = {i: box(whole[i]) for i in outers}
    for i, area in enumerate(areas):
        if area < 0:
            continue
        for outer in outers:
            if inside_box(box(whole[i]), boxes[outer]) and holds(whole[outer], whole[i]):
                holes[outer].append(rings[i][::-1] if area > 0 else rings[i])
                break
    return [[rings[i][::-1]] + holes[i] for i in sorted(outers)]


# --- Exact arithmetic ----------------------------------------------------------------


def exact(rings):
    """The rings' x and y as integers over one common power-of-two
    denominator (every float is such a fraction): exact, no rounding."""
    ratios = [([x.as_integer_ratio() for x, *_ in ring], [p[1].as_integer_ratio() for p in ring])
              for ring in rings]
    scale = max((d for xs, ys in ratios for part in (xs, ys) for _, d in part), default=1)
    return [(scaled(xs, scale), scaled(ys, scale)) for xs, ys in ratios]


def scaled(ratios, scale):
    """Numerators over the common denominator scale."""
    return [n * (scale // d) for n, d in ratios]


def signed_area(ring):
    """Twice the signed area of a closed ring, given as its x and y integers
    (positive counterclockwise)."""
    xs, ys = ring
    return sum(map(operator.mul, xs, ys[1:])) - sum(map(operator.mul, xs[1:], ys))


def box(ring):
    """A ring's bounding box: least x and y, greatest x and y."""
    xs, ys = ring
    return min(xs), min(ys), max(xs), max(ys)


def inside_box(inner, outer):
    """Whether a bounding box lies within another."""
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and \
        inner[3] <= outer[3]


def holds(outer, hole):
    """Whether the outer ring holds the hole: its first vertex off the outer
    ring's boundary lies inside; a hole all on that boundary is not held."""
    for point in zip(*hole):
        where = locate(point, outer)
        if where:
            return where > 0
    return False


def locate(point, ring):
    """1 inside the closed ring, -1 outside, 0 on its boundary (exactly)."""
    px, py = point
    xs, ys = ring
    inside = False
    for ax, ay, bx, by in zip(xs, ys, xs[1:], ys[1:]):
        cross = (bx - ax) * (py - ay) - (by - ay) * (px - ax)
        if cross == 0 and min(ax, bx) <= px <= max(ax, bx) and min(ay, by) <= py <= max(ay, by):
            return 0
        if (ay > py) != (by > py) and (cross > 0) == (by > ay):
            inside = not inside
    return 1 if inside else -1
