#!/usr/bin/python3
"""Makes the simulated machine's "System" font for 120 dpi: a Windows bitmap font file (.fon).

Usage: make_system_font.py TTF OUT.fon

Windows sizes a "System" 8 pt dialog by the "System" bitmap font of the display's resolution; at 120 dpi that
font has 20-pixel cells and letters about 10 pixels wide on average, so dialogs get base units of 10 x 20.
Wine only has the 96-dpi font (16-pixel cells) and doubles it at 240 dpi. This script draws a font with the
120-dpi metrics from a free TrueType font (DejaVu Sans Condensed Bold at 16 pixels gives that average width)
and writes it as a font resource file: a 16-bit module (NE) holding one raster font resource (FNT 2.0).
Needs Debian's python3-pil. The output depends only on the input font.
"""
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FACE = b"System"
CELL_HEIGHT = 20  # dfPixHeight
ASCENT = 16  # baseline row, from the top of the cell
INTERNAL_LEADING = 4  # so the letters are 16 pixels: 10 points at 120 dpi
POINTS = 10
RESOLUTION = 120
FIRST, LAST = 0x20, 0xFF
EM_PIXELS = 16
WEIGHT = 700


def glyph_columns(font, code):
    """The glyph of one cp1252 code as (advance width, rows of bits), bit 7 of a byte is the leftmost pixel."""
    try:
        ch = bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        ch = "?"  # codes cp1252 leaves undefined show the default character
    width = max(1, round(font.getlength(ch)))
    image = Image.new("1", (width, CELL_HEIGHT), 0)
    ImageDraw.Draw(image).text((0, ASCENT), ch, font=font, fill=1, anchor="ls")
    pixels = image.load()
    return width, [[pixels[x, y] for x in range(width)] for y in range(CELL_HEIGHT)]


def fnt(font):
    glyphs = [glyph_columns(font, code) for code in range(FIRST, LAST + 1)]
    letters = [glyphs[ord(c) - FIRST][0] for c in "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"]
    header_size = 118  # FNT 2.0
    table_size = (len(glyphs) + 1) * 4  # one extra entry after the last character
    offset = header_size + table_size
    table, bits = b"", b""
    for width, rows in glyphs:
        table += struct.pack("<HH", width, offset + len(bits))
        for column in range((width + 7) // 8):  # each byte column top to bottom
            for row in rows:
                byte = 0
                for i in range(8):
                    x = column * 8 + i
                    if x < width and row[x]:
                        byte |= 0x80 >> i
                bits += bytes([byte])
    table += struct.pack("<HH", 0, 0)
    face_offset = offset + len(bits)
    size = face_offset + len(FACE) + 1
    header = struct.pack(
        "<HL60sHHHHHHHBBBHBHHBHHBBBBHLLLLB",
        0x0200,  # dfVersion
        size,  # dfSize
        b"Drawn from DejaVu Sans Condensed Bold (Bitstream Vera licence)",  # dfCopyright
        0,  # dfType: raster
        POINTS,
        RESOLUTION,  # dfVertRes
        RESOLUTION,  # dfHorizRes
        ASCENT,
        INTERNAL_LEADING,
        0,  # dfExternalLeading
        0, 0, 0,  # italic, underline, strike-out
        WEIGHT,
        0,  # dfCharSet: ANSI
        0,  # dfPixWidth: variable pitch
        CELL_HEIGHT,
        0x21,  # dfPitchAndFamily: variable pitch, FF_SWISS
        (sum(letters) + 26) // 52,  # dfAvgWidth
        max(width for width, _ in glyphs),  # dfMaxWidth
        FIRST,
        LAST,
        ord("?") - FIRST,  # dfDefaultChar
        0,  # dfBreakChar: the space, relative to the first character
        0,  # dfWidthBytes (not used by variable-pitch fonts)
        0,  # dfDevice
        face_offset,  # dfFace
        0,  # dfBitsPointer
        offset,  # dfBitsOffset
        0,  # dfReserved
    )
    assert len(header) == header_size
    return header + table + bits + FACE + b"\0"


def ne_module(font_resource):
    """A 16-bit module whose resource table holds the one font (type RT_FONT) in 16-byte units."""
    shift = 4
    align = 1 << shift
    mz = bytearray(64)
    mz[0:2] = b"MZ"
    struct.pack_into("<L", mz, 0x3C, 64)  # e_lfanew
    ne_size = 64
    module_name = b"SYS120"
    # Resource table: shift, one type (RT_FONT) with one entry, end of types, then no names.
    resource_table = struct.pack("<H", shift)
    resource_table += struct.pack("<HHL", 0x8008, 1, 0)
    entry_at = len(resource_table)
    resource_table += struct.pack("<HHHHHH", 0, 0, 0x1C30, 0x8001, 0, 0)  # offset, length set below
    resource_table += struct.pack("<H", 0) + b"\0"
    resident_names = bytes([len(module_name)]) + module_name + struct.pack("<H", 0) + b"\0"
    resource_table_at = ne_size
    resident_names_at = resource_table_at + len(resource_table)
    tables_end = resident_names_at + len(resident_names)
    font_at = (64 + tables_end + align - 1) // align * align
    resource_table = bytearray(resource_table)
    struct.pack_into("<HH", resource_table, entry_at, font_at >> shift, (len(font_resource) + align - 1) >> shift)
    ne = bytearray(ne_size)
    ne[0:2] = b"NE"
    ne[2] = 5  # linker version
    struct.pack_into("<H", ne, 0x04, tables_end)  # entry table: empty, after the names
    struct.pack_into("<H", ne, 0x0C, 0x8000)  # a library module
    struct.pack_into("<H", ne, 0x22, ne_size)  # segment table (empty)
    struct.pack_into("<H", ne, 0x24, resource_table_at)
    struct.pack_into("<H", ne, 0x26, resident_names_at)
    struct.pack_into("<H", ne, 0x28, tables_end)  # module references (none)
    struct.pack_into("<H", ne, 0x2A, tables_end)  # imported names (none)
    struct.pack_into("<L", ne, 0x2C, 64 + tables_end)  # non-resident names: none
    struct.pack_into("<H", ne, 0x32, shift)
    ne[0x36] = 2  # target: Windows
    struct.pack_into("<H", ne, 0x3E, 0x0300)  # expected Windows version 3.0
    body = bytes(mz) + bytes(ne) + bytes(resource_table) + resident_names
    body += b"\0" * (font_at - len(body))
    padded = font_resource + b"\0" * ((-len(font_resource)) % align)
    return body + padded


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_system_font.py TTF OUT.fon")
    font = ImageFont.truetype(sys.argv[1], EM_PIXELS)
    with open(sys.argv[2], "wb") as out:
        out.write(ne_module(fnt(font)))


if __name__ == "__main__":
    main()
