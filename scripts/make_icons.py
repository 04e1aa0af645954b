#!/usr/bin/env python3
"""Draw Quillnet's application icons and write them as multi-size .ico files.

Run from the repository root:

    python3 scripts/make_icons.py

Writes:
    src/res/quillnet.ico        normal icon (blue speech bubble)
    src/res/quillnet_alert.ico  alert icon (same bubble in red)
    docs/icons_preview.png      every size of both icons, for a visual check

Every size is drawn on its own at SUPERSAMPLE x resolution and reduced with
a Lanczos filter, so the small sizes are not just shrunken copies of the
large one. The geometry of 16, 24 and 32 px is tuned by hand and aligned to
the pixel grid to keep them sharp.

The .ico container is written here rather than by Pillow's ICO saver so that
the exact set of sizes and the encoding of each entry are under our control:
16..48 px are classic 32-bit DIBs (BGRA plus AND mask) for older loaders,
64..256 px are PNG-compressed. Output is deterministic.
"""

import io
import os
import struct
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    # Some setups put a Python without Pillow first on PATH (pyenv and the
    # like); fall back to the system interpreter, which ships python3-pil.
    system_python = "/usr/bin/python3"
    if (os.path.exists(system_python)
            and os.path.realpath(sys.executable) != os.path.realpath(system_python)
            and not os.environ.get("QN_ICONS_REEXEC")):
        os.environ["QN_ICONS_REEXEC"] = "1"
        os.execv(system_python, [system_python] + sys.argv)
    sys.exit("make_icons.py needs Pillow (Debian/Ubuntu: apt-get install python3-pil)")

try:
    LANCZOS = Image.Resampling.LANCZOS
    BOX = Image.Resampling.BOX
    NEAREST = Image.Resampling.NEAREST
except AttributeError:  # Pillow < 9.1
    LANCZOS = Image.LANCZOS
    BOX = Image.BOX
    NEAREST = Image.NEAREST


SIZES = (16, 24, 32, 48, 64, 128, 256)
DIB_MAX_SIZE = 48          # entries up to this size are stored as BMP/DIB
SUPERSAMPLE = 8

WHITE = (255, 255, 255)

THEMES = {
    # name: (body, outline, output file)
    "normal": ((0x2F, 0x7B, 0xE0), (0x1B, 0x4F, 0x9C), "src/res/quillnet.ico"),
    "alert": ((0xE0, 0x3B, 0x3B), (0x9C, 0x1B, 0x1B), "src/res/quillnet_alert.ico"),
}
PREVIEW_PATH = "docs/icons_preview.png"


# ---------------------------------------------------------------------------
# Geometry
#
# All coordinates are in output pixels of the icon being drawn; pixel i
# covers [i, i + 1). A geometry is a dict:
#   body    (x0, y0, x1, y1) outer edge of the bubble body
#   radius  outer corner radius of the body
#   stroke  outline width
#   tail    three points (top-left, top-right, tip) of the tail triangle;
#           the top edge lies well inside the body so only the lower part shows
#   dots    (cx list, cy, r) white dots; r may be a (rx, ry) pair
#   dot_box draw dots as rounded squares of this corner radius (tiny sizes)
#   shade   strength of the soft top-to-bottom shading of the body (0 = flat)
#   grid    edges sit on whole pixels: reduce with a box filter (see render)
# ---------------------------------------------------------------------------

def scaled_geometry(n):
    """Proportional geometry for the large sizes (128 px and up)."""
    n = float(n)
    x0, y0, x1, y1 = 0.04 * n, 0.09 * n, 0.96 * n, 0.74 * n
    stroke = max(2.0, round(0.035 * n))
    cy = (y0 + y1) / 2.0
    return {
        "body": (x0, y0, x1, y1),
        "radius": 0.19 * n,
        "stroke": stroke,
        "tail": ((0.17 * n, 0.52 * n), (0.47 * n, 0.52 * n), (0.11 * n, 0.94 * n)),
        "dots": ((0.26 * n, 0.50 * n, 0.74 * n), cy, 0.068 * n),
        "dot_box": None,
        "shade": 0.14,
    }


# Hand-tuned sizes up to 64 px: body edges, outline and dots sit on whole
# pixels. They follow the proportions of scaled_geometry() loosely.
HAND_TUNED = {
    16: {
        "body": (0.0, 1.0, 16.0, 12.0),
        "radius": 4.0,
        "stroke": 1.0,
        "tail": ((1.0, 8.0), (9.0, 8.0), (1.0, 16.0)),
        "dots": ((4.0, 8.0, 12.0), 6.0, 1.0),
        "dot_box": 0.0,
        "shade": 0.0,
        "grid": True,
    },
    24: {
        "body": (1.0, 1.0, 24.0, 18.0),
        "radius": 5.5,
        "stroke": 1.0,
        "tail": ((2.0, 12.0), (13.0, 12.0), (2.0, 23.0)),
        "dots": ((7.5, 12.5, 17.5), 9.5, 1.5),
        "dot_box": 1.0,
        "shade": 0.0,
        "grid": True,
    },
    32: {
        "body": (1.0, 3.0, 31.0, 25.0),
        "radius": 7.0,
        "stroke": 2.0,
        "tail": ((3.0, 16.0), (17.0, 16.0), (3.0, 30.0)),
        "dots": ((9.0, 16.0, 23.0), 14.0, 2.0),
        "dot_box": None,
        "shade": 0.08,
        "grid": True,
    },
    48: {
        "body": (2.0, 4.0, 46.0, 36.0),
        "radius": 9.0,
        "stroke": 2.0,
        "tail": ((8.0, 25.0), (23.0, 25.0), (5.0, 45.0)),
        "dots": ((12.0, 24.0, 36.0), 19.0, 3.0),
        "dot_box": None,
        "shade": 0.12,
        "grid": True,
    },
    64: {
        "body": (3.0, 6.0, 61.0, 46.0),
        "radius": 12.0,
        "stroke": 2.0,
        "tail": ((11.0, 33.0), (30.0, 33.0), (7.0, 60.0)),
        "dots": ((16.0, 32.0, 48.0), 26.0, 4.0),
        "dot_box": None,
        "shade": 0.14,
        "grid": True,
    },
}


def geometry_for(n):
    return HAND_TUNED.get(n) or scaled_geometry(n)


def inset_convex_polygon(points, d):
    """Move every edge of a convex polygon inwards by d (mitred corners)."""
    count = len(points)
    # Orientation: positive signed area means counter-clockwise in y-up maths,
    # i.e. clockwise on screen; pick the inward normal accordingly.
    area = 0.0
    for i in range(count):
        ax, ay = points[i]
        bx, by = points[(i + 1) % count]
        area += ax * by - bx * ay
    sign = 1.0 if area > 0 else -1.0

    lines = []
    for i in range(count):
        ax, ay = points[i]
        bx, by = points[(i + 1) % count]
        ex, ey = bx - ax, by - ay
        length = (ex * ex + ey * ey) ** 0.5
        nx, ny = -ey / length * sign, ex / length * sign
        lines.append(((ax + nx * d, ay + ny * d), (ex, ey)))

    result = []
    for i in range(count):
        (px, py), (rx, ry) = lines[i - 1]
        (qx, qy), (sx, sy) = lines[i]
        denom = rx * sy - ry * sx
        t = ((qx - px) * sy - (qy - py) * sx) / denom
        result.append((px + rx * t, py + ry * t))
    return result


def shaded(colour, amount):
    """Lighten an RGB colour towards white by amount (0..1)."""
    return tuple(int(round(c + (255 - c) * amount)) for c in colour)


def render(n, body_colour, outline_colour):
    """Draw one size of the bubble and return an RGBA image n x n."""
    g = geometry_for(n)
    s = SUPERSAMPLE
    big = n * s

    def sc(v):
        return v * s

    x0, y0, x1, y1 = g["body"]
    w = g["stroke"]
    r = g["radius"]

    # Silhouette (outer edge of the outline).
    outer = Image.new("L", (big, big), 0)
    d = ImageDraw.Draw(outer)
    d.rounded_rectangle([sc(x0), sc(y0), sc(x1) - 1, sc(y1) - 1], radius=sc(r), fill=255)
    d.polygon([(sc(x), sc(y)) for x, y in g["tail"]], fill=255)

    # Interior (inner edge of the outline).
    inner = Image.new("L", (big, big), 0)
    d = ImageDraw.Draw(inner)
    d.rounded_rectangle([sc(x0 + w), sc(y0 + w), sc(x1 - w) - 1, sc(y1 - w) - 1],
                        radius=sc(max(r - w, 0.5)), fill=255)
    d.polygon([(sc(x), sc(y)) for x, y in inset_convex_polygon(g["tail"], w)], fill=255)

    # Dots.
    dots = Image.new("L", (big, big), 0)
    d = ImageDraw.Draw(dots)
    cxs, cy, dr = g["dots"]
    rx, ry = dr if isinstance(dr, tuple) else (dr, dr)
    for cx in cxs:
        box = [sc(cx - rx), sc(cy - ry), sc(cx + rx) - 1, sc(cy + ry) - 1]
        if g["dot_box"] is not None:
            d.rounded_rectangle(box, radius=sc(g["dot_box"]), fill=255)
        else:
            d.ellipse(box, fill=255)

    # Body fill: flat, or a gentle vertical shading (lighter at the top).
    if g["shade"] > 0:
        fill = Image.new("RGB", (1, big))
        top, bottom = sc(y0), sc(y1)
        for y in range(big):
            t = min(max((y - top) / float(bottom - top), 0.0), 1.0)
            fill.putpixel((0, y), shaded(body_colour, g["shade"] * (1.0 - t)))
        fill = fill.resize((big, big), NEAREST)
    else:
        fill = Image.new("RGB", (big, big), body_colour)

    # Colour everywhere, coverage only in the alpha channel, so the edges
    # do not pick up a dark fringe when reduced.
    colour = Image.new("RGB", (big, big), outline_colour)
    colour.paste(fill, (0, 0), inner)
    colour.paste(Image.new("RGB", (big, big), WHITE), (0, 0), dots)
    big_img = colour.convert("RGBA")
    big_img.putalpha(outer)

    # Pillow premultiplies alpha while resampling RGBA images. Grid-aligned
    # small sizes use a plain box filter: it is the exact pixel coverage, so
    # edges that sit on pixel boundaries stay hard instead of picking up the
    # faint halo Lanczos' wider kernel leaves around them.
    small = big_img.resize((n, n), BOX if g.get("grid") else LANCZOS)
    return clean_transparent(small)


def clean_transparent(img):
    """Zero the colour of fully transparent pixels (keeps the files tidy)."""
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            if px[x, y][3] == 0:
                px[x, y] = (0, 0, 0, 0)
    return img


# ---------------------------------------------------------------------------
# ICO container
# ---------------------------------------------------------------------------

def dib_entry(img):
    """32-bit BI_RGB DIB as stored in an .ico: BITMAPINFOHEADER with doubled
    height, bottom-up BGRA rows, then a 1-bit AND mask (1 = transparent)."""
    n = img.size[0]
    px = img.load()
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for y in range(n - 1, -1, -1):
        for x in range(n):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in range(n - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(n):
            if px[x, y][3] == 0:
                row[x >> 3] |= 0x80 >> (x & 7)
        mask += row
    # biSizeImage covers colour plus mask data.
    header = header[:20] + struct.pack("<I", len(xor) + len(mask)) + header[24:]
    return header + bytes(xor) + bytes(mask)


def png_entry(img):
    buf = io.BytesIO()
    img.save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def ico_bytes(images):
    """Build an .ico file from {size: RGBA image}, smallest size first."""
    sizes = sorted(images)
    payloads = [dib_entry(images[n]) if n <= DIB_MAX_SIZE else png_entry(images[n])
                for n in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, payloads):
        dim = 0 if n >= 256 else n
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in payloads:
        out += data
    return bytes(out)


def verify_ico(path, images):
    """Read the file back with Pillow and compare every entry pixel for pixel."""
    from PIL import IcoImagePlugin
    with open(path, "rb") as f:
        ico = IcoImagePlugin.IcoFile(f)
        found = sorted(w for (w, h) in ico.sizes())
        if found != sorted(images):
            raise SystemExit("%s: sizes %s, expected %s" % (path, found, sorted(images)))
        for n, expected in images.items():
            got = ico.getimage((n, n)).convert("RGBA")
            if got.size != (n, n) or got.tobytes() != expected.tobytes():
                raise SystemExit("%s: %d px entry does not read back intact" % (path, n))


# ---------------------------------------------------------------------------
# Preview sheet
# ---------------------------------------------------------------------------

def preview(icons):
    """Both icons at 1x on a light and a dark strip, plus 16/24 px at 4x."""
    pad = 12
    label_h = 14
    light, dark = (240, 240, 240), (40, 42, 46)
    font = ImageFont.load_default()

    row_w = pad + sum(n + pad for n in SIZES)
    zoom = 4
    zoom_sizes = (16, 24)
    zoom_w = pad + sum(n * zoom + pad for n in zoom_sizes)
    width = row_w + zoom_w
    strip_h = label_h + max(SIZES) + 2 * pad
    height = len(icons) * 2 * strip_h

    sheet = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    d = ImageDraw.Draw(sheet)
    y = 0
    for name in sorted(icons, key=lambda k: list(THEMES).index(k)):
        images = icons[name]
        for bg, fg in ((light, (60, 60, 60)), (dark, (210, 210, 210))):
            d.rectangle([0, y, width - 1, y + strip_h - 1], fill=bg)
            d.text((pad, y + 3), "%s: 1x" % name, fill=fg, font=font)
            d.text((row_w + pad, y + 3), "%s: 16 and 24 px at %dx" % (name, zoom),
                   fill=fg, font=font)
            base = y + label_h + pad + max(SIZES)
            x = pad
            for n in SIZES:
                sheet.alpha_composite(images[n], (x, base - n))
                d.text((x, base + 1), str(n), fill=fg, font=font)
                x += n + pad
            x = row_w + pad
            for n in zoom_sizes:
                big = images[n].resize((n * zoom, n * zoom), NEAREST)
                sheet.alpha_composite(big, (x, base - n * zoom))
                x += n * zoom + pad
            y += strip_h
    return sheet.convert("RGB")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    icons = {}
    for name, (body, outline, rel_path) in THEMES.items():
        images = {n: render(n, body, outline) for n in SIZES}
        icons[name] = images
        path = os.path.join(root, rel_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(ico_bytes(images))
        verify_ico(path, images)
        print("wrote %s (%s px)" % (rel_path, ", ".join(str(n) for n in SIZES)))

    path = os.path.join(root, PREVIEW_PATH)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    preview(icons).save(path, format="PNG", optimize=True)
    print("wrote %s" % PREVIEW_PATH)


if __name__ == "__main__":
    main()
