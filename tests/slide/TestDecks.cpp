#include "TestDecks.h"

#include "engine/package/Namespaces.h"

#include <QBuffer>

namespace testdecks {

namespace {
QString emu(double points) { return QString::number(qint64(points * 12700)); }
}  // namespace

QByteArray slideXml(const QString& shapes, const QString& background) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<p:sld xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
               "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
               "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
               "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
               "<p:cSld>%1<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
               "<p:grpSpPr/>%2</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>")
        .arg(background, shapes)
        .toUtf8();
}

engine::Presentation deck(const std::vector<QByteArray>& slideXmls, int layoutNumber, const std::vector<Media>& media,
                          const std::vector<int>& layouts) {
    engine::Presentation base = engine::Presentation::createNew();
    for (size_t i = 0; i < slideXmls.size(); ++i) base.addSlide(int(i), i < layouts.size() ? layouts[i] : layoutNumber);
    engine::Package package = base.package();
    int n = 0;
    for (size_t i = 0; i < slideXmls.size(); ++i) {
        const QString part = base.slidePartName(int(i));
        package.setPart(part, slideXmls[i]);
        auto rels = package.relationships(part);
        engine::Relationships rebuilt;
        for (const auto& r : rels.all()) rebuilt.add(r.type, part, r.targetPart);
        for (const Media& m : media) {
            const QString name = QStringLiteral("/ppt/media/test%1.%2").arg(++n).arg(m.extension);
            package.setPart(name, m.bytes);
            if (!package.contentTypes().hasDefault(m.extension))
                package.contentTypes().setDefault(m.extension, QStringLiteral("image/") + m.extension);
            rebuilt.add(QString::fromLatin1(engine::xml::rel::kImage), part, name);
        }
        package.setRelationships(part, rebuilt);
    }
    return engine::Presentation::fromPackage(package, QStringLiteral("test.pptx"));
}

QByteArray png(int w, int h, QColor left, QColor right) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixelColor(x, y, x < w / 2 ? left : right);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString shape(int id, const QString& name, double x, double y, double w, double h, const QString& spPrRest,
              const QString& txBody) {
    return QStringLiteral("<p:sp><p:nvSpPr><p:cNvPr id=\"%1\" name=\"%2\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr>"
                          "<p:spPr><a:xfrm><a:off x=\"%3\" y=\"%4\"/><a:ext cx=\"%5\" cy=\"%6\"/></a:xfrm>%7</p:spPr>%8</p:sp>")
        .arg(id)
        .arg(name, emu(x), emu(y), emu(w), emu(h), spPrRest, txBody);
}

}  // namespace testdecks

namespace testdecks {

engine::Presentation everyElementDeck() {
    const QString para = QStringLiteral("<a:p><a:r><a:rPr lang=\"en-US\"/><a:t>%1</a:t></a:r></a:p>");
    const QString placeholders = QStringLiteral(
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Title 1\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"title\"/></p:nvPr></p:nvSpPr>"
        "<p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/>%1</p:txBody></p:sp>"
        "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"Content 2\"/><p:cNvSpPr/><p:nvPr><p:ph idx=\"1\"/></p:nvPr></p:nvSpPr>"
        "<p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/>%2%3</p:txBody></p:sp>")
                                     .arg(para.arg("Every element"), para.arg("Text in placeholders"), para.arg("with bullets"));
    QString shapes;
    const char* presets[] = {"rect", "roundRect", "ellipse", "triangle", "rightArrow", "chevron", "wedgeRectCallout", "diamond"};
    int id = 2;
    for (const char* preset : presets) {
        const double x = 40 + (id - 2) % 4 * 200, y = 60 + (id - 2) / 4 * 160;
        shapes += shape(id, QString::fromLatin1(preset), x, y, 150, 100,
                        QStringLiteral("<a:prstGeom prst=\"%1\"><a:avLst/></a:prstGeom><a:solidFill><a:schemeClr val=\"accent%2\"/></a:solidFill>"
                                       "<a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill></a:ln>")
                            .arg(QLatin1String(preset))
                            .arg((id - 2) % 6 + 1),
                        QStringLiteral("<p:txBody><a:bodyPr anchor=\"ctr\"/><a:lstStyle/><a:p><a:pPr algn=\"ctr\"/><a:r><a:rPr lang=\"en-US\" sz=\"1400\"/><a:t>%1</a:t></a:r></a:p></p:txBody>")
                            .arg(QLatin1String(preset)));
        ++id;
    }
    shapes += QStringLiteral(
        "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"20\" name=\"Connector\"/><p:cNvCxnSpPr/><p:nvPr/></p:nvCxnSpPr>"
        "<p:spPr><a:xfrm><a:off x=\"508000\" y=\"5080000\"/><a:ext cx=\"5080000\" cy=\"635000\"/></a:xfrm>"
        "<a:prstGeom prst=\"straightConnector1\"><a:avLst/></a:prstGeom><a:ln w=\"25400\"><a:solidFill><a:srgbClr val=\"C00000\"/>"
        "</a:solidFill><a:tailEnd type=\"triangle\"/></a:ln></p:spPr></p:cxnSp>"
        "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"21\" name=\"Group\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
        "<p:grpSpPr><a:xfrm rot=\"600000\"><a:off x=\"7620000\" y=\"5080000\"/><a:ext cx=\"2540000\" cy=\"1016000\"/>"
        "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"2540000\" cy=\"1016000\"/></a:xfrm></p:grpSpPr>%1%2</p:grpSp>")
                  .arg(shape(22, "Grouped 1", 0, 0, 90, 80, QStringLiteral("<a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val=\"FFC000\"/></a:solidFill>")),
                       shape(23, "Grouped 2", 110, 0, 90, 80, QStringLiteral("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val=\"70AD47\"/></a:solidFill>")));
    const QString gradient = QStringLiteral(
        "<p:bg><p:bgPr><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FFFFFF\"/></a:gs>"
        "<a:gs pos=\"100000\"><a:srgbClr val=\"D0E0F0\"/></a:gs></a:gsLst><a:lin ang=\"5400000\"/></a:gradFill>"
        "<a:effectLst/></p:bgPr></p:bg>");
    const QString cell = QStringLiteral("<a:tc><a:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang=\"en-US\"/><a:t>%1</a:t></a:r></a:p></a:txBody><a:tcPr/></a:tc>");
    const QString pictureAndTable = QStringLiteral(
        "<p:pic><p:nvPicPr><p:cNvPr id=\"2\" name=\"Picture 1\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId2\"/><a:srcRect l=\"25000\" r=\"25000\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
        "<p:spPr><a:xfrm><a:off x=\"508000\" y=\"508000\"/><a:ext cx=\"3810000\" cy=\"3810000\"/></a:xfrm>"
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>"
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"3\" name=\"Table 2\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr>"
        "<p:xfrm><a:off x=\"5080000\" y=\"508000\"/><a:ext cx=\"5080000\" cy=\"1524000\"/></p:xfrm>"
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl>"
        "<a:tblPr firstRow=\"1\" bandRow=\"1\"><a:tableStyleId>{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}</a:tableStyleId></a:tblPr>"
        "<a:tblGrid><a:gridCol w=\"2540000\"/><a:gridCol w=\"2540000\"/></a:tblGrid>"
        "<a:tr h=\"508000\">%1%2</a:tr><a:tr h=\"508000\">%3%4</a:tr><a:tr h=\"508000\">%5%6</a:tr>"
        "</a:tbl></a:graphicData></a:graphic></p:graphicFrame>")
                                        .arg(cell.arg("Region"), cell.arg("Sales"), cell.arg("North"), cell.arg("42"),
                                             cell.arg("South"), cell.arg("17"));
    const QString unknowns = QStringLiteral(
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"2\" name=\"Diagram 1\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr>"
        "<p:xfrm><a:off x=\"508000\" y=\"508000\"/><a:ext cx=\"2540000\" cy=\"2540000\"/></p:xfrm>"
        "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"/></a:graphic></p:graphicFrame>"
        "<p:contentPart r:id=\"rId9\"><p:nvContentPartPr><p:cNvPr id=\"3\" name=\"Ink 2\"/><p:cNvContentPartPr/><p:nvPr/></p:nvContentPartPr>"
        "<p:xfrm><a:off x=\"3810000\" y=\"508000\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></p:xfrm></p:contentPart>"
        "<x:widget xmlns:x=\"urn:example\"><x:xfrm/></x:widget>"
        "<p:pic><p:nvPicPr><p:cNvPr id=\"4\" name=\"Missing 3\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
        "<p:blipFill><a:blip r:embed=\"rId42\"/></p:blipFill>"
        "<p:spPr><a:xfrm><a:off x=\"6350000\" y=\"508000\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></a:xfrm></p:spPr></p:pic>");

    return deck({slideXml(placeholders), slideXml(shapes, gradient), slideXml(pictureAndTable), slideXml(unknowns)}, 12,
                {{png(64, 64, QColor(0x20, 0x60, 0xC0), QColor(0xF0, 0xA0, 0x20))}}, {16});
}

}  // namespace testdecks
