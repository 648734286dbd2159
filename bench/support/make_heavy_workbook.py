#!/usr/bin/python3
"""Writes a heavy workbook for the benchmarks: one large data sheet and charts on other sheets.

    make_heavy_workbook.py OUT.xlsx ROWS BIG SMALL [SMALL_ROWS]

The first worksheet, "Data", holds ROWS rows of ten numeric columns under a header row
(column A counts the rows, B to J are values). BIG line charts each plot one whole column
(B, C, ... in turn) over all ROWS rows; SMALL column charts each plot two series of SMALL_ROWS
rows (default 2,000), their blocks spread evenly down the sheet so that a reader which stops
after the last row it needs still has to go deep. The charts sit five to a sheet on sheets
"Charts 1", "Charts 2"... XlsxWriter writes every series' cached values, as Excel does.
With BIG = SMALL = 0 and ROWS large, the last SMALL_ROWS rows get one small chart on "Data"
itself (the chart on the last rows of a long sheet), and the sheet is written without
keeping it in memory. Needs XlsxWriter (/usr/bin/python3).
"""
import sys

import xlsxwriter


def main():
    out, rows, big, small = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    small_rows = int(sys.argv[5]) if len(sys.argv) > 5 else 2000
    # A long sheet with only its last rows charted is written row by row to keep memory flat
    # (its chart then carries no cached values, which that case does not need).
    book = xlsxwriter.Workbook(out, {"constant_memory": big == 0 and small == 0})
    data = book.add_worksheet("Data")
    data.write_row(0, 0, ["Row"] + ["Value %d" % c for c in range(1, 10)])
    for r in range(1, rows + 1):
        data.write_row(r, 0, [r] + [(r * (c + 3)) % 1000 + c / 8 for c in range(1, 10)])

    def column(c, first, last):
        letter = chr(ord("A") + c)
        return "=Data!$%s$%d:$%s$%d" % (letter, first, letter, last)

    charts = []
    for b in range(big):
        chart = book.add_chart({"type": "line"})
        chart.add_series({"name": "Big %d" % (b + 1), "values": column(1 + b % 9, 2, rows + 1)})
        chart.set_title({"name": "Big %d" % (b + 1)})
        charts.append(chart)
    for s in range(small):
        first = 2 + (rows - small_rows) * s // max(small - 1, 1)
        last = first + small_rows - 1
        chart = book.add_chart({"type": "column"})
        for k in range(2):
            chart.add_series({"name": "Small %d.%d" % (s + 1, k + 1),
                              "categories": column(0, first, last),
                              "values": column(1 + (2 * s + k) % 9, first, last)})
        chart.set_title({"name": "Small %d" % (s + 1)})
        charts.append(chart)
    if not charts:
        chart = book.add_chart({"type": "column"})
        chart.add_series({"name": "Last rows", "categories": column(0, rows - small_rows + 2, rows + 1),
                          "values": column(1, rows - small_rows + 2, rows + 1)})
        data.insert_chart(1, 11, chart)
    for i in range(0, len(charts), 5):
        sheet = book.add_worksheet("Charts %d" % (i // 5 + 1))
        for k, chart in enumerate(charts[i:i + 5]):
            sheet.insert_chart(1 + 16 * k, 1, chart)
    book.close()


if __name__ == "__main__":
    main()
