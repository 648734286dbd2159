#!/usr/bin/python3
"""Writes the workbooks that the chart model tests read, into the folder given.

Run with the system Python, which has XlsxWriter:
    /usr/bin/python3 tools/make-model-workbooks.py OUTDIR

  kinds.xlsx         one chart of every kind XlsxWriter writes, each with options set:
                     column (gradient fill, data labels per point, trendlines, error bars, a
                     deleted legend entry), stacked bar, line (markers, smooth, drop and
                     high-low lines, up-down bars), pie (exploded and recoloured points),
                     doughnut, area, scatter (log axis, fixed scale), radar, stock, a column and
                     line combination on two value axes, and a date axis with display units
  strict.xlsx        kinds.xlsx with every transitional Office namespace and relationship type
                     rewritten to its strict spelling (ISO/IEC 29500 Strict)

When LibreOffice is given with --libreoffice PROGRAM, also:
  kinds-lo.xlsx      kinds.xlsx opened and saved again by LibreOffice Calc
"""

import datetime
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import xlsxwriter

# Transitional namespace URIs and their strict twins.
STRICT = [
    ("http://schemas.openxmlformats.org/spreadsheetml/2006/main", "http://purl.oclc.org/ooxml/spreadsheetml/main"),
    ("http://schemas.openxmlformats.org/officeDocument/2006/relationships", "http://purl.oclc.org/ooxml/officeDocument/relationships"),
    ("http://schemas.openxmlformats.org/drawingml/2006/main", "http://purl.oclc.org/ooxml/drawingml/main"),
    ("http://schemas.openxmlformats.org/drawingml/2006/chart", "http://purl.oclc.org/ooxml/drawingml/chart"),
    ("http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing", "http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing"),
    ("http://schemas.openxmlformats.org/drawingml/2006/chartDrawing", "http://purl.oclc.org/ooxml/drawingml/chartDrawing"),
    ("http://schemas.openxmlformats.org/drawingml/2006/picture", "http://purl.oclc.org/ooxml/drawingml/picture"),
]


def fill(sheet):
    sheet.write_row(0, 0, ["Month", "North", "South", "West", "High", "Low", "Close", "Date"])
    months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]
    for r, month in enumerate(months):
        sheet.write(r + 1, 0, month)
        sheet.write_row(r + 1, 1, [10.5 + 3 * r, 20 - 2.5 * r, 7 + r * r, 30 + r, 20 + r, 25 + r])
        sheet.write_datetime(r + 1, 7, datetime.datetime(2024, 1 + r, 1), None)


def series(sheet, col, **extra):
    s = {"name": [sheet, 0, col], "categories": [sheet, 1, 0, 6, 0], "values": [sheet, 1, col, 6, col]}
    s.update(extra)
    return s


def kinds(path):
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("Data")
    fill(sheet)
    date_format = book.add_format({"num_format": "yyyy-mm-dd"})
    sheet.set_column(7, 7, 12, date_format)
    place = iter(["J2", "J20", "J38", "J56", "J74", "J92", "J110", "J128", "J146", "J164", "J182", "J200"])

    chart = book.add_chart({"type": "column"})
    chart.add_series(series("Data", 1,
                            fill={"color": "#4472C4"},
                            gradient={"colors": ["#DDEBCF", "#9CB86E", "#156B13"]},
                            data_labels={"value": True, "position": "outside_end",
                                         "custom": [{"delete": True}, {"value": "Peak"}]},
                            trendline={"type": "polynomial", "order": 3, "forward": 0.5,
                                       "display_equation": True, "display_r_squared": True},
                            y_error_bars={"type": "percentage", "value": 5, "end_style": 0}))
    chart.add_series(series("Data", 2, pattern={"pattern": "percent_50", "fg_color": "red", "bg_color": "white"},
                            invert_if_negative=True))
    chart.set_title({"name": "Column", "overlay": True, "layout": {"x": 0.42, "y": 0.14}})
    chart.set_legend({"position": "bottom", "delete_series": [1],
                      "layout": {"x": 0.80, "y": 0.37, "width": 0.12, "height": 0.25}})
    chart.set_x_axis({"name": "Month", "major_gridlines": {"visible": True}})
    chart.set_y_axis({"min": 0, "max": 40, "major_unit": 10, "minor_unit": 2, "num_format": "0.0",
                      "major_tick_mark": "cross", "minor_tick_mark": "inside",
                      "line": {"color": "#7F7F7F", "width": 1.25, "dash_type": "dash"}})
    chart.set_plotarea({"layout": {"x": 0.13, "y": 0.26, "width": 0.73, "height": 0.57}})
    chart.set_chartarea({"border": {"none": True}, "fill": {"color": "#F2F2F2"}})
    chart.set_style(26)
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "bar", "subtype": "stacked"})
    chart.add_series(series("Data", 1))
    chart.add_series(series("Data", 2))
    chart.set_title({"name": "=Data!$B$1"})
    chart.set_x_axis({"reverse": True, "label_position": "low"})
    chart.set_y_axis({"crossing": "max", "display_units": "hundreds", "display_units_visible": True})
    chart.set_legend({"none": True})
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "line"})
    chart.add_series(series("Data", 1, marker={"type": "diamond", "size": 9,
                                                "fill": {"color": "yellow"}}, smooth=True))
    chart.add_series(series("Data", 2, marker={"type": "none"},
                            points=[None, {"fill": {"color": "red"}}]))
    chart.set_drop_lines({"line": {"color": "gray"}})
    chart.set_high_low_lines()
    chart.set_up_down_bars({"up": {"fill": {"color": "#00B050"}}, "down": {"fill": {"color": "red"}}})
    chart.show_blanks_as("span")
    chart.show_hidden_data()
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "pie"})
    chart.add_series(series("Data", 1, points=[{"fill": {"color": "#FF0000"}}, None,
                                               {"fill": {"color": "#00FF00"}, "border": {"color": "black"}}],
                            data_labels={"percentage": True, "category": True, "separator": "\n",
                                         "leader_lines": True, "position": "best_fit"}))
    chart.set_rotation(90)
    chart.set_title({"none": True})
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "doughnut"})
    chart.add_series(series("Data", 3))
    chart.set_hole_size(65)
    chart.set_rotation(30)
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "area", "subtype": "percent_stacked"})
    chart.add_series(series("Data", 1))
    chart.add_series(series("Data", 3, fill={"none": True}, border={"color": "blue"}))
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "scatter", "subtype": "smooth_with_markers"})
    chart.add_series({"name": "Spread", "categories": ["Data", 1, 3, 6, 3], "values": ["Data", 1, 2, 6, 2],
                      "x_error_bars": {"type": "fixed", "value": 2, "direction": "plus"},
                      "trendline": {"type": "moving_average", "period": 2}})
    chart.set_x_axis({"log_base": 10, "min": 1, "max": 100, "crossing": 5})
    chart.set_y_axis({"major_gridlines": {"visible": False}, "minor_gridlines": {"visible": True}})
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "radar", "subtype": "filled"})
    chart.add_series(series("Data", 1))
    chart.add_series(series("Data", 2))
    sheet.insert_chart(next(place), chart)

    chart = book.add_chart({"type": "stock"})
    for col in (4, 5, 6):
        chart.add_series({"categories": ["Data", 1, 7, 6, 7], "values": ["Data", 1, col, 6, col],
                          "marker": {"type": "none"} if col != 6 else {"type": "dash", "size": 4},
                          "line": {"none": True}})
    chart.set_high_low_lines()
    chart.set_x_axis({"date_axis": True, "num_format": "mmm yy", "major_unit": 1, "major_unit_type": "months",
                      "base_unit": "months"})
    sheet.insert_chart(next(place), chart)

    column = book.add_chart({"type": "column"})
    column.add_series(series("Data", 1))
    line = book.add_chart({"type": "line"})
    line.add_series(series("Data", 3, y2_axis=True))
    column.combine(line)
    column.set_title({"name": "Two kinds"})
    sheet.insert_chart(next(place), column)

    book.close()


def strict_twin(source, target):
    """Rewrites every transitional namespace and relationship type of source to its strict twin."""
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename.endswith((".xml", ".rels")):
                text = data.decode("utf-8")
                for old, new in STRICT:
                    text = text.replace('"' + old + '"', '"' + new + '"')
                text = re.sub(r'Type="http://schemas\.openxmlformats\.org/officeDocument/2006/relationships/([A-Za-z]+)"',
                              r'Type="http://purl.oclc.org/ooxml/officeDocument/relationships/\1"', text)
                data = text.encode("utf-8")
            zout.writestr(item, data)


def libreoffice_copy(program, source, target):
    with tempfile.TemporaryDirectory() as work:
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run([program, "-env:UserInstallation=" + profile, "--headless", "--norestore",
                        "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        os.replace(os.path.join(work, os.path.basename(source)), target)


def main():
    args = sys.argv[1:]
    program = None
    if "--libreoffice" in args:
        i = args.index("--libreoffice")
        program = args[i + 1]
        del args[i:i + 2]
    outdir = args[0]
    os.makedirs(outdir, exist_ok=True)
    kinds(os.path.join(outdir, "kinds.xlsx"))
    strict_twin(os.path.join(outdir, "kinds.xlsx"), os.path.join(outdir, "strict.xlsx"))
    if program:
        libreoffice_copy(program, os.path.join(outdir, "kinds.xlsx"), os.path.join(outdir, "kinds-lo.xlsx"))


if __name__ == "__main__":
    main()
