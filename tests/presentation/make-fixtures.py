#!/usr/bin/python3
"""Writes the workbooks and the outside-made presentation the presentation tests use.

    /usr/bin/python3 tests/presentation/make-fixtures.py OUTDIR

charts.xlsx   "Data 'Nord' Q1" holds a table (months, two series, a date column with a number
              format) and three charts: a two-series column chart, a line chart of dates, and
              a pie chart; "Secret" holds values no chart refers to.
big.xlsx      one chart sized larger than a slide (it must be scaled down when pasted).
pivot.xlsx    a pivot chart as the spreadsheet application saves one: sheet "Pivot" holds a pivot
              table's rows (two regions with their subtotals, and a grand total), and the column
              chart over it names the pivot table (c:pivotSource); its references span every row
              of the table and its two-cell series names, its caches only the four points it
              shows, with two levels of categories. xlsxwriter writes no pivot charts, so its
              chart part is written here.
outside.fodp  a flat OpenDocument presentation with two slides, speaker notes and a picture,
              which the tests convert with LibreOffice to get a presentation made elsewhere.
"""

import base64
import os
import struct
import sys
import zlib

import xlsxwriter


def png(width, height, rgb):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def charts(path):
    book = xlsxwriter.Workbook(path)
    data = book.add_worksheet("Data 'Nord' Q1")
    secret = book.add_worksheet("Secret")
    money = book.add_format({"num_format": "#,##0.00"})
    day = book.add_format({"num_format": "yyyy-mm-dd"})
    data.write_row(0, 0, ["Month", "North", "South", "Day"])
    months = ["Jan", "Feb", "Mar", "Apr", "May"]
    for i, m in enumerate(months):
        data.write_string(1 + i, 0, m)
        data.write_number(1 + i, 1, 10.5 + i * 3, money)
        data.write_number(1 + i, 2, 7 + i * i, money)
        data.write_number(1 + i, 3, 45000 + i * 31, day)
    secret.write_row(0, 0, ["do not leak", 424242])

    sheet = "Data 'Nord' Q1"
    column = book.add_chart({"type": "column"})
    for col in (1, 2):
        column.add_series({"name": [sheet, 0, col], "categories": [sheet, 1, 0, 5, 0],
                           "values": [sheet, 1, col, 5, col]})
    column.set_title({"name": "Sales by month"})
    data.insert_chart("F2", column)

    line = book.add_chart({"type": "line"})
    line.add_series({"name": [sheet, 0, 3], "categories": [sheet, 1, 0, 5, 0],
                     "values": [sheet, 1, 3, 5, 3]})
    data.insert_chart("F20", line, {"x_scale": 1.5})

    pie = book.add_chart({"type": "pie"})
    pie.add_series({"name": "Share", "categories": [sheet, 1, 0, 5, 0],
                    "values": [sheet, 1, 1, 5, 1]})
    data.insert_chart("F40", pie)
    book.close()


def big(path):
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("Sheet1")
    sheet.write_column(0, 0, [1, 2, 3])
    chart = book.add_chart({"type": "bar"})
    chart.add_series({"values": ["Sheet1", 0, 0, 2, 0]})
    sheet.insert_chart("B2", chart, {"x_scale": 4, "y_scale": 4})
    book.close()


PIVOT_SERIES = """<c:ser><c:idx val="{k}"/><c:order val="{k}"/>
<c:tx><c:strRef><c:f>Pivot!${col}$2:${col}$3</c:f><c:strCache><c:ptCount val="1"/><c:pt idx="0"><c:v>{name}</c:v></c:pt></c:strCache></c:strRef></c:tx>
<c:invertIfNegative val="0"/>
<c:cat><c:multiLvlStrRef><c:f>Pivot!$A$4:$A$10</c:f><c:multiLvlStrCache><c:ptCount val="4"/>
<c:lvl><c:pt idx="0"><c:v>Apples</c:v></c:pt><c:pt idx="1"><c:v>Pears</c:v></c:pt><c:pt idx="2"><c:v>Apples</c:v></c:pt><c:pt idx="3"><c:v>Pears</c:v></c:pt></c:lvl>
<c:lvl><c:pt idx="0"><c:v>East</c:v></c:pt><c:pt idx="2"><c:v>West</c:v></c:pt></c:lvl>
</c:multiLvlStrCache></c:multiLvlStrRef></c:cat>
<c:val><c:numRef><c:f>Pivot!${col}$4:${col}$10</c:f><c:numCache><c:formatCode>#,##0</c:formatCode><c:ptCount val="4"/>{points}</c:numCache></c:numRef></c:val>
</c:ser>"""


def pivot(path):
    import re
    import zipfile
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("Pivot")
    sheet.write_row(1, 1, ["Values", "Values"])
    sheet.write_row(2, 0, ["Row Labels", "Sum of Sales", "Sum of Cost"])
    rows = [("East", 30, 13), ("Apples", 10, 4), ("Pears", 20, 9),
            ("West", 25, 11), ("Apples", 5, 3), ("Pears", 20, 8), ("Grand Total", 55, 24)]
    for i, row in enumerate(rows):
        sheet.write_row(3 + i, 0, row)
    chart = book.add_chart({"type": "column"})
    for col in (1, 2):
        chart.add_series({"name": ["Pivot", 2, col], "categories": ["Pivot", 3, 0, 9, 0],
                          "values": ["Pivot", 3, col, 9, col]})
    sheet.insert_chart("E2", chart)
    book.close()

    shown = {"B": [10, 20, 5, 20], "C": [4, 9, 3, 8]}
    series = ""
    for k, (col, name) in enumerate((("B", "Sum of Sales"), ("C", "Sum of Cost"))):
        points = "".join('<c:pt idx="%d"><c:v>%d</c:v></c:pt>' % (i, v) for i, v in enumerate(shown[col]))
        series += PIVOT_SERIES.replace("{k}", str(k)).replace("{col}", col).replace("{name}", name) \
                              .replace("{points}", points)
    with zipfile.ZipFile(path) as z:
        entries = [(info, z.read(info.filename)) for info in z.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in entries:
            if info.filename == "xl/charts/chart1.xml":
                text = data.decode("utf-8")
                text = re.sub(r"<c:ser>.*</c:ser>", lambda m: series, text, flags=re.S)
                text = text.replace("<c:chart>", '<c:pivotSource><c:name>[pivot.xlsx]Pivot!PivotTable1</c:name>'
                                                 '<c:fmtId val="0"/></c:pivotSource><c:chart>', 1)
                data = text.encode("utf-8")
            z.writestr(info, data)


FODP = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:styles/>
 <office:automatic-styles>
  <style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm" style:print-orientation="landscape"/></style:page-layout>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Default" style:page-layout-name="PM1"/>
 </office:master-styles>
 <office:body>
  <office:presentation>
   <draw:page draw:name="First" draw:master-page-name="Default">
    <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>Made elsewhere</text:p></draw:text-box></draw:frame>
    <draw:frame svg:x="2cm" svg:y="6cm" svg:width="4cm" svg:height="4cm"><draw:image><office:binary-data>{image}</office:binary-data></draw:image></draw:frame>
    <presentation:notes><draw:frame presentation:class="notes" svg:x="2cm" svg:y="12cm" svg:width="17cm" svg:height="10cm"><draw:text-box><text:p>Speaker note one</text:p></draw:text-box></draw:frame></presentation:notes>
   </draw:page>
   <draw:page draw:name="Second" draw:master-page-name="Default">
    <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>Second slide</text:p></draw:text-box></draw:frame>
    <presentation:notes><draw:frame presentation:class="notes" svg:x="2cm" svg:y="12cm" svg:width="17cm" svg:height="10cm"><draw:text-box><text:p>Speaker note two</text:p></draw:text-box></draw:frame></presentation:notes>
   </draw:page>
  </office:presentation>
 </office:body>
</office:document>
"""


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    charts(os.path.join(out, "charts.xlsx"))
    big(os.path.join(out, "big.xlsx"))
    pivot(os.path.join(out, "pivot.xlsx"))
    image = base64.b64encode(png(16, 16, (30, 120, 200))).decode()
    with open(os.path.join(out, "outside.fodp"), "w", encoding="utf-8") as f:
        f.write(FODP.replace("{image}", image))


main()
