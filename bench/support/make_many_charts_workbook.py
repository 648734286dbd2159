#!/usr/bin/python3
"""Writes a workbook of many chart objects for the listing benchmark.

    make_many_charts_workbook.py OUT.xlsx SHEETS FRAMES_PER_SHEET PARTS_PER_SHEET

Each of SHEETS worksheets has PARTS_PER_SHEET column charts made by XlsxWriter; its drawing is
then written again with FRAMES_PER_SHEET chart frames ("Chart 1", "Chart 2"...), each with a
relationship of its own, frame k showing chart part k mod PARTS_PER_SHEET. So the workbook
lists SHEETS x FRAMES_PER_SHEET charts while its package stays within the entry bound a reader
takes (one part per chart would not). Needs XlsxWriter (python3-xlsxwriter).
"""
import re
import sys
import zipfile

import xlsxwriter

DRAWING_NS = ('xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" '
              'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"')
CHART_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart"


def main():
    out, sheets, frames, parts = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    plain = out + ".plain.xlsx"
    book = xlsxwriter.Workbook(plain)
    for s in range(1, sheets + 1):
        sheet = book.add_worksheet("Data %d" % s)
        for p in range(parts):
            sheet.write_column(0, p, [s, p + 1, s + p])
            chart = book.add_chart({"type": "column"})
            column = xlsxwriter.utility.xl_col_to_name(p)
            chart.add_series({"values": "='Data %d'!$%s$1:$%s$3" % (s, column, column)})
            sheet.insert_chart(4 + p * 16, 0, chart)
    book.close()

    with zipfile.ZipFile(plain) as source, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as target:
        for item in source.infolist():
            data = source.read(item.filename)
            drawing = re.fullmatch(r"xl/drawings/(_rels/)?drawing(\d+)\.xml(\.rels)?", item.filename)
            if drawing and not drawing.group(1):
                data = frames_xml(frames).encode()
            elif drawing:
                targets = re.findall(r'Target="([^"]+)"', data.decode())
                data = rels_xml(frames, targets).encode()
            target.writestr(item, data)
    import os
    os.remove(plain)


def frames_xml(frames):
    anchors = []
    for k in range(frames):
        row = k * 2
        anchors.append(
            '<xdr:twoCellAnchor><xdr:from><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>%d</xdr:row>'
            '<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>9</xdr:col><xdr:colOff>0</xdr:colOff>'
            '<xdr:row>%d</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:graphicFrame macro="">'
            '<xdr:nvGraphicFramePr><xdr:cNvPr id="%d" name="Chart %d"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>'
            '<xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic>'
            '<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/chart">'
            '<c:chart xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" r:id="rId%d"/>'
            '</a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor>'
            % (row, row + 14, k + 2, k + 1, k + 1))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<xdr:wsDr %s>%s</xdr:wsDr>'
            % (DRAWING_NS, "".join(anchors)))


def rels_xml(frames, targets):
    rels = ''.join('<Relationship Id="rId%d" Type="%s" Target="%s"/>' % (k + 1, CHART_REL, targets[k % len(targets)])
                   for k in range(frames))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>'
            % rels)


if __name__ == "__main__":
    main()
