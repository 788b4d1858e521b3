#!/usr/bin/env python3
"""Draws the application icon (a memory chip with a copy arrow) and writes res/icon_128.ico:
nine images, 48, 32 and 16 pixels square, each with 16 colours, 256 colours and 24-bit colour."""
import struct
import sys

PALETTE16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
             (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
             (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def picture(n):
    """RGB rows (top first) and a transparency mask of an n x n icon."""
    bg = None
    body, pin, arrow, label = (40, 40, 48), (192, 192, 192), (0, 200, 0), (255, 255, 0)
    px = [[bg] * n for _ in range(n)]
    m = max(1, n // 8)
    for y in range(m + 1, n - m - 1):
        for x in range(2 * m, n - 2 * m):
            px[y][x] = body
    for k in range(2 * m + m // 2, n - 2 * m, max(2, n // 8)):
        for y in range(0, m + 1):
            px[y][k] = pin
            px[n - 1 - y][k] = pin
    for y in range(2 * m, 3 * m):
        for x in range(3 * m, n - 3 * m):
            px[y][x] = label
    cy, half = n // 2 + m // 2, max(1, n // 10)
    for x in range(3 * m, n - 3 * m):
        for y in range(cy - half // 2, cy + half // 2 + 1):
            px[y][x] = arrow
    tip = n - 3 * m
    for d in range(0, 2 * half + 1):
        for y in range(cy - (2 * half - d), cy + (2 * half - d) + 1):
            if 0 <= tip - 2 * half + d < n:
                px[y][tip - 2 * half + d] = arrow
    return px


def nearest(palette, rgb):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def image(n, bpp):
    px = picture(n)
    palette = []
    if bpp == 4:
        palette = PALETTE16
    elif bpp == 8:
        palette = list(PALETTE16)
        for r in range(6):
            for g in range(6):
                for b in range(6):
                    palette.append((r * 51, g * 51, b * 51))
        palette += [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bpp, 0, 0, 0, 0, len(palette) if bpp <= 8 else 0, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor = b''
    for y in reversed(range(n)):
        row = b''
        if bpp == 24:
            for x in range(n):
                r, g, b = px[y][x] or (0, 0, 0)
                row += struct.pack('BBB', b, g, r)
        elif bpp == 8:
            row = bytes(nearest(palette, px[y][x] or (0, 0, 0)) for x in range(n))
        else:
            idx = [nearest(palette, px[y][x] or (0, 0, 0)) for x in range(n)]
            row = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, n, 2))
        row += b'\0' * ((4 - len(row) % 4) % 4)
        xor += row
    mask = b''
    for y in reversed(range(n)):
        bits = 0
        row = bytearray()
        for x in range(n):
            bits = (bits << 1) | (1 if px[y][x] is None else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        if n % 8:
            row.append(bits << (8 - n % 8))
        row += b'\0' * ((4 - len(row) % 4) % 4)
        mask += bytes(row)
    return header + pal + xor + mask, len(palette) if bpp <= 8 else 0


def main(out):
    images = []
    for n in (48, 32, 16):
        for bpp in (4, 8, 24):
            data, colours = image(n, bpp)
            images.append((n, bpp, colours, data))
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for n, bpp, colours, data in images:
        entries += struct.pack('<BBBBHHII', n % 256, n % 256, colours % 256, 0, 1, bpp, len(data), offset)
        offset += len(data)
        blobs += data
    with open(out, 'wb') as f:
        f.write(head + entries + blobs)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/icon_128.ico')
