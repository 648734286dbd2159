#include "Workbook.h"

#include "engine/package/Namespaces.h"
#include "engine/workbook/ChartsheetPart.h"
#include "engine/workbook/SharedStringsPart.h"
#include "engine/workbook/WorkbookPart.h"
#include "engine/workbook/WorksheetPart.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace engine {

namespace {

const Relationship* firstOfKind(const Relationships& rels, const char* type) {
    for (const Relationship* rel : rels.ofType(QString::fromLatin1(type))) {
        if (!rel->external) return rel;
    }
    return nullptr;
}

bool isOfType(const Relationship& rel, const char* type) {
    return xml::relationshipTypeIs(rel.type.toUtf8().constData(), type);
}

// The kind of Open XML document whose main part has this content type, for a message.
QString documentKindOf(const QString& contentType) {
    if (contentType.contains(QLatin1String("wordprocessingml"), Qt::CaseInsensitive) ||
        contentType.startsWith(QLatin1String("application/vnd.ms-word"), Qt::CaseInsensitive))
        return QStringLiteral("a Word document");
    if (contentType.contains(QLatin1String("presentationml"), Qt::CaseInsensitive) ||
        contentType.startsWith(QLatin1String("application/vnd.ms-powerpoint"), Qt::CaseInsensitive))
        return QStringLiteral("a PowerPoint presentation");
    if (contentType.contains(QLatin1String("sheet.binary"), Qt::CaseInsensitive))
        return QStringLiteral("a binary Excel workbook (.xlsb)");
    return QStringLiteral("an Open XML document of another kind (content type \"%1\")").arg(contentType);
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

// A cell's number; "nan", "inf" and the like are no number a workbook can hold, so they stay
// the text they are.
QVariant numberOf(const QByteArray& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? QVariant(value) : QVariant(QString::fromUtf8(text));
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
        throw DocumentError(DocumentError::Kind::Missing, file, QString(),
                            QStringLiteral("not a workbook: the zip holds no workbook part"));
    }
    const QString contentType = package.contentTypes().of(main->targetPart);
    if (!isSpreadsheetMainType(contentType)) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                            QStringLiteral("not a workbook: the file is %1").arg(documentKindOf(contentType)));
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

    QHash<QString, QString> sheetOfRelationship;
    QHash<QString, QString> sheetOfName;  // case-folded name -> the name as given
    for (const WorkbookPart::SheetEntry& entry : part.sheets) {
        // Two tabs cannot be one sheet: a workbook listing a sheet twice is malformed, and
        // taking it would read the same drawing once per listing.
        const auto earlier = sheetOfRelationship.constFind(entry.relationshipId);
        if (earlier != sheetOfRelationship.constEnd()) {
            throw DocumentError(
                DocumentError::Kind::Corrupt, file, main->targetPart,
                QStringLiteral("sheets \"%1\" and \"%2\" both refer to relationship \"%3\"")
                    .arg(*earlier, entry.name, entry.relationshipId));
        }
        sheetOfRelationship.insert(entry.relationshipId, entry.name);
        // Sheets are found by name, and the spreadsheet application compares names without
        // regard to case: of two such, one could never be reached.
        const auto alike = sheetOfName.constFind(entry.name.toCaseFolded());
        if (alike != sheetOfName.constEnd()) {
            throw DocumentError(
                DocumentError::Kind::Corrupt, file, main->targetPart,
                QStringLiteral("sheets \"%1\" and \"%2\" have the same name (the case of letters "
                               "does not tell sheets apart)")
                    .arg(*alike, entry.name));
        }
        sheetOfName.insert(entry.name.toCaseFolded(), entry.name);
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
        if (sheet.kind != SheetKind::Other) {
            // The drawing is found through the sheet's relationships, so its cell data is never
            // read here; a sheet has at most one drawing.
            const auto readDrawing = [&] {
                const Relationships sheetRels = package.relationships(sheet.part);
                const Relationship* drawing = firstOfKind(sheetRels, xml::rel::kDrawing);
                if (!drawing) return;
                if (!package.hasPart(drawing->targetPart)) {
                    throw DocumentError(DocumentError::Kind::Missing, file, relationshipsPartName(sheet.part),
                                        QStringLiteral("the drawing %1 is missing")
                                            .arg(zipEntryFromPartName(drawing->targetPart)));
                }
                sheet.drawingPart = drawing->targetPart;
                for (const ChartFrame& frame : readDrawingChartFrames(package, sheet.drawingPart)) {
                    sheet.chartObjects.push_back({frame.name, frame.chartPart, sheet.drawingPart, frame});
                    // A chart sheet shows one chart: the first its drawing holds.
                    if (sheet.kind == SheetKind::Chartsheet) break;
                }
            };
            if (sheet.kind == SheetKind::Worksheet) {
                readDrawing();
            } else {
                // Chart sheets are reached on request only, so a damaged one keeps the rest of
                // the workbook readable and is reported when its chart is asked for.
                try {
                    readDrawing();
                } catch (const DocumentError& error) {
                    sheet.chartFailure = error;
                    sheet.chartObjects.clear();
                }
            }
        }
        workbook->m_sheets.push_back(std::move(sheet));
    }
    // The first sheet of a name is the one found by it.
    for (int i = int(workbook->m_sheets.size()) - 1; i >= 0; --i) {
        workbook->m_sheetIndex.insert(workbook->m_sheets[size_t(i)].name.toLower(), i);
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

std::vector<const Workbook::Sheet*> Workbook::chartsheets() const {
    std::vector<const Sheet*> result;
    for (const Sheet& sheet : m_sheets) {
        if (sheet.kind == SheetKind::Chartsheet) result.push_back(&sheet);
    }
    return result;
}

const Workbook::Sheet* Workbook::sheetByName(const QString& name) const {
    const auto it = m_sheetIndex.constFind(name.toLower());
    return it == m_sheetIndex.constEnd() ? nullptr : &m_sheets[size_t(*it)];
}

QString Workbook::themePart() const { return m_themePart; }

QByteArray Workbook::theme() const {
    if (m_themePart.isEmpty() || !m_package->hasPart(m_themePart)) return {};
    return m_package->read(m_themePart);
}

std::pair<qint64, qint64> Workbook::chartSize(const Sheet& sheet, const ChartObject& chart) const {
    if (sheet.kind == SheetKind::Chartsheet) return readChartsheetPage(*m_package, sheet.part).printableSize();
    const ChartFrame& frame = chart.frame;
    if (frame.anchor != ChartFrame::Anchor::TwoCell) return {frame.cx, frame.cy};
    constexpr qint64 kEmuPerPixel = 9525;
    const int lastRow = std::max(frame.from.row, frame.to.row);
    KeptGeometry& kept = m_geometry[sheet.part];
    if (kept.lastRow < lastRow) {
        // Deep enough for every chart of the sheet, so that the next one reads nothing.
        const int rows = std::max(lastRow, deepestAnchorRow(sheet));
        ++m_geometryPasses;
        kept.geometry = readSheetGeometry(*m_package, sheet.part, rows);
        kept.lastRow = rows;
    }
    const SheetGeometry& geometry = kept.geometry;
    qint64 cx = 0;
    for (int c = frame.from.column; c < frame.to.column; ++c) cx += geometry.columnPixels(c) * kEmuPerPixel;
    cx += frame.to.columnOffset - frame.from.columnOffset;
    qint64 cy = 0;
    for (int r = frame.from.row; r < frame.to.row; ++r) cy += geometry.rowPixels(r) * kEmuPerPixel;
    cy += frame.to.rowOffset - frame.from.rowOffset;
    // No drawing extent is larger (ST_PositiveCoordinate).
    constexpr qint64 kMaxExtent = 27273042316900LL;
    return {std::clamp<qint64>(cx, 0, kMaxExtent), std::clamp<qint64>(cy, 0, kMaxExtent)};
}

int Workbook::deepestAnchorRow(const Sheet& sheet) {
    int deepest = -1;
    for (const ChartObject& chart : sheet.chartObjects) {
        const ChartFrame& frame = chart.frame;
        if (frame.anchor == ChartFrame::Anchor::TwoCell) deepest = std::max({deepest, frame.from.row, frame.to.row});
    }
    return deepest;
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

void Workbook::expectCells(const std::vector<CellRange>& ranges) const {
    m_expectationsGiven = true;
    for (const CellRange& range : ranges) {
        const Sheet* sheet = sheetByName(range.sheet);
        if (sheet && sheet->kind == SheetKind::Worksheet) m_expected[sheet->part].add(range);
    }
}

void Workbook::readIntoKept(const Sheet& sheet, SheetCells& kept, const std::vector<CellRange>& ranges) const {
    CellSelection wanted;
    for (const CellRange& range : ranges) {
        if (!kept.read.covers(range)) wanted.add(range);
    }
    qint64 keptCells = 0;
    for (const SheetCells& cells : std::as_const(m_kept)) keptCells += cells.read.cellCount();
    // What other reads are expected to want of this sheet comes along while it fits.
    const auto expected = m_expected.constFind(sheet.part);
    if (expected != m_expected.constEnd()) {
        CellSelection more = wanted;
        for (const CellRange& range : expected->ranges()) {
            if (!kept.read.covers(range)) more.add(range);
        }
        if (keptCells + more.cellCount() <= kMaxKeptCells) wanted = std::move(more);
    }
    if (keptCells + wanted.cellCount() > kMaxKeptCells) {
        // Over the bound: what was kept makes room, oldest and newest alike.
        for (SheetCells& cells : m_kept) {
            cells.read = CellSelection();
            cells.cells.clear();
            cells.cells.shrink_to_fit();
        }
        for (const CellRange& range : ranges) wanted.add(range);
    }

    ++m_cellPasses;
    // The sizes of the sheet's charts come along as far as the pass goes anyway.
    const int geometryRows = std::min(deepestAnchorRow(sheet), wanted.lastRow());
    const auto keptGeometry = m_geometry.constFind(sheet.part);
    const bool noteGeometry =
        geometryRows > (keptGeometry != m_geometry.constEnd() ? keptGeometry->lastRow : -1);
    SheetGeometry geometry;
    std::vector<StoredCell> stored;
    std::map<int, QString> strings;
    try {
        stored = readSheetCells(*m_package, sheet.part, wanted, noteGeometry ? &geometry : nullptr, geometryRows);
        std::set<int> wantedStrings;
        for (const StoredCell& cell : stored) {
            if (cell.type == "s") wantedStrings.insert(cell.value.trimmed().toInt());
        }
        if (!wantedStrings.empty() && !m_sharedStringsPart.isEmpty()) {
            strings = readSharedStrings(*m_package, m_sharedStringsPart, wantedStrings);
        }
    } catch (const DocumentError& error) {
        kept.failure = error;
        throw;
    }

    if (noteGeometry) {
        geometry.indexColumns();
        m_geometry[sheet.part] = {geometryRows, std::move(geometry)};
    }
    kept.cells.reserve(kept.cells.size() + stored.size());
    for (const StoredCell& cell : stored) {
        QVariant value;
        if (cell.type == "s") {
            auto s = strings.find(cell.value.trimmed().toInt());
            value = s != strings.end() ? s->second : QString();
        } else if (cell.type == "str" || cell.type == "inlineStr" || cell.type == "e" || cell.type == "d") {
            value = QString::fromUtf8(cell.value);
        } else if (!cell.value.isEmpty()) {
            value = numberOf(cell.value);
        }
        kept.cells.push_back({quint64(cell.row) << 14 | quint64(cell.column), std::move(value), cell.style});
    }
    // A cell written twice counts as its last writing, as when the sheet is read in order.
    std::stable_sort(kept.cells.begin(), kept.cells.end(),
                     [](const KeptCell& a, const KeptCell& b) { return a.key < b.key; });
    auto out = kept.cells.begin();
    for (auto it = kept.cells.begin(); it != kept.cells.end(); ++it) {
        if (std::next(it) != kept.cells.end() && std::next(it)->key == it->key) continue;
        if (out != it) *out = std::move(*it);
        ++out;
    }
    kept.cells.erase(out, kept.cells.end());
    kept.read.add(wanted);
}

std::optional<std::vector<Workbook::CellValue>> Workbook::readCells(
    const QString& sheetName, const std::vector<CellRange>& ranges, qint64 maxCells) const {
    const Sheet* sheet = sheetByName(sheetName);
    if (!sheet || sheet->kind != SheetKind::Worksheet) return std::nullopt;
    qint64 total = 0;
    for (const CellRange& range : ranges) total += range.cellCount();
    if (total > maxCells) return std::nullopt;

    SheetCells& kept = m_kept[sheet->part];
    if (kept.failure) throw *kept.failure;
    for (const CellRange& range : ranges) {
        if (!kept.read.covers(range)) {
            readIntoKept(*sheet, kept, ranges);
            break;
        }
    }

    std::vector<CellValue> cells;
    cells.reserve(size_t(total));
    for (const CellRange& range : ranges) {
        for (int r = range.firstRow; r <= range.lastRow; ++r) {
            for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
                CellValue value{r, c, {}, {}};
                const quint64 key = quint64(r) << 14 | quint64(c);
                auto it = std::lower_bound(kept.cells.begin(), kept.cells.end(), key,
                                           [](const KeptCell& cell, quint64 k) { return cell.key < k; });
                if (it != kept.cells.end() && it->key == key && it->value.isValid()) {
                    value.value = it->value;
                    value.numberFormat = styles().numberFormat(it->style);
                }
                cells.push_back(std::move(value));
            }
        }
    }
    return cells;
}

}  // namespace engine
