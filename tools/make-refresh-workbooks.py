#!/usr/bin/python3
"""Writes one state of the workbook the deck refresh tests copy charts from, into the folder given.

Run with the system Python, which has XlsxWriter:
    /usr/bin/python3 tools/make-refresh-workbooks.py STATE OUTDIR

Writes OUTDIR/sales.xlsx and OUTDIR/sales.json (what its charts show: for each chart by name,
its series with name, categories and values). The sheet "Data" holds months down column A
and one column per region; it has two charts: "Revenue" (columns, North and South) and
"Trend" (a line, East). STATE is what changed since the first state:
  base             as described
  values           every number different
  category         a fifth month
  series-added     Revenue also shows East
  series-removed   Revenue shows North only
  sheet-renamed    the sheet is called "Figures"
  chart-renamed    Revenue is called "Income"
  chart-deleted    Revenue is gone; Trend is the sheet's only chart
  format           North's numbers show as currency
"""

import json
import os
import sys

import xlsxwriter

REGIONS = ["North", "South", "East"]


def numbers(state, months):
    rows = []
    for m in range(months):
        base = [120 + 10 * m, 80 + 7 * m, 50 + 3 * m]
        if state == "values":
            base = [v * 2 + 1 for v in base]
        rows.append(base)
    return rows


def main(state, outdir):
    months = 5 if state == "category" else 4
    labels = ["Month %d" % (m + 1) for m in range(months)]
    rows = numbers(state, months)
    sheet_name = "Figures" if state == "sheet-renamed" else "Data"
    book = xlsxwriter.Workbook(os.path.join(outdir, "sales.xlsx"))
    sheet = book.add_worksheet(sheet_name)
    north_format = book.add_format({"num_format": "$#,##0.00" if state == "format" else "#,##0"})
    sheet.write_row(0, 0, ["Month"] + REGIONS)
    for m in range(months):
        sheet.write_string(m + 1, 0, labels[m])
        sheet.write_number(m + 1, 1, rows[m][0], north_format)
        sheet.write_number(m + 1, 2, rows[m][1])
        sheet.write_number(m + 1, 3, rows[m][2])

    def series(col):
        return {"name": [sheet_name, 0, col], "categories": [sheet_name, 1, 0, months, 0],
                "values": [sheet_name, 1, col, months, col]}

    shown = {}
    revenue_series = {"series-added": [1, 2, 3], "series-removed": [1]}.get(state, [1, 2])
    if state != "chart-deleted":
        name = "Income" if state == "chart-renamed" else "Revenue"
        revenue = book.add_chart({"type": "column", "name": name})
        for col in revenue_series:
            revenue.add_series(series(col))
        revenue.set_title({"name": "Revenue by region"})
        sheet.insert_chart("F2", revenue)
        shown[name] = revenue_series
    trend = book.add_chart({"type": "line", "name": "Trend"})
    trend.add_series(series(3))
    sheet.insert_chart("F20", trend)
    shown["Trend"] = [3]
    book.close()

    facts = {chart: [{"name": REGIONS[col - 1], "categories": labels, "values": [r[col - 1] for r in rows]}
                     for col in cols] for chart, cols in shown.items()}
    with open(os.path.join(outdir, "sales.json"), "w") as out:
        json.dump(facts, out, indent=1)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
