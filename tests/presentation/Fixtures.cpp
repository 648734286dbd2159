#include "Fixtures.h"

#include "engine/package/Xml.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>
#include <stdexcept>

namespace fixtures {

namespace {


pugi::xml_document parse(const engine::Package& p, const QString& part) {
    pugi::xml_document doc;
    engine::parseXml(doc, p.part(part), p.name(), part);
    return doc;
}

int columnOf(const QString& letters) {
    int c = 0;
    for (QChar ch : letters) c = c * 26 + (ch.toUpper().unicode() - 'A' + 1);
    return c - 1;
}

bool cellAddress(const QString& ref, int* row, int* column) {
    static const QRegularExpression re(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?(\\d+)$"));
    const auto m = re.match(ref);
    if (!m.hasMatch()) return false;
    *column = columnOf(m.captured(1));
    *row = m.captured(2).toInt() - 1;
    return true;
}

QString builtInFormat(int id) {
    switch (id) {
    case 0: return {};
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 9: return "0%";
    case 10: return "0.00%";
    case 14: return "mm-dd-yy";
    default: return QStringLiteral("builtin:%1").arg(id);
    }
}

}  // namespace

QString fixtureDir() {
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        // The source folder as ctest passes it, else as it was when the tests were built.
        QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
        if (source.isEmpty()) source = QStringLiteral(QUILLMERE_SOURCE_ROOT);
        const QString script = source + QStringLiteral("/tests/presentation/make-fixtures.py");
        const int rc = QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, dir.path()});
        if (rc != 0) throw std::runtime_error("fixture script failed: " + script.toStdString());
        made = true;
    }
    return dir.path();
}

QStringList sheetNames(const QByteArray& xlsx) {
    const auto p = engine::Package::fromZipBytes(xlsx, QStringLiteral("workbook"));
    QStringList names;
    auto doc = parse(p, QStringLiteral("/xl/workbook.xml"));
    for (auto s : engine::xml::child(doc.document_element(), engine::xml::Ns::S, "sheets").children())
        names << QString::fromUtf8(s.attribute("name").value());
    return names;
}

Cells readWorkbookCells(const QByteArray& xlsx) {
    return readWorkbookCells(engine::Package::fromZipBytes(xlsx, QStringLiteral("workbook")));
}

Cells readWorkbookCells(const engine::Package& p) {
    const QString workbookPart = QStringLiteral("/xl/workbook.xml");
    QStringList shared;
    if (p.hasPart(QStringLiteral("/xl/sharedStrings.xml"))) {
        auto doc = parse(p, QStringLiteral("/xl/sharedStrings.xml"));
        for (auto si : doc.document_element().children()) {
            QString text;
            for (auto t : si.select_nodes(".//*[local-name()='t']"))
                text += QString::fromUtf8(t.node().text().get());
            shared << text;
        }
    }
    QList<QString> xfFormats;
    if (p.hasPart(QStringLiteral("/xl/styles.xml"))) {
        auto doc = parse(p, QStringLiteral("/xl/styles.xml"));
        QMap<int, QString> custom;
        for (auto f : engine::xml::child(doc.document_element(), engine::xml::Ns::S, "numFmts").children())
            custom.insert(f.attribute("numFmtId").as_int(), QString::fromUtf8(f.attribute("formatCode").value()));
        for (auto xf : engine::xml::child(doc.document_element(), engine::xml::Ns::S, "cellXfs").children()) {
            const int id = xf.attribute("numFmtId").as_int();
            xfFormats << (custom.contains(id) ? custom.value(id) : builtInFormat(id));
        }
    }
    Cells cells;
    const auto rels = p.relationships(workbookPart);
    auto doc = parse(p, workbookPart);
    for (auto s : engine::xml::child(doc.document_element(), engine::xml::Ns::S, "sheets").children()) {
        const QString name = QString::fromUtf8(s.attribute("name").value());
        QString relId;
        for (auto a : s.attributes())
            if (std::strstr(a.name(), ":id")) relId = QString::fromUtf8(a.value());
        const auto* rel = rels.byId(relId);
        if (!rel) continue;
        auto sheet = parse(p, rel->targetPart);
        for (auto row : engine::xml::child(sheet.document_element(), engine::xml::Ns::S, "sheetData").children()) {
            for (auto c : row.children()) {
                int r = 0, col = 0;
                if (!cellAddress(QString::fromUtf8(c.attribute("r").value()), &r, &col)) continue;
                const QString t = QString::fromUtf8(c.attribute("t").value());
                const QString v = QString::fromUtf8(engine::xml::child(c, engine::xml::Ns::S, "v").text().get());
                CellValue cell;
                if (t == "s") cell.value = shared.value(v.toInt());
                else if (t == "str") cell.value = v;
                else if (t == "inlineStr") cell.value = QString::fromUtf8(engine::xml::child(engine::xml::child(c, engine::xml::Ns::S, "is"), engine::xml::Ns::S, "t").text().get());
                else if (t == "b") cell.value = v == "1";
                else if (!v.isEmpty()) cell.value = v.toDouble();
                else continue;
                const int style = c.attribute("s").as_int(0);
                cell.numberFormat = xfFormats.value(style);
                cells.insert({name, r, col}, cell);
            }
        }
    }
    return cells;
}

bool parseRange(const QString& formula, Range* range) {
    const qsizetype bang = formula.lastIndexOf(u'!');
    if (bang < 0) return false;
    QString sheet = formula.left(bang);
    if (sheet.startsWith(u'\'') && sheet.endsWith(u'\'')) sheet = sheet.mid(1, sheet.size() - 2).replace("''", "'");
    const QStringList corners = formula.mid(bang + 1).split(u':');
    int r1, c1, r2, c2;
    if (!cellAddress(corners.value(0), &r1, &c1)) return false;
    if (corners.size() > 1) {
        if (!cellAddress(corners.value(1), &r2, &c2)) return false;
    } else {
        r2 = r1;
        c2 = c1;
    }
    *range = {sheet, r1, c1, r2, c2};
    return true;
}

engine::ChartPackage chartPackageFromWorkbook(const QString& xlsxPath, int chartNumber,
                                              const QString& chartName) {
    const auto book = engine::Package::load(xlsxPath);
    engine::ChartPackage package;
    package.sourceFile = xlsxPath;
    package.chartName = chartName;
    package.cx = 4572000;
    package.cy = 2743200;
    // Every part the chart reaches, breadth first.
    QStringList queue{QStringLiteral("/xl/charts/chart%1.xml").arg(chartNumber)};
    QStringList seen = queue;
    while (!queue.isEmpty()) {
        const QString name = queue.takeFirst();
        engine::ChartPackage::Part part;
        part.name = name;
        part.contentType = book.contentTypes().of(name);
        part.data = book.part(name);
        const QString relsName = engine::relationshipsPartName(name);
        if (book.hasPart(relsName)) {
            part.rels = book.part(relsName);
            const auto rels = book.relationships(name);
            for (const auto& r : rels.all()) {
                if (!r.external && !seen.contains(r.targetPart)) {
                    seen << r.targetPart;
                    queue << r.targetPart;
                }
            }
        }
        package.parts.push_back(part);
    }
    package.theme = book.part(QStringLiteral("/xl/theme/theme1.xml"));

    const Cells cells = readWorkbookCells(book);
    pugi::xml_document chart;
    engine::parseXml(chart, package.parts.front().data, book.name(), package.parts.front().name);
    QList<CellKey> wanted;
    for (auto f : chart.select_nodes("//*[local-name()='f']")) {
        Range range;
        if (!parseRange(QString::fromUtf8(f.node().text().get()), &range)) continue;
        if (package.sheetName.isEmpty()) package.sheetName = range.sheet;
        for (int r = range.row1; r <= range.row2; ++r)
            for (int c = range.column1; c <= range.column2; ++c)
                if (!wanted.contains(CellKey{range.sheet, r, c})) wanted << CellKey{range.sheet, r, c};
    }
    for (const auto& key : wanted) {
        engine::ChartPackage::Cell cell;
        cell.sheet = key.sheet;
        cell.row = key.row;
        cell.column = key.column;
        const auto it = cells.constFind(key);
        if (it != cells.constEnd()) {
            cell.value = it->value;
            cell.numberFormat = it->numberFormat;
        }
        package.cells.push_back(cell);
    }
    return package;
}

bool sofficeAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

QList<int> pdfPageCounts(const QStringList& presentations, const QString& workFolder) {
    QList<int> counts;
    if (!sofficeAvailable()) return counts;
    QDir(workFolder).mkpath(QStringLiteral("pdf"));
    const QString outDir = workFolder + QStringLiteral("/pdf");
    // A private profile, so that no user's LibreOffice settings are touched or relied on.
    QStringList args{QStringLiteral("-env:UserInstallation=file://") + workFolder + QStringLiteral("/lo-profile"),
                     QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                     QStringLiteral("--outdir"), outDir};
    args += presentations;
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"), args);
    soffice.waitForFinished(240000);
    for (const QString& file : presentations) {
        const QString pdf = outDir + u'/' + QFileInfo(file).completeBaseName() + QStringLiteral(".pdf");
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        info.waitForFinished(30000);
        int pages = -1;
        static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
        const auto m = re.match(QString::fromUtf8(info.readAllStandardOutput()));
        if (m.hasMatch()) pages = m.captured(1).toInt();
        counts << pages;
    }
    return counts;
}

}  // namespace fixtures
