"""Compares a drawing of a chart with a screenshot of the spreadsheet application's drawing of it.

Both pictures are flattened onto white; each is cut to its chart frame (the grey border line of
the chart area, found as the outermost rows and columns that are mostly dark) or, where no frame
is found, kept whole; both are then scaled to the same pixel size. Two scores:
  mad   mean absolute difference of the red, green and blue values, in percent of full scale;
  ssim  structural similarity of the grey values (7 x 7 uniform windows, the usual constants
        K1 = 0.01 and K2 = 0.03), averaged over every window: 1 for the same picture.
Only ImageMagick (convert, identify) and the Python standard library are needed.
"""
import itertools
import subprocess

# A pixel of the frame line is darker than this (the application's chart border is about 134 of
# 255; its soft shadow outside the border is lighter than 180 only right next to it).
FRAME_DARK = 160
# A frame line covers at least this share of the picture's width or height.
FRAME_SHARE = 0.5


class Picture:
    def __init__(self, width, height, pixels, channels):
        self.width = width
        self.height = height
        self.pixels = pixels  # bytes, rows top to bottom, `channels` values a pixel
        self.channels = channels


def _size(path):
    out = subprocess.run(["identify", "-format", "%w %h\n", path], capture_output=True, text=True,
                         check=True).stdout
    w, h = out.split("\n")[0].split()
    return int(w), int(h)


def load(path, crop=None, size=None, grey=False):
    """The picture at `path` on white, cut to crop (x, y, w, h) and scaled to size (w, h)."""
    args = ["convert", path, "-background", "white", "-alpha", "remove", "-alpha", "off"]
    width, height = _size(path)
    if crop:
        x, y, width, height = crop
        args += ["-crop", f"{width}x{height}+{x}+{y}", "+repage"]
    if size and size != (width, height):
        width, height = size
        args += ["-filter", "Triangle", "-resize", f"{width}x{height}!"]
    if grey:
        args += ["-colorspace", "Gray"]
    args += ["-depth", "8", ("gray:-" if grey else "rgb:-")]
    data = subprocess.run(args, capture_output=True, check=True).stdout
    channels = 1 if grey else 3
    if len(data) != width * height * channels:
        raise ValueError(f"{path}: ImageMagick gave {len(data)} bytes for {width} x {height}")
    return Picture(width, height, data, channels)


def find_frame(path):
    """(x, y, w, h) of the chart frame in the picture, border lines included, or None."""
    pic = load(path, grey=True)
    w, h, g = pic.width, pic.height, pic.pixels
    dark = bytes(1 if v < FRAME_DARK else 0 for v in g)
    rows = [sum(dark[y * w:(y + 1) * w]) for y in range(h)]
    cols = [sum(dark[x::w]) for x in range(w)]
    long_rows = [y for y in range(h) if rows[y] >= FRAME_SHARE * w]
    long_cols = [x for x in range(w) if cols[x] >= FRAME_SHARE * h]
    if len(long_rows) < 2 or len(long_cols) < 2:
        return None
    top, bottom, left, right = long_rows[0], long_rows[-1], long_cols[0], long_cols[-1]
    if bottom - top < h * 0.3 or right - left < w * 0.3:
        return None
    return left, top, right - left + 1, bottom - top + 1


def mad(a, b):
    """Mean absolute difference in percent of full scale."""
    total = sum(abs(x - y) for x, y in zip(a.pixels, b.pixels))
    return 100.0 * total / (255.0 * len(a.pixels))


def _integral(values, w, h):
    """Summed-area table with a zero first row and column: (w + 1) * (h + 1) values."""
    out = [0.0] * ((w + 1) * (h + 1))
    for y in range(h):
        row = list(itertools.accumulate(values[y * w:(y + 1) * w]))
        base, above = (y + 1) * (w + 1), y * (w + 1)
        for x in range(w):
            out[base + x + 1] = out[above + x + 1] + row[x]
    return out


def ssim(a, b, window=7):
    """Mean structural similarity of two grey pictures of the same size."""
    w, h = a.width, a.height
    if w < window or h < window:
        raise ValueError("pictures smaller than the window")
    pa, pb = list(a.pixels), list(b.pixels)
    sums = [_integral(v, w, h) for v in (pa, pb, [x * x for x in pa], [y * y for y in pb],
                                         [x * y for x, y in zip(pa, pb)])]
    n = window * window
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    cov_norm = n / (n - 1.0)  # sample covariance, as scikit-image computes it
    stride = w + 1
    total, count = 0.0, 0
    for y in range(h - window + 1):
        r0, r1 = y * stride, (y + window) * stride
        for x in range(w - window + 1):
            i00, i01, i10, i11 = r0 + x, r0 + x + window, r1 + x, r1 + x + window
            sa, sb, saa, sbb, sab = ((s[i11] - s[i01] - s[i10] + s[i00]) / n for s in sums)
            va = cov_norm * (saa - sa * sa)
            vb = cov_norm * (sbb - sb * sb)
            vab = cov_norm * (sab - sa * sb)
            total += ((2 * sa * sb + c1) * (2 * vab + c2)) / ((sa * sa + sb * sb + c1) * (va + vb + c2))
            count += 1
    return total / count


def score(reference, drawing, size):
    """(mad, ssim) of `drawing` against `reference`, both cut to their frames and scaled to size."""
    ref_frame, drawn_frame = find_frame(reference), find_frame(drawing)
    ra, da = load(reference, ref_frame, size), load(drawing, drawn_frame, size)
    rg, dg = load(reference, ref_frame, size, grey=True), load(drawing, drawn_frame, size, grey=True)
    return mad(ra, da), ssim(rg, dg)
