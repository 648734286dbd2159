#!/usr/bin/python3
"""Writes the workbooks the chart renderer's tests draw, into the folder given.

Run with the system Python, which has XlsxWriter:
    /usr/bin/python3 tools/make-render-workbooks.py OUTDIR

  render.xlsx   sheet "Scales": one column chart per data range whose automatic value axis the
                tests check (the ranges of the axis-scaling sources);
                sheet "Kinds": one chart of each kind with known data (clustered, stacked and
                100% columns, bars, lines with markers, smoothed lines, stacked areas, scatter,
                pie with an exploded slice, doughnut, radar with markers, filled
                radar, high-low-close stock, columns with a line on a secondary axis, long
                category names, data labels with number formats, a date axis)
"""

import datetime
import sys

import xlsxwriter

# Data ranges and the value axis the spreadsheet application gives them: min, max, major unit.
SCALES = [
    ([0, 8, 12, 17], (0, 18, 2)),
    ([0, 23334, 5000, 12000], (0, 25000, 5000)),
    ([0, 8.6, 4, 2], (0, 10, 1)),
    ([0, 9.7, 5, 1], (0, 12, 2)),
    ([0, 21, 13, 8], (0, 25, 5)),
    ([0, 97, 45, 60], (0, 120, 20)),
    ([40, 55, 48, 52], (0, 60, 10)),
    ([1000, 1100, 1050, 1020], (980, 1120, 20)),
    ([-17, -5, -9, -12], (-18, 0, 2)),
    ([-5, 10, 3, -2], (-6, 12, 2)),
]


def scales(book):
    sheet = book.add_worksheet("Scales")
    for i, (values, _) in enumerate(SCALES):
        sheet.write_column(0, i, values)
        chart = book.add_chart({"type": "column"})
        chart.add_series({"values": ["Scales", 0, i, len(values) - 1, i]})
        chart.set_legend({"none": True})
        sheet.insert_chart(1 + 16 * i, 12, chart)


def kinds(book):
    sheet = book.add_worksheet("Kinds")
    sheet.write_row(0, 0, ["Quarter", "North", "South", "East", "Size", "High", "Low", "Close", "Day"])
    quarters = ["Q1", "Q2", "Q3", "Q4"]
    north = [12.5, 18, 9.25, 21]
    south = [8, 11.5, 14, 6.75]
    east = [4, 6, 5, 9]
    size = [3, 9, 5, 12]
    high = [31, 33, 32, 36]
    low = [24, 27, 25, 29]
    close = [28, 30, 31, 34]
    for r in range(4):
        sheet.write_row(r + 1, 0, [quarters[r], north[r], south[r], east[r], size[r], high[r], low[r], close[r]])
        sheet.write_datetime(r + 1, 8, datetime.datetime(2024, 3, 1 + 7 * r), book.add_format({"num_format": "d-mmm"}))
    long_names = ["Northern region", "Southern region", "Eastern region", "Western region",
                  "Central region", "Coastal region", "Mountain region", "Island region"]
    for r, name in enumerate(long_names):
        sheet.write(r + 1, 10, name)
        sheet.write(r + 1, 11, 10 + 3 * r)

    def ser(col, **extra):
        s = {"name": ["Kinds", 0, col], "categories": ["Kinds", 1, 0, 4, 0], "values": ["Kinds", 1, col, 4, col]}
        s.update(extra)
        return s

    charts = []

    def add(chart, title=None):
        if title:
            chart.set_title({"name": title})
        charts.append(chart)
        return chart

    for subtype in ["clustered", "stacked", "percent_stacked"]:
        c = add(book.add_chart({"type": "column", "subtype": subtype}), "Column " + subtype)
        for col in (1, 2, 3):
            c.add_series(ser(col))
    c = add(book.add_chart({"type": "bar"}), "Bars")
    c.add_series(ser(1, data_labels={"value": True, "num_format": "0.0"}))
    c.add_series(ser(2))
    c = add(book.add_chart({"type": "line"}), "Lines")
    c.add_series(ser(1, marker={"type": "square", "size": 7}))
    c.add_series(ser(2, smooth=True, marker={"type": "none"}))
    c = add(book.add_chart({"type": "area", "subtype": "stacked"}), "Areas")
    c.add_series(ser(1))
    c.add_series(ser(2))
    c = add(book.add_chart({"type": "scatter"}), "Scatter")
    c.add_series({"name": "Points", "categories": ["Kinds", 1, 4, 4, 4], "values": ["Kinds", 1, 1, 4, 1]})
    c = add(book.add_chart({"type": "pie"}), "Pie")
    c.add_series(ser(1, points=[None, {"fill": {"color": "#FF0000"}}],
                     data_labels={"percentage": True, "category": True}))
    c = add(book.add_chart({"type": "doughnut"}), "Doughnut")
    c.add_series(ser(2, data_labels={"value": True, "num_format": "0.00"}))
    c = add(book.add_chart({"type": "radar", "subtype": "with_markers"}), "Radar")
    c.add_series(ser(1))
    c.add_series(ser(2))
    c = add(book.add_chart({"type": "radar", "subtype": "filled"}), "Filled radar")
    c.add_series(ser(1))
    c = add(book.add_chart({"type": "stock"}), "Stock")
    for col in (5, 6, 7):
        c.add_series(ser(col))
    c.set_x_axis({"num_format": "d-mmm"})
    column = add(book.add_chart({"type": "column"}), "Two axes")
    column.add_series(ser(1))
    line = book.add_chart({"type": "line"})
    line.add_series(ser(4, y2_axis=True))
    column.combine(line)
    c = add(book.add_chart({"type": "column"}), "Long names")
    c.add_series({"name": "Regions", "categories": ["Kinds", 1, 10, 8, 10], "values": ["Kinds", 1, 11, 8, 11]})
    c = add(book.add_chart({"type": "line"}), "Dates")
    c.add_series({"name": "By day", "categories": ["Kinds", 1, 8, 4, 8], "values": ["Kinds", 1, 1, 4, 1]})
    c.set_x_axis({"date_axis": True, "num_format": "d-mmm"})
    for i, chart in enumerate(charts):
        sheet.insert_chart(1 + 16 * (i // 2), 14 + 9 * (i % 2), chart)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-render-workbooks.py OUTDIR")
    book = xlsxwriter.Workbook(sys.argv[1] + "/render.xlsx")
    scales(book)
    kinds(book)
    book.close()


if __name__ == "__main__":
    main()
