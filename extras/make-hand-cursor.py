#!/usr/bin/env python3
"""Draws the hand pointer and writes it as a Windows cursor file (.CUR).

The picture below is the one source of the art: '#' outline, '.' fill,
anything else transparent. The hotspot is the tip of the index finger.
Usage: extras/make-hand-cursor.py [output]   (default: extras/HAND-M.CUR)
"""
import os
import struct
import sys

SIZE = 32
HOTSPOT = (6, 0)
OUTLINE = (0x20, 0x20, 0x20, 0xFF)  # B, G, R, A
FILL = (0xFF, 0xFF, 0xFF, 0xFF)

ART = """
     ##
    #..#
    #..#
    #..#
    #..#
    #..###
    #..#..###
    #..#..#..##
 ## #..#..#..#.#
#..##........#.#
#...#..........#
 #.............#
  #............#
  #...........#
   #..........#
   #.........#
    #........#
    #........#
    ##########
"""


def pixels():
    rows = ART.strip("\n").split("\n")
    grid = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark == "#":
                grid[y][x] = OUTLINE
            elif mark == ".":
                grid[y][x] = FILL
    return grid


def cursor_file(grid):
    # Colour rows and mask rows both run bottom-up; a set mask bit is transparent.
    colour = b"".join(bytes(grid[y][x]) for y in reversed(range(SIZE)) for x in range(SIZE))
    mask = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if grid[y][x][3] == 0 else 0)
        mask += struct.pack(">I", bits)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + bytes(mask)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return header + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "HAND-M.CUR")
    with open(output, "wb") as file:
        file.write(cursor_file(pixels()))


if __name__ == "__main__":
    main()
