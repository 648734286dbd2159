#include "Workbook.h"

#include "engine/package/Namespaces.h"
#include "engine/workbook/SharedStringsPart.h"
#include "engine/workbook/WorkbookPart.h"
#include "engine/workbook/WorksheetPart.h"

#include <QFileInfo>

namespace engine {

namespace {

const Relationship* firstOfKind(const Relationships& rels, const char* type) {
    for (const Relationship* rel : rels.ofType(QString::fromLatin1(type))) {
        if (!rel->external) return rel;
    }
    return nullptr;
}

bool isOfType(const Relationship& rel, const char* type) {
    return xml::relationshipTypeIs(rel.type.toStdString(), type);
}

bool isSpreadsheetMainType(const QString& contentType) {
    static const QStringList kTypes = {
        QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"),
        QStringLiteral("application/vnd.ms-excel.sheet.macroEnabled.main+xml"),
        QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"),
        QStringLiteral("application/vnd.ms-excel.template.macroEnabled.main+xml"),
    };
    return kTypes.contains(contentType, Qt::CaseInsensitive);
}

QVariant numberOf(const QByteArray& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? QVariant(value) : QVariant(QString::fromUtf8(text));
}

}  // namespace

std::unique_ptr<Workbook> Workbook::open(const QString& path, const Limits& limits) {
    std::unique_ptr<Workbook> workbook(new Workbook);
    workbook->m_package = PackageReader::open(path, limits);
    const PackageReader& package = *workbook->m_package;
    const QString file = workbook->displayName();

    const Relationships packageRels = package.relationships(QString());
    const Relationship* main = firstOfKind(packageRels, xml::rel::kOfficeDocument);
    if (!main || !package.hasPart(main->targetPart)) {
        throw DocumentError(DocumentError::Kind::Missing, file, QString(), QStringLiteral("not a workbook (no workbook part)"));
    }
    const QString contentType = package.contentTypes().of(main->targetPart);
    if (!isSpreadsheetMainType(contentType)) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, main->targetPart,
                            QStringLiteral("not a workbook part (content type \"%1\")").arg(contentType));
    }
    workbook->m_workbookPart = main->targetPart;
    const WorkbookPart part =
        WorkbookPart::parse(package.read(main->targetPart), file, main->targetPart, limits);
    workbook->m_date1904 = part.date1904;

    const Relationships rels = package.relationships(main->targetPart);
    if (const Relationship* r = firstOfKind(rels, xml::rel::kSharedStrings)) {
        workbook->m_sharedStringsPart = r->targetPart;
    }
    if (const Relationship* r = firstOfKind(rels, xml::rel::kStyles)) workbook->m_stylesPart = r->targetPart;
    if (const Relationship* r = firstOfKind(rels, xml::rel::kTheme)) workbook->m_themePart = r->targetPart;

    for (const WorkbookPart::SheetEntry& entry : part.sheets) {
        Sheet sheet;
        sheet.name = entry.name;
        sheet.visibility = entry.state == QLatin1String("hidden")       ? Visibility::Hidden
                           : entry.state == QLatin1String("veryHidden") ? Visibility::VeryHidden
                                                                        : Visibility::Visible;
        const Relationship* rel = rels.byId(entry.relationshipId);
        if (!rel || rel->external) {
            throw DocumentError(DocumentError::Kind::Missing, file, main->targetPart,
                                QStringLiteral("sheet \"%1\" refers to relationship \"%2\", which is missing")
                                    .arg(entry.name, entry.relationshipId));
        }
        sheet.kind = isOfType(*rel, xml::rel::kWorksheet)    ? SheetKind::Worksheet
                     : isOfType(*rel, xml::rel::kChartsheet) ? SheetKind::Chartsheet
                                                             : SheetKind::Other;
        sheet.part = rel->targetPart;
        if (sheet.kind != SheetKind::Other && !package.hasPart(sheet.part)) {
            throw DocumentError(DocumentError::Kind::Missing, file, main->targetPart,
                                QStringLiteral("sheet \"%1\" refers to %2, which is missing")
                                    .arg(entry.name, zipEntryFromPartName(sheet.part)));
        }
        if (sheet.kind == SheetKind::Worksheet) {
            // The drawing is found through the sheet's relationships, so its cell data is never
            // read here; a worksheet has at most one drawing.
            const Relationships sheetRels = package.relationships(sheet.part);
            if (const Relationship* drawing = firstOfKind(sheetRels, xml::rel::kDrawing)) {
                if (!package.hasPart(drawing->targetPart)) {
                    throw DocumentError(DocumentError::Kind::Missing, file, relationshipsPartName(sheet.part),
                                        QStringLiteral("the drawing %1 is missing")
                                            .arg(zipEntryFromPartName(drawing->targetPart)));
                }
                sheet.drawingPart = drawing->targetPart;
                for (const ChartFrame& frame : readDrawingChartFrames(package, sheet.drawingPart)) {
                    sheet.chartObjects.push_back({frame.name, frame.chartPart, sheet.drawingPart, frame});
                }
            }
        }
        workbook->m_sheets.push_back(std::move(sheet));
    }
    return workbook;
}

const QString& Workbook::path() const { return m_package->path(); }

QString Workbook::displayName() const {
    const QString name = QFileInfo(path()).fileName();
    return name.isEmpty() ? path() : name;
}

std::vector<const Workbook::Sheet*> Workbook::worksheets() const {
    std::vector<const Sheet*> result;
    for (const Sheet& sheet : m_sheets) {
        if (sheet.kind == SheetKind::Worksheet) result.push_back(&sheet);
    }
    return result;
}

const Workbook::Sheet* Workbook::sheetByName(const QString& name) const {
    for (const Sheet& sheet : m_sheets) {
        if (sheet.name.compare(name, Qt::CaseInsensitive) == 0) return &sheet;
    }
    return nullptr;
}

QString Workbook::themePart() const { return m_themePart; }

QByteArray Workbook::theme() const {
    if (m_themePart.isEmpty() || !m_package->hasPart(m_themePart)) return {};
    return m_package->read(m_themePart);
}

std::pair<qint64, qint64> Workbook::chartSize(const Sheet& sheet, const ChartObject& chart) const {
    const ChartFrame& frame = chart.frame;
    if (frame.anchor != ChartFrame::Anchor::TwoCell) return {frame.cx, frame.cy};
    constexpr qint64 kEmuPerPixel = 9525;
    const int lastRow = std::max(frame.from.row, frame.to.row);
    const SheetGeometry geometry = readSheetGeometry(*m_package, sheet.part, lastRow);
    qint64 cx = 0;
    for (int c = frame.from.column; c < frame.to.column; ++c) cx += geometry.columnPixels(c) * kEmuPerPixel;
    cx += frame.to.columnOffset - frame.from.columnOffset;
    qint64 cy = 0;
    for (int r = frame.from.row; r < frame.to.row; ++r) cy += geometry.rowPixels(r) * kEmuPerPixel;
    cy += frame.to.rowOffset - frame.from.rowOffset;
    return {std::max<qint64>(cx, 0), std::max<qint64>(cy, 0)};
}

const StylesPart& Workbook::styles() const {
    if (!m_styles) {
        m_styles = m_stylesPart.isEmpty() || !m_package->hasPart(m_stylesPart)
                       ? StylesPart()
                       : StylesPart::parse(m_package->read(m_stylesPart), displayName(), m_stylesPart,
                                           m_package->limits());
    }
    return *m_styles;
}

std::optional<std::vector<Workbook::CellValue>> Workbook::readCells(
    const QString& sheetName, const std::vector<CellRange>& ranges, qint64 maxCells) const {
    const Sheet* sheet = sheetByName(sheetName);
    if (!sheet || sheet->kind != SheetKind::Worksheet) return std::nullopt;
    qint64 total = 0;
    for (const CellRange& range : ranges) total += range.cellCount();
    if (total > maxCells) return std::nullopt;

    const auto stored = readSheetCells(*m_package, sheet->part, ranges);
    std::set<int> wantedStrings;
    for (const auto& [key, cell] : stored) {
        if (cell.type == "s") wantedStrings.insert(cell.value.trimmed().toInt());
    }
    std::map<int, QString> strings;
    if (!wantedStrings.empty() && !m_sharedStringsPart.isEmpty()) {
        strings = readSharedStrings(*m_package, m_sharedStringsPart, wantedStrings);
    }

    std::vector<CellValue> cells;
    cells.reserve(size_t(total));
    for (const CellRange& range : ranges) {
        for (int r = range.firstRow; r <= range.lastRow; ++r) {
            for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
                CellValue value{r, c, {}, {}};
                auto it = stored.find({r, c});
                if (it != stored.end()) {
                    const StoredCell& cell = it->second;
                    if (cell.type == "s") {
                        auto s = strings.find(cell.value.trimmed().toInt());
                        value.value = s != strings.end() ? s->second : QString();
                    } else if (cell.type == "str" || cell.type == "inlineStr" || cell.type == "e" ||
                               cell.type == "d") {
                        value.value = QString::fromUtf8(cell.value);
                    } else if (!cell.value.isEmpty()) {
                        value.value = numberOf(cell.value);
                    }
                    if (value.value.isValid()) value.numberFormat = styles().numberFormat(cell.style);
                }
                cells.push_back(value);
            }
        }
    }
    return cells;
}

}  // namespace engine
