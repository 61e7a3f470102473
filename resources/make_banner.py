#!/usr/bin/python3
"""Draws the banner shown at the top of the Tessavel main window and writes
resources/banner.jpg next to this script (progressive JPEG with JFIF and a
small Exif block, 450 x 114).

The window shows only columns 5..445 and rows 0..99 of the picture, so the
tile, the name and the web address stay within rows 0..98 and from column 8
on; the strip below row 99 is sky only.  Output is deterministic.
"""

import os
import random
import sys

sys.dont_write_bytecode = True

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from make_icon import render_emblem  # noqa: E402

JPG_PATH = os.path.join(HERE, "banner.jpg")
W, H = 450, 114
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

NAME = "Tessavel"
ADDRESS = "https://brunmoor.example/"

TILE = 80
TILE_POS = (12, 10)          # tile spans rows 10..89
NAME_X = 106
NAME_BASELINE = 52
ADDRESS_RIGHT = 440
ADDRESS_BASELINE = 90


def lerp(a, b, t):
    return a + (b - a) * t


def sky(rng):
    """Vertical violet gradient with a little seeded grain against banding."""
    top, bottom = (46, 18, 86), (12, 5, 30)
    img = Image.new("RGB", (W, H))
    px = []
    for y in range(H):
        t = y / (H - 1)
        base = [lerp(top[k], bottom[k], t ** 0.9) for k in range(3)]
        for _x in range(W):
            n = rng.uniform(-1.6, 1.6)
            px.append(tuple(max(0, min(255, int(c + n + 0.5))) for c in base))
    img.putdata(px)
    return img


def stars(img, rng):
    """Small scattered stars: mostly single dim points, some brighter ones
    with a soft halo."""
    glow = Image.new("RGB", (W, H), (0, 0, 0))
    gd = ImageDraw.Draw(glow)
    pts = Image.new("RGB", (W, H), (0, 0, 0))
    pd = ImageDraw.Draw(pts)
    keep_clear = [
        (TILE_POS[0] - 4, TILE_POS[1] - 4, TILE_POS[0] + TILE + 4, TILE_POS[1] + TILE + 4),
        (ADDRESS_RIGHT - 150, ADDRESS_BASELINE - 12, ADDRESS_RIGHT + 4, ADDRESS_BASELINE + 5),
    ]
    placed = 0
    while placed < 150:
        x = rng.randrange(W)
        y = rng.randrange(H)
        if any(x0 <= x <= x1 and y0 <= y <= y1 for x0, y0, x1, y1 in keep_clear):
            continue
        placed += 1
        b = rng.choice((0.35, 0.45, 0.55, 0.7, 0.85, 1.0))
        tint = rng.choice(((255, 255, 255), (230, 220, 255), (255, 225, 245)))
        c = tuple(int(v * b) for v in tint)
        pd.point((x, y), fill=c)
        if b >= 1.0 and rng.random() < 0.4:
            gd.ellipse((x - 2, y - 2, x + 2, y + 2), fill=tuple(v // 3 for v in c))
            half = tuple(v // 3 for v in c)
            pd.point([(x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)], fill=half)
    glow = glow.filter(ImageFilter.GaussianBlur(1.2))
    img = ImageChops.add(img, glow)
    return ImageChops.lighter(img, pts)


def cloud(img):
    """Soft glowing cloud hanging from the top edge: a row of puffs with a
    pale, lit body and a wide violet-pink halo around it."""
    puffs = [  # centre x, centre y, radius
        (168, -6, 16), (192, 2, 17), (220, -2, 22), (250, 6, 20),
        (280, 0, 26), (312, 9, 22), (342, 2, 27), (374, 10, 21),
        (402, 3, 24), (432, 8, 20), (456, 0, 22), (300, -14, 34),
        (380, -14, 32), (230, -16, 26),
    ]
    mask = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(mask)
    for cx, cy, r in puffs:
        d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    body = mask.filter(ImageFilter.GaussianBlur(4))
    halo = mask.filter(ImageFilter.GaussianBlur(16))

    # lit from above: the puffs' lower parts are a little darker and pinker
    shade = Image.new("L", (W, H), 0)
    sd = ImageDraw.Draw(shade)
    for cx, cy, r in puffs:
        sd.ellipse((cx - r * 0.8, cy - r * 1.1, cx + r * 0.8, cy + r * 0.45), fill=255)
    shade = shade.filter(ImageFilter.GaussianBlur(5))

    img = Image.composite(Image.new("RGB", (W, H), (196, 96, 230)), img,
                          halo.point(lambda v: v * 60 // 100))
    lower = Image.new("RGB", (W, H), (200, 160, 236))
    upper = Image.new("RGB", (W, H), (250, 238, 255))
    body_col = Image.composite(upper, lower, shade)
    return Image.composite(body_col, img, body.point(lambda v: v * 88 // 100))


def tile(img):
    """The emblem tile with a faint violet glow behind it."""
    x0, y0 = TILE_POS
    glow = Image.new("L", (W, H), 0)
    ImageDraw.Draw(glow).rounded_rectangle(
        (x0 - 2, y0 - 2, x0 + TILE + 1, y0 + TILE + 1), radius=20, fill=150)
    glow = glow.filter(ImageFilter.GaussianBlur(5))
    img = Image.composite(Image.new("RGB", (W, H), (190, 120, 240)), img, glow)

    emblem = render_emblem(TILE, margin=0, shadow=False)
    img.paste(emblem, (x0, y0), emblem)
    return img


def name(img):
    """Product name in magenta with a short fading mirror image below."""
    font = ImageFont.truetype(FONT_BOLD, 48)
    ascent, descent = font.getmetrics()
    top = NAME_BASELINE - ascent
    left, t, right, bottom = font.getbbox(NAME)        # relative to top
    tw, th = right, ascent

    text = Image.new("L", (W, H), 0)
    ImageDraw.Draw(text).text((NAME_X, top), NAME, font=font, fill=255)

    # fill: light magenta at the top of the letters, deeper below
    fill = Image.new("RGB", (W, H))
    y_cap = top + t
    fill.putdata([
        tuple(int(lerp(a, b, min(1.0, max(0.0, (y - y_cap) / float(NAME_BASELINE - y_cap)))))
              for a, b in zip((255, 110, 230), (214, 20, 170)))
        for y in range(H) for _x in range(W)])

    # reflection: the letters flipped about the baseline, fading out
    refl_h = 34
    gap = 2
    letters = text.crop((0, NAME_BASELINE - refl_h, W, NAME_BASELINE))
    letters = letters.transpose(Image.Transpose.FLIP_TOP_BOTTOM)
    fade = Image.new("L", (1, refl_h))
    fade.putdata([int(95 * (1.0 - j / (refl_h - 1.0)) ** 1.8) for j in range(refl_h)])
    fade = fade.resize((W, refl_h))
    refl = ImageChops.multiply(letters, fade).filter(ImageFilter.GaussianBlur(0.6))
    refl_mask = Image.new("L", (W, H), 0)
    refl_mask.paste(refl, (0, NAME_BASELINE + gap))
    img = Image.composite(Image.new("RGB", (W, H), (205, 40, 170)), img, refl_mask)

    # dark soft shadow and a magenta glow for separation from the sky
    shadow = text.filter(ImageFilter.GaussianBlur(2.5)).point(lambda v: v * 70 // 100)
    shadow_shift = Image.new("L", (W, H), 0)
    shadow_shift.paste(shadow, (1, 2))
    img = Image.composite(Image.new("RGB", (W, H), (10, 0, 24)), img, shadow_shift)
    halo = text.filter(ImageFilter.GaussianBlur(6)).point(lambda v: v * 45 // 100)
    img = Image.composite(Image.new("RGB", (W, H), (255, 60, 200)), img, halo)

    return Image.composite(fill, img, text)


def address(img):
    font = ImageFont.truetype(FONT_PLAIN, 10)
    ascent, _ = font.getmetrics()
    length = font.getlength(ADDRESS)
    x = round(ADDRESS_RIGHT - length)
    ImageDraw.Draw(img).text((x, ADDRESS_BASELINE - ascent), ADDRESS,
                             font=font, fill=(255, 255, 255))
    return img


def exif_block():
    exif = Image.Exif()
    exif[0x0131] = "Tessavel banner generator"     # Software
    exif[0x013B] = "Brunmoor"                      # Artist
    exif[0x0110] = "Tessavel"                      # Model
    exif[0x010E] = "Tessavel main window banner"   # ImageDescription
    return exif


def main():
    rng = random.Random(20240607)
    img = sky(rng)
    img = stars(img, rng)
    img = cloud(img)
    img = tile(img)
    img = name(img)
    img = address(img)
    img.save(JPG_PATH, "JPEG", quality=90, progressive=True, subsampling=0,
             exif=exif_block(), dpi=(96, 96))
    print("wrote %s (%d bytes)" % (JPG_PATH, os.path.getsize(JPG_PATH)))


if __name__ == "__main__":
    main()
