#!/usr/bin/env python3
"""Copies a Windows bitmap font file (.fon), recording the average
character width of its sizes of one pixel height as a given width.

Windows draws a bitmap font that is asked for with PROOF_QUALITY at the
nearest size it has, unstretched, whatever width the request names.  Wine
ignores PROOF_QUALITY and stretches the glyphs by the requested width over
the font's recorded average width.  Where the two agree there is nothing
to stretch, so a request of that width is drawn as Windows draws it.  The
glyphs and every other metric stay as they are.

    proof-font.py SOURCE.fon TARGET.fon PIXEL_HEIGHT AVERAGE_WIDTH
"""
import struct
import sys

RT_FONT = 0x8008
PIX_HEIGHT = 88   # offsets in a font resource's header
AVG_WIDTH = 91


def font_resources(data):
    """The (offset, length) of every font resource of an NE font file."""
    ne = struct.unpack_from('<H', data, 0x3C)[0]
    if data[ne:ne + 2] != b'NE':
        raise ValueError('not a bitmap font file')
    table = ne + struct.unpack_from('<H', data, ne + 0x24)[0]
    shift = struct.unpack_from('<H', data, table)[0]
    at = table + 2
    while True:
        kind, count = struct.unpack_from('<HH', data, at)
        if kind == 0:
            return
        at += 8
        for _ in range(count):
            offset, length = struct.unpack_from('<HH', data, at)
            if kind == RT_FONT:
                yield offset << shift, length << shift
            at += 12


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    height, width = int(sys.argv[3]), int(sys.argv[4])
    data = bytearray(open(source, 'rb').read())
    changed = 0
    for start, _ in font_resources(data):
        if struct.unpack_from('<H', data, start + PIX_HEIGHT)[0] == height:
            struct.pack_into('<H', data, start + AVG_WIDTH, width)
            changed += 1
    if changed == 0:
        sys.exit('%s has no size %d pixels high' % (source, height))
    open(target, 'wb').write(bytes(data))


if __name__ == '__main__':
    main()
