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

engine::Presentation deck(const std::vector<QByteArray>& slideXmls, int layoutNumber, const std::vector<Media>& media) {
    engine::Presentation base = engine::Presentation::createNew();
    for (size_t i = 0; i < slideXmls.size(); ++i) base.addSlide(int(i), layoutNumber);
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
