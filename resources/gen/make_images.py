#!/usr/bin/python3
"""Draws the Velmora dialog bitmaps and the Velmora/Oskavel icons.

Usage: make_images.py OUTDIR

Needs Debian's python3-pil (the build runs this with /usr/bin/python3). The output is byte-for-byte
reproducible: no time stamps or other metadata, fixed resolution fields and a fixed PNG compression level,
so the resource objects stay the same between builds and machines.
"""
import io
import os
import struct
import sys

from PIL import Image, ImageDraw

# One accent colour carries the whole look; everything else is neutral grey on white.
ACCENT = (0x0B, 0x6E, 0x79)
ACCENT_LIGHT = (0x14, 0x85, 0x91)
ACCENT_DARK = (0x08, 0x55, 0x5E)
WHITE = (255, 255, 255)

# Anti-aliasing: shapes are drawn SS times larger and averaged down, SS x SS samples per pixel.
SS = 8
# The bitmaps' resolution fields (72 dpi); Windows ignores them, but they are fixed so the bytes are.
DPI = (72, 72)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexrgb(v):
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


def rgb(colour):
    return tuple(min(255, max(0, int(v + 0.5))) for v in colour)


# --- figures: drawn with a pen in pixel coordinates (pixel x covers x..x+1) -----------------------


class Pen:
    """Draws on a supersampled coverage mask whose top left is the canvas point (x0, y0). Each figure
    either adds to what is drawn or, with cut=True, takes away from it."""

    def __init__(self, mask, x0, y0):
        self.draw = ImageDraw.Draw(mask)
        self.x0, self.y0 = x0, y0

    def _box(self, x0, y0, x1, y1):
        # Pillow fills boxes with both corner pixels included: the last one is the one before the edge.
        return (round((x0 - self.x0) * SS), round((y0 - self.y0) * SS),
                round((x1 - self.x0) * SS) - 1, round((y1 - self.y0) * SS) - 1)

    def circle(self, cx, cy, r, cut=False):
        self.draw.ellipse(self._box(cx - r, cy - r, cx + r, cy + r), fill=0 if cut else 255)

    def rrect(self, x0, y0, x1, y1, r, cut=False):
        self.draw.rounded_rectangle(self._box(x0, y0, x1, y1), round(r * SS), fill=0 if cut else 255)

    def polygon(self, points, cut=False):
        # A sample pixel's centre is half a pixel past its corner.
        self.draw.polygon([(round((x - self.x0) * SS - 0.5), round((y - self.y0) * SS - 0.5))
                           for x, y in points], fill=0 if cut else 255)


class Canvas:
    def __init__(self, w, h, bg=WHITE):
        self.w, self.h = w, h
        self.image = Image.new("RGBA", (w, h), (0, 0, 0, 0) if bg is None else bg + (255,))

    def _fill(self, colour, x0, y0, x1, y1):
        """An opaque RGB block; colour may be a function of the row (its pixel centre's y)."""
        if not callable(colour):
            return Image.new("RGB", (x1 - x0, y1 - y0), rgb(colour))
        column = Image.new("RGB", (1, y1 - y0))
        for y in range(y0, y1):
            column.putpixel((0, y - y0), rgb(colour(y + 0.5)))
        return column.resize((x1 - x0, y1 - y0), Image.Resampling.NEAREST)

    def rect(self, x0, y0, x1, y1, colour):
        """Pixel-aligned opaque fill; colour may be a function of the row."""
        x0, y0, x1, y1 = max(x0, 0), max(y0, 0), min(x1, self.w), min(y1, self.h)
        if x0 < x1 and y0 < y1:
            self.image.paste(self._fill(colour, x0, y0, x1, y1), (x0, y0))

    def paint(self, figure, colour, box=None, opacity=1.0):
        """Anti-aliased fill of what figure(pen) draws, clipped to box; colour may be a function of the
        row."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        mask = Image.new("L", ((x1 - x0) * SS, (y1 - y0) * SS), 0)
        figure(Pen(mask, x0, y0))
        cover = mask.reduce(SS)
        if opacity != 1.0:
            cover = cover.point(lambda v: int(v * opacity + 0.5))
        layer = self._fill(colour, x0, y0, x1, y1)
        layer.putalpha(cover)
        self.image.alpha_composite(layer, (x0, y0))

    def rgba(self):
        """The pixels with every fully transparent one black, as the icons' masks expect."""
        opaque = self.image.getchannel("A").point(lambda a: 255 if a else 0)
        return Image.composite(self.image, Image.new("RGBA", self.image.size, (0, 0, 0, 0)), opaque)


# --- file writers ----------------------------------------------------------------------------------


def write_bmp(path, canvas, bpp=24):
    image = canvas.rgba()
    (image if bpp == 32 else image.convert("RGB")).save(path, "BMP", dpi=DPI)


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, "PNG", compress_level=9)
    return out.getvalue()


def ico_dib(image):
    """An icon image as Windows 5.2 reads it: a 32-bit DIB of twice the height, the colour rows then the
    1-bit AND mask (set where the pixel is fully transparent), both bottom up, rows padded to 4 bytes."""
    w, h = image.size
    xor = image.tobytes("raw", "BGRA", 0, -1)
    padded = Image.new("1", ((w + 31) // 32 * 32, h), 0)
    transparent = image.getchannel("A").point(lambda a: 0 if a else 255)
    padded.paste(transparent.convert("1", dither=Image.Dither.NONE))
    mask = padded.tobytes("raw", "1", 0, -1)
    ppm = int(DPI[0] * 39.3701 + 0.5)
    head = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), ppm, ppm, 0, 0)
    return head + xor + mask


def write_ico(path, canvases):
    """The icon container is written here: Pillow's writer stores every size in one format and its 32-bit
    DIBs lack the AND mask, while the programs must load on Windows 5.2, which reads no PNG icon images and
    expects the mask. So the sizes below 256 are DIBs with their mask and only the 256-pixel one, which
    Windows 5.2 does not use and which would be large as a DIB, is a PNG (as Windows Vista and later read)."""
    images = [canvas.rgba() for canvas in canvases]
    data = [png_bytes(im) if im.width >= 256 else ico_dib(im) for im in images]
    head = struct.pack("<HHH", 0, 1, len(data))
    offset = len(head) + 16 * len(data)
    entries = b""
    for im, body in zip(images, data):
        entries += struct.pack("<BBBBHHII", im.width & 255, im.height & 255, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(data))


# --- dialog pieces ---------------------------------------------------------------------------------


def header_colour(y, s):
    """Header band: a gentle vertical gradient, light at the top."""
    return mix(ACCENT_LIGHT, ACCENT_DARK, min(1.0, y / (56.0 * s)))


def ring(cx, cy, r, inner):
    def figure(pen):
        pen.circle(cx, cy, r)
        pen.circle(cx, cy, inner, cut=True)
    return figure


def background(s):
    w, h = round(364 * s), round(450 * s)
    c = Canvas(w, h)
    band = round(56 * s)
    c.rect(0, 0, w, band, lambda y: header_colour(y, s))
    # Soft arcs on the right of the band give it depth without competing with the title.
    for cx, cy, r, a in ((300, 96, 120, 0.06), (372, -40, 110, 0.05)):
        c.paint(ring(cx * s, cy * s, r * s, (r - 2) * s), WHITE, (0, 0, w, band), a)
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

    def face(x0, y0, x1, y1, radius):
        return lambda pen: pen.rrect(x0, y0, x1, y1, radius)

    c.paint(face(0, 0, w, h, r), lambda y: mix(bt, bb, y / h))
    if pressed:
        # A darker top edge inside the frame reads as the face being pushed in.
        c.paint(face(1, 1, w - 1, h - 1, r - 1), mix(fb, ACCENT_DARK, 0.35))
        c.paint(face(1, 2, w - 1, h - 1, r - 1), lambda y: mix(ft, fb, y / h))
    else:
        c.paint(face(1, 1, w - 1, h - 1, r - 1), lambda y: mix(ft, fb, y / h))
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
    ring_colour, fill, dot = OPTION_LOOKS[look]
    c = Canvas(n, n)
    m = n / 2.0
    width = n / 10.0
    c.paint(lambda pen: pen.circle(m, m, m - 0.25), ring_colour)
    c.paint(lambda pen: pen.circle(m, m, m - 0.25 - width), fill)
    if dot:
        c.paint(lambda pen: pen.circle(m, m, n * 0.22), dot)
    return c


def question_mark(cx, cy, k):
    """A '?' glyph made of a hook, a stem and a dot, about 9*k pixels tall."""
    def figure(pen):
        pen.circle(cx, cy - 1.6 * k, 2.9 * k)
        pen.circle(cx, cy - 1.6 * k, 1.45 * k, cut=True)
        # The hook's lower left quarter is cut away.
        pen.polygon([(cx - 4 * k, cy - 1.9 * k), (cx, cy - 1.6 * k), (cx, cy + 2 * k),
                     (cx - 4 * k, cy + 2 * k)], cut=True)
        pen.rrect(cx - 0.75 * k, cy - 0.3 * k, cx + 0.75 * k, cy + 1.6 * k, 0.2 * k)
        pen.circle(cx, cy + 3.3 * k, 0.95 * k)
    return figure


def help_button(pressed):
    n = 22
    # The band behind the button starts at y=18 on the dialog.
    c = Canvas(n, n)
    c.rect(0, 0, n, n, lambda y: header_colour(18 + y, 1.0))
    m = n / 2.0
    if pressed:
        c.paint(lambda pen: pen.circle(m, m, m - 1), ACCENT_DARK)
        c.paint(lambda pen: pen.circle(m, m, m - 1), (0, 0, 0), opacity=0.12)
    c.paint(ring(m, m, m - 1, m - 2.5), WHITE, opacity=0.9)
    c.paint(question_mark(m, m + (0.5 if pressed else 0.0), 1.0), WHITE)
    return c


# --- icons (designs on a unit square, drawn at n pixels) -------------------------------------------

# A lightning bolt on a unit box, drawn heavy enough to survive 16 px.
BOLT = [(0.62, 0.0), (0.16, 0.58), (0.46, 0.58), (0.36, 1.0), (0.84, 0.40), (0.54, 0.40), (0.70, 0.0)]


def bolt(pen, n, cx, cy, k):
    pen.polygon([((cx + (x - 0.5) * k) * n, (cy + (y - 0.5) * k) * n) for x, y in BOLT])


# Each symbol is a list of (figure(pen, n), colour or None for the tile's own gradient).
def velmora_moon(pen, n):
    pen.circle(0.42 * n, 0.57 * n, 0.30 * n)
    pen.circle(0.59 * n, 0.42 * n, 0.245 * n, cut=True)


VELMORA_SYMBOL = [(velmora_moon, WHITE), (lambda pen, n: bolt(pen, n, 0.72, 0.33, 0.34), WHITE)]


def oskavel_battery(pen, n):
    pen.rrect(0.16 * n, 0.30 * n, 0.78 * n, 0.72 * n, 0.07 * n)
    pen.rrect(0.775 * n, 0.42 * n, 0.85 * n, 0.60 * n, 0.025 * n)


OSKAVEL_SYMBOL = [(oskavel_battery, WHITE), (lambda pen, n: bolt(pen, n, 0.47, 0.51, 0.36), None)]


def icon(n, symbol):
    c = Canvas(n, n, bg=None)
    m = round(n * 0.04)
    r = (n - 2 * m) * 0.22

    def tile_colour(y):
        return mix(ACCENT_LIGHT, ACCENT_DARK, (y - m) / (n - 2 * m))

    k = n / 64.0 if n >= 32 else 0.0  # a faint darker rim keeps big tiles crisp on light ground
    if k:
        c.paint(lambda pen: pen.rrect(m, m, n - m, n - m, r), ACCENT_DARK)
    c.paint(lambda pen: pen.rrect(m + k, m + k, n - m - k, n - m - k, r - k), tile_colour)
    for figure, colour in symbol:
        c.paint(lambda pen, f=figure: f(pen, n), colour or tile_colour)
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
    write_ico(os.path.join(out, "velmora.ico"), [icon(n, VELMORA_SYMBOL) for n in ICON_SIZES])
    write_ico(os.path.join(out, "oskavel.ico"), [icon(n, OSKAVEL_SYMBOL) for n in ICON_SIZES])
    write_ico(os.path.join(out, "velmora-arp.ico"), [icon(n, VELMORA_SYMBOL) for n in ARP_ICON_SIZES])


if __name__ == "__main__":
    main()
