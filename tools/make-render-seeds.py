#!/usr/bin/python3
"""Writes the seeds of the render fuzz target into a folder: workbooks whose charts are anchored
at every size a picture meets (a postage stamp, a thin strip, the usual, beyond the picture
bounds at any scale), of the kinds drawn differently (bar, line with markers, pie, scatter).

    make-render-seeds.py FOLDER
"""

import os
import sys

import xlsxwriter


def workbook(path, charts):
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("Data")
    sheet.write_column("A1", ["North", "South", "East", "West"])
    sheet.write_column("B1", [3, -1.5, 7.25, 2])
    sheet.write_column("C1", [1e-3, 12, 1e6, 4])
    for row, (kind, subtype, x_scale, y_scale) in enumerate(charts):
        chart = book.add_chart({"type": kind, **({"subtype": subtype} if subtype else {})})
        chart.add_series({"categories": "=Data!$A$1:$A$4", "values": "=Data!$B$1:$B$4", "name": "Sales"})
        chart.add_series({"categories": "=Data!$A$1:$A$4", "values": "=Data!$C$1:$C$4", "name": "Costs"})
        chart.set_title({"name": "Chart %d" % (row + 1)})
        sheet.insert_chart(row * 20, 4, chart, {"x_scale": x_scale, "y_scale": y_scale})
    book.close()


folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
workbook(os.path.join(folder, "stamp-and-strip.xlsx"), [("column", None, 0.05, 0.05), ("line", None, 20, 0.1)])
workbook(os.path.join(folder, "beyond-the-bounds.xlsx"), [("pie", None, 60, 60), ("bar", "stacked", 1, 1)])
workbook(os.path.join(folder, "usual-kinds.xlsx"),
         [("scatter", "straight_with_markers", 1, 1), ("area", None, 2, 1), ("doughnut", None, 0.5, 0.5)])
