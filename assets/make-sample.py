#!/usr/bin/python3
"""Makes Samples/sample1.xls, the sample workbook that ships beside the program.

The data is invented for this project: the harvest, sales and weather figures of a small
imaginary tea cooperative. The workbook is first written as .xlsx with XlsxWriter (real charts
of eight kinds on four worksheets, one of them hidden, and a chart sheet), then converted to the
legacy .xls format by LibreOffice headless with a profile folder of its own, so that a running
LibreOffice is left alone.

Run with the system Python, which has XlsxWriter:  /usr/bin/python3 assets/make-sample.py
Writes assets/Samples/sample1.xls (or the path given as the first argument).
"""

import os
import shutil
import subprocess
import sys
import tempfile

import xlsxwriter

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
ESTATES = ["Hillside", "Riverbend", "Cloudridge", "Lowmeadow"]


def harvest(estate, month):
    # Smooth seasonal curve with a per-estate offset; whole kilograms.
    season = [12, 14, 30, 55, 80, 96, 104, 98, 76, 50, 26, 15]
    return season[month] * (10 + 3 * estate) + 7 * ((estate + 1) * (month + 3) % 5)


def write_workbook(path):
    book = xlsxwriter.Workbook(path)
    bold = book.add_format({"bold": True})

    # Harvest: monthly kilograms per estate; a column and a line chart.
    harvest_sheet = book.add_worksheet("Harvest")
    harvest_sheet.write_row(0, 0, ["Month"] + ESTATES, bold)
    for m, month in enumerate(MONTHS):
        harvest_sheet.write(m + 1, 0, month)
        for e in range(len(ESTATES)):
            harvest_sheet.write_number(m + 1, e + 1, harvest(e, m))

    def harvest_series(chart, estates):
        for e in estates:
            col = chr(ord("B") + e)
            chart.add_series({
                "name": ["Harvest", 0, e + 1],
                "categories": ["Harvest", 1, 0, 12, 0],
                "values": "=Harvest!$%s$2:$%s$13" % (col, col),
            })

    column = book.add_chart({"type": "column", "name": "Monthly Harvest"})
    harvest_series(column, range(4))
    column.set_title({"name": "Monthly harvest (kg)"})
    harvest_sheet.insert_chart("G2", column)

    line = book.add_chart({"type": "line", "name": "Harvest Trend"})
    harvest_series(line, [0, 2])
    line.set_title({"name": "Hillside and Cloudridge"})
    harvest_sheet.insert_chart("G18", line)

    # Sales: revenue by channel; a bar, a pie and a doughnut chart.
    sales = book.add_worksheet("Sales 2021")
    channels = ["Market stall", "Tea rooms", "Mail order", "Wholesale", "Festivals"]
    revenue = [4200, 9800, 6100, 15300, 2700]
    costs = [1900, 5100, 3300, 11800, 1600]
    sales.write_row(0, 0, ["Channel", "Revenue", "Costs"], bold)
    for i, channel in enumerate(channels):
        sales.write_row(i + 1, 0, [channel, revenue[i], costs[i]])

    bar = book.add_chart({"type": "bar", "name": "Revenue And Costs"})
    for col, name in ((1, "Revenue"), (2, "Costs")):
        bar.add_series({"name": ["Sales 2021", 0, col],
                        "categories": ["Sales 2021", 1, 0, 5, 0],
                        "values": ["Sales 2021", 1, col, 5, col]})
    bar.set_title({"name": "Revenue and costs by channel"})
    sales.insert_chart("E2", bar)

    pie = book.add_chart({"type": "pie", "name": "Revenue Share"})
    pie.add_series({"name": "Revenue share",
                    "categories": ["Sales 2021", 1, 0, 5, 0],
                    "values": ["Sales 2021", 1, 1, 5, 1]})
    pie.set_title({"name": "Share of revenue"})
    sales.insert_chart("E18", pie)

    doughnut = book.add_chart({"type": "doughnut", "name": "Cost Share"})
    doughnut.add_series({"name": "Cost share",
                         "categories": ["Sales 2021", 1, 0, 5, 0],
                         "values": ["Sales 2021", 1, 2, 5, 2]})
    doughnut.set_title({"name": "Share of costs"})
    sales.insert_chart("M18", doughnut)

    # Weather: rainfall against harvest, sunshine hours; a scatter and an area chart.
    weather = book.add_worksheet("Weather")
    rain = [88, 71, 64, 52, 47, 39, 31, 36, 55, 79, 92, 97]
    sun = [62, 80, 121, 158, 196, 210, 224, 205, 160, 115, 72, 55]
    weather.write_row(0, 0, ["Month", "Rainfall (mm)", "Sunshine (h)", "Harvest (kg)"], bold)
    for m, month in enumerate(MONTHS):
        weather.write_row(m + 1, 0, [month, rain[m], sun[m], harvest(0, m)])

    scatter = book.add_chart({"type": "scatter", "name": "Rain Versus Harvest"})
    scatter.add_series({"name": "Hillside",
                        "categories": ["Weather", 1, 1, 12, 1],
                        "values": ["Weather", 1, 3, 12, 3],
                        "marker": {"type": "circle"}})
    scatter.set_title({"name": "Rainfall against harvest"})
    scatter.set_x_axis({"name": "Rainfall (mm)"})
    scatter.set_y_axis({"name": "Harvest (kg)"})
    weather.insert_chart("F2", scatter)

    area = book.add_chart({"type": "area", "name": "Sunshine Hours"})
    area.add_series({"name": ["Weather", 0, 2],
                     "categories": ["Weather", 1, 0, 12, 0],
                     "values": ["Weather", 1, 2, 12, 2]})
    area.set_title({"name": "Sunshine hours"})
    weather.insert_chart("F18", area)

    # Tasting notes, hidden: panel scores per blend; a radar chart. A hidden worksheet is
    # still a worksheet and its chart is listed.
    tasting = book.add_worksheet("Tasting Notes")
    aspects = ["Aroma", "Body", "Sweetness", "Astringency", "Finish"]
    blends = {"First Flush": [8, 5, 6, 4, 7], "Autumn Gold": [6, 8, 7, 5, 8]}
    tasting.write_row(0, 0, ["Aspect"] + list(blends), bold)
    for i, aspect in enumerate(aspects):
        tasting.write_row(i + 1, 0, [aspect] + [scores[i] for scores in blends.values()])
    radar = book.add_chart({"type": "radar", "name": "Blend Profiles"})
    for col in (1, 2):
        radar.add_series({"name": ["Tasting Notes", 0, col],
                          "categories": ["Tasting Notes", 1, 0, 5, 0],
                          "values": ["Tasting Notes", 1, col, 5, col]})
    radar.set_title({"name": "Blend profiles"})
    tasting.insert_chart("E2", radar)
    tasting.hide()

    # A chart sheet of its own: never listed by discovery.
    overview = book.add_chartsheet("Year Overview")
    stacked = book.add_chart({"type": "column", "subtype": "stacked", "name": "Year Overview"})
    harvest_series(stacked, range(4))
    stacked.set_title({"name": "Harvest of the year, all estates"})
    overview.set_chart(stacked)

    book.close()


def convert_to_xls(xlsx, target):
    work = os.path.dirname(xlsx)
    profile = os.path.join(work, "profile")
    subprocess.run(
        ["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
         "--convert-to", "xls", "--outdir", work, xlsx],
        check=True, timeout=180, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    made = os.path.splitext(xlsx)[0] + ".xls"
    if not os.path.isfile(made):
        sys.exit("make-sample: LibreOffice did not write " + made)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(made, target)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Samples", "sample1.xls")
    with tempfile.TemporaryDirectory(prefix="quillmere-sample-") as work:
        xlsx = os.path.join(work, "sample1.xlsx")
        write_workbook(xlsx)
        convert_to_xls(xlsx, os.path.abspath(target))
    print("wrote", target)


if __name__ == "__main__":
    main()
