"""GeoPackage geometry blobs for the independent decoder: read_blob takes
one apart (the GP header, its flags, srs_id and envelope, then the ISO WKB
geometry in either byte order, Z types as 1000 + type) and write_blob makes
one (for the checker's own test). Written from the GeoPackage standard and
ISO 13249's WKB, standard library only.

A geometry is given as GeoJSON-like Python values: {"type": ...,
"coordinates": ...} (a GeometryCollection's "geometries" instead), each
position a list of 2 or 3 floats.
"""

import math
import struct

GEOMETRY_TYPES = {1: "Point", 2: "LineString", 3: "Polygon", 4: "MultiPoint",
                  5: "MultiLineString", 6: "MultiPolygon", 7: "GeometryCollection"}
TYPE_CODES = {name: code for code, name in GEOMETRY_TYPES.items()}
MEMBER_TYPES = {"MultiPoint": "Point", "MultiLineString": "LineString",
                "MultiPolygon": "Polygon"}
# Envelope code: the number of doubles it holds.
ENVELOPE_DOUBLES = {0: 0, 1: 4, 2: 6, 3: 6, 4: 8}


class BlobError(Exception):
    """The bytes are not a GeoPackage geometry blob as the standard has it."""


class Blob:
    """A blob taken apart: the header's fields, the WKB geometry, whether
    it is 3-D, and the byte orders its (sub)geometries were written in."""

    def __init__(self):
        self.version = None
        self.flags = None
        self.little_endian = None
        self.envelope_code = None
        self.empty = None
        self.extended = None
        self.srs_id = None
        self.envelope = None
        self.geometry = None
        self.z = None
        self.wkb_orders = set()


def read_blob(data):
    """A GeoPackage geometry blob as a Blob; BlobError where it is not one."""
    if not isinstance(data, bytes) or len(data) < 8 or data[:2] != b"GP":
        raise BlobError("does not start with GP and a header of 8 bytes")
    blob = Blob()
    blob.version, blob.flags = data[2], data[3]
    blob.little_endian = bool(blob.flags & 1)
    blob.envelope_code = (blob.flags >> 1) & 7
    blob.empty = bool(blob.flags & 0x10)
    blob.extended = bool(blob.flags & 0x20)
    if blob.flags & 0xC0:
        raise BlobError("flags 0x%02x: the reserved bits 6-7 are set" % blob.flags)
    if blob.envelope_code not in ENVELOPE_DOUBLES:
        raise BlobError("envelope code %d is none the standard defines" % blob.envelope_code)
    order = "<" if blob.little_endian else ">"
    blob.srs_id = struct.unpack_from(order + "i", data, 4)[0]
    doubles = ENVELOPE_DOUBLES[blob.envelope_code]
    if len(data) < 8 + 8 * doubles:
        raise BlobError("ends inside its envelope")
    blob.envelope = struct.unpack_from("%s%dd" % (order, doubles), data, 8) if doubles else None
    reader = WkbReader(data, 8 + 8 * doubles, blob.wkb_orders)
    blob.geometry, blob.z = reader.geometry(None)
    if reader.at != len(data):
        raise BlobError("%d bytes after the WKB geometry" % (len(data) - reader.at))
    return blob


class WkbReader:
    """ISO WKB from a position in the bytes; each (sub)geometry its own
    byte order byte and type."""

    def __init__(self, data, at, orders):
        self.data = data
        self.at = at
        self.orders = orders

    def take(self, code, n=1):
        size = struct.calcsize("<%d%s" % (n, code))
        if self.at + size > len(self.data):
            raise BlobError("the WKB ends at byte %d, inside a geometry" % len(self.data))
        values = struct.unpack_from(self.order + "%d%s" % (n, code), self.data, self.at)
        self.at += size
        return values

    def count(self):
        n = self.take("I")[0]
        if n > len(self.data):  # each element takes at least a byte
            raise BlobError("a count of %d at byte %d is more than the blob holds"
                            % (n, self.at - 4))
        return n

    def geometry(self, parent_z):
        """(geometry, whether it is 3-D) of the WKB geometry here."""
        if self.at >= len(self.data):
            raise BlobError("the WKB ends before a geometry")
        order_byte = self.data[self.at]
        if order_byte not in (0, 1):
            raise BlobError("byte order byte %d at byte %d" % (order_byte, self.at))
        self.at += 1
        self.order = "<" if order_byte else ">"
        self.orders.add("little" if order_byte else "big")
        code = self.take("I")[0]
        if code & 0xE0000000:
            raise BlobError("type 0x%08x has extended (not ISO) flags" % code)
        base, dimension = code % 1000, code // 1000
        if base not in GEOMETRY_TYPES or dimension not in (0, 1):
            raise BlobError("type %d is not an ISO 2-D or Z type of 1 to 7" % code)
        z = dimension == 1
        if parent_z is not None and z != parent_z:
            raise BlobError("a member of type %d in a %s collection" % (
                code, "3-D" if parent_z else "2-D"))
        kind = GEOMETRY_TYPES[base]
        width = 3 if z else 2
        if kind == "Point":
            return {"type": kind, "coordinates": list(self.take("d", width))}, z
        if kind == "LineString":
            return {"type": kind, "coordinates": self.positions(width)}, z
        if kind == "Polygon":
            rings = [self.positions(width) for _ in range(self.count())]
            return {"type": kind, "coordinates": rings}, z
        members = []
        for _ in range(self.count()):
            member, _ = self.geometry(z)
            if kind != "GeometryCollection" and member["type"] != MEMBER_TYPES[kind]:
                raise BlobError("a %s in a %s" % (member["type"], kind))
            members.append(member)
        if kind == "GeometryCollection":
            return {"type": kind, "geometries": members}, z
        return {"type": kind, "coordinates": [m["coordinates"] for m in members]}, z

    def positions(self, width):
        n = self.count()
        flat = self.take("d", n * width)
        return [list(flat[i:i + width]) for i in range(0, len(flat), width)]


def positions_of(geometry):
    """Every position of a geometry, in order, as a list."""
    kind = geometry["type"]
    if kind == "GeometryCollection":
        return [p for member in geometry["geometries"] for p in positions_of(member)]
    value = geometry["coordinates"]
    if kind == "Point":
        return [value]
    if kind in ("LineString", "MultiPoint"):
        return value
    if kind in ("Polygon", "MultiLineString"):
        return [p for part in value for p in part]
    return [p for polygon in value for ring in polygon for p in ring]


def is_empty(geometry):
    """Whether a geometry has no position (a point of NaN x and y is empty)."""
    if geometry["type"] == "Point":
        x, y = geometry["coordinates"][:2]
        return math.isnan(x) and math.isnan(y)
    return not positions_of(geometry)


def envelope(geometry):
    """(minx, maxx, miny, maxy) of a geometry's positions, or None."""
    positions = positions_of(geometry)
    if not positions:
        return None
    xs, ys = [p[0] for p in positions], [p[1] for p in positions]
    return float(min(xs)), float(max(xs)), float(min(ys)), float(max(ys))


# --- Writing (the checker's own test) ----------------------------------------


def write_blob(geometry, srs_id, box=None):
    """A geometry as the blob the issue asks for: little-endian, an
    envelope [minx, maxx, miny, maxy] for all but a point, ISO WKB (box:
    the geometry's envelope where it is known)."""
    empty = is_empty(geometry)
    box = None if empty or geometry["type"] == "Point" else box or envelope(geometry)
    flags = 1 | (2 if box else 0) | (0x10 if empty else 0)
    head = b"GP\0" + bytes([flags]) + struct.pack("<i", srs_id)
    if box:
        head += struct.pack("<4d", *box)
    z = len(positions_of(geometry)[0]) == 3
    return head + wkb(geometry, z)


def wkb(geometry, z):
    """ISO WKB, little-endian, of a geometry (3-D where z)."""
    kind = geometry["type"]
    out = struct.pack("<BI", 1, TYPE_CODES[kind] + (1000 if z else 0))
    if kind == "Point":
        return out + struct.pack("<%dd" % (3 if z else 2), *geometry["coordinates"])
    if kind == "LineString":
        return out + line(geometry["coordinates"], z)
    if kind == "Polygon":
        rings = geometry["coordinates"]
        return out + struct.pack("<I", len(rings)) + b"".join(line(r, z) for r in rings)
    if kind == "GeometryCollection":
        members = geometry["geometries"]
    else:
        members = [{"type": MEMBER_TYPES[kind], "coordinates": c}
                   for c in geometry["coordinates"]]
    return out + struct.pack("<I", len(members)) + b"".join(wkb(m, z) for m in members)


def line(positions, z):
    """A count and its positions."""
    flat = [v for p in positions for v in p]
    if len(flat) != len(positions) * (3 if z else 2):
        raise ValueError("positions of mixed dimensions")
    return struct.pack("<I%dd" % len(flat), len(positions), *flat)
