#!/usr/bin/python3
"""Writes win8.she, the skin file the program carries: a flat light look.

The format is described in docs/skin-format.md. Layout (little-endian):
  0  4 bytes  ".SHE"
  4  u16      format version (1)
  6  u16      number of colour entries that follow (8)
  8  8 x u32  colours as 0x00BBGGRR (top byte 0): window face, text, accent,
              button face, hot button face, pressed button face, border,
              disabled text
 40  u8       frame width of push buttons in pixels (1..3)
 41           end of file: nothing may follow
"""
import os
import struct

def rgb(r, g, b):
    return r | (g << 8) | (b << 16)

COLOURS = [
    rgb(0xF0, 0xF0, 0xF0),  # window face
    rgb(0x00, 0x00, 0x00),  # text
    rgb(0x00, 0x78, 0xD7),  # accent
    rgb(0xE1, 0xE1, 0xE1),  # button face
    rgb(0xE5, 0xF1, 0xFB),  # hot button face
    rgb(0xCC, 0xE4, 0xF7),  # pressed button face
    rgb(0xAD, 0xAD, 0xAD),  # border
    rgb(0x83, 0x83, 0x83),  # disabled text
]

def main():
    data = b".SHE" + struct.pack("<HH", 1, len(COLOURS))
    data += b"".join(struct.pack("<I", c) for c in COLOURS)
    data += struct.pack("<B", 1)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "win8.she")
    with open(out, "wb") as f:
        f.write(data)

if __name__ == "__main__":
    main()
