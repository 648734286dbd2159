#!/usr/bin/python3
"""Draws Quillmere's own hand cursor and writes it as a Windows .cur file.

The hand is pixel art defined below ('#' outline, '.' white fill, blank transparent). The file
holds one 32x32 image as a 32-bit BGRA device-independent bitmap with its AND mask, and the
directory entry carries the hot spot: the tip of the pointing finger.

Usage: /usr/bin/python3 tools/make-cursor.py assets/HAND-M.CUR
"""
import struct
import sys

HAND = [
    "     ##         ",
    "    #..#        ",
    "    #..#        ",
    "    #..#        ",
    "    #..#        ",
    "    #..###      ",
    "    #..#..###   ",
    "    #..#..#..## ",
    "    #..#..#..#.#",
    " ## #..#..#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #..#..........#",
    "  #.#..........#",
    "  #............#",
    "   #...........#",
    "   #..........# ",
    "    #.........# ",
    "    #........#  ",
    "     #.......#  ",
    "     #.......#  ",
    "     #########  ",
]
HOT_SPOT = (5, 0)  # x, y: the top of the index finger
SIZE = 32
OFFSET = (2, 2)    # where the drawing sits inside the 32x32 image


def pixels():
    """Rows top to bottom of (b, g, r, a) tuples."""
    rows = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y, line in enumerate(HAND):
        for x, c in enumerate(line):
            px, py = x + OFFSET[0], y + OFFSET[1]
            if c == "#":
                rows[py][px] = (0, 0, 0, 255)
            elif c == ".":
                rows[py][px] = (255, 255, 255, 255)
    return rows


def cursor_file():
    rows = pixels()
    # The bitmap is stored bottom-up; its header gives twice the height (image plus mask).
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask = bytearray()
    for row in reversed(rows):
        bits = 0
        for x, p in enumerate(row):
            if p[3] == 0:
                bits |= 1 << (SIZE - 1 - x)  # 1 = transparent
        mask += bits.to_bytes(SIZE // 8, "big")
    image = header + colour + bytes(mask)
    hx, hy = HOT_SPOT[0] + OFFSET[0], HOT_SPOT[1] + OFFSET[1]
    directory = struct.pack("<HHH", 0, 2, 1)  # reserved, type 2 = cursor, one image
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hx, hy, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(cursor_file())
