#!/usr/bin/env python3
"""Draws the program's icons as 16-colour .ico files: 131 (32x32 and 16x16) and 132 (32x32).

The art is a folder with a green plus on it: "a directory added to the path"."""
import struct
import sys

# The standard 16-colour palette (B, G, R, 0).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_YELLOW, GREEN, YELLOW, WHITE, NONE = 0, 3, 2, 11, 15, None


def folder(size):
    """Rows of palette indexes (None = transparent), top row first."""
    s = size / 32.0
    img = [[NONE] * size for _ in range(size)]
    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                img[y][x] = c
    rect(2, 6, 14, 10, DARK_YELLOW)     # tab
    rect(2, 9, 30, 28, DARK_YELLOW)     # back
    rect(3, 11, 29, 27, YELLOW)         # front
    for x in range(int(2 * s), int(30 * s)):   # outline top and bottom
        img[int(9 * s)][x] = BLACK
        img[int(28 * s) - 1][x] = BLACK
    rect(19, 14, 23, 26, GREEN)         # plus, vertical bar
    rect(15, 18, 27, 22, GREEN)         # plus, horizontal bar
    return img


def image_bytes(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor = b''
    mask = b''
    for row in reversed(img):  # bottom-up
        nibbles = [(c if c is not None else 0) for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line + b'\0' * ((4 - len(line) % 4) % 4)
        bits = 0
        mline = b''
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mline += bytes([bits])
                bits = 0
        mask += mline + b'\0' * ((4 - len(mline) % 4) % 4)
    return header + palette + xor + mask


def write_ico(path, sizes):
    images = [image_bytes(folder(n)) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    folder_out = sys.argv[1] if len(sys.argv) > 1 else '.'
    write_ico(folder_out + '/vorex.ico', [32, 16])
    write_ico(folder_out + '/picture.ico', [32])
