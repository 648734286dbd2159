#!/usr/bin/python3
"""Writes outside-deck.fodp, a flat OpenDocument presentation that the slide tests have
LibreOffice save as .pptx, to stand for a deck made by an office application:

    /usr/bin/python3 tests/slide/make-outside-deck.py OUTDIR

slide 1  title and subtitle over a gradient background, a bold red and an italic word
slide 2  a title and a bulleted list with a second level
slide 3  preset shapes with text (rectangle, rounded rectangle, ellipse, triangle, arrow,
         chevron, callout, diamond), a line with an arrow head and a group, on a solid background
slide 4  two pictures, a table and a centred text box
"""

import base64
import os
import struct
import sys
import zlib


def png(width, height, colour):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + b"".join(bytes(colour(x, y)) for x in range(width)) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


NAMESPACES = (
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
    'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
    'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
    'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
    'office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation"')


def shape(kind, x, y, w, h, style, text=""):
    return (f'<draw:custom-shape draw:style-name="{style}" svg:x="{x}cm" svg:y="{y}cm" svg:width="{w}cm" '
            f'svg:height="{h}cm"><text:p>{text}</text:p><draw:enhanced-geometry draw:type="{kind}"/></draw:custom-shape>')


def deck():
    photo = base64.b64encode(png(160, 120, lambda x, y: (40 + x, 80 + y, 200 - x // 2))).decode()
    checks = base64.b64encode(png(80, 80, lambda x, y: (255, 200, 0) if (x // 10 + y // 10) % 2 else (30, 30, 120))).decode()
    cells = [["Region", "Q1", "Q2"], ["North", "120", "135"], ["South", "98", "110"], ["East", "143", "150"]]
    rows = "".join("<table:table-row>" + "".join(
        f'<table:table-cell office:value-type="string"><text:p>{c}</text:p></table:table-cell>' for c in row)
        + "</table:table-row>" for row in cells)
    shapes = "".join([
        shape("rectangle", 1, 1, 5, 3, "blue", "Rectangle"), shape("round-rectangle", 7, 1, 5, 3, "orange", "Rounded"),
        shape("ellipse", 13, 1, 5, 3, "blue", "Ellipse"), shape("isosceles-triangle", 19, 1, 4, 3, "green"),
        shape("right-arrow", 1, 5.5, 5, 2.5, "orange", "Arrow"), shape("chevron", 7, 5.5, 5, 2.5, "blue"),
        shape("rectangular-callout", 13, 5.5, 5, 2.5, "orange", "Callout"), shape("diamond", 19, 5.5, 4, 3, "green")])
    group = shape("ellipse", 14, 10, 3, 3, "green") + shape("rectangle", 18, 10, 4, 3, "blue", "Grouped")
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document {NAMESPACES}>
<office:styles>
 <style:style style:name="blue" style:family="graphic"><style:graphic-properties draw:fill="solid" draw:fill-color="#2e6db4" draw:stroke="solid" svg:stroke-color="#1f2a44" svg:stroke-width="0.05cm"/><style:text-properties fo:color="#ffffff" fo:font-size="14pt"/></style:style>
 <style:style style:name="orange" style:family="graphic"><style:graphic-properties draw:fill="solid" draw:fill-color="#ed7d31" draw:stroke="solid" svg:stroke-color="#843c0c"/><style:text-properties fo:font-size="14pt"/></style:style>
 <style:style style:name="green" style:family="graphic"><style:graphic-properties draw:fill="solid" draw:fill-color="#70ad47" draw:stroke="none"/></style:style>
 <style:style style:name="arrowline" style:family="graphic"><style:graphic-properties draw:stroke="solid" svg:stroke-color="#c00000" svg:stroke-width="0.08cm" draw:marker-end="Arrow" draw:marker-end-width="0.4cm"/></style:style>
 <draw:marker draw:name="Arrow" svg:viewBox="0 0 20 30" svg:d="M10 0l-10 30h20z"/>
</office:styles>
<office:automatic-styles>
 <style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="15.75cm" style:print-orientation="landscape"/></style:page-layout>
 <style:style style:name="dp1" style:family="drawing-page"><style:drawing-page-properties draw:background-size="full" draw:fill="gradient" draw:fill-gradient-name="sky"/></style:style>
 <style:style style:name="dp2" style:family="drawing-page"><style:drawing-page-properties draw:background-size="full" draw:fill="solid" draw:fill-color="#fff8e7"/></style:style>
 <style:style style:name="bold" style:family="text"><style:text-properties fo:font-weight="bold" fo:color="#c00000"/></style:style>
 <style:style style:name="ital" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
 <style:style style:name="ctr" style:family="paragraph"><style:paragraph-properties fo:text-align="center"/><style:text-properties fo:font-size="28pt"/></style:style>
</office:automatic-styles>
<office:master-styles>
 <draw:gradient draw:name="sky" draw:style="linear" draw:start-color="#ffffff" draw:end-color="#c9dcf0" draw:angle="0"/>
 <style:master-page style:name="Default" style:page-layout-name="PM1"/>
</office:master-styles>
<office:body><office:presentation>
 <draw:page draw:name="Title" draw:master-page-name="Default" draw:style-name="dp1">
  <draw:frame presentation:class="title" svg:x="2cm" svg:y="3cm" svg:width="24cm" svg:height="3cm"><draw:text-box><text:p>Regional sales review</text:p></draw:text-box></draw:frame>
  <draw:frame presentation:class="subtitle" svg:x="2cm" svg:y="7cm" svg:width="24cm" svg:height="3cm"><draw:text-box><text:p>Made in LibreOffice Impress, <text:span text:style-name="bold">bold red</text:span> and <text:span text:style-name="ital">italic</text:span> words</text:p></draw:text-box></draw:frame>
 </draw:page>
 <draw:page draw:name="Points" draw:master-page-name="Default">
  <draw:frame presentation:class="title" svg:x="1.4cm" svg:y="0.6cm" svg:width="25cm" svg:height="2.6cm"><draw:text-box><text:p>What we found</text:p></draw:text-box></draw:frame>
  <draw:frame presentation:class="outline" svg:x="1.4cm" svg:y="3.7cm" svg:width="25cm" svg:height="10cm"><draw:text-box>
   <text:list><text:list-item><text:p>North grew fastest, twelve percent over the year</text:p></text:list-item>
   <text:list-item><text:p>South held steady</text:p><text:list><text:list-item><text:p>despite the new competitor</text:p></text:list-item></text:list></text:list-item>
   <text:list-item><text:p>East needs a second look in the spring</text:p></text:list-item></text:list>
  </draw:text-box></draw:frame>
 </draw:page>
 <draw:page draw:name="Shapes" draw:master-page-name="Default" draw:style-name="dp2">
  {shapes}
  <draw:line draw:style-name="arrowline" svg:x1="1cm" svg:y1="11cm" svg:x2="10cm" svg:y2="13cm"/>
  <draw:g>{group}</draw:g>
 </draw:page>
 <draw:page draw:name="Picture and table" draw:master-page-name="Default">
  <draw:frame svg:x="1cm" svg:y="1cm" svg:width="9cm" svg:height="6.75cm"><draw:image><office:binary-data>{photo}</office:binary-data></draw:image></draw:frame>
  <draw:frame svg:x="1cm" svg:y="8.5cm" svg:width="5cm" svg:height="5cm"><draw:image><office:binary-data>{checks}</office:binary-data></draw:image></draw:frame>
  <draw:frame svg:x="12cm" svg:y="1cm" svg:width="14cm" svg:height="5cm"><table:table><table:table-column/><table:table-column/><table:table-column/>{rows}</table:table></draw:frame>
  <draw:frame svg:x="12cm" svg:y="8cm" svg:width="14cm" svg:height="3cm"><draw:text-box><text:p text:style-name="ctr">A text box, centred</text:p></draw:text-box></draw:frame>
 </draw:page>
</office:presentation></office:body></office:document>
'''


if __name__ == "__main__":
    with open(os.path.join(sys.argv[1], "outside-deck.fodp"), "w", encoding="utf-8") as out:
        out.write(deck())
