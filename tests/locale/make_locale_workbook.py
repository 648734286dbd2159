#!/usr/bin/python3
"""Writes a workbook whose charts show numbers in the ways a region changes: decimals,
thousands, percentages, scientific notation, and dates (which no region's separators touch).

    make_locale_workbook.py OUT.xlsx

Sheet "Numbers" holds four charts, each with its values labelled:
  1. column, General: 21.25 and 108.75 (value axis 0 to 120 by 20)
  2. line, '#,##0.00': 1234.5, 2500.25, 3000
  3. column, '0.0%': 0.125, 0.5
  4. scatter, '0.00E+00': 1500000, 2500000
  5. column over dates 'm/d/yyyy' (the category axis), values 1.5 and 2.5 with '0.0'
Needs XlsxWriter (python3-xlsxwriter, run with /usr/bin/python3).
"""
import datetime
import sys

import xlsxwriter


def main():
    book = xlsxwriter.Workbook(sys.argv[1])
    sheet = book.add_worksheet("Numbers")
    date_format = book.add_format({"num_format": "m/d/yyyy"})
    rows = [
        ("A", [21.25, 108.75], "column", "General"),
        ("B", [1234.5, 2500.25, 3000], "line", "#,##0.00"),
        ("C", [0.125, 0.5], "column", "0.0%"),
        ("D", [1500000, 2500000], "scatter", "0.00E+00"),
    ]
    for index, (column, values, kind, num_format) in enumerate(rows):
        col = index
        sheet.write(0, col, column)
        sheet.write_column(1, col, values)
        chart = book.add_chart({"type": kind})
        labels = {"value": True}
        if num_format != "General":
            labels["num_format"] = num_format
        series = {
            "name": "Series " + column,
            "values": ["Numbers", 1, col, len(values), col],
            "data_labels": labels,
        }
        if kind == "scatter":
            series["categories"] = ["Numbers", 1, col, len(values), col]
        chart.add_series(series)
        chart.set_title({"name": "Chart " + column})
        chart.set_legend({"none": True})
        if index == 0:
            chart.set_y_axis({"min": 0, "max": 120, "major_unit": 20})
        sheet.insert_chart(index * 16, 6, chart)
    sheet.write(0, 4, "When")
    sheet.write_datetime(1, 4, datetime.datetime(2024, 1, 15), date_format)
    sheet.write_datetime(2, 4, datetime.datetime(2024, 2, 20), date_format)
    sheet.write_column(1, 5, [1.5, 2.5])
    chart = book.add_chart({"type": "column"})
    chart.add_series({
        "name": "Dated",
        "categories": ["Numbers", 1, 4, 2, 4],
        "values": ["Numbers", 1, 5, 2, 5],
        "data_labels": {"value": True, "num_format": "0.0"},
    })
    chart.set_x_axis({"num_format": "m/d/yyyy"})
    chart.set_title({"name": "Chart E"})
    chart.set_legend({"none": True})
    sheet.insert_chart(64, 6, chart)
    book.close()


if __name__ == "__main__":
    main()
