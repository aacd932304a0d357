#!/usr/bin/python3
"""Another program's view of the freedesktop thumbnail cache, with none of Vutara!'s code.

check ROOT PICTURE... --failed PICTURE...
    Each picture must have an entry in ROOT/normal (the failed ones in ROOT/fail/vutara): an
    8-bit RGBA PNG, not interlaced, at most 128 pixels (1 for a failure), named by the MD5 of
    its Thumb::URI, that URI being the picture's as GLib escapes it, Thumb::MTime and
    Thumb::Size those of the picture, all in plain tEXt chunks; entries readable by their owner
    only, folders 0700, no temporary files left behind. Prints "ok".

write ENTRY SIDE R,G,B tEXt|zTXt KEY=VALUE...
    Writes an entry as another program would: an 8-bit RGB PNG of one colour, SIDE wide and
    three quarters of that high (or WIDTHxHEIGHT), with the keys in tEXt chunks or compressed
    zTXt ones.
"""
import hashlib
import os
import struct
import sys
import urllib.parse
import zlib


def chunks(data):
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    at = 8
    while at < len(data):
        n, = struct.unpack('>I', data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + n]
        assert zlib.crc32(kind + body) == struct.unpack('>I', data[at + 8 + n:at + 12 + n])[0], 'bad CRC'
        yield kind, body
        at += 12 + n


def check_entry(root, folder, path, largest):
    uri = 'file://' + urllib.parse.quote(path, safe="/:@&=+$,!~*'()")
    entry = os.path.join(root, folder, hashlib.md5(uri.encode()).hexdigest() + '.png')
    assert os.path.isfile(entry), 'no entry for ' + path
    mode = os.stat(entry).st_mode & 0o777
    assert mode == 0o600, 'entry mode %o' % mode
    texts = {}
    for kind, body in chunks(open(entry, 'rb').read()):
        if kind == b'IHDR':
            w, h, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and colour == 6 and interlace == 0, 'not 8-bit RGBA: %d %d %d' % (depth, colour, interlace)
            assert max(w, h) <= largest, 'too large: %dx%d' % (w, h)
        if kind == b'tEXt':
            key, value = body.split(b'\0', 1)
            texts[key.decode('latin-1')] = value.decode('latin-1')
    st = os.stat(path)
    assert texts.get('Thumb::URI') == uri, 'Thumb::URI %r, not %r' % (texts.get('Thumb::URI'), uri)
    assert texts.get('Thumb::MTime') == str(int(st.st_mtime)), 'Thumb::MTime %r' % texts.get('Thumb::MTime')
    assert texts.get('Thumb::Size') == str(st.st_size), 'Thumb::Size %r' % texts.get('Thumb::Size')


def check(root, args):
    split = args.index('--failed')
    for path in args[:split]:
        check_entry(root, 'normal', path, 128)
    for path in args[split + 1:]:
        check_entry(root, 'fail/vutara', path, 1)
    for folder in ['', 'normal', 'fail', 'fail/vutara']:
        mode = os.stat(os.path.join(root, folder)).st_mode & 0o777
        assert mode == 0o700, 'folder mode of %r: %o' % (folder, mode)
        for name in os.listdir(os.path.join(root, folder)):
            assert name.endswith('.png') or os.path.isdir(os.path.join(root, folder, name)), 'left behind: ' + name
    print('ok')


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def write(path, side, colour, kind, pairs):
    width, height = (int(n) for n in side.split('x')) if 'x' in side else (int(side), int(side) * 3 // 4)
    colour = bytes(int(c) for c in colour.split(','))
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    for pair in pairs:
        key, value = pair.split('=', 1)
        if kind == 'zTXt':
            png += chunk(b'zTXt', key.encode() + b'\0\0' + zlib.compress(value.encode()))
        else:
            png += chunk(b'tEXt', key.encode() + b'\0' + value.encode())
    # Row by row: a picture of 11000 x 11000 pixels takes 363 MB before compression.
    deflate, row, data = zlib.compressobj(1), b'\0' + colour * width, []
    for _ in range(height):
        data.append(deflate.compress(row))
    data.append(deflate.flush())
    png += chunk(b'IDAT', b''.join(data)) + chunk(b'IEND', b'')
    open(path, 'wb').write(png)


if __name__ == '__main__':
    if sys.argv[1] == 'check':
        check(sys.argv[2], sys.argv[3:])
    else:
        write(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6:])
