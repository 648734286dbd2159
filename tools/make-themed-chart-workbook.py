#!/usr/bin/python3
"""Writes a workbook whose chart has a theme of its own, into the folder given.

Run with the system Python, which has XlsxWriter:
    /usr/bin/python3 tools/make-themed-chart-workbook.py OUTDIR

  themed.xlsx   sheet "Themed": a clustered column chart of three series whose colours are
                automatic (the theme's first three accents), and a theme override part related
                to the chart whose accents are pure, easily told colours: red, green, blue. The
                workbook's own theme is XlsxWriter's (Office's blue, orange, grey), so a picture
                drawn without the override shows other colours than one drawn with it.
"""

import io
import os
import sys
import zipfile

import xlsxwriter

# The override's accents 1 to 3, which the series take in order.
ACCENTS = ["C00000", "00A000", "0000C0", "A0A000", "00A0A0", "A000A0"]

OVERRIDE = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<a:themeOverride xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">'
    '<a:clrScheme name="Pure">'
    '<a:dk1><a:srgbClr val="000000"/></a:dk1><a:lt1><a:srgbClr val="FFFFFF"/></a:lt1>'
    '<a:dk2><a:srgbClr val="1F1F1F"/></a:dk2><a:lt2><a:srgbClr val="EEEEEE"/></a:lt2>'
    + "".join(f'<a:accent{i + 1}><a:srgbClr val="{c}"/></a:accent{i + 1}>' for i, c in enumerate(ACCENTS))
    + '<a:hlink><a:srgbClr val="0000FF"/></a:hlink><a:folHlink><a:srgbClr val="800080"/></a:folHlink>'
    "</a:clrScheme>"
    '<a:fontScheme name="Office"><a:majorFont><a:latin typeface="Calibri"/><a:ea typeface=""/><a:cs typeface=""/>'
    '</a:majorFont><a:minorFont><a:latin typeface="Calibri"/><a:ea typeface=""/><a:cs typeface=""/></a:minorFont>'
    "</a:fontScheme>"
    '<a:fmtScheme name="Office"><a:fillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
    '<a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
    '</a:fillStyleLst><a:lnStyleLst><a:ln w="9525"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>'
    '<a:ln w="25400"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>'
    '<a:ln w="38100"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln></a:lnStyleLst>'
    '<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle>'
    '<a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst>'
    '<a:bgFillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
    '<a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
    "</a:bgFillStyleLst></a:fmtScheme>"
    "</a:themeOverride>"
)

CHART_RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" '
    'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/themeOverride" '
    'Target="../theme/themeOverride1.xml"/></Relationships>'
)

OVERRIDE_TYPE = (
    '<Override PartName="/xl/theme/themeOverride1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.themeOverride+xml"/>'
)


def plain_workbook():
    data = io.BytesIO()
    book = xlsxwriter.Workbook(data, {"in_memory": True})
    sheet = book.add_worksheet("Themed")
    sheet.write_row(0, 0, ["Quarter", "North", "South", "West"])
    rows = [["Q1", 40, 25, 30], ["Q2", 55, 35, 20], ["Q3", 45, 50, 35], ["Q4", 60, 40, 45]]
    for r, row in enumerate(rows, start=1):
        sheet.write_row(r, 0, row)
    chart = book.add_chart({"type": "column"})
    for col in (1, 2, 3):
        chart.add_series({
            "name": ["Themed", 0, col],
            "categories": ["Themed", 1, 0, 4, 0],
            "values": ["Themed", 1, col, 4, col],
        })
    chart.set_title({"name": "Sales by region"})
    sheet.insert_chart("F2", chart, {"x_scale": 1.2, "y_scale": 1.2})
    book.close()
    return data.getvalue()


def with_override(xlsx):
    source = zipfile.ZipFile(io.BytesIO(xlsx))
    names = source.namelist()
    if "xl/charts/_rels/chart1.xml.rels" in names:
        raise SystemExit("the chart already has relationships; this script expects none")
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as target:
        for name in names:
            data = source.read(name)
            if name == "[Content_Types].xml":
                data = data.replace(b"</Types>", OVERRIDE_TYPE.encode() + b"</Types>")
            target.writestr(name, data)
        target.writestr("xl/theme/themeOverride1.xml", OVERRIDE)
        target.writestr("xl/charts/_rels/chart1.xml.rels", CHART_RELS)
    return out.getvalue()


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: make-themed-chart-workbook.py OUTDIR")
    os.makedirs(sys.argv[1], exist_ok=True)
    with open(os.path.join(sys.argv[1], "themed.xlsx"), "wb") as f:
        f.write(with_override(plain_workbook()))


if __name__ == "__main__":
    main()
