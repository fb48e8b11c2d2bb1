#!/usr/bin/env python3
"""Draws the Velmora dialog bitmaps and the Velmora/Oskavel icons.

Usage: make_images.py OUTDIR

Standard library only, so the build needs nothing but python3. The output is byte-for-byte
reproducible (no timestamps, no randomness, fixed zlib level), which keeps the resource
objects stable between builds.
"""
import os
import struct
import sys
import zlib

# One accent colour carries the whole look; everything else is neutral grey on white.
ACCENT = (0x0B, 0x6E, 0x79)
ACCENT_LIGHT = (0x14, 0x85, 0x91)
ACCENT_DARK = (0x08, 0x55, 0x5E)
WHITE = (255, 255, 255)

SS = 4  # anti-aliasing: SS x SS samples per pixel
OFFS = [(i + 0.5) / SS for i in range(SS)]


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexrgb(v):
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


# --- shapes: predicates on a point in pixel coordinates -------------------------------------

def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def circle(cx, cy, r):
    rr = r * r
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= rr


def polygon(pts):
    def inside(x, y):
        hit = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def scaled(shape, k):
    """A shape designed on a unit square, stretched to k pixels."""
    return lambda x, y: shape(x / k, y / k)


# --- canvas: premultiplied RGBA floats ------------------------------------------------------

class Canvas:
    def __init__(self, w, h, bg=WHITE):
        self.w, self.h = w, h
        a = 0.0 if bg is None else 1.0
        c = (0.0, 0.0, 0.0) if bg is None else bg
        self.px = [[c[0], c[1], c[2], a] for _ in range(w * h)]

    def _blend(self, x, y, col, cov):
        p = self.px[y * self.w + x]
        k = 1.0 - cov
        p[0] = col[0] * cov + p[0] * k
        p[1] = col[1] * cov + p[1] * k
        p[2] = col[2] * cov + p[2] * k
        p[3] = cov + p[3] * k

    def rect(self, x0, y0, x1, y1, col):
        """Pixel-aligned fill; col may be a function of the row."""
        for y in range(max(y0, 0), min(y1, self.h)):
            c = col(y) if callable(col) else col
            for x in range(max(x0, 0), min(x1, self.w)):
                self._blend(x, y, c, 1.0)

    def paint(self, shape, col, box=None, opacity=1.0, convex=False):
        """Anti-aliased fill of a shape; col may be a function of (x, y) at the pixel centre.

        For a convex shape a pixel whose four corners are inside is wholly inside, which
        skips the supersampling for most of a large fill.
        """
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for y in range(max(int(y0), 0), min(int(y1 + 0.999), self.h)):
            for x in range(max(int(x0), 0), min(int(x1 + 0.999), self.w)):
                if convex and shape(x, y) and shape(x + 1, y) and shape(x, y + 1) \
                        and shape(x + 1, y + 1):
                    n = SS * SS
                else:
                    n = sum(1 for oy in OFFS for ox in OFFS if shape(x + ox, y + oy))
                if n:
                    c = col(x + 0.5, y + 0.5) if callable(col) else col
                    self._blend(x, y, c, opacity * n / (SS * SS))

    def rgba(self):
        """Straight (non-premultiplied) 8-bit rows, top row first."""
        rows = []
        for y in range(self.h):
            row = []
            for p in self.px[y * self.w:(y + 1) * self.w]:
                a = p[3]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(min(255, max(0, int(v / a + 0.5))) for v in p[:3])
                           + (min(255, int(a * 255 + 0.5)),))
            rows.append(row)
        return rows


# --- file writers ----------------------------------------------------------------------------

def dib_pixels(rows, bpp):
    """Bottom-up BGR(A) rows padded to 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            line += bytes((b, g, r, a)) if bpp == 32 else bytes((b, g, r))
        line += b"\0" * (-len(line) % 4)
        out += line
    return bytes(out)


def info_header(w, h, bpp, size):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, size, 2835, 2835, 0, 0)


def write_bmp(path, canvas, bpp=24):
    data = dib_pixels(canvas.rgba(), bpp)
    head = info_header(canvas.w, canvas.h, bpp, len(data))
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(head) + len(data), 0, 0, 14 + len(head)))
        f.write(head + data)


def png_bytes(canvas):
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in canvas.rgba())
    ihdr = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_dib(canvas):
    rows = canvas.rgba()
    xor = dib_pixels(rows, 32)
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray((canvas.w + 31) // 32 * 4)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits
    return info_header(canvas.w, canvas.h * 2, 32, len(xor) + len(mask)) + xor + bytes(mask)


def write_ico(path, canvases):
    images = [png_bytes(c) if c.w >= 256 else ico_dib(c) for c in canvases]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries = b""
    for c, img in zip(canvases, images):
        entries += struct.pack("<BBBBHHII", c.w & 255, c.h & 255, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(images))


# --- dialog pieces ---------------------------------------------------------------------------

def header_colour(y, s):
    """Header band: a gentle vertical gradient, light at the top."""
    return mix(ACCENT_LIGHT, ACCENT_DARK, min(1.0, y / (56.0 * s)))


def background(s):
    w, h = round(364 * s), round(450 * s)
    c = Canvas(w, h)
    band = round(56 * s)
    c.rect(0, 0, w, band, lambda y: header_colour(y + 0.5, s))
    # Soft arcs on the right of the band give it depth without competing with the title.
    for cx, cy, r, a in ((300, 96, 120, 0.06), (372, -40, 110, 0.05)):
        c.paint(minus(circle(cx * s, cy * s, r * s), circle(cx * s, cy * s, (r - 2) * s)),
                WHITE, (0, 0, w, band), a)
    c.rect(0, band, w, band + 1, mix(ACCENT_LIGHT, WHITE, 0.45))
    # A short fading shade under the band lifts the card.
    for i, t in enumerate((0.10, 0.05, 0.02)):
        c.rect(0, band + 1 + i, w, band + 2 + i, mix(WHITE, hexrgb(0x5A6B70), t))
    # Divider between the description and the feature choice.
    y = round(284 * s)
    c.rect(round(26 * s), y, w - round(26 * s), y + 1, hexrgb(0xE6EAEC))
    # Separator above the button row.
    y = round(400 * s)
    c.rect(round(12 * s), y, w - round(12 * s), y + 1, hexrgb(0xD9DEE1))
    return c


BUTTON_LOOKS = {
    # name: (border top, border bottom, fill top, fill bottom, pressed)
    "inactive": (0xD4D7D9, 0xD4D7D9, 0xF2F3F4, 0xF2F3F4, False),
    "normal": (0xBCC4C8, 0xA3ADB2, 0xFFFFFF, 0xECEFF1, False),
    "hover": (0x3C939C, 0x0B6E79, 0xF2FAFA, 0xD9EEF0, False),
    "pressed": (0x085560, 0x0B6E79, 0xC4E1E4, 0xD6EBED, True),
}


def button(w, h, look):
    *colours, pressed = BUTTON_LOOKS[look]
    bt, bb, ft, fb = (hexrgb(v) for v in colours)
    r = h / 6.0
    c = Canvas(w, h)
    c.paint(rrect(0, 0, w, h, r), lambda x, y: mix(bt, bb, y / h))
    if pressed:
        # A darker top edge inside the frame reads as the face being pushed in.
        c.paint(rrect(1, 1, w - 1, h - 1, r - 1), mix(fb, ACCENT_DARK, 0.35))
        c.paint(rrect(1, 2, w - 1, h - 1, r - 1), lambda x, y: mix(ft, fb, y / h))
    else:
        c.paint(rrect(1, 1, w - 1, h - 1, r - 1), lambda x, y: mix(ft, fb, y / h))
        if look != "inactive":
            c.rect(2, 1, w - 2, 2, mix(ft, WHITE, 0.7))  # top highlight
    return c


OPTION_LOOKS = {
    # name: (ring, inner fill, dot or None)
    "chosen": (ACCENT, WHITE, ACCENT),
    "unchosen": (hexrgb(0x6F7D84), WHITE, None),
    "inactive": (hexrgb(0xC2C7CA), hexrgb(0xF3F4F5), None),
}


def option_mark(n, look):
    ring, fill, dot = OPTION_LOOKS[look]
    c = Canvas(n, n)
    m = n / 2.0
    width = n / 10.0
    c.paint(circle(m, m, m - 0.25), ring)
    c.paint(circle(m, m, m - 0.25 - width), fill)
    if dot:
        c.paint(circle(m, m, n * 0.22), dot)
    return c


def question_mark(cx, cy, k):
    """A '?' glyph made of a hook, a stem and a dot, about 9*k pixels tall."""
    hook = minus(circle(cx, cy - 1.6 * k, 2.9 * k), circle(cx, cy - 1.6 * k, 1.45 * k))
    lower_left = polygon([(cx - 4 * k, cy - 1.9 * k), (cx, cy - 1.6 * k), (cx, cy + 2 * k),
                          (cx - 4 * k, cy + 2 * k)])
    hook = minus(hook, lower_left)
    stem = rrect(cx - 0.75 * k, cy - 0.3 * k, cx + 0.75 * k, cy + 1.6 * k, 0.2 * k)
    dot = circle(cx, cy + 3.3 * k, 0.95 * k)
    return union(hook, stem, dot)


def help_button(pressed):
    n = 22
    # The band behind the button starts at y=18 on the dialog.
    c = Canvas(n, n)
    c.rect(0, 0, n, n, lambda y: header_colour(18 + y + 0.5, 1.0))
    m = n / 2.0
    if pressed:
        c.paint(circle(m, m, m - 1), ACCENT_DARK)
        c.paint(circle(m, m, m - 1), (0, 0, 0), opacity=0.12)
    ring = minus(circle(m, m, m - 1), circle(m, m, m - 2.5))
    c.paint(ring, WHITE, opacity=0.9)
    c.paint(question_mark(m, m + (0.5 if pressed else 0.0), 1.0), WHITE)
    return c


# --- icons (unit-square designs) -------------------------------------------------------------

# A lightning bolt on a unit box, drawn heavy enough to survive 16 px.
BOLT = [(0.62, 0.0), (0.16, 0.58), (0.46, 0.58), (0.36, 1.0), (0.84, 0.40), (0.54, 0.40),
        (0.70, 0.0)]


def bolt_at(cx, cy, k):
    return polygon([(cx + (x - 0.5) * k, cy + (y - 0.5) * k) for x, y in BOLT])


def bolt_box(cx, cy, k):
    return (cx - k / 2, cy - k / 2, cx + k / 2, cy + k / 2)


# Each symbol is a list of (shape, colour, bounding box) on the unit square.
def velmora_symbol(tile):
    moon = minus(circle(0.42, 0.57, 0.30), circle(0.59, 0.42, 0.245))
    return [(moon, WHITE, (0.12, 0.27, 0.72, 0.87)),
            (bolt_at(0.72, 0.33, 0.34), WHITE, bolt_box(0.72, 0.33, 0.34))]


def oskavel_symbol(tile):
    body = rrect(0.16, 0.30, 0.78, 0.72, 0.07)
    nub = rrect(0.775, 0.42, 0.85, 0.60, 0.025)
    return [(union(body, nub), WHITE, (0.16, 0.30, 0.85, 0.72)),
            (bolt_at(0.47, 0.51, 0.36), tile, bolt_box(0.47, 0.51, 0.36))]


def icon(n, symbol):
    c = Canvas(n, n, bg=None)
    m = round(n * 0.04)
    r = (n - 2 * m) * 0.22

    def tile_colour(x, y):
        return mix(ACCENT_LIGHT, ACCENT_DARK, (y - m) / (n - 2 * m))

    k = n / 64.0 if n >= 32 else 0.0  # a faint darker rim keeps big tiles crisp on light ground
    if k:
        c.paint(rrect(m, m, n - m, n - m, r), ACCENT_DARK, convex=True)
    c.paint(rrect(m + k, m + k, n - m - k, n - m - k, r - k), tile_colour, convex=True)
    for shape, col, box in symbol(lambda x, y: tile_colour(x * n, y * n)):
        c.paint(scaled(shape, n), (lambda x, y, f=col: f(x / n, y / n)) if callable(col) else col,
                tuple(v * n for v in box))
    return c


ICON_SIZES = (16, 24, 32, 48, 64, 96, 128, 192, 256)
# The installer package's Add/Remove Programs icon: the sizes the list shows, and the large one compressed.
ARP_ICON_SIZES = (16, 32, 48, 256)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTDIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def bmp(name, canvas, bpp=24):
        write_bmp(os.path.join(out, name), canvas, bpp)

    for ids, (w, h) in (((129, 130, 131, 132), (104, 24)), ((142, 143, 144, 145), (125, 29))):
        for rid, look in zip(ids, ("inactive", "normal", "hover", "pressed")):
            bmp("settings_%d.bmp" % rid, button(w, h, look), 32 if rid == 130 else 24)
    for rid, n, look in ((133, 12, "chosen"), (134, 12, "unchosen"), (138, 12, "inactive"),
                         (146, 16, "chosen"), (147, 16, "inactive"), (148, 16, "unchosen")):
        bmp("settings_%d.bmp" % rid, option_mark(n, look))
    bmp("settings_140.bmp", background(1.0))
    bmp("settings_149.bmp", background(1.2))
    bmp("settings_150.bmp", help_button(False))
    bmp("settings_152.bmp", help_button(True))
    write_ico(os.path.join(out, "velmora.ico"), [icon(n, velmora_symbol) for n in ICON_SIZES])
    write_ico(os.path.join(out, "oskavel.ico"), [icon(n, oskavel_symbol) for n in ICON_SIZES])
    write_ico(os.path.join(out, "velmora-arp.ico"), [icon(n, velmora_symbol) for n in ARP_ICON_SIZES])


if __name__ == "__main__":
    main()
