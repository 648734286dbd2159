#!/usr/bin/python3
"""Writes the workbooks the workbook and spreadsheet-server tests read, with real charts.

    make_test_workbooks.py OUTDIR          the test set (see the write_* functions)
    make_test_workbooks.py --bench PATH    the discovery benchmark workbook
    make_test_workbooks.py --legacy OUTDIR the sources of the .xls tests (LibreOffice saves them as .xls)
    make_test_workbooks.py --many-sheets PATH  50 worksheets with two charts each
    make_test_workbooks.py --defaults-2007 OUTDIR  charts that lean on 2007-era defaults
                                                   (defaults-2007.xlsx, defaults-2007-more.xlsx)

Needs XlsxWriter (Debian: python3-xlsxwriter, run with /usr/bin/python3).
"""
import io
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile
import zlib

import xlsxwriter

MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]
SALES = [120.5, 98.25, 143.0, 160.75, 171.5, 155.0]
COSTS = [80, 85, 90, 95, 100, 105]


def tiny_png(path):
    """A 4x4 red PNG for pictures in drawings."""
    width = height = 4
    raw = b"".join(b"\x00" + b"\xff\x00\x00" * width for _ in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def write_table(sheet, money=None):
    sheet.write_row(0, 0, ["Month", "Sales", "Costs"])
    for i, month in enumerate(MONTHS):
        sheet.write_string(i + 1, 0, month)
        sheet.write_number(i + 1, 1, SALES[i], money)
        sheet.write_number(i + 1, 2, COSTS[i])


def series_chart(book, sheet_name, kind="column", name=None, columns=("B",)):
    options = {"type": kind}
    if name:
        options["name"] = name
    chart = book.add_chart(options)
    quoted = "'" + sheet_name.replace("'", "''") + "'"
    for col in columns:
        chart.add_series({
            "name": "=%s!$%s$1" % (quoted, col),
            "categories": "=%s!$A$2:$A$7" % quoted,
            "values": "=%s!$%s$2:$%s$7" % (quoted, col, col),
        })
    return chart


def write_charts(outdir):
    """charts.xlsx: the main test workbook.

    Tabs in order: Data (worksheet, 3 charts between a picture and a text box; the second is
    640x400 px), Chart Sheet (a chart sheet), Hidden (hidden worksheet, 1 chart),
    "It's here" (1 chart), Données Ünïcode (1 chart), Same Names (2 charts both called
    "Twin"), Rows And Cols (custom row heights, column widths and a hidden column under a
    default-size chart), Empty (no drawing).
    """
    png = outdir + "/red.png"
    tiny_png(png)
    book = xlsxwriter.Workbook(outdir + "/charts.xlsx")
    money = book.add_format({"num_format": "#,##0.00"})

    data = book.add_worksheet("Data")
    write_table(data, money)
    data.insert_image("E2", png)
    data.insert_chart("E9", series_chart(book, "Data", "column", columns=("B", "C")))
    data.insert_textbox("M2", "A note beside the charts")
    data.insert_chart("E30", series_chart(book, "Data", "line"), {"x_scale": 640 / 480, "y_scale": 400 / 288})
    data.insert_image("P30", png)
    data.insert_chart("E60", series_chart(book, "Data", "pie"))

    chartsheet = book.add_chartsheet("Chart Sheet")
    chartsheet.set_chart(series_chart(book, "Data", "bar"))

    hidden = book.add_worksheet("Hidden")
    write_table(hidden)
    hidden.insert_chart("E2", series_chart(book, "Hidden", "area"))
    hidden.hide()

    apostrophe = book.add_worksheet("It's here")
    write_table(apostrophe)
    apostrophe.insert_chart("D2", series_chart(book, "It's here", "column"))

    unicode_sheet = book.add_worksheet("Données Ünïcode")
    write_table(unicode_sheet)
    unicode_sheet.insert_chart("D2", series_chart(book, "Données Ünïcode", "line"))

    twins = book.add_worksheet("Same Names")
    write_table(twins)
    twins.insert_chart("E2", series_chart(book, "Same Names", "column", name="Twin"))
    twins.insert_chart("E20", series_chart(book, "Same Names", "line", name="Twin"))

    sized = book.add_worksheet("Rows And Cols")
    write_table(sized)
    sized.set_row(10, 30)        # 40 px
    sized.set_row(12, 7.5)       # 10 px
    sized.set_row(14, None, None, {"hidden": True})
    sized.set_column("F:F", 20)  # 145 px
    sized.set_column("G:G", None, None, {"hidden": True})
    sized.insert_chart("E10", series_chart(book, "Rows And Cols", "column"))

    book.add_worksheet("Empty")
    book.close()


def write_no_charts(outdir):
    """nocharts.xlsx: two worksheets with data, a picture and a shape, no chart."""
    png = outdir + "/red.png"
    tiny_png(png)
    book = xlsxwriter.Workbook(outdir + "/nocharts.xlsx")
    first = book.add_worksheet("First")
    write_table(first)
    first.insert_image("E2", png)
    first.insert_textbox("E10", "No chart here")
    book.add_worksheet("Second")
    book.close()


def write_bench(path):
    """200,000 rows x 10 columns on Data, then four sheets with five charts each."""
    book = xlsxwriter.Workbook(path, {"constant_memory": True})
    data = book.add_worksheet("Data")
    rows = 200000
    data.write_row(0, 0, ["Key"] + ["Value %d" % c for c in range(1, 10)])
    for r in range(1, rows + 1):
        data.write_string(r, 0, "K%d" % r)
        for c in range(1, 10):
            data.write_number(r, c, (r * c) % 1000 + 0.5)
    for s in range(1, 5):
        sheet = book.add_worksheet("Charts %d" % s)
        for k in range(5):
            chart = book.add_chart({"type": ["column", "line", "bar", "area", "scatter"][k]})
            col = "BCDEFGHIJ"[(s + k) % 9]
            chart.add_series({
                "name": "=Data!$%s$1" % col,
                "categories": "=Data!$A$2:$A$%d" % (1 + 50 * (k + 1)),
                "values": "=Data!$%s$2:$%s$%d" % (col, col, 1 + 50 * (k + 1)),
            })
            sheet.insert_chart(1 + 18 * k, 1, chart)
    book.close()


def write_legacy(outdir):
    """The sources the .xls tests convert to .xls through LibreOffice.

    legacy-mixed.xlsx: "Übersicht Q1" (three charts: "Sales by Month", "Größe & Kosten" and one
    left unnamed), "Graph Sheet" (a chart sheet), "Hidden Data" (hidden, one chart named
    "Hidden chart"), "Leer" (no chart), "Twins" (two charts both named "Twin"), "Spät" (one chart
    named "Ünïcode Chart"). legacy-chartsheet-only.xlsx: a worksheet without charts and a chart
    sheet.
    """
    book = xlsxwriter.Workbook(outdir + "/legacy-mixed.xlsx")
    first = book.add_worksheet("Übersicht Q1")
    write_table(first)
    first.insert_chart("E2", series_chart(book, "Übersicht Q1", "column", name="Sales by Month"))
    first.insert_chart("E20", series_chart(book, "Übersicht Q1", "line", name="Größe & Kosten"))
    first.insert_chart("M2", series_chart(book, "Übersicht Q1", "pie"))
    graph = book.add_chartsheet("Graph Sheet")
    graph.set_chart(series_chart(book, "Übersicht Q1", "bar"))
    hidden = book.add_worksheet("Hidden Data")
    write_table(hidden)
    hidden.insert_chart("D2", series_chart(book, "Hidden Data", "area", name="Hidden chart"))
    hidden.hide()
    book.add_worksheet("Leer")
    twins = book.add_worksheet("Twins")
    write_table(twins)
    twins.insert_chart("E2", series_chart(book, "Twins", "column", name="Twin"))
    twins.insert_chart("E20", series_chart(book, "Twins", "line", name="Twin"))
    late = book.add_worksheet("Spät")
    write_table(late)
    late.insert_chart("D2", series_chart(book, "Spät", "column", name="Ünïcode Chart"))
    book.close()

    book = xlsxwriter.Workbook(outdir + "/legacy-chartsheet-only.xlsx")
    write_table(book.add_worksheet("Data"))
    book.add_chartsheet("Only Chart").set_chart(series_chart(book, "Data", "column"))
    book.close()


def write_chartsheets(outdir):
    """chartsheets.xlsx: "Data" (a worksheet with one column chart), "Portrait A4" (a chart sheet
    printed portrait on A4 with half-inch margins, a line chart), "Pie Sheet" (a chart sheet with
    the page left as XlsxWriter writes it: Letter, landscape, margins 0.7 and 0.75 inch), "Q1-1"
    (a chart sheet whose picture would take the name of that of worksheet "Q1"'s first chart),
    "Q1" (a worksheet with one chart).
    chartsheet-broken.xlsx: "Data" with one chart, then a chart sheet "Lost" whose drawing part
    is missing from the package.
    """
    book = xlsxwriter.Workbook(outdir + "/chartsheets.xlsx")
    data = book.add_worksheet("Data")
    write_table(data)
    data.insert_chart("E2", series_chart(book, "Data", "column"))
    portrait = book.add_chartsheet("Portrait A4")
    portrait.set_chart(series_chart(book, "Data", "line"))
    portrait.set_portrait()
    portrait.set_paper(9)
    portrait.set_margins(0.5, 0.5, 0.5, 0.5)
    book.add_chartsheet("Pie Sheet").set_chart(series_chart(book, "Data", "pie"))
    book.add_chartsheet("Q1-1").set_chart(series_chart(book, "Data", "bar"))
    q1 = book.add_worksheet("Q1")
    write_table(q1)
    q1.insert_chart("E2", series_chart(book, "Q1", "area"))
    book.close()

    book = xlsxwriter.Workbook(outdir + "/chartsheet-whole.xlsx")
    data = book.add_worksheet("Data")
    write_table(data)
    data.insert_chart("E2", series_chart(book, "Data", "column"))
    book.add_chartsheet("Lost").set_chart(series_chart(book, "Data", "line"))
    book.close()
    # The chart sheet's drawing is the second (the worksheet's is written first).
    rewrite(outdir + "/chartsheet-whole.xlsx", outdir + "/chartsheet-broken.xlsx",
            lambda name, data: None if name == "xl/drawings/drawing2.xml" else data)
    os.remove(outdir + "/chartsheet-whole.xlsx")


# The newer chart kinds, written by hand from [MS-ODRAWXML] (chartex) since no open test data
# holds workbooks the spreadsheet application saved with them: each is a cx:chartSpace part
# reached from the drawing through mc:AlternateContent, as the application writes it.
CX_NS = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
         'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
         'xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex"')
CHARTEX_REL = "http://schemas.microsoft.com/office/2014/relationships/chartEx"
CHARTEX_TYPE = "application/vnd.ms-office.chartex+xml"
# The markup-compatibility namespace each kind's frame requires.
CX_REQUIRES = {
    "cx1": "http://schemas.microsoft.com/office/drawing/2015/9/8/chartex",
    "cx2": "http://schemas.microsoft.com/office/drawing/2015/10/21/chartex",
    "cx4": "http://schemas.microsoft.com/office/drawing/2016/5/10/chartex",
}

WATERFALL = [("Start", 100), ("Sales", 40), ("Returns", -15), ("Costs", -30), ("Tax", -10), ("End", 85)]
SAMPLES = [12, 15, 17, 19, 21, 22, 22, 24, 25, 27, 28, 30, 31, 33, 35, 38, 41, 45, 52, 75]
TREE = [("Europe", "France", 30), ("Europe", "Germany", 45), ("Europe", "Italy", 20),
        ("Asia", "Japan", 50), ("Asia", "India", 35), ("Americas", "Brazil", 25)]
STAGES = [("Visitors", 1000), ("Leads", 600), ("Offers", 250), ("Orders", 120)]
COUNTRIES = [("France", 30), ("Germany", 45), ("Italy", 20), ("Spain", 28)]


def cx_str_dim(kind, ref, levels):
    """A cx:strDim; levels is a list of lists of texts, the first level first."""
    out = '<cx:strDim type="%s"><cx:f>%s</cx:f>' % (kind, ref)
    for level in levels:
        out += '<cx:lvl ptCount="%d">' % len(level)
        out += "".join('<cx:pt idx="%d">%s</cx:pt>' % (i, t) for i, t in enumerate(level))
        out += "</cx:lvl>"
    return out + "</cx:strDim>"


def cx_num_dim(kind, ref, values):
    out = '<cx:numDim type="%s"><cx:f>%s</cx:f><cx:lvl ptCount="%d" formatCode="General">' % (kind, ref, len(values))
    out += "".join('<cx:pt idx="%d">%s</cx:pt>' % (i, repr(v)) for i, v in enumerate(values))
    return out + "</cx:lvl></cx:numDim>"


def cx_series(layout, name_ref, name, inner="", attributes=""):
    return ('<cx:series layoutId="%s"%s><cx:tx><cx:txData><cx:f>%s</cx:f><cx:v>%s</cx:v></cx:txData></cx:tx>'
            '%s</cx:series>' % (layout, attributes, name_ref, name, inner))


def chartex_part(title, data, series, axes=""):
    head = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<cx:chartSpace %s>' % CX_NS
    title_xml = ('<cx:title pos="t" align="ctr" overlay="0"><cx:tx><cx:txData><cx:v>%s</cx:v></cx:txData></cx:tx>'
                 '</cx:title>' % title) if title else ""
    return (head + '<cx:chartData><cx:data id="0">' + data + '</cx:data></cx:chartData><cx:chart>' + title_xml
            + '<cx:plotArea><cx:plotAreaRegion>' + series + '</cx:plotAreaRegion>' + axes + '</cx:plotArea>'
            + '<cx:legend pos="t" align="ctr" overlay="0"/></cx:chart></cx:chartSpace>').encode("utf-8")


CAT_VAL_AXES = ('<cx:axis id="0"><cx:catScaling gapWidth="0.5"/><cx:tickLabels/></cx:axis>'
                '<cx:axis id="1"><cx:valScaling/><cx:majorGridlines/><cx:tickLabels/></cx:axis>')


def chartex_parts():
    """(kind, requires, name, part bytes) of one chart of each newer kind, over the Data sheet
    that write_chartex fills."""
    n = len(WATERFALL)
    labels = [w[0] for w in WATERFALL]
    waterfall = chartex_part(
        "Cash flow",
        cx_str_dim("cat", "Data!$A$2:$A$%d" % (n + 1), [labels])
        + cx_num_dim("val", "Data!$B$2:$B$%d" % (n + 1), [w[1] for w in WATERFALL]),
        cx_series("waterfall", "Data!$B$1", "Amount",
                  '<cx:dataLabels pos="outEnd"><cx:visibility seriesName="0" categoryName="0" value="1"/></cx:dataLabels>'
                  '<cx:dataId val="0"/><cx:layoutPr><cx:subtotals><cx:idx val="0"/><cx:idx val="%d"/></cx:subtotals>'
                  '</cx:layoutPr>' % (n - 1)),
        CAT_VAL_AXES)
    m = len(SAMPLES)
    samples = cx_num_dim("val", "Data!$D$2:$D$%d" % (m + 1), SAMPLES)
    histogram = chartex_part(
        "Spread", samples,
        cx_series("clusteredColumn", "Data!$D$1", "Sample",
                  '<cx:dataId val="0"/><cx:layoutPr><cx:binning intervalClosed="r"/></cx:layoutPr>'),
        '<cx:axis id="0"><cx:catScaling gapWidth="0"/><cx:tickLabels/></cx:axis>'
        '<cx:axis id="1"><cx:valScaling/><cx:majorGridlines/><cx:tickLabels/></cx:axis>')
    pareto = chartex_part(
        "Causes",
        cx_str_dim("cat", "Data!$A$2:$A$%d" % (n + 1), [labels])
        + cx_num_dim("val", "Data!$C$2:$C$%d" % (n + 1), [abs(w[1]) for w in WATERFALL]),
        cx_series("clusteredColumn", "Data!$C$1", "Size",
                  '<cx:dataId val="0"/><cx:layoutPr><cx:aggregation/></cx:layoutPr><cx:axisId val="1"/>')
        + '<cx:series layoutId="paretoLine" ownerIdx="0"><cx:axisId val="2"/></cx:series>',
        '<cx:axis id="0"><cx:catScaling gapWidth="0"/><cx:tickLabels/></cx:axis>'
        '<cx:axis id="1"><cx:valScaling/><cx:majorGridlines/><cx:tickLabels/></cx:axis>'
        '<cx:axis id="2"><cx:valScaling max="1" min="0"/><cx:units unit="percentage"/><cx:tickLabels/></cx:axis>')
    box = chartex_part(
        "", samples,
        cx_series("boxWhisker", "Data!$D$1", "Sample",
                  '<cx:dataId val="0"/><cx:layoutPr><cx:visibility meanLine="0" meanMarker="1" nonoutliers="0" '
                  'outliers="1"/><cx:statistics quartileMethod="exclusive"/></cx:layoutPr>'),
        '<cx:axis id="0"><cx:catScaling gapWidth="1"/><cx:tickLabels/></cx:axis>'
        '<cx:axis id="1"><cx:valScaling/><cx:majorGridlines/><cx:tickLabels/></cx:axis>')
    t = len(TREE)
    tree_data = (cx_str_dim("cat", "Data!$F$2:$G$%d" % (t + 1), [[x[1] for x in TREE], [x[0] for x in TREE]])
                 + cx_num_dim("size", "Data!$H$2:$H$%d" % (t + 1), [x[2] for x in TREE]))
    treemap = chartex_part(
        "Markets", tree_data,
        cx_series("treemap", "Data!$H$1", "Share",
                  '<cx:dataId val="0"/><cx:layoutPr><cx:parentLabelLayout val="overlapping"/></cx:layoutPr>'))
    sunburst = chartex_part("Markets by region", tree_data,
                            cx_series("sunburst", "Data!$H$1", "Share", '<cx:dataId val="0"/>'))
    s_ = len(STAGES)
    funnel = chartex_part(
        "Pipeline",
        cx_str_dim("cat", "Data!$J$2:$J$%d" % (s_ + 1), [[x[0] for x in STAGES]])
        + cx_num_dim("val", "Data!$K$2:$K$%d" % (s_ + 1), [x[1] for x in STAGES]),
        cx_series("funnel", "Data!$K$1", "People", '<cx:dataId val="0"/>'),
        '<cx:axis id="0"><cx:catScaling gapWidth="0.06"/><cx:tickLabels/></cx:axis>')
    c = len(COUNTRIES)
    region = chartex_part(
        "By country",
        cx_str_dim("cat", "Data!$M$2:$M$%d" % (c + 1), [[x[0] for x in COUNTRIES]])
        + cx_num_dim("colorVal", "Data!$N$2:$N$%d" % (c + 1), [x[1] for x in COUNTRIES]),
        cx_series("regionMap", "Data!$N$1", "Index",
                  '<cx:dataId val="0"/><cx:layoutPr><cx:regionLabelLayout val="none"/>'
                  '<cx:geography cultureLanguage="en-US" cultureRegion="US" attribution="Powered by Bing"/>'
                  '</cx:layoutPr>'))
    return [("Waterfall", "cx1", "Waterfall 1", waterfall), ("Histogram", "cx1", "Histogram 1", histogram),
            ("Pareto", "cx1", "Pareto 1", pareto), ("Box and Whisker", "cx1", "Box 1", box),
            ("Treemap", "cx1", "Treemap 1", treemap), ("Sunburst", "cx1", "Sunburst 1", sunburst),
            ("Funnel", "cx2", "Funnel 1", funnel), ("Filled Map", "cx4", "Map 1", region)]


def chartex_anchor(row, shape_id, name, rel_id, requires):
    """A two-cell anchor at column M, rows row to row + 14, whose object is a chartex frame in
    mc:AlternateContent, with the fallback shape the spreadsheet application writes."""
    marker = ('<xdr:%s><xdr:col>%d</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>%d</xdr:row>'
              '<xdr:rowOff>0</xdr:rowOff></xdr:%s>')
    return ('<xdr:twoCellAnchor editAs="oneCell">' + marker % ("from", 15, row, "from")
            + marker % ("to", 23, row + 14, "to")
            + '<mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">'
            '<mc:Choice xmlns:%s="%s" Requires="%s"><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr>'
            '<xdr:cNvPr id="%d" name="%s"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>'
            '<xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic>'
            '<a:graphicData uri="http://schemas.microsoft.com/office/drawing/2014/chartex">'
            '<cx:chart xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="%s"/>'
            '</a:graphicData></a:graphic></xdr:graphicFrame></mc:Choice><mc:Fallback>'
            '<xdr:sp macro="" textlink=""><xdr:nvSpPr><xdr:cNvPr id="0" name=""/><xdr:cNvSpPr>'
            '<a:spLocks noTextEdit="1"/></xdr:cNvSpPr></xdr:nvSpPr><xdr:spPr><a:xfrm>'
            '<a:off x="9144000" y="%d"/><a:ext cx="4876800" cy="2667000"/></a:xfrm>'
            '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:solidFill><a:prstClr val="white"/></a:solidFill>'
            '<a:ln w="1"><a:solidFill><a:prstClr val="green"/></a:solidFill></a:ln></xdr:spPr><xdr:txBody>'
            '<a:bodyPr vertOverflow="clip" horzOverflow="clip"/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" sz="1100"/>'
            "<a:t>This chart isn't available in your version of Excel.</a:t></a:r></a:p></xdr:txBody></xdr:sp>"
            '</mc:Fallback></mc:AlternateContent><xdr:clientData/></xdr:twoCellAnchor>'
            % (requires, CX_REQUIRES[requires], requires, shape_id, name, rel_id, row * 190500)).encode("utf-8")


def add_chartex_parts(data, name, drawing, charts, anchors_after_first):
    """The entry name's bytes with the chartex charts added to drawing: the anchors after the
    drawing's first anchor (or at its end), the parts, their relationships and content types."""
    if name == "[Content_Types].xml":
        overrides = "".join('<Override PartName="/xl/charts/chartEx%d.xml" ContentType="%s"/>' % (i + 1, CHARTEX_TYPE)
                            for i in range(len(charts)))
        return data.replace(b"</Types>", overrides.encode() + b"</Types>")
    if name == "xl/drawings/_rels/%s.rels" % drawing:
        rels = "".join('<Relationship Id="rIdCx%d" Type="%s" Target="../charts/chartEx%d.xml"/>' % (i + 1, CHARTEX_REL, i + 1)
                       for i in range(len(charts)))
        return data.replace(b"</Relationships>", rels.encode() + b"</Relationships>")
    if name == "xl/drawings/%s" % drawing:
        anchors = b"".join(chartex_anchor(2 + 16 * i, 100 + i, charts[i][2], "rIdCx%d" % (i + 1), charts[i][1])
                           for i in range(len(charts)))
        if anchors_after_first:
            cut = data.index(b"</xdr:twoCellAnchor>") + len(b"</xdr:twoCellAnchor>")
            return data[:cut] + anchors + data[cut:]
        return data.replace(b"</xdr:wsDr>", anchors + b"</xdr:wsDr>")
    return data


def write_chartex(outdir):
    """chartex.xlsx: worksheet "Data" (the tables) holds a classic column chart, then one chart
    of each newer kind (waterfall "Cash flow", histogram "Spread", pareto "Causes", box and
    whisker without a title, treemap "Markets", sunburst "Markets by region", funnel "Pipeline",
    region map "By country"), then a classic line chart; "Empty" follows without charts.
    chartex-only.xlsx: "Data" holds nothing but the eight newer charts (and a picture).
    chartex-unknown.xlsx: chartex-only.xlsx whose funnel frame requires a namespace besides cx2
    that no reader knows."""
    for file_name, classic in (("chartex.xlsx", True), ("chartex-only.xlsx", False)):
        stem = outdir + "/" + file_name + ".base.xlsx"
        book = xlsxwriter.Workbook(stem)
        data = book.add_worksheet("Data")
        data.write_row(0, 0, ["Step", "Amount", "Size", "Sample", "", "Country", "Region", "Share", "",
                              "Stage", "People", "", "Country", "Index"])
        for i, (label, value) in enumerate(WATERFALL):
            data.write_row(i + 1, 0, [label, value, abs(value)])
        for i, value in enumerate(SAMPLES):
            data.write_number(i + 1, 3, value)
        for i, (region, country, value) in enumerate(TREE):
            data.write_row(i + 1, 5, [country, region, value])
        for i, (stage, value) in enumerate(STAGES):
            data.write_row(i + 1, 9, [stage, value])
        for i, (country, value) in enumerate(COUNTRIES):
            data.write_row(i + 1, 12, [country, value])
        if classic:
            chart = book.add_chart({"type": "column"})
            chart.add_series({"name": "=Data!$B$1", "categories": "=Data!$A$2:$A$7", "values": "=Data!$B$2:$B$7"})
            data.insert_chart("P140", chart)
            chart = book.add_chart({"type": "line"})
            chart.add_series({"name": "=Data!$C$1", "categories": "=Data!$A$2:$A$7", "values": "=Data!$C$2:$C$7"})
            data.insert_chart("P160", chart)
        else:
            # A picture gives the sheet a drawing for the newer charts to join.
            png = outdir + "/red.png"
            tiny_png(png)
            data.insert_image("P140", png)
        book.add_worksheet("Empty")
        book.close()
        charts = chartex_parts()
        parts = {"xl/charts/chartEx%d.xml" % (i + 1): c[3] for i, c in enumerate(charts)}
        with zipfile.ZipFile(stem) as zin, zipfile.ZipFile(outdir + "/" + file_name, "w", zipfile.ZIP_DEFLATED) as zout:
            for info in zin.infolist():
                zout.writestr(info.filename, add_chartex_parts(zin.read(info.filename), info.filename, "drawing1.xml",
                                                               charts, classic))
            for part, body in parts.items():
                zout.writestr(part, body)
        os.remove(stem)
    write_chartex_chartsheet(outdir)
    # The funnel's choice also requires a namespace no reader knows: it is read as its fallback,
    # a shape, and is no chart.
    rewrite(outdir + "/chartex-only.xlsx", outdir + "/chartex-unknown.xlsx",
            lambda n, d: d.replace(b'Requires="cx2"', b'xmlns:zz="urn:example:unknown" Requires="cx2 zz"')
            if n == "xl/drawings/drawing1.xml" else d)


def write_chartex_chartsheet(outdir):
    """chartex-chartsheet.xlsx: worksheet "Data" (the waterfall's table, no chart), then chart
    sheet "Flow" whose only chart is the waterfall "Cash flow": its drawing's absolute anchor
    holds the chartex frame in mc:AlternateContent, as a worksheet's anchor would."""
    stem = outdir + "/chartex-chartsheet.base.xlsx"
    book = xlsxwriter.Workbook(stem)
    data = book.add_worksheet("Data")
    data.write_row(0, 0, ["Step", "Amount"])
    for i, (label, value) in enumerate(WATERFALL):
        data.write_row(i + 1, 0, [label, value])
    placeholder = book.add_chart({"type": "column"})
    placeholder.add_series({"values": "=Data!$B$2:$B$7"})
    book.add_chartsheet("Flow").set_chart(placeholder)
    book.close()
    kind, requires, name, part = chartex_parts()[0]
    frame = ('<mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">'
             '<mc:Choice xmlns:%s="%s" Requires="%s"><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr>'
             '<xdr:cNvPr id="2" name="%s"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>'
             '<xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic>'
             '<a:graphicData uri="http://schemas.microsoft.com/office/drawing/2014/chartex">'
             '<cx:chart xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex" '
             'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId1"/>'
             '</a:graphicData></a:graphic></xdr:graphicFrame></mc:Choice><mc:Fallback/></mc:AlternateContent>'
             % (requires, CX_REQUIRES[requires], requires, name)).encode("utf-8")

    def change(entry, body):
        if entry == "xl/charts/chart1.xml":
            return None
        if entry == "[Content_Types].xml":
            return body.replace(b'<Override PartName="/xl/charts/chart1.xml" '
                                b'ContentType="application/vnd.openxmlformats-officedocument.drawingml.chart+xml"/>',
                                ('<Override PartName="/xl/charts/chartEx1.xml" ContentType="%s"/>'
                                 % CHARTEX_TYPE).encode())
        if entry == "xl/drawings/_rels/drawing1.xml.rels":
            return body.replace(b"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart",
                                CHARTEX_REL.encode()).replace(b"chart1.xml", b"chartEx1.xml")
        if entry == "xl/drawings/drawing1.xml":
            start = body.index(b"<xdr:graphicFrame")
            end = body.index(b"</xdr:graphicFrame>") + len(b"</xdr:graphicFrame>")
            return body[:start] + frame + body[end:]
        return body

    with zipfile.ZipFile(stem) as zin, zipfile.ZipFile(outdir + "/chartex-chartsheet.xlsx", "w",
                                                      zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            body = change(info.filename, zin.read(info.filename))
            if body is not None:
                zout.writestr(info.filename, body)
        zout.writestr("xl/charts/chartEx1.xml", part)
    os.remove(stem)


def write_three_sheets(outdir):
    """legacy-three-sheets.xlsx: Sheet1 without charts, Sheet2 and Sheet3 with one chart each
    (a column and a line chart): what the .xls tests' stand-in converter hands back."""
    book = xlsxwriter.Workbook(outdir + "/legacy-three-sheets.xlsx")
    write_table(book.add_worksheet("Sheet1"))
    for name, kind in (("Sheet2", "column"), ("Sheet3", "line")):
        sheet = book.add_worksheet(name)
        write_table(sheet)
        sheet.insert_chart("E2", series_chart(book, name, kind))
    book.close()


def write_many_sheets(path):
    """50 worksheets, each with a small table and two charts on it."""
    book = xlsxwriter.Workbook(path)
    for s in range(1, 51):
        name = "Sheet %d" % s
        sheet = book.add_worksheet(name)
        write_table(sheet)
        sheet.insert_chart("E2", series_chart(book, name, "column"))
        sheet.insert_chart("E20", series_chart(book, name, "line"))
    book.close()


def rewrite(source, target, change):
    """Copies the zip source to target, passing every entry's (name, bytes) through change,
    which returns the new bytes, or None to leave the entry out."""
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            data = change(info.filename, zin.read(info.filename))
            if data is not None:
                zout.writestr(info.filename, data)


GROUP_AND_CHARTEX = b"""<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>5</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id="20" name="Group 1"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr><xdr:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="100" cy="100"/><a:chOff x="0" y="0"/><a:chExt cx="100" cy="100"/></a:xfrm></xdr:grpSpPr><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="21" name="Grouped Chart"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x="0" y="0"/><a:ext cx="100" cy="100"/></xdr:xfrm><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/chart"><c:chart xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId1"/></a:graphicData></a:graphic></xdr:graphicFrame></xdr:grpSp><xdr:clientData/></xdr:twoCellAnchor><mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><mc:Choice xmlns:cx1="http://schemas.microsoft.com/office/drawing/2015/9/8/chartex" Requires="cx1"><xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>6</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>9</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="22" name="Waterfall 1"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic><a:graphicData uri="http://schemas.microsoft.com/office/drawing/2014/chartex"><cx:chart xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId1"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor></mc:Choice><mc:Fallback/></mc:AlternateContent><xdr:oneCellAnchor><xdr:from><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx="1234567" cy="765432"/><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="23" name="One Cell"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/chart"><c:chart xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId1"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:oneCellAnchor>"""


def write_variants(outdir):
    """Hand-edited copies of charts.xlsx, for what XlsxWriter cannot make and for faults.

    groups.xlsx: the drawing of "It's here" (drawing4.xml) also holds a chart inside a group
    shape, an anchor wrapped whole in mc:AlternateContent whose frame is a waterfall chart
    "Waterfall 1" (chartEx1.xml) and a one-cell-anchored chart "One Cell" (ext 1234567 x 765432
    EMU) after its own chart.
    Faults: notazip.xlsx, truncated.xlsx, noworkbook.xlsx, dangling.xlsx (the first chart part
    of Data is missing), malformed-drawing.xlsx (drawing1.xml cut short), bomb.xlsx
    (drawing1.xml claims 4 GB uncompressed), badsheet.xlsx (the Data worksheet's XML is cut
    short while its drawing is whole).
    """
    source = outdir + "/charts.xlsx"

    waterfall = chartex_parts()[0]

    def add_group(name, data):
        if name == "xl/drawings/drawing4.xml":
            cx = b'<cx:chart xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex" ' \
                 b'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId1"/>'
            return data.replace(b"</xdr:wsDr>", GROUP_AND_CHARTEX.replace(cx, cx.replace(b"rId1", b"rIdCx1"))
                                + b"</xdr:wsDr>")
        if name == "xl/drawings/_rels/drawing4.xml.rels":
            return data.replace(b"</Relationships>", b'<Relationship Id="rIdCx1" Type="%s" '
                                b'Target="../charts/chartEx1.xml"/></Relationships>' % CHARTEX_REL.encode())
        if name == "[Content_Types].xml":
            return data.replace(b"</Types>", b'<Override PartName="/xl/charts/chartEx1.xml" ContentType="%s"/></Types>'
                                % CHARTEX_TYPE.encode())
        return data
    rewrite(source, outdir + "/groups.xlsx", add_group)
    with zipfile.ZipFile(outdir + "/groups.xlsx", "a") as book:
        book.writestr("xl/charts/chartEx1.xml", waterfall[3])

    with open(outdir + "/notazip.xlsx", "w") as f:
        f.write("Month,Sales\nJan,1\n")
    with open(source, "rb") as f:
        whole = f.read()
    with open(outdir + "/truncated.xlsx", "wb") as f:
        f.write(whole[: len(whole) // 2])

    rewrite(source, outdir + "/noworkbook.xlsx", lambda n, d: None if n == "xl/workbook.xml" else d)
    rewrite(source, outdir + "/dangling.xlsx", lambda n, d: None if n == "xl/charts/chart1.xml" else d)
    rewrite(source, outdir + "/malformed-drawing.xlsx",
            lambda n, d: d[: len(d) // 2] if n == "xl/drawings/drawing1.xml" else d)
    rewrite(source, outdir + "/badsheet.xlsx",
            lambda n, d: d[: len(d) // 3] if n == "xl/worksheets/sheet1.xml" else d)

    # The "It's here" chart's values refer to a sheet that is not there: only its caches hold them.
    rewrite(source, outdir + "/cachefallback.xlsx",
            lambda n, d: d.replace(b"'It''s here'!$B$2:$B$7", b"Gone!$B$2:$B$7") if n.startswith("xl/charts/") else d)

    # The first chart of Data gains a chart style and a user-shapes drawing holding a picture,
    # which the copied chart must carry along; chartdangling.xlsx points at a style that is not there.
    rels = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            b'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            b'<Relationship Id="rId1" Type="http://schemas.microsoft.com/office/2011/relationships/chartStyle" Target="style1.xml"/>'
            b'<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes" Target="../drawings/drawing99.xml"/>'
            b'</Relationships>')
    shapes = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              b'<c:userShapes xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart"/>')
    shapes_rels = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                   b'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   b'<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="../media/image1.png"/>'
                   b'</Relationships>')
    style = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             b'<cs:chartStyle xmlns:cs="http://schemas.microsoft.com/office/drawing/2012/chartStyle" id="201"/>')
    overrides = (b'<Override PartName="/xl/charts/style1.xml" ContentType="application/vnd.ms-office.chartstyle+xml"/>'
                 b'<Override PartName="/xl/drawings/drawing99.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml"/></Types>')

    def chart_parts(dangling):
        def change(name, data):
            if name == "[Content_Types].xml":
                return data.replace(b"</Types>", overrides)
            if name == "xl/drawings/_rels/drawing1.xml.rels":
                # Written here so the extra parts are added to the zip once, after this entry.
                return data
            return data
        with zipfile.ZipFile(source) as zin:
            target = outdir + ("/chartdangling.xlsx" if dangling else "/chartparts.xlsx")
            with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
                for info in zin.infolist():
                    zout.writestr(info.filename, change(info.filename, zin.read(info.filename)))
                zout.writestr("xl/charts/_rels/chart1.xml.rels",
                              rels.replace(b"style1.xml", b"style9.xml") if dangling else rels)
                zout.writestr("xl/charts/style1.xml", style)
                zout.writestr("xl/drawings/drawing99.xml", shapes)
                zout.writestr("xl/drawings/_rels/drawing99.xml.rels", shapes_rels)
    chart_parts(False)
    chart_parts(True)

    # A part whose sizes in the local header and the central directory claim 4 GB.
    rewrite(source, outdir + "/bomb.xlsx", lambda n, d: d)
    with open(outdir + "/bomb.xlsx", "rb") as f:
        zipped = bytearray(f.read())
    target = b"xl/drawings/drawing1.xml"
    for signature, size_offset, name_offset in ((b"PK\x03\x04", 22, 30), (b"PK\x01\x02", 24, 46)):
        for m in re.finditer(re.escape(signature), bytes(zipped)):
            start = m.start()
            name_length = struct.unpack_from("<H", zipped, start + name_offset - 2 - (16 if signature == b"PK\x01\x02" else 2))[0]
            if zipped[start + name_offset: start + name_offset + name_length] == target:
                struct.pack_into("<I", zipped, start + size_offset, 0xFFFFFFF0)
    with open(outdir + "/bomb.xlsx", "wb") as f:
        f.write(zipped)


C_NS = "http://schemas.openxmlformats.org/drawingml/2006/chart"
APP_NS = "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"
SHOW_FLAGS = ("showLegendKey", "showVal", "showCatName", "showSerName", "showPercent",
              "showBubbleSize", "showLeaderLines")


def rewrite_xml(data, edit):
    """Parses data, lets edit change the tree, and serialises it again with the document's own
    namespace prefixes."""
    for _, (prefix, uri) in ET.iterparse(io.BytesIO(data), events=("start-ns",)):
        ET.register_namespace(prefix, uri)
    root = ET.fromstring(data)
    edit(root)
    return ET.tostring(root, encoding="UTF-8", xml_declaration=True)


def lean_on_2007_defaults(root):
    """Leaves out of a chart what Excel 2007 leaves out when the user kept its defaults: tick
    marks, the smoothing flag of line and scatter series, every data-label flag but showVal,
    the trendline label flags, the series markers of line charts (the group's flag decides)
    and varyColors of pie charts."""
    c = "{%s}" % C_NS
    parents = {child: parent for parent in root.iter() for child in parent}
    for tag in ("majorTickMark", "minorTickMark", "smooth", "dispEq", "dispRSqr"):
        for element in list(root.iter(c + tag)):
            parents[element].remove(element)
    for labels in list(root.iter(c + "dLbls")) + list(root.iter(c + "dLbl")):
        for flag in SHOW_FLAGS:
            element = labels.find(c + flag)
            if element is not None and flag != "showVal":
                labels.remove(element)
    for chart in root.iter(c + "lineChart"):
        for series in chart.findall(c + "ser"):
            marker = series.find(c + "marker")
            if marker is not None:
                series.remove(marker)
    for chart in root.iter(c + "pieChart"):
        vary = chart.find(c + "varyColors")
        if vary is not None:
            chart.remove(vary)


def producer_excel_2007(root):
    ns = "{%s}" % APP_NS
    for tag, text in (("Application", "Microsoft Excel"), ("AppVersion", "12.0000")):
        element = root.find(ns + tag)
        if element is None:
            element = ET.SubElement(root, ns + tag)
        element.text = text


def write_defaults_2007(outdir):
    """defaults-2007.xlsx: one worksheet "Data" with six charts that rely on what a file saved
    by Excel 2007 leaves out (see lean_on_2007_defaults) and a docProps/app.xml naming
    "Microsoft Excel" 12.0000: "Line Defaults" (two line series, no marker or smoothing
    element, data labels of the first with showVal only), "Column Labels" (values as labels),
    "Scatter Trend" (markers and lines, a linear trendline without its label flags),
    "Bar Ticks" (no tick mark elements), "Pie Labels" (values as labels, no varyColors) and
    "Line Trend" (a line series with a polynomial trendline)."""
    plain = outdir + "/defaults-2007-plain.xlsx"
    book = xlsxwriter.Workbook(plain)
    data = book.add_worksheet("Data")
    write_table(data)

    def add(kind, name, anchor, series, subtype=None):
        options = {"type": kind, "name": name}
        if subtype:
            options["subtype"] = subtype
        chart = book.add_chart(options)
        for col, extra in series:
            entry = {"name": "=Data!$%s$1" % col, "categories": "=Data!$A$2:$A$7",
                     "values": "=Data!$%s$2:$%s$7" % (col, col)}
            entry.update(extra)
            chart.add_series(entry)
        data.insert_chart(anchor, chart)

    add("line", "Line Defaults", "E2", [("B", {"data_labels": {"value": True}}), ("C", {})])
    add("column", "Column Labels", "M2", [("B", {"data_labels": {"value": True}})])
    add("scatter", "Scatter Trend", "E18", [("B", {"trendline": {"type": "linear"}})],
        subtype="straight_with_markers")
    add("bar", "Bar Ticks", "M18", [("B", {}), ("C", {})])
    add("pie", "Pie Labels", "E34", [("B", {"data_labels": {"value": True}})])
    add("line", "Line Trend", "M34", [("C", {"trendline": {"type": "polynomial", "order": 2}})])
    book.close()

    def change(name, data):
        if name.startswith("xl/charts/chart") and name.endswith(".xml"):
            return rewrite_xml(data, lean_on_2007_defaults)
        if name == "docProps/app.xml":
            return rewrite_xml(data, producer_excel_2007)
        return data
    rewrite(plain, outdir + "/defaults-2007.xlsx", change)
    os.remove(plain)
    write_defaults_2007_more(outdir)


def strip_caches(root):
    """Takes every cached value out of a chart: its references keep their formulas only."""
    c = "{%s}" % C_NS
    for tag in ("numRef", "strRef"):
        for ref in root.iter(c + tag):
            for cache in list(ref):
                if cache.tag in (c + "numCache", c + "strCache"):
                    ref.remove(cache)


def name_from_cache_only(root):
    """The series name's cell is empty on the sheet; only the chart's cache knows the name, as
    with a pivot chart's "Sum of Freight"."""
    c = "{%s}" % C_NS
    for tx in root.iter(c + "tx"):
        ref = tx.find(c + "strRef")
        if ref is None:
            continue
        for cache in list(ref):
            if cache.tag == c + "strCache":
                ref.remove(cache)
        cache = ET.SubElement(ref, c + "strCache")
        ET.SubElement(cache, c + "ptCount").set("val", "1")
        pt = ET.SubElement(cache, c + "pt")
        pt.set("idx", "0")
        ET.SubElement(pt, c + "v").text = "Sum of Freight"


A_NS = "http://schemas.openxmlformats.org/drawingml/2006/main"


def theme_references(root):
    """Formats the chart the way later versions write it, through the theme: the series filled
    with accent2 and outlined in tx1 (lumMod 75 %), the gridlines in tx1 (lumMod 15 %, lumOff
    85 %), the text in the theme's minor font."""
    c, a = "{%s}" % C_NS, "{%s}" % A_NS
    ET.register_namespace("a", A_NS)

    def scheme(parent, value, *transforms):
        color = ET.SubElement(parent, a + "schemeClr", {"val": value})
        for name, amount in transforms:
            ET.SubElement(color, a + name, {"val": str(amount)})

    def insert_after(parent, element, after_tags):
        children = list(parent)
        index = 0
        for i, child in enumerate(children):
            if child.tag in after_tags:
                index = i + 1
        parent.insert(index, element)

    for series in root.iter(c + "ser"):
        sp = ET.Element(c + "spPr")
        scheme(ET.SubElement(sp, a + "solidFill"), "accent2")
        line = ET.SubElement(sp, a + "ln", {"w": "12700"})
        scheme(ET.SubElement(line, a + "solidFill"), "tx1", ("lumMod", 75000))
        insert_after(series, sp, (c + "idx", c + "order", c + "tx"))
    for grid in root.iter(c + "majorGridlines"):
        sp = ET.SubElement(grid, c + "spPr")
        line = ET.SubElement(sp, a + "ln", {"w": "9525"})
        scheme(ET.SubElement(line, a + "solidFill"), "tx1", ("lumMod", 15000), ("lumOff", 85000))
    tx = ET.Element(c + "txPr")
    ET.SubElement(tx, a + "bodyPr")
    ET.SubElement(tx, a + "lstStyle")
    defaults = ET.SubElement(ET.SubElement(ET.SubElement(tx, a + "p"), a + "pPr"), a + "defRPr", {"sz": "900"})
    scheme(ET.SubElement(defaults, a + "solidFill"), "tx1", ("lumMod", 65000), ("lumOff", 35000))
    ET.SubElement(defaults, a + "latin", {"typeface": "+mn-lt"})
    insert_after(root, tx, (c + "chart", c + "spPr"))


def write_defaults_2007_more(outdir):
    """defaults-2007-more.xlsx: more charts of the 2007 producer, on "Data": "Many Series"
    (eight column series: the style's colours past the sixth), "Styled Lines" (two line series
    in chart style 26), "Dark Bars" (style 42), "Doughnut Plain" (no varyColors), "No Caches"
    (a column chart whose references carry no cached values), "Pivot Names" (a column
    series named by an empty cell, whose cache alone holds "Sum of Freight") and "Theme
    Colours" (series, gridlines and text formatted through theme colours and fonts)."""
    plain = outdir + "/defaults-2007-more-plain.xlsx"
    book = xlsxwriter.Workbook(plain)
    data = book.add_worksheet("Data")
    write_table(data)
    extra = ["Value %d" % n for n in range(4, 10)]
    data.write_row(0, 3, extra)
    for r in range(1, 7):
        data.write_row(r, 3, [(r * (k + 3)) % 17 + 2 for k in range(len(extra))])

    def add(kind, name, anchor, columns, style=None):
        chart = book.add_chart({"type": kind, "name": name})
        for col in columns:
            chart.add_series({"name": "=Data!$%s$1" % col, "categories": "=Data!$A$2:$A$7",
                              "values": "=Data!$%s$2:$%s$7" % (col, col)})
        if style:
            chart.set_style(style)
        data.insert_chart(anchor, chart)

    add("column", "Many Series", "L2", "BCDEFGHI")
    add("line", "Styled Lines", "T2", "BC", style=26)
    add("bar", "Dark Bars", "L18", "BC", style=42)
    add("doughnut", "Doughnut Plain", "T18", "B")
    add("column", "No Caches", "L34", "BC")
    chart = book.add_chart({"type": "column", "name": "Pivot Names"})
    chart.add_series({"name": "=Data!$K$1", "categories": "=Data!$A$2:$A$7", "values": "=Data!$B$2:$B$7"})
    data.insert_chart("T34", chart)
    add("column", "Theme Colours", "L50", "BC")
    book.close()

    def change(name, data):
        if name.startswith("xl/charts/chart") and name.endswith(".xml"):
            def edit(root):
                lean_on_2007_defaults(root)
                if name == "xl/charts/chart4.xml":
                    c = "{%s}" % C_NS
                    for chart in root.iter(c + "doughnutChart"):
                        vary = chart.find(c + "varyColors")
                        if vary is not None:
                            chart.remove(vary)
                if name == "xl/charts/chart5.xml":
                    strip_caches(root)
                if name == "xl/charts/chart6.xml":
                    name_from_cache_only(root)
                if name == "xl/charts/chart7.xml":
                    theme_references(root)
            return rewrite_xml(data, edit)
        if name == "docProps/app.xml":
            return rewrite_xml(data, producer_excel_2007)
        return data
    rewrite(plain, outdir + "/defaults-2007-more.xlsx", change)
    os.remove(plain)


def write_shared_ranges(outdir):
    """Charts whose ranges meet, for reading each sheet once.

    shared-ranges.xlsx: "Left" holds months in A2:A7 and values 1..6 in B2:B7, "Right" values
    10..60 in B2:B7. "Left" carries "Across" (categories Left!A2:A7, values Right!B2:B7) and
    "Same" (values Left!B2:B7); "Right" carries "Same too" (values Left!B2:B7, the same range,
    and Right!B2:B40, past the sheet's last row).
    shared-ranges-changed.xlsx: the same with every value times 100.
    unordered.xlsx: shared-ranges.xlsx with the rows of "Left", and the cells in each row,
    written in reverse order.
    """
    for name, scale in (("shared-ranges.xlsx", 1), ("shared-ranges-changed.xlsx", 100)):
        book = xlsxwriter.Workbook(outdir + "/" + name)
        left = book.add_worksheet("Left")
        right = book.add_worksheet("Right")
        left.write_row(0, 0, ["Month", "Left"])
        right.write_row(0, 0, ["Month", "Right"])
        for i, month in enumerate(MONTHS):
            left.write_row(i + 1, 0, [month, (i + 1) * scale])
            right.write_row(i + 1, 0, [month, (i + 1) * 10 * scale])
        charts = []
        for title, series in (("Across", [("=Left!$A$2:$A$7", "=Right!$B$2:$B$7")]),
                              ("Same", [("=Left!$A$2:$A$7", "=Left!$B$2:$B$7")]),
                              ("Same too", [(None, "=Left!$B$2:$B$7"), (None, "=Right!$B$2:$B$40")])):
            chart = book.add_chart({"type": "line", "name": title})
            for categories, values in series:
                options = {"values": values}
                if categories:
                    options["categories"] = categories
                chart.add_series(options)
            charts.append(chart)
        left.insert_chart("D2", charts[0])
        left.insert_chart("D20", charts[1])
        right.insert_chart("D2", charts[2])
        book.close()

    def reverse_rows(name, data):
        if name != "xl/worksheets/sheet1.xml":
            return data
        text = data.decode("utf-8")
        start, end = text.index("<sheetData>") + len("<sheetData>"), text.index("</sheetData>")
        rows = re.findall(r"<row [^>]*>.*?</row>", text[start:end])
        flipped = []
        for row in reversed(rows):
            head = row[:row.index(">") + 1]
            cells = re.findall(r"<c [^>]*?(?:/>|>.*?</c>)", row)
            flipped.append(head + "".join(reversed(cells)) + "</row>")
        return (text[:start] + "".join(flipped) + text[end:]).encode("utf-8")

    rewrite(outdir + "/shared-ranges.xlsx", outdir + "/unordered.xlsx", reverse_rows)


def main(argv):
    if len(argv) == 3 and argv[1] == "--bench":
        write_bench(argv[2])
    elif len(argv) == 3 and argv[1] == "--legacy":
        write_legacy(argv[2])
    elif len(argv) == 3 and argv[1] == "--many-sheets":
        write_many_sheets(argv[2])
    elif len(argv) == 3 and argv[1] == "--defaults-2007":
        write_defaults_2007(argv[2])
    elif len(argv) == 2:
        write_charts(argv[1])
        write_no_charts(argv[1])
        write_three_sheets(argv[1])
        write_chartsheets(argv[1])
        write_chartex(argv[1])
        write_variants(argv[1])
        write_shared_ranges(argv[1])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
