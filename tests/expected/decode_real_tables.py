#!/usr/bin/env python3
"""Independent check of the expected dumps of the real tables.

Decodes cnd and edg with struct, knowing only their layout (I X I C1 and
I I I K K K K C*, little-endian), and writes the dump they must give.
Usage: decode_real_tables.py TABLE  (prints the dump as the tool would for
the path as given, with all rows: -l large enough)."""
import struct
import sys

path = sys.argv[1]
data = open(path, 'rb').read()
header_len = struct.unpack_from('<i', data, 0)[0]
text = data[4:4 + header_len].decode('latin-1')
pos = 4 + header_len
assert text.endswith(';'), 'header text ends with ;'
parts = text.split(';')
columns = [c for c in ';'.join(parts[3:]).rstrip(';').split(':') if c]
out = ['Digital Chart of the World file: %s\n\n' % path,
       '\n**DCWcolumns ====================\n']
types = []
for col in columns:
    name, rest = col.split('=')
    t, count, key, desc, vdt, thm, _ = rest.split(',')
    types.append((t, count))
    out.append('\n%-16s=%s,%3s,%s,%s,%s,%s,:' % (name, t, count, key, desc, vdt, thm))
out.append(';\n\n**DCWdata ===========================\n\n')

def take(fmt):
    global pos
    size = struct.calcsize(fmt)
    if pos + size > len(data):
        pos = len(data)
        return None
    value = struct.unpack_from(fmt, data, pos)
    pos += size
    return value[0] if len(value) == 1 else value

row = 0
ended = False
while not ended:
    row += 1
    out.append('**DCWrow ------------ %d ----\n' % row)
    for t, count in types:
        if t == 'I':
            v = take('<i')
            ended |= v is None
            out.append('%d\n' % (v or 0))
        elif t == 'X':
            out.append('\n')
        elif t == 'K':
            kind = take('<B')
            kind = 0xFF if kind is None else kind
            parts = []
            for shift in (6, 4, 2):
                size = (kind >> shift) & 3
                fmt = {1: '<B', 2: '<h', 3: '<i'}.get(size)
                if fmt is None:
                    parts.append('-')
                    continue
                v = take(fmt)
                if v is None:
                    ended |= size > 1
                    v = 255 if size == 1 else 0
                parts.append('%d' % v)
            out.append(','.join(parts) + '\n')
        elif t == 'C':
            n = 1 if count != '*' else take('<i')
            if n is None:
                ended, n = True, 0
            out.append('%d\n' % n)
            for _ in range(n):
                xy = take('<ff')
                ended |= xy is None
                out.append('%f,%f\n' % (xy or (0.0, 0.0)))
        else:
            raise SystemExit('type %s not handled here' % t)
out.append('\n**DCWeof ===========================\n\n')
sys.stdout.write(''.join(out))
sys.stderr.write('%d Records processed\n' % (row - 1))
