#!/usr/bin/env python3
"""Self-check for gen_table: independently parse generated tables and compare counts.

Usage: check_tables.py GEN_TABLE_BINARY [MEGABYTES] [SEED]
Generates each kind at the given size (default 2 MB) into a temp dir, walks every
row, and checks header syntax, exact end of file, row/field counts, and that
mixed-le and mixed-be decode to identical values.
"""
import hashlib, os, re, struct, subprocess, sys, tempfile

SIZES = {'I': 4, 'S': 2, 'R': 8}
FMT = {'I': 'i', 'S': 'h', 'R': 'd'}
TUPLES = {'C': ('f', 2), 'B': ('d', 2), 'Z': ('f', 3), 'Y': ('d', 3)}
KSIZE = [0, 1, 2, 4]
KFMT = {1: 'B', 2: 'h', 4: 'i'}


def parse_header(data):
    """Return (byte order char for struct, column list, offset of first row)."""
    text_start = 4
    order = data[text_start:text_start + 2]
    assert order in (b'L;', b'M;'), order
    bo = '<' if order == b'L;' else '>'
    hlen = struct.unpack(bo + 'i', data[:4])[0]
    text = data[4:4 + hlen].decode('ascii')
    assert text.endswith(':;'), 'header must end with ":;"'
    _, desc, narr, coldefs = text.split(';', 3)
    assert re.fullmatch(r'[A-Za-z ]+', desc) and narr, (desc, narr)
    assert coldefs.endswith(';') and ';' not in coldefs[:-1]
    cols = []
    for d in coldefs[:-1].split(':')[:-1]:
        name_type, count, key, cdesc, vdt, thm, tail = d.split(',')
        name, typ = name_type.split('=')
        assert re.fullmatch(r'[a-z_0-9]{1,16}', name), name
        assert typ in 'TFRSICBZYDXK' and len(typ) == 1, typ
        assert count == '*' or count.isdigit(), count
        assert key in 'PUNF' and len(cdesc) <= 79 and vdt == thm == '-' and tail == '', d
        cols.append((name, typ, None if count == '*' else int(count)))
    return bo, cols, 4 + hlen


def walk(path):
    """Walk all rows; return (rows, fields, digest of decoded values)."""
    data = open(path, 'rb').read()
    bo, cols, pos = parse_header(data)
    rows = fields = 0
    h = hashlib.sha256()

    def take(fmt, n=1):
        nonlocal pos
        size = struct.calcsize(bo + fmt) * n
        vals = struct.unpack_from(bo + fmt * n, data, pos)
        pos += size
        return vals

    while pos < len(data):
        for name, typ, count in cols:
            if typ in 'ISRT' or typ in TUPLES:
                n = take('i')[0] if count is None else count
                assert 0 <= n < 100000, (name, n)
            if typ in 'ISR':
                vals = take(FMT[typ], n)
                fields += n
            elif typ == 'F':
                vals = take('f')
                fields += 1
            elif typ in 'TD':
                if typ == 'D':
                    n = 20
                vals = (data[pos:pos + n],)
                pos += n
                assert all(32 <= b < 127 for b in vals[0]), vals
                if typ == 'D':
                    assert re.fullmatch(rb'\d{14}\.\d{5}', vals[0]), vals
                fields += 1
            elif typ == 'X':
                vals = ()
                fields += 1
            elif typ == 'K':
                t = take('B')[0]
                assert t & 3 == 0, hex(t)
                vals = [t] + [take(KFMT[KSIZE[(t >> s) & 3]])[0]
                              for s in (6, 4, 2) if (t >> s) & 3]
                fields += 1
            else:
                fmt, dim = TUPLES[typ]
                vals = take(fmt, dim * n)
                fields += n + 1
            h.update(repr((name, vals)).encode())
        rows += 1
    assert pos == len(data), f'overran end of file by {pos - len(data)} bytes'
    return rows, fields, h.hexdigest()


def main():
    gen = os.path.abspath(sys.argv[1])
    mb = sys.argv[2] if len(sys.argv) > 2 else '2'
    seed = sys.argv[3] if len(sys.argv) > 3 else '42'
    digests = {}
    with tempfile.TemporaryDirectory() as tmp:
        for kind in ('edge', 'text', 'mixed-le', 'mixed-be'):
            path = os.path.join(tmp, kind + '.tbl')
            out = subprocess.run([gen, kind, mb, seed, path], check=True,
                                 capture_output=True, text=True).stdout.strip()
            want = dict(kv.split('=') for kv in out.split())
            rows, fields, digests[kind] = walk(path)
            size = os.path.getsize(path)
            ok = (rows, fields, size) == (int(want['rows']), int(want['fields']), int(want['bytes']))
            ok = ok and size >= float(mb) * 1e6
            print(f"{'OK  ' if ok else 'FAIL'} {kind:9} gen: {out}  check: rows={rows} fields={fields} bytes={size}")
            if not ok:
                sys.exit(1)
    same = digests['mixed-le'] == digests['mixed-be']
    print(('OK  ' if same else 'FAIL') + ' mixed-le and mixed-be decode to identical values')
    sys.exit(0 if same else 1)


if __name__ == '__main__':
    main()
