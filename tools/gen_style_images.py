#!/usr/bin/env python3
"""Draws the element images of the built-in styles into resources/styles/.

The "CX" style is flat and light: white fields on a light grey form, thin grey borders,
one blue accent for hover, pressed, checked and selected states, and a red close button.
Every picture lies on a grid of cells (one cell per element state); resources/styles/CX/CX.xml
names each cell by its position and size, so a change of a cell size here needs the same
change there. Element images are copied and stretched without transparency, so everything
that is not part of a control is painted in the form colour; only the combo box arrows are
alpha-blended and carry an alpha channel.

Shapes are sampled 4 x 4 times per pixel so that curves and diagonals are smoothed. Only
the standard library is used; the PNG files are written with zlib and struct.

usage: gen_style_images.py [--fixtures] [STYLES_DIR]
  --fixtures   also (re)write the small test pictures in
               ui_toolkit/tests/data/resources/StyleTestResources/
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "resources", "styles")
FIXTURES_OUT = os.path.join(HERE, "..", "ui_toolkit", "tests", "data", "resources",
                            "StyleTestResources")
SAMPLES = 4


def rgb(value):
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


# The palette; CX.xml gives the same values as its colours.
FORM = rgb(0xF3F4F6)
WHITE = rgb(0xFFFFFF)
TEXT = rgb(0x1F2328)
GRAY_TEXT = rgb(0x9AA0A6)
BORDER = rgb(0xC4C9D0)
BORDER_STRONG = rgb(0x9AA3AE)
SEPARATOR = rgb(0xE1E4E8)
ACCENT = rgb(0x2F6FDE)
ACCENT_HOVER = rgb(0x2760C4)
ACCENT_PRESSED = rgb(0x1F4FA6)
ACCENT_SOFT = rgb(0x8DB0EE)
ACCENT_WASH = rgb(0xEEF3FC)
ACCENT_WASH_DEEP = rgb(0xDCE6F8)
ACCENT_DISABLED = rgb(0xC3D0E6)
DISABLED_FILL = rgb(0xF0F1F3)
DISABLED_BORDER = rgb(0xDADDE1)
GLYPH = rgb(0x5F6670)
GLYPH_DISABLED = rgb(0xB8BEC6)
TAB_FILL = rgb(0xE6E8EB)
TRACK = rgb(0xECEEF1)
TRACK_HOVER = rgb(0xE4E7EB)
TRACK_PRESSED = rgb(0xDCE0E5)
THUMB = rgb(0xC1C7CF)
THUMB_HOVER = rgb(0xA9B0BA)
THUMB_PRESSED = rgb(0x8E96A1)
BUTTON_HOVER = rgb(0xE5E7EB)
BUTTON_PRESSED = rgb(0xD1D5DB)
CLOSE_RED = rgb(0xE81123)
CLOSE_RED_PRESSED = rgb(0xC50F1F)
PROGRESS_TRACK = rgb(0xE3E6EA)


class Picture:
    """RGBA pixels as floats 0..1, straight (not premultiplied) colour."""

    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        fill = (background + (255,)) if background else (0, 0, 0, 0)
        self.pixels = [[c / 255.0 for c in fill] for _ in range(width * height)]

    def paint(self, inside, colour, clip, bounds=None):
        """Composites colour over every pixel of clip (l, t, r, b) by the share of samples
        that inside(x, y) accepts."""
        cl, ct, cr, cb = clip
        if bounds:
            cl, ct = max(cl, int(bounds[0]) - 1), max(ct, int(bounds[1]) - 1)
            cr, cb = min(cr, int(bounds[2]) + 2), min(cb, int(bounds[3]) + 2)
        src = [c / 255.0 for c in colour]
        for py in range(max(ct, 0), min(cb, self.height)):
            for px in range(max(cl, 0), min(cr, self.width)):
                hits = 0
                for sy in range(SAMPLES):
                    y = py + (sy + 0.5) / SAMPLES
                    for sx in range(SAMPLES):
                        if inside(px + (sx + 0.5) / SAMPLES, y):
                            hits += 1
                if hits:
                    self._over(px, py, src, hits / float(SAMPLES * SAMPLES))

    def _over(self, px, py, src, alpha):
        dst = self.pixels[py * self.width + px]
        out_alpha = alpha + dst[3] * (1.0 - alpha)
        if out_alpha <= 0.0:
            return
        for c in range(3):
            dst[c] = (src[c] * alpha + dst[c] * dst[3] * (1.0 - alpha)) / out_alpha
        dst[3] = out_alpha

    def png(self, with_alpha):
        rows = bytearray()
        for py in range(self.height):
            rows.append(0)  # filter type None
            for px in range(self.width):
                p = self.pixels[py * self.width + px]
                values = p if with_alpha else p[:3]
                rows.extend(min(255, max(0, int(round(v * 255.0)))) for v in values)
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6 if with_alpha else 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def chunk(kind, data):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


# Shapes: predicates over a point, with the box that holds them.

def rounded(left, top, right, bottom, radius, corners="tl tr br bl"):
    """A rectangle whose named corners are rounded by radius."""
    def inside(x, y):
        if not (left <= x < right and top <= y < bottom):
            return False
        cx = cy = None
        if x < left + radius:
            cx = left + radius
        elif x > right - radius:
            cx = right - radius
        if y < top + radius:
            cy = top + radius
        elif y > bottom - radius:
            cy = bottom - radius
        if cx is None or cy is None:
            return True
        name = ("t" if cy < (top + bottom) / 2 else "b") + ("l" if cx < (left + right) / 2 else "r")
        if name not in corners:
            return True
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside, (left, top, right, bottom)


def stroke(points, width):
    """A polyline of that width with round joins."""
    half = width / 2.0
    segments = list(zip(points, points[1:]))

    def near(x, y):
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            length = dx * dx + dy * dy
            t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half * half:
                return True
        return False
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return near, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half)


def box(left, top, right, bottom):
    return rounded(left, top, right, bottom, 0)


class Cell:
    """One element state: a rectangle of a picture that shapes are drawn into, offset so that
    shapes use cell coordinates and clipped to the cell."""

    def __init__(self, picture, left, top, width, height):
        self.picture = picture
        self.left, self.top = left, top
        self.width, self.height = width, height

    def draw(self, shape, colour):
        inside, (l, t, r, b) = shape
        ox, oy = self.left, self.top
        self.picture.paint(lambda x, y: inside(x - ox, y - oy), colour,
                           (ox, oy, ox + self.width, oy + self.height),
                           (l + ox, t + oy, r + ox, b + oy))

    def fill(self, colour):
        self.draw(box(0, 0, self.width, self.height), colour)

    def frame(self, rect, radius, border, fill, thickness=1, corners="tl tr br bl"):
        """A filled rounded rectangle with a border ring of that thickness."""
        l, t, r, b = rect
        self.draw(rounded(l, t, r, b, radius, corners), border)
        inner_radius = max(radius - thickness, 0)
        self.draw(rounded(l + thickness, t + thickness, r - thickness, b - thickness,
                          inner_radius, corners), fill)


def cells(picture, count, width, height, top=0):
    return [Cell(picture, i * width, top, width, height) for i in range(count)]


# The pictures. Cell sizes and orders are those of CX.xml.

def buttons():
    """Button, Highlighted, Pressed, Disabled, Default, Focused: 16 x 16, borders 4."""
    pic = Picture(6 * 16, 16, FORM)
    looks = [(BORDER, WHITE, 1), (ACCENT_SOFT, ACCENT_WASH, 1), (ACCENT, ACCENT_WASH_DEEP, 1),
             (DISABLED_BORDER, DISABLED_FILL, 1), (ACCENT, WHITE, 1), (ACCENT, WHITE, 2)]
    for cell, (border, fill, thickness) in zip(cells(pic, 6, 16, 16), looks):
        cell.frame((0, 0, 16, 16), 3, border, fill, thickness)
    return pic


CHECK_MARK = [(2.8, 6.2), (5.0, 8.5), (9.3, 3.6)]


def check_boxes():
    """CheckBox, Highlighted, Pressed, Disabled, Checked, CheckedHighlighted, CheckedPressed,
    CheckedDisabled, Grayed, GrayedHighlighted: 12 x 12 glyphs, drawn whole."""
    pic = Picture(10 * 12, 12, FORM)
    looks = [(BORDER_STRONG, WHITE, None), (ACCENT, WHITE, None), (ACCENT, ACCENT_WASH_DEEP, None),
             (DISABLED_BORDER, DISABLED_FILL, None),
             (ACCENT, ACCENT, "check"), (ACCENT_HOVER, ACCENT_HOVER, "check"),
             (ACCENT_PRESSED, ACCENT_PRESSED, "check"), (ACCENT_DISABLED, ACCENT_DISABLED, "check"),
             (BORDER_STRONG, WHITE, "square"), (ACCENT, WHITE, "square")]
    for index, (cell, (border, fill, mark)) in enumerate(zip(cells(pic, 10, 12, 12), looks)):
        cell.frame((0, 0, 12, 12), 2.5, border, fill)
        if mark == "check":
            cell.draw(stroke(CHECK_MARK, 1.7), WHITE)
        elif mark == "square":
            cell.draw(rounded(3, 3, 9, 9, 1), ACCENT if index == 8 else ACCENT_HOVER)
    return pic


def combo_boxes():
    """Fields ComboBox, ComboBoxPressed, ComboBoxDisabled, then buttons ComboBoxButton,
    ComboBoxButtonPressed, ComboBoxButtonDisabled: 16 x 20, borders 4. The field is open to
    the right and the button to the left, so that the two join into one box."""
    pic = Picture(6 * 16, 20, FORM)
    fields = [(BORDER, WHITE), (ACCENT, WHITE), (DISABLED_BORDER, DISABLED_FILL)]
    buttons_ = [(BORDER, WHITE, SEPARATOR), (ACCENT, ACCENT_WASH, None),
                (DISABLED_BORDER, DISABLED_FILL, None)]
    all_cells = cells(pic, 6, 16, 20)
    for cell, (border, fill) in zip(all_cells[:3], fields):
        cell.frame((0, 0, 24, 20), 3, border, fill)
    for cell, (border, fill, separator) in zip(all_cells[3:], buttons_):
        cell.frame((-8, 0, 16, 20), 3, border, fill)
        if separator:
            cell.draw(box(0, 4, 1, 16), separator)
    return pic


def combo_arrow(colour):
    """A chevron pointing down, 10 x 6, on transparency (blended whole over the button)."""
    pic = Picture(10, 6)
    Cell(pic, 0, 0, 10, 6).draw(stroke([(1.5, 1.5), (5.0, 4.6), (8.5, 1.5)], 1.5), colour)
    return pic


def edit_boxes():
    """EditBox, EditBoxDisabled: 16 x 16, borders 4."""
    pic = Picture(2 * 16, 16, FORM)
    normal, disabled = cells(pic, 2, 16, 16)
    normal.frame((0, 0, 16, 16), 2, BORDER, WHITE)
    disabled.frame((0, 0, 16, 16), 2, DISABLED_BORDER, DISABLED_FILL)
    return pic


def chevron(direction, centre_x, centre_y, size=3.0):
    """Small arrow of a scroll bar button: 'up', 'down', 'left' or 'right'."""
    s = size
    points = {
        "up": [(-s, s / 2), (0, -s / 2), (s, s / 2)],
        "down": [(-s, -s / 2), (0, s / 2), (s, -s / 2)],
        "left": [(s / 2, -s), (-s / 2, 0), (s / 2, s)],
        "right": [(-s / 2, -s), (s / 2, 0), (-s / 2, s)],
    }[direction]
    return stroke([(centre_x + x, centre_y + y) for x, y in points], 1.4)


ARROW_LOOKS = [(TRACK, GLYPH), (TRACK_HOVER, TEXT), (TRACK_PRESSED, TEXT), (TRACK, GLYPH_DISABLED)]
BODY_LOOKS = [TRACK, TRACK_HOVER, TRACK_PRESSED, FORM]
THUMB_LOOKS = [THUMB, THUMB_HOVER, THUMB_PRESSED]


def scroll_bar(vertical):
    """Vertical: Top (4 states), Body (4), Bottom (4), Slider (3). Horizontal: Left (4),
    Body (4), Slider (3), Right (4). Cells of 16 x 16: states normal, highlighted, pressed,
    disabled; borders 4, the slider's 6 along the bar."""
    pic = Picture(15 * 16, 16, FORM)
    row = iter(cells(pic, 15, 16, 16))
    first, last = ("up", "down") if vertical else ("left", "right")

    def arrows(direction):
        for background, colour in ARROW_LOOKS:
            cell = next(row)
            cell.fill(background)
            cell.draw(chevron(direction, 8, 8), colour)

    def body():
        for background in BODY_LOOKS:
            next(row).fill(background)

    def slider():
        for colour in THUMB_LOOKS:
            cell = next(row)
            cell.fill(TRACK)
            cell.draw(rounded(4, 1, 12, 15, 4) if vertical else rounded(1, 4, 15, 12, 4), colour)

    arrows(first)
    body()
    if vertical:
        arrows(last)
        slider()
    else:
        slider()
        arrows(last)
    return pic


def window_frames():
    """Window, WindowInactive, ToolWindow, ToolWindowInactive: 16 x 16 frames, borders 4
    (tool windows 3), a one-pixel line outside and the form colour inside."""
    pic = Picture(4 * 16, 16, FORM)
    for cell, line in zip(cells(pic, 4, 16, 16), [BORDER_STRONG, BORDER, BORDER_STRONG, BORDER]):
        cell.frame((0, 0, 16, 16), 0, line, FORM)
    return pic


def captions():
    """WindowCaption, WindowCaptionInactive: 16 x 30 bands, white when active, with a
    separator line at the bottom."""
    pic = Picture(2 * 16, 30, FORM)
    for cell, fill in zip(cells(pic, 2, 16, 30), [WHITE, FORM]):
        cell.fill(fill)
        cell.draw(box(0, 29, 16, 30), SEPARATOR)
    return pic


def caption_glyph(kind, colour):
    """The shape of a caption button's glyph in a 28 x 22 cell."""
    cx, cy = 14.0, 11.0
    if kind == "close":
        a = 4.2
        line1 = stroke([(cx - a, cy - a), (cx + a, cy + a)], 1.2)
        line2 = stroke([(cx - a, cy + a), (cx + a, cy - a)], 1.2)
        return [(line1, colour), (line2, colour)]
    if kind == "minimize":
        return [(box(cx - 5, cy, cx + 5, cy + 1), colour)]
    if kind == "maximize":
        return [(box(cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5), colour),
                (box(cx - 3.5, cy - 3.5, cx + 3.5, cy + 3.5), None)]
    if kind == "restore":
        return [(box(cx - 2.5, cy - 4.5, cx + 4.5, cy + 2.5), colour),
                (box(cx - 1.5, cy - 3.5, cx + 3.5, cy + 1.5), None),
                (box(cx - 4.5, cy - 2.5, cx + 2.5, cy + 4.5), colour),
                (box(cx - 3.5, cy - 1.5, cx + 1.5, cy + 3.5), None)]
    raise ValueError(kind)


def caption_buttons():
    """Rows active and inactive; columns Close, Minimize, Maximize, Restore, four states each
    (normal, highlighted, pressed, disabled), then Sysmenu: 28 x 22 cells drawn whole."""
    pic = Picture(17 * 28, 2 * 22, FORM)
    for row, (caption, glyph) in enumerate([(WHITE, TEXT), (FORM, GRAY_TEXT)]):
        row_cells = cells(pic, 17, 28, 22, top=row * 22)
        column = 0
        for kind in ["close", "minimize", "maximize", "restore"]:
            if kind == "close":
                looks = [(caption, glyph), (CLOSE_RED, WHITE), (CLOSE_RED_PRESSED, WHITE),
                         (caption, GLYPH_DISABLED)]
            else:
                looks = [(caption, glyph), (BUTTON_HOVER, glyph), (BUTTON_PRESSED, glyph),
                         (caption, GLYPH_DISABLED)]
            for background, colour in looks:
                cell = row_cells[column]
                column += 1
                cell.fill(background)
                for shape, fill in caption_glyph(kind, colour):
                    cell.draw(shape, fill if fill else background)
        sysmenu = row_cells[column]
        sysmenu.fill(caption)
        sysmenu.draw(rounded(7, 4, 21, 18, 3), ACCENT if row == 0 else GLYPH_DISABLED)
        for y in (8, 11, 14):
            sysmenu.draw(box(10, y, 18, y + 1), WHITE)
    return pic


def progress_bars():
    """ProgressBar (the track) and ProgressBarFull: 12 x 10, borders 4 across and 3 down."""
    pic = Picture(2 * 12, 10, FORM)
    for cell, colour in zip(cells(pic, 2, 12, 10), [PROGRESS_TRACK, ACCENT]):
        cell.draw(rounded(0, 0, 12, 10, 3), colour)
    return pic


def tabs():
    """TabControlBox (12 x 12, borders 4: the frame line and the page colour inside), then Tab
    and TabSelected (16 x 16, borders 4). A tab's lower edge lies two pixels below the box's
    top line, which the strip draws two pixels above the tab bottoms: an unselected tab
    carries that line, the selected one opens into the page and has an accent on top."""
    pic = Picture(12 + 2 * 16, 16, FORM)
    frame = Cell(pic, 0, 0, 12, 12)
    frame.frame((0, 0, 12, 12), 0, BORDER, FORM)
    tab = Cell(pic, 12, 0, 16, 16)
    tab.frame((0, 0, 16, 18), 3, BORDER, TAB_FILL, corners="tl tr")
    tab.draw(box(0, 14, 16, 15), BORDER)
    tab.draw(box(0, 15, 16, 16), FORM)
    selected = Cell(pic, 28, 0, 16, 16)
    selected.frame((0, 0, 16, 18), 3, BORDER, FORM, corners="tl tr")
    selected.draw(rounded(0, 0, 16, 4, 3, corners="tl tr"), ACCENT)
    selected.draw(box(1, 2, 15, 4), FORM)
    return pic


def style_pictures():
    return {
        "CX/buttons.png": (buttons(), False),
        "CX/checkbox.png": (check_boxes(), False),
        "CX/combobox.png": (combo_boxes(), False),
        "CX/combo_arrow.png": (combo_arrow(GLYPH), True),
        "CX/combo_arrow_pressed.png": (combo_arrow(ACCENT), True),
        "CX/combo_arrow_disabled.png": (combo_arrow(GLYPH_DISABLED), True),
        "CX/edit.png": (edit_boxes(), False),
        "CX/vscroll.png": (scroll_bar(True), False),
        "CX/hscroll.png": (scroll_bar(False), False),
        "CX/window.png": (window_frames(), False),
        "CX/caption.png": (captions(), False),
        "CX/caption_buttons.png": (caption_buttons(), False),
        "CX/progress.png": (progress_bars(), False),
        "CX/tabs.png": (tabs(), False),
    }


def fixture_pictures():
    """Small pictures for the style tests: a 64 x 32 sheet of 16 x 16 squares and an 8 x 4
    arrow with alpha."""
    sheet = Picture(64, 32, WHITE)
    for i, cell in enumerate(cells(sheet, 4, 16, 16) + cells(sheet, 4, 16, 16, top=16)):
        cell.frame((0, 0, 16, 16), 0, BORDER, [WHITE, ACCENT_WASH][(i + i // 4) % 2])
    arrow = Picture(8, 4)
    Cell(arrow, 0, 0, 8, 4).draw(stroke([(1, 1), (4, 3), (7, 1)], 1.2), GLYPH)
    return {"sheet.png": (sheet, False), "arrow.png": (arrow, True)}


def write_all(out, pictures):
    for name, (picture, with_alpha) in sorted(pictures.items()):
        path = os.path.join(out, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(picture.png(with_alpha))
    print("wrote %d images to %s" % (len(pictures), os.path.abspath(out)))


def main(argv):
    args = [a for a in argv if a != "--fixtures"]
    write_all(args[0] if args else DEFAULT_OUT, style_pictures())
    if "--fixtures" in argv:
        write_all(FIXTURES_OUT, fixture_pictures())


if __name__ == "__main__":
    main(sys.argv[1:])
