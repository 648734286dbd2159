#!/usr/bin/python3
"""Makes the workbooks of the reference charts: runs each example of examples/ (copies of the
XlsxWriter examples, unchanged) with each chart sized to the frame of its reference picture, so
that every drawing is made at the size the application drew it.

    make-workbooks.py OUTDIR

The reference pictures are screenshots at two pixels a point: a frame 824 pixels wide is a chart
412 points wide, 549 pixels at 96 dpi. Needs python3-xlsxwriter and ImageMagick.
"""
import os
import runpy
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import chartscore  # noqa: E402

SCREEN_PIXELS_PER_POINT = 2.0

# Reference picture -> (example, chart number in insertion order, 1-based). The documentation
# shows the fourth doughnut of its example (the one with options applied) as its second picture.
REFERENCES = {
    "chart_area1": ("chart_area", 1), "chart_area2": ("chart_area", 2), "chart_area3": ("chart_area", 3),
    "chart_bar1": ("chart_bar", 1), "chart_bar2": ("chart_bar", 2), "chart_bar3": ("chart_bar", 3),
    "chart_column1": ("chart_column", 1), "chart_column2": ("chart_column", 2),
    "chart_column3": ("chart_column", 3),
    "chart_combined1": ("chart_combined", 1), "chart_combined2": ("chart_combined", 2),
    "chart_doughnut1": ("chart_doughnut", 1), "chart_doughnut2": ("chart_doughnut", 4),
    "chart_line1": ("chart_line", 1), "chart_line2": ("chart_line", 2), "chart_line3": ("chart_line", 3),
    "chart_pie1": ("chart_pie", 1), "chart_pie2": ("chart_pie", 2), "chart_pie3": ("chart_pie", 3),
    "chart_radar1": ("chart_radar", 1), "chart_radar2": ("chart_radar", 2), "chart_radar3": ("chart_radar", 3),
    "chart_scatter1": ("chart_scatter", 1), "chart_scatter2": ("chart_scatter", 2),
    "chart_scatter3": ("chart_scatter", 3), "chart_scatter4": ("chart_scatter", 4),
    "chart_scatter5": ("chart_scatter", 5),
    "chart_stock1": ("chart_stock", 1),
}


def reference_image(name):
    return os.path.join(HERE, "images", name + ".png")


def size_in_pixels(name):
    """The chart's size at 96 dpi, (width, height), from its reference picture's frame."""
    frame = chartscore.find_frame(reference_image(name))
    if frame is None:
        raise RuntimeError(f"{reference_image(name)}: no chart frame found")
    _, _, w, h = frame
    return (round(w / SCREEN_PIXELS_PER_POINT * 96 / 72), round(h / SCREEN_PIXELS_PER_POINT * 96 / 72))


def make(outdir):
    import xlsxwriter.worksheet
    from xlsxwriter.chart import Chart

    sizes = {}
    for name, (example, number) in REFERENCES.items():
        sizes[(example, number)] = size_in_pixels(name)
    original = xlsxwriter.worksheet.Worksheet.insert_chart
    state = {"example": None, "count": 0}

    def insert_chart(self, *args, **kwargs):
        state["count"] += 1
        size = sizes.get((state["example"], state["count"]))
        for chart in (a for a in args if isinstance(a, Chart)):
            if size:
                chart.width, chart.height = size
        return original(self, *args, **kwargs)

    xlsxwriter.worksheet.Worksheet.insert_chart = insert_chart
    os.makedirs(outdir, exist_ok=True)
    here = os.getcwd()
    made = []
    try:
        os.chdir(outdir)
        for example in sorted({e for e, _ in REFERENCES.values()}):
            state["example"], state["count"] = example, 0
            runpy.run_path(os.path.join(HERE, "examples", example + ".py"), run_name="__main__")
            made.append(os.path.join(outdir, example + ".xlsx"))
    finally:
        os.chdir(here)
        xlsxwriter.worksheet.Worksheet.insert_chart = original
    return made


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for path in make(os.path.abspath(sys.argv[1])):
        print(path)
