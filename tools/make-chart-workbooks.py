#!/usr/bin/python3
"""Writes the workbooks that the chart discovery tests open, into the folder given.

Run with the system Python, which has XlsxWriter:
    /usr/bin/python3 tools/make-chart-workbooks.py OUTDIR

Workbooks with real charts (XlsxWriter):
  several.xlsx      four worksheets and a chart sheet: "Summary" (three charts, two of them
                    named "Twin", plus a picture and a text box in the same drawing), "Empty"
                    (data, no chart), "Q1 'Nord' Übersicht" (one chart), the hidden worksheet
                    "Hidden Data" (one chart), and the chart sheet "Chart Sheet"
  nocharts.xlsx     two worksheets with data, no drawing at all
  chartsheet.xlsx   one worksheet without charts and one chart sheet
Faulty files:
  notazip.xlsx      plain text
  truncated.xlsx    the first half of several.xlsx
  badxml.xlsx       several.xlsx whose first drawing part is not well-formed XML
  zipbomb.xlsx      several.xlsx whose first drawing part declares an absurd uncompressed size
  noworkbook.xlsx   several.xlsx without its xl/workbook.xml part
  dangling.xlsx     several.xlsx whose first worksheet points at a drawing that is not there
"""

import os
import struct
import sys
import zipfile
import zlib

import xlsxwriter


def tiny_png():
    # A 2x2 red picture, enough to give the drawing a picture anchor.
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + b"\xff\x00\x00" * 2 for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def column_chart(book, sheet, name, title, col=1):
    chart = book.add_chart({"type": "column", "name": name} if name else {"type": "column"})
    chart.add_series({"name": title, "categories": [sheet, 1, 0, 4, 0],
                      "values": [sheet, 1, col, 4, col]})
    chart.set_title({"name": title})
    return chart


def fill(sheet, rows=4):
    sheet.write_row(0, 0, ["Item", "A", "B"])
    for r in range(rows):
        sheet.write_row(r + 1, 0, ["Item %d" % (r + 1), (r + 1) * 3, (r + 2) * 5])


def several(path, outdir):
    book = xlsxwriter.Workbook(path)
    summary = book.add_worksheet("Summary")
    fill(summary)
    summary.insert_chart("E2", column_chart(book, "Summary", "Totals", "Totals"))
    summary.insert_chart("E18", column_chart(book, "Summary", "Twin", "First twin", 2))
    png = os.path.join(outdir, "picture.png")
    with open(png, "wb") as out:
        out.write(tiny_png())
    summary.insert_image("M2", png)
    summary.insert_textbox("M8", "A note beside the charts")
    summary.insert_chart("E34", column_chart(book, "Summary", "Twin", "Second twin"))

    empty = book.add_worksheet("Empty")
    fill(empty)

    nord = book.add_worksheet("Q1 'Nord' Übersicht")
    fill(nord)
    pie = book.add_chart({"type": "pie", "name": "Anteile"})
    pie.add_series({"categories": ["Q1 'Nord' Übersicht", 1, 0, 4, 0],
                    "values": ["Q1 'Nord' Übersicht", 1, 1, 4, 1]})
    nord.insert_chart("E2", pie)

    hidden = book.add_worksheet("Hidden Data")
    fill(hidden)
    hidden.insert_chart("E2", column_chart(book, "Hidden Data", "Hidden Chart", "Hidden"))
    hidden.hide()

    sheet = book.add_chartsheet("Chart Sheet")
    sheet.set_chart(column_chart(book, "Summary", "Sheet Chart", "On its own sheet"))
    book.close()
    os.remove(png)


def nocharts(path):
    book = xlsxwriter.Workbook(path)
    for name in ("First", "Second"):
        fill(book.add_worksheet(name))
    book.close()


def chartsheet_only(path):
    book = xlsxwriter.Workbook(path)
    data = book.add_worksheet("Data")
    fill(data)
    sheet = book.add_chartsheet("Only Chart")
    sheet.set_chart(column_chart(book, "Data", "Lonely", "Lonely"))
    book.close()


def rewrite(source, target, change):
    """Copies the zip at source to target, passing every entry through change(name, data),
    which returns the new data, or None to leave the entry out."""
    with zipfile.ZipFile(source) as src, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            data = change(info.filename, src.read(info.filename))
            if data is not None:
                dst.writestr(info.filename, data)


def declare_absurd_size(path, part):
    """Patches the uncompressed size of part in both its local header and the central
    directory to nearly 4 GiB, as a zip bomb declares it."""
    with open(path, "rb") as f:
        blob = bytearray(f.read())
    name = part.encode()
    absurd = struct.pack("<I", 0xFFFFFF00)
    at = 0
    while True:
        local = blob.find(b"PK\x03\x04", at)
        if local < 0:
            break
        length = struct.unpack_from("<H", blob, local + 26)[0]
        if blob[local + 30:local + 30 + length] == name:
            blob[local + 22:local + 26] = absurd
        at = local + 4
    at = 0
    while True:
        central = blob.find(b"PK\x01\x02", at)
        if central < 0:
            break
        length = struct.unpack_from("<H", blob, central + 28)[0]
        if blob[central + 46:central + 46 + length] == name:
            blob[central + 24:central + 28] = absurd
        at = central + 4
    with open(path, "wb") as f:
        f.write(blob)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-chart-workbooks.py OUTDIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    base = os.path.join(out, "several.xlsx")
    several(base, out)
    nocharts(os.path.join(out, "nocharts.xlsx"))
    chartsheet_only(os.path.join(out, "chartsheet.xlsx"))

    with open(os.path.join(out, "notazip.xlsx"), "w") as f:
        f.write("This is a plain text file with a workbook's name.\n")
    with open(base, "rb") as f:
        whole = f.read()
    with open(os.path.join(out, "truncated.xlsx"), "wb") as f:
        f.write(whole[: len(whole) // 2])

    drawing = "xl/drawings/drawing1.xml"
    rewrite(base, os.path.join(out, "badxml.xlsx"),
            lambda name, data: data[: len(data) // 2] if name == drawing else data)
    bomb = os.path.join(out, "zipbomb.xlsx")
    rewrite(base, bomb, lambda name, data: data)
    declare_absurd_size(bomb, drawing)
    rewrite(base, os.path.join(out, "noworkbook.xlsx"),
            lambda name, data: None if name == "xl/workbook.xml" else data)
    rewrite(base, os.path.join(out, "dangling.xlsx"),
            lambda name, data: None if name == drawing else data)


if __name__ == "__main__":
    main()
