#!/usr/bin/python3
"""Writes a workbook for copy-run tests: SHEETS worksheets, each with PER_SHEET column charts.

    make_copyrun_workbook.py OUT.xlsx SHEETS PER_SHEET

Worksheet s (1-based) is named "Data s" (the second one "Région 2", to carry a non-ASCII
letter and a blank); chart c on it has the title "S<s> C<c>" and one series over its own
block of cells whose values are s*1000 + c*10 + k for k = 1..4, so that a test can tell every
chart and its data apart after it has been pasted. Needs XlsxWriter (python3-xlsxwriter, run
with /usr/bin/python3).
"""
import sys

import xlsxwriter


def sheet_name(s):
    return "Région 2" if s == 2 else "Data %d" % s


def main():
    out, sheets, per_sheet = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    book = xlsxwriter.Workbook(out)
    for s in range(1, sheets + 1):
        name = sheet_name(s)
        sheet = book.add_worksheet(name)
        quoted = "'%s'" % name.replace("'", "''")
        for c in range(1, per_sheet + 1):
            row = (c - 1) * 6
            sheet.write_row(row, 0, ["Quarter", "S%d C%d" % (s, c)])
            for k in range(1, 5):
                sheet.write_row(row + k, 0, ["Q%d" % k, s * 1000 + c * 10 + k])
            chart = book.add_chart({"type": "column"})
            chart.add_series({
                "name": "S%d C%d" % (s, c),
                "categories": "=%s!$A$%d:$A$%d" % (quoted, row + 2, row + 5),
                "values": "=%s!$B$%d:$B$%d" % (quoted, row + 2, row + 5),
            })
            chart.set_title({"name": "S%d C%d" % (s, c)})
            sheet.insert_chart(row, 3, chart, {"x_scale": 0.6, "y_scale": 0.6})
    book.close()


if __name__ == "__main__":
    main()
