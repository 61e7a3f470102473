#!/usr/bin/python3
"""Draws the Tessavel emblem (a pink glossy ball on a white rounded tile) and
writes resources/tessavel.ico next to this script.

The .ico holds twelve uncompressed DIB images, in this order:
  32x32 at 1 bpp;
  48, 32, 16 at 4 bpp;
  48, 32, 16 at 8 bpp;
  256, 128, 48, 32, 16 at 32 bpp (with alpha).
Every image, the 256x256 one included, is a BITMAPINFOHEADER DIB (height
doubled, colour bitmap followed by the 1-bpp AND mask), so that old shell
versions and plain LoadImage paths can read all of them.

render_emblem() is also used by make_banner.py.  Output is deterministic.
"""

import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
ICO_PATH = os.path.join(HERE, "tessavel.ico")

# ---------------------------------------------------------------------------
# Ball

_BALL_RES = 768
_ball_cache = None


def _lerp(a, b, t):
    return a + (b - a) * t


def _mix(c0, c1, t):
    return tuple(_lerp(c0[i], c1[i], t) for i in range(3))


def _ramp(stops, t):
    """Piecewise-linear colour ramp; stops = [(pos, (r, g, b)), ...]."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return _mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


def _norm(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def _ball_master():
    """The shaded ball as RGBA at _BALL_RES square, computed once."""
    global _ball_cache
    if _ball_cache is not None:
        return _ball_cache

    n = _BALL_RES
    lx, ly, lz = _norm((-0.42, -0.58, 0.70))          # key light, upper left
    hx, hy, hz = _norm((lx, ly, lz + 1.0))            # half vector to viewer
    stops = [
        (0.00, (104, 0, 52)),
        (0.35, (176, 12, 98)),
        (0.70, (240, 56, 150)),
        (1.00, (255, 150, 204)),
    ]
    rim_colour = (255, 112, 186)
    # glossy "window" reflection on the upper half
    gcx, gcy, grx, gry = -0.04, -0.46, 0.66, 0.42

    px = []
    half = n / 2.0
    for j in range(n):
        y = (j + 0.5) / half - 1.0
        for i in range(n):
            x = (i + 0.5) / half - 1.0
            r2 = x * x + y * y
            r = math.sqrt(r2)
            edge = (1.0 - r) * half + 0.5
            if edge <= 0.0:
                px.append((0, 0, 0, 0))
                continue
            a = 1.0 if edge >= 1.0 else edge
            z = math.sqrt(max(0.0, 1.0 - r2))

            diff = max(0.0, x * lx + y * ly + z * lz)
            shade = 0.18 + 0.82 * diff
            col = _ramp(stops, shade)

            # bounce light along the lower rim
            rim = (1.0 - z) ** 2 * max(0.0, y + 0.2) * 0.75
            if rim > 0.0:
                col = _mix(col, rim_colour, min(1.0, rim))

            # soft specular spot
            spec = max(0.0, x * hx + y * hy + z * hz) ** 70
            col = _mix(col, (255, 255, 255), min(1.0, spec * 0.9))

            # glass band
            t = ((x - gcx) / grx) ** 2 + ((y - gcy) / gry) ** 2
            if t < 1.0:
                fall = 1.0 - (y - (gcy - gry)) / (2.0 * gry)
                g = 0.78 * max(0.0, fall) ** 1.6 * min(1.0, (1.0 - t) / 0.10)
                col = _mix(col, (255, 255, 255), g)

            px.append((int(col[0] + 0.5), int(col[1] + 0.5),
                       int(col[2] + 0.5), int(a * 255 + 0.5)))

    img = Image.new("RGBA", (n, n))
    img.putdata(px)
    _ball_cache = img
    return img


# ---------------------------------------------------------------------------
# Emblem

def _vertical_gradient(size, top, bottom):
    w, h = size
    col = Image.new("RGB", (1, h))
    col.putdata([tuple(int(_lerp(top[k], bottom[k], j / max(1, h - 1)) + 0.5)
                       for k in range(3)) for j in range(h)])
    return col.resize((w, h), Image.Resampling.NEAREST)


def render_emblem(size, margin=None, shadow=None):
    """Ball-on-tile emblem as an RGBA image of size x size pixels.

    margin: free border around the tile in pixels (default depends on size).
    shadow: soft drop shadow under the tile (default on for 48 px and up).
    """
    if margin is None:
        margin = 0 if size <= 16 else max(1, round(size * 0.035))
    if shadow is None:
        shadow = size >= 48
    ss = max(4, min(16, 1024 // size))        # supersampling factor
    S = size * ss
    m = margin * ss
    tile = (m, m, S - 1 - m, S - 1 - m - (ss * max(1, size // 64) if shadow else 0))
    tw = tile[2] - tile[0]
    radius = round(tw * (0.22 if size > 16 else 0.19))
    border = max(1, round(size / 64)) * ss

    canvas = Image.new("RGBA", (S, S), (0, 0, 0, 0))

    if shadow:
        sh = Image.new("L", (S, S), 0)
        off = max(1, size // 48) * ss
        ImageDraw.Draw(sh).rounded_rectangle(
            (tile[0] + off // 2, tile[1] + off, tile[2] - off // 2, tile[3] + off),
            radius=radius, fill=110)
        sh = sh.filter(ImageFilter.GaussianBlur(max(1, size // 48) * ss))
        shadow_layer = Image.new("RGBA", (S, S), (40, 20, 60, 0))
        shadow_layer.putalpha(sh)
        canvas = Image.alpha_composite(canvas, shadow_layer)

    # tile: thin grey frame, then a white face with a faint cool gradient
    frame = Image.new("L", (S, S), 0)
    ImageDraw.Draw(frame).rounded_rectangle(tile, radius=radius, fill=255)
    frame_rgb = (150, 140, 170) if size <= 16 else (178, 170, 192)
    frame_layer = Image.new("RGBA", (S, S), frame_rgb + (255,))
    frame_layer.putalpha(frame)
    canvas = Image.alpha_composite(canvas, frame_layer)

    face_box = (tile[0] + border, tile[1] + border, tile[2] - border, tile[3] - border)
    face = Image.new("L", (S, S), 0)
    ImageDraw.Draw(face).rounded_rectangle(face_box, radius=max(1, radius - border), fill=255)
    face_layer = _vertical_gradient((S, S), (255, 255, 255), (234, 230, 242)).convert("RGBA")
    face_layer.putalpha(face)
    canvas = Image.alpha_composite(canvas, face_layer)

    # ball, centred on the face, with a contact shadow beneath it
    fw = face_box[2] - face_box[0]
    fh = face_box[3] - face_box[1]
    d = round(min(fw, fh) * (0.80 if size <= 16 else 0.74))
    cx = face_box[0] + fw / 2.0
    cy = face_box[1] + fh / 2.0 - d * 0.02
    if size >= 32:
        cs = Image.new("L", (S, S), 0)
        ImageDraw.Draw(cs).ellipse(
            (cx - d * 0.40, cy + d * 0.40, cx + d * 0.40, cy + d * 0.54), fill=120)
        cs = cs.filter(ImageFilter.GaussianBlur(d * 0.05))
        cs_layer = Image.new("RGBA", (S, S), (90, 30, 70, 0))
        cs_layer.putalpha(cs)
        canvas = Image.alpha_composite(canvas, cs_layer)

    ball = _ball_master().resize((d, d), Image.Resampling.LANCZOS)
    ball_layer = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    ball_layer.paste(ball, (round(cx - d / 2.0), round(cy - d / 2.0)))
    canvas = Image.alpha_composite(canvas, ball_layer)

    return canvas.resize((size, size), Image.Resampling.LANCZOS)


# ---------------------------------------------------------------------------
# Reduction to palettes

def _opaque_mask(rgba):
    """True where the pixel counts as opaque for the AND mask."""
    return [a >= 128 for a in rgba.getchannel("A").getdata()]


def _flatten(rgba, under=(255, 255, 255)):
    """RGB with partly transparent edges blended over `under`."""
    bg = Image.new("RGBA", rgba.size, under + (255,))
    return Image.alpha_composite(bg, rgba).convert("RGB")


def to_indexed(rgba, colours):
    """Adaptive palette: index 0 is black (used under the transparent part of
    the mask), the other colours - 1 entries come from the opaque pixels.
    No error diffusion: at these sizes clean bands read better than noise."""
    opaque = _opaque_mask(rgba)
    rgb = _flatten(rgba)
    q = rgb.quantize(colours - 1, method=Image.Quantize.MEDIANCUT,
                     dither=Image.Dither.NONE)
    pal = q.getpalette()[:3 * (colours - 1)]
    idx = [v + 1 if o else 0 for v, o in zip(q.getdata(), opaque)]
    palette = [(0, 0, 0)] + [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    return idx, palette, opaque


_BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def to_mono(rgba):
    """Black and white: the white tile with a black outline; the ball outlined
    in black and shaded with an ordered dither so it still reads as a sphere."""
    w, h = rgba.size
    opaque = _opaque_mask(rgba)
    rgb = list(_flatten(rgba).getdata())
    # the ball is convex: fill each row between its first and last pink pixel
    # so that the white highlight counts as ball too
    pink = [o and (r - g) > 70 for o, (r, g, b) in zip(opaque, rgb)]
    ball = [False] * (w * h)
    for j in range(h):
        row = [i for i in range(w) if pink[j * w + i]]
        for i in range(row[0], row[-1] + 1) if row else ():
            ball[j * w + i] = True
    lo, hi = 70.0, 250.0

    def boundary(flags, i, j):
        k = j * w + i
        return (i == 0 or j == 0 or i == w - 1 or j == h - 1 or
                not flags[k - 1] or not flags[k + 1] or
                not flags[k - w] or not flags[k + w])

    idx = []
    for j in range(h):
        for i in range(w):
            k = j * w + i
            if not opaque[k] or boundary(opaque, i, j):
                idx.append(0)
            elif not ball[k]:
                idx.append(1)
            elif boundary(ball, i, j):
                idx.append(0)
            else:
                r, g, b = rgb[k]
                v = ((r * 299 + g * 587 + b * 114) / 1000.0 - lo) / (hi - lo)
                idx.append(1 if v > (_BAYER4[j % 4][i % 4] + 0.5) / 16.0 else 0)
    return idx, [(0, 0, 0), (255, 255, 255)], opaque


# ---------------------------------------------------------------------------
# ICO writer

def _row_bytes(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def _pack_indices(row, bpp):
    out = bytearray()
    per = 8 // bpp
    for i in range(0, len(row), per):
        b = 0
        for k in range(per):
            v = row[i + k] if i + k < len(row) else 0
            b |= v << (8 - bpp * (k + 1))
        out.append(b)
    return bytes(out)


def _and_mask(opaque, w, h):
    stride = _row_bytes(w)
    out = bytearray()
    for j in range(h - 1, -1, -1):                     # bottom-up
        bits = [0 if opaque[j * w + i] else 1 for i in range(w)]
        row = _pack_indices(bits, 1)
        out += row + b"\0" * (stride - len(row))
    return bytes(out)


def dib_indexed(idx, palette, opaque, w, h, bpp):
    ncol = 1 << bpp
    pal = list(palette) + [(0, 0, 0)] * (ncol - len(palette))
    stride = _row_bytes(w * bpp)
    xor = bytearray()
    for j in range(h - 1, -1, -1):
        row = _pack_indices(idx[j * w:(j + 1) * w], bpp)
        xor += row + b"\0" * (stride - len(row))
    mask = _and_mask(opaque, w, h)
    hdr = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    pal_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    return hdr + pal_bytes + bytes(xor) + mask


def dib_32(rgba):
    w, h = rgba.size
    data = list(rgba.getdata())
    xor = bytearray()
    for j in range(h - 1, -1, -1):
        for (r, g, b, a) in data[j * w:(j + 1) * w]:
            if a == 0:
                r = g = b = 0
            xor += bytes((b, g, r, a))
    mask = _and_mask([p[3] >= 128 for p in data], w, h)
    hdr = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    return hdr + bytes(xor) + mask


def write_ico(path, entries):
    """entries: list of (width, height, colour_count, bpp, dib_bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for (w, h, ncol, bpp, dib) in entries:
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, ncol & 0xFF, 0,
                           1, bpp, len(dib), offset)
        offset += len(dib)
    for entry in entries:
        out += entry[4]
    with open(path, "wb") as f:
        f.write(out)


LAYOUT = [
    (32, 1),
    (48, 4), (32, 4), (16, 4),
    (48, 8), (32, 8), (16, 8),
    (256, 32), (128, 32), (48, 32), (32, 32), (16, 32),
]


def main():
    pictures = {}
    entries = []
    for size, bpp in LAYOUT:
        if size not in pictures:
            pictures[size] = render_emblem(size)
        pic = pictures[size]
        if bpp == 32:
            entries.append((size, size, 0, 32, dib_32(pic)))
            continue
        if bpp == 1:
            idx, pal, opaque = to_mono(pic)
        else:
            idx, pal, opaque = to_indexed(pic, 1 << bpp)
        ncol = (1 << bpp) if bpp < 8 else 0
        entries.append((size, size, ncol, bpp,
                        dib_indexed(idx, pal, opaque, size, size, bpp)))
    write_ico(ICO_PATH, entries)
    print("wrote %s (%d bytes, %d images)" % (ICO_PATH, os.path.getsize(ICO_PATH), len(entries)))


if __name__ == "__main__":
    sys.dont_write_bytecode = True
    main()
