#!/usr/bin/python3
"""tools/compare-charts.py on a workbook with three charts, the second of which Quillmere refuses
to copy: that one is reported and the others keep their slides; every chart gets its drawings,
pair and scores, a renderer column that fails is reported without stopping the run, a copy of a
drawing scores the same as the drawing, an all-black picture scores far worse than the pasted
chart, Quillmere's own renderer (quillmere-cli render) draws every chart, the refused one too,
and no LibreOffice is left running.

    test_compare_charts.py QUILLMERE_CLI      (exit 77: skipped, LibreOffice or its Python missing)
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import xlsxwriter

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "tools", "compare-charts.py")


def usable():
    if not shutil.which("soffice") or not all(shutil.which(t) for t in ("convert", "compare", "montage")):
        return False
    return subprocess.run([sys.executable, "-c", "import uno"], capture_output=True).returncode == 0


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def processes_mentioning(text):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if text.encode() in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found


def main(cli):
    if not usable():
        print("skipped: LibreOffice, python3-uno or ImageMagick is missing")
        return 77
    work = tempfile.mkdtemp(prefix="compare-test-")
    book_path = os.path.join(work, "two.xlsx")
    book = xlsxwriter.Workbook(book_path)
    sheet = book.add_worksheet("Figures")
    sheet.write_column(0, 0, ["Q1", "Q2", "Q3", "Q4"])
    sheet.write_column(0, 1, [4, 7, 5, 9])
    for kind, anchor in (("column", "D2"), ("bar", "L2"), ("line", "D20")):
        chart = book.add_chart({"type": kind})
        chart.add_series({"categories": "=Figures!$A$1:$A$4", "values": "=Figures!$B$1:$B$4"})
        sheet.insert_chart(anchor, chart)
    book.close()
    # The second chart names a chart style part that is not in the package.
    with zipfile.ZipFile(book_path, "a") as z:
        z.writestr("xl/charts/_rels/chart2.xml.rels",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                   '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="http://schemas.microsoft.com/office/2011/relationships/chartStyle"'
                   ' Target="style9.xml"/></Relationships>')

    out = os.path.join(work, "out")
    result = subprocess.run(
        [sys.executable, SCRIPT, book_path, out, "--cli", cli, "--timeout", "150",
         "--renderer", "black=convert -size {width}x{height} xc:black PNG24:{out}",
         "--renderer", "same=f={out}; cp \"${{f%-same.png}}-slide.png\" \"$f\"",
         "--renderer", "broken=echo cannot draw {name} >&2; exit 3",
         "--renderer", "quillmere"],
        capture_output=True, text=True, timeout=170)
    print(result.stdout, result.stderr)
    # The broken column makes the run fail, but only after everything else was done.
    assert result.returncode == 1, result.returncode

    with open(os.path.join(out, "scores.json")) as f:
        scores = json.load(f)
    assert scores["columns"] == ["workbook", "slide", "black", "same", "broken", "quillmere"], scores["columns"]
    charts = scores["charts"]
    assert [(c["sheet"], c["index"], c["slide"]) for c in charts] == \
        [("Figures", 1, 1), ("Figures", 2, None), ("Figures", 3, 2)]
    refused = charts[1]
    assert "style9.xml" in refused["errors"]["slide"], refused["errors"]
    assert os.path.isfile(refused["drawings"]["workbook"]) and "slide" not in refused["drawings"]
    assert png_size(refused["drawings"]["quillmere"]) == (480, 288)
    for chart in (charts[0], charts[2]):
        # XlsxWriter's default chart is 480 x 288 pixels; LibreOffice draws it at 96 dpi.
        width, height = png_size(chart["drawings"]["workbook"])
        assert abs(width - 480) <= 2 and abs(height - 288) <= 2, (width, height)
        png_size(chart["drawings"]["slide"])
        assert png_size(chart["drawings"]["black"]) == (width, height)
        assert os.path.isfile(chart["pair"])
        assert set(chart["errors"]) == {"broken"}, chart["errors"]
        assert "cannot draw" in chart["errors"]["broken"]
        slide, black = chart["scores"]["slide"], chart["scores"]["black"]
        assert 0 < slide["mad"] < 20 and 0 < slide["diff"] < 50, slide
        assert black["mad"] > 80 and black["diff"] > 80, black
        assert chart["scores"]["same"] == slide
        # Quillmere's own renderer draws the chart at its size, and close to LibreOffice's look.
        assert png_size(chart["drawings"]["quillmere"]) == (480, 288)
        drawn = chart["scores"]["quillmere"]
        print("quillmere column:", drawn)
        assert 0 < drawn["mad"] < 20 and drawn["diff"] < 50, drawn
    assert os.path.isfile(os.path.join(out, "contact-sheet.png"))
    with open(os.path.join(out, "scores.tsv")) as f:
        assert len(f.read().splitlines()) == 4
    # LibreOffice ran with a profile under this test's temporary folder and is gone.
    leftovers = processes_mentioning(tempfile.gettempdir() + "/quillmere-compare-")
    assert not leftovers, leftovers
    shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
