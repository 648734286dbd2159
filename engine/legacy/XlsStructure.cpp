#include "XlsStructure.h"
#include "engine/legacy/BiffRecords.h"

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/package/Package.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <unordered_map>
#include <iterator>
#include <map>
#include <memory>

namespace engine {

namespace {

using biff::Reader;
using biff::shortUnicodeString;
using biff::u16;
using biff::kBegin;
using biff::kBof;
using biff::kChart3d;
using biff::kChartFormat;
using biff::kCrtLine;
using biff::kDropBar;
using biff::kEnd;
using biff::kEof;
using biff::kObjectLink;
using biff::kSerToCrt;
using biff::kSeriesText;
using biff::kText;
using biff::u32;

// Record types of the BIFF8 Workbook stream (MS-XLS 2.3).
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kWsBool = 0x0081;
constexpr quint16 kObj = 0x005D;
constexpr quint16 kMsoDrawing = 0x00EC;
constexpr quint16 kDefColWidth = 0x0055;
constexpr quint16 kStandardWidth = 0x0099;
constexpr quint16 kColInfo = 0x007D;
constexpr quint16 kDefaultRowHeight = 0x0225;
constexpr quint16 kRow = 0x0208;

// Records of a chart substream (MS-XLS 2.4) that a list of charts reads.
constexpr quint16 kBofChart = 0x0020;
constexpr quint16 kBarRecord = 0x1017;
constexpr quint16 kLineRecord = 0x1018;
constexpr quint16 kPieRecord = 0x1019;
constexpr quint16 kAreaRecord = 0x101A;
constexpr quint16 kScatterRecord = 0x101B;
constexpr quint16 kRadarRecord = 0x103E;
constexpr quint16 kSurfRecord = 0x103F;
constexpr quint16 kRadarAreaRecord = 0x1040;
constexpr quint16 kBopPopRecord = 0x1061;
constexpr quint16 kHighLowLines = 1;  // CrtLine.id
constexpr quint16 kLinkedToChartTitle = 1;  // ObjectLink.wLinkObj

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kBiff5 = 0x0500;
constexpr quint16 kBofWorkbookGlobals = 0x0005;

// FtCmo (MS-XLS 2.5.143): the first sub-record of every OBJ.
constexpr quint16 kFtCmo = 0x0015;
constexpr quint16 kObjectTypeChart = 0x0005;

// OfficeArt records (MS-ODRAW 2.2).
constexpr quint16 kSpgrContainer = 0xF003;
constexpr quint16 kSpContainer = 0xF004;
constexpr quint16 kFopt = 0xF00B;
constexpr quint16 kTertiaryFopt = 0xF122;
constexpr quint16 kClientAnchor = 0xF010;
constexpr quint16 kClientData = 0xF011;
constexpr quint16 kPropertyShapeName = 0x0380;  // wzName

// Containers nest only a few levels in real drawings (drawing, group, nested groups, shape).
constexpr int kMaxDrawingDepth = 32;

// One shape of a sheet's drawing: what discovery needs of it and where its client data ends,
// which is where the OBJ record describing the shape follows in the Workbook stream.
struct Shape {
    qsizetype clientDataEnd = -1;
    int groupDepth = 0;  // 1 for members of the sheet's top group, more inside nested groups
    QString name;
    std::optional<XlsStructure::Anchor> anchor;
};

QString shapeName(const char* body, qsizetype size, int propertyCount) {
    const qsizetype fixed = qsizetype(propertyCount) * 6;
    if (propertyCount <= 0 || fixed > size) return {};
    qsizetype complex = fixed;  // complex data follows the fixed part, in property order
    for (int i = 0; i < propertyCount; ++i) {
        const char* property = body + 6 * i;
        const quint16 id = u16(property);
        const quint32 value = u32(property + 2);
        if ((id & 0x8000) == 0) continue;
        if (value > quint32(size - complex)) return {};
        if ((id & 0x3FFF) == kPropertyShapeName) {
            QString name;
            for (qsizetype at = complex; at + 1 < complex + qsizetype(value); at += 2) {
                const quint16 unit = u16(body + at);
                if (unit == 0) break;
                name.append(QChar(unit));
            }
            return name;
        }
        complex += qsizetype(value);
    }
    return {};
}

void readShape(const QByteArray& drawing, qsizetype begin, qsizetype end, int groupDepth,
               std::vector<Shape>& shapes) {
    Shape shape;
    shape.groupDepth = groupDepth;
    qsizetype pos = begin;
    while (pos <= end - 8) {
        const char* header = drawing.constData() + pos;
        const quint16 instance = u16(header) >> 4;
        const quint16 type = u16(header + 2);
        const quint32 length = u32(header + 4);
        if (length > quint32(end - pos - 8)) break;
        const char* body = header + 8;
        if (type == kFopt || type == kTertiaryFopt) {
            const QString name = shapeName(body, qsizetype(length), instance);
            if (!name.isEmpty()) shape.name = name;
        } else if (type == kClientAnchor && length >= 18) {
            XlsStructure::Anchor anchor;
            anchor.firstColumn = u16(body + 2);
            anchor.firstColumnOffset = u16(body + 4);
            anchor.firstRow = u16(body + 6);
            anchor.firstRowOffset = u16(body + 8);
            anchor.lastColumn = u16(body + 10);
            anchor.lastColumnOffset = u16(body + 12);
            anchor.lastRow = u16(body + 14);
            anchor.lastRowOffset = u16(body + 16);
            shape.anchor = anchor;
        } else if (type == kClientData) {
            shape.clientDataEnd = pos + 8 + qsizetype(length);
        }
        pos += 8 + qsizetype(length);
    }
    shapes.push_back(std::move(shape));
}

// Walks the OfficeArt records between begin and end. A record that claims more than its
// container holds ends the walk of that container: what was read before it stays usable.
void readDrawing(const QByteArray& drawing, qsizetype begin, qsizetype end, int groupDepth, int nesting,
                 std::vector<Shape>& shapes) {
    if (nesting > kMaxDrawingDepth) return;
    qsizetype pos = begin;
    while (pos <= end - 8) {
        const char* header = drawing.constData() + pos;
        const bool container = (u16(header) & 0x000F) == 0x000F;
        const quint16 type = u16(header + 2);
        const quint32 length = u32(header + 4);
        const qsizetype bodyEnd =
            length > quint32(end - pos - 8) ? end : pos + 8 + qsizetype(length);
        if (container) {
            if (type == kSpContainer) {
                readShape(drawing, pos + 8, bodyEnd, groupDepth, shapes);
            } else {
                readDrawing(drawing, pos + 8, bodyEnd, type == kSpgrContainer ? groupDepth + 1 : groupDepth,
                            nesting + 1, shapes);
            }
        }
        pos = bodyEnd;
    }
}

// Reads a chart substream's records, from the one after its BOF to its EOF, into what a list
// says of the chart. The records are taken as they come with their Begin/End nesting counted,
// not checked against the grammar, which real files stray from.
class ChartRecords {
public:
    void read(const Reader::Record& record) {
        const char* d = record.data;
        const qsizetype size = record.size;
        switch (record.type) {
        case kBegin:
            ++m_depth;
            break;
        case kEnd:
            if (m_depth > 0) --m_depth;
            if (m_textDepth > 0 && m_depth < m_textDepth) endText();
            break;
        case kChartFormat:
            m_groups.push_back({});
            // ChartFormat.icrt, which the series' SerToCrt names.
            if (size >= 20) m_groups.back().index = u16(d + 18);
            break;
        case kBarRecord:
            // Bar.fTranspose: horizontal bars.
            setGroup(chart::ChartGroup::Kind::Bar, size >= 6 && (u16(d + 4) & 0x0001) ? chart::BarDirection::Bar : chart::BarDirection::Column);
            break;
        case kLineRecord: setGroup(chart::ChartGroup::Kind::Line); break;
        case kAreaRecord: setGroup(chart::ChartGroup::Kind::Area); break;
        case kPieRecord:
            // Pie.pcDonut: the size of the hole, 0 for a pie.
            setGroup(size >= 4 && u16(d + 2) > 0 ? chart::ChartGroup::Kind::Doughnut : chart::ChartGroup::Kind::Pie);
            break;
        case kBopPopRecord: setGroup(chart::ChartGroup::Kind::OfPie); break;
        case kScatterRecord:
            // Scatter.fBubbles.
            setGroup(size >= 6 && (u16(d + 4) & 0x0001) ? chart::ChartGroup::Kind::Bubble : chart::ChartGroup::Kind::Scatter);
            break;
        case kRadarRecord:
        case kRadarAreaRecord: setGroup(chart::ChartGroup::Kind::Radar); break;
        case kSurfRecord: setGroup(chart::ChartGroup::Kind::Surface); break;
        case kChart3d:
            if (!m_groups.empty()) m_groups.back().threeD = true;
            break;
        case kCrtLine:
            if (!m_groups.empty() && size >= 2 && u16(d) == kHighLowLines) m_groups.back().highLowLines = true;
            break;
        case kDropBar:
            if (!m_groups.empty()) m_groups.back().dropBars = true;
            break;
        case kSerToCrt:
            ++m_seriesCount;
            if (size >= 2) ++m_seriesOfGroup[u16(d)];
            break;
        case kText:
            // The labels of the chart itself are Text blocks right inside the chart's Begin; those
            // of axes and data sit deeper. Text.fAutoText (bit 4 of its flags) marks a text the
            // application makes itself, such as the automatic title.
            if (m_depth == 1) {
                m_textDepth = 2;
                m_textAutomatic = size >= 26 && (u16(d + 24) & 0x0010);
                m_textLink = 0;
                m_text.clear();
            }
            break;
        case kObjectLink:
            if (m_textDepth > 0 && m_depth == m_textDepth && size >= 2) m_textLink = u16(d);
            break;
        case kSeriesText:
            if (m_textDepth > 0 && m_depth == m_textDepth && size >= 2) {
                bool ok = false;
                const QString text = shortUnicodeString(d + 2, size - 2, &ok);
                if (ok) m_text = text;
            }
            break;
        default:
            break;
        }
    }

    XlsStructure::ChartOutline outline() const {
        XlsStructure::ChartOutline outline;
        QStringList kinds;
        for (const Group& group : m_groups) {
            if (!group.known) continue;
            chart::ChartGroup model;
            model.kind = group.threeD ? threeD(group.kind) : group.kind;
            // The records have no stock chart: it is a flat line chart with high-low lines and
            // three series (four with up-down bars), as the spreadsheet application makes one
            // and LibreOffice reads one.
            const auto plotted = m_seriesOfGroup.find(group.index);
            const int series = plotted == m_seriesOfGroup.end() ? 0 : plotted->second;
            if (group.kind == chart::ChartGroup::Kind::Line && !group.threeD && group.highLowLines &&
                series == (group.dropBars ? 4 : 3)) {
                model.kind = chart::ChartGroup::Kind::Stock;
            }
            model.barDirection = group.barDirection;
            kinds << model.kindName();
        }
        outline.kind = summaryKindOf(kinds);
        outline.title = m_title;
        outline.title.replace(QLatin1String("\r\n"), QLatin1String(" "));
        outline.title.replace(u'\r', u' ').replace(u'\n', u' ');
        outline.seriesCount = m_seriesCount;
        return outline;
    }

private:
    struct Group {
        int index = 0;  // icrt
        bool known = false;
        chart::ChartGroup::Kind kind = chart::ChartGroup::Kind::Bar;
        chart::BarDirection barDirection = chart::BarDirection::Column;
        bool threeD = false;
        bool highLowLines = false;
        bool dropBars = false;
    };

    static chart::ChartGroup::Kind threeD(chart::ChartGroup::Kind kind) {
        using Kind = chart::ChartGroup::Kind;
        switch (kind) {
        case Kind::Bar: return Kind::Bar3D;
        case Kind::Line: return Kind::Line3D;
        case Kind::Area: return Kind::Area3D;
        case Kind::Pie: return Kind::Pie3D;
        case Kind::Surface: return Kind::Surface3D;
        default: return kind;  // doughnuts, scatter and radar charts have no 3-D form
        }
    }

    void setGroup(chart::ChartGroup::Kind kind, chart::BarDirection barDirection = chart::BarDirection::Column) {
        if (m_groups.empty() || m_groups.back().known) return;
        m_groups.back().known = true;
        m_groups.back().kind = kind;
        m_groups.back().barDirection = barDirection;
    }

    void endText() {
        if (m_textLink == kLinkedToChartTitle && !m_sawTitle) {
            m_sawTitle = true;
            m_title = m_textAutomatic ? QString() : m_text;
        }
        m_textDepth = 0;
    }

    int m_depth = 0;
    std::vector<Group> m_groups;
    int m_seriesCount = 0;
    std::map<int, int> m_seriesOfGroup;  // icrt -> series plotted by that group
    // The Text block being read: the depth of its content, and what it holds so far.
    int m_textDepth = 0;
    bool m_textAutomatic = false;
    quint16 m_textLink = 0;
    QString m_text;
    bool m_sawTitle = false;
    QString m_title;
};

struct ChartObj {
    int objectId = 0;
    qsizetype drawingOffset = 0;  // bytes of drawing read when the OBJ came
    qsizetype substreamOffset = -1;
    std::optional<XlsStructure::ChartOutline> outline;
};

// The sizes of columns and rows as a worksheet substream gives them, in the terms of an Open XML
// worksheet: widths in characters, heights in points.
void readGeometry(const Reader::Record& record, SheetGeometry& geometry) {
    const char* d = record.data;
    switch (record.type) {
    case kDefColWidth:
        if (record.size >= 2) geometry.baseColumnWidth = u16(d);
        break;
    case kStandardWidth:
        if (record.size >= 2) geometry.defaultColumnWidth = u16(d) / 256.0;
        break;
    case kColInfo:
        // No sheet has more columns than that to describe; a file that says more is not believed.
        if (record.size >= 10 && u16(d) <= u16(d + 2) && u16(d) < kMaxColumns &&
            geometry.columns.size() < size_t(kMaxColumns)) {
            SheetGeometry::Columns columns;
            columns.min = u16(d) + 1;
            columns.max = std::min<int>(u16(d + 2), kMaxColumns - 1) + 1;
            columns.width = u16(d + 4) / 256.0;
            columns.hidden = (u16(d + 8) & 0x0001) != 0;
            geometry.columns.push_back(columns);
        }
        break;
    case kDefaultRowHeight:
        if (record.size >= 4) {
            // fDyZero: rows are hidden unless a ROW says otherwise; the height is then the
            // hidden rows' own.
            geometry.rowsHiddenByDefault = (u16(d) & 0x0002) != 0;
            if (!geometry.rowsHiddenByDefault) geometry.defaultRowHeight = u16(d + 2) / 20.0;
        }
        break;
    case kRow:
        if (record.size >= 14) {
            SheetGeometry::Row row;
            const double height = (u16(d + 6) & 0x7FFF) / 20.0;
            row.hidden = (u16(d + 12) & 0x0020) != 0;
            if (height != geometry.defaultRowHeight) row.height = height;
            if (row.hidden || row.height >= 0 || geometry.rowsHiddenByDefault) geometry.rows[u16(d)] = row;
        }
        break;
    default:
        break;
    }
}

// The substream of the worksheet whose BOF is at pos: its chart objects, and whether it is a
// dialog sheet. Returns where the substream ends.
qsizetype readWorksheet(const Reader& reader, qsizetype pos, XlsStructure::Sheet& sheet) {
    const Reader::Record bof = reader.at(pos);
    if (bof.type != kBof || bof.size < 4) {
        reader.fail(QStringLiteral("the substream of sheet \"%1\" does not begin with a BOF record (damaged file)")
                        .arg(sheet.name));
    }
    bool dialog = false;
    QByteArray drawing;
    std::vector<ChartObj> charts;
    int nested = 0;  // depth inside the substreams of embedded charts
    std::optional<ChartRecords> chartRecords;  // the chart substream being read
    pos = bof.offset + 4 + bof.size;
    for (;;) {
        if (pos >= reader.size()) {
            reader.fail(QStringLiteral("the substream of sheet \"%1\" ends without its EOF record (damaged or truncated file)")
                            .arg(sheet.name));
        }
        const Reader::Record record = reader.at(pos);
        pos = record.offset + 4 + record.size;
        if (record.type == kBof) {
            // The chart substream right after a chart's OBJ is that chart's.
            if (nested == 0 && record.size >= 4 && u16(record.data + 2) == kBofChart && !charts.empty() &&
                !charts.back().outline && charts.back().drawingOffset == drawing.size()) {
                chartRecords.emplace();
                charts.back().substreamOffset = record.offset;
            }
            ++nested;
        } else if (record.type == kEof) {
            if (nested == 1 && chartRecords) {
                charts.back().outline = chartRecords->outline();
                chartRecords.reset();
            }
            if (nested == 0) break;
            --nested;
        } else if (nested > 0) {
            if (nested == 1 && chartRecords) chartRecords->read(record);
            continue;
        } else if (record.type == kWsBool && record.size >= 1) {
            dialog = (quint8(record.data[0]) & 0x10) != 0;
        } else if (record.type == kMsoDrawing) {
            drawing.append(reader.joined(record, pos));
        } else if (record.type == kObj) {
            const QByteArray obj = reader.joined(record, pos);
            if (obj.size() >= 8 && u16(obj.constData()) == kFtCmo && u16(obj.constData() + 2) >= 4 &&
                u16(obj.constData() + 4) == kObjectTypeChart) {
                charts.push_back({u16(obj.constData() + 6), drawing.size(), -1, std::nullopt});
            }
        } else {
            readGeometry(record, sheet.geometry);
        }
    }
    // The index costs a slot per column there can be: worth it only for sheets describing many.
    if (sheet.geometry.columns.size() > 64) sheet.geometry.indexColumns();
    if (dialog) {
        sheet.kind = XlsStructure::SheetKind::DialogSheet;
        return pos;
    }

    std::vector<Shape> shapes;
    readDrawing(drawing, 0, drawing.size(), 0, 0, shapes);
    // Each chart's shape is the first whose client data ends where the chart's record begins:
    // looked up by that offset, so that a sheet of many shapes and charts costs linear time.
    std::unordered_map<qsizetype, const Shape*> shapeEndingAt;
    shapeEndingAt.reserve(shapes.size());
    for (const Shape& s : shapes) shapeEndingAt.try_emplace(s.clientDataEnd, &s);
    for (const ChartObj& chart : charts) {
        const auto found = shapeEndingAt.find(chart.drawingOffset);
        const Shape* shape = found != shapeEndingAt.end() ? found->second : nullptr;
        // Charts inside a group of shapes are not chart objects of the sheet.
        if (shape && shape->groupDepth > 1) continue;
        XlsStructure::ChartObject object;
        object.objectId = chart.objectId;
        if (shape) {
            object.anchor = shape->anchor;
            object.nameStored = !shape->name.isEmpty();
            object.name = shape->name;
        }
        if (!object.nameStored) object.name = QStringLiteral("Chart %1").arg(chart.objectId);
        object.outline = chart.outline;
        object.substreamOffset = chart.substreamOffset;
        sheet.chartObjects.push_back(std::move(object));
    }
    return pos;
}

bool isBiffBofType(quint16 type) {
    return type == 0x0009 || type == 0x0209 || type == 0x0409 || type == 0x0809;
}

QString oldFormatMessage(const QString& version) {
    return QStringLiteral("an %1 workbook; only Excel 97-2003 and later .xls files are read: open it in the "
                          "spreadsheet application and save it as .xlsx")
        .arg(version);
}

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T>
using GsfPointer = std::unique_ptr<T, GObjectUnref>;

// The Workbook stream of an open compound file.
QByteArray workbookStream(GsfInput* input, const QString& file) {
    GError* error = nullptr;
    GsfPointer<GsfInfile> compound(gsf_infile_msole_new(input, &error));
    if (!compound) {
        const QString why = error ? QString::fromUtf8(error->message) : QString();
        if (error) g_error_free(error);
        throw DocumentError(DocumentError::Kind::Corrupt, file, QString(),
                            QStringLiteral("not a readable compound file (damaged or truncated)%1")
                                .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    }
    GsfInfile* root = compound.get();
    GsfPointer<GsfInput> stream;
    bool book = false;
    bool encrypted = false;
    QString otherDocument;
    for (int i = 0; i < gsf_infile_num_children(root); ++i) {
        const char* name = gsf_infile_name_by_index(root, i);
        if (!name) continue;
        if (qstricmp(name, "Workbook") == 0) {
            stream.reset(gsf_infile_child_by_index(root, i));
            break;
        }
        if (qstricmp(name, "Book") == 0) book = true;
        // An Open XML file saved with a password to open is a compound file holding the
        // encrypted package and how it was encrypted.
        if (qstricmp(name, "EncryptedPackage") == 0 || qstricmp(name, "EncryptionInfo") == 0) encrypted = true;
        if (qstricmp(name, "WordDocument") == 0) otherDocument = QStringLiteral("a Word 97-2003 document");
        if (qstricmp(name, "PowerPoint Document") == 0) otherDocument = QStringLiteral("a PowerPoint 97-2003 presentation");
    }
    if (!stream) {
        if (encrypted) {
            throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                                QStringLiteral("the workbook is encrypted (protected by a password to open); open it in "
                                               "the spreadsheet application, remove the password and save it again"));
        }
        if (!otherDocument.isEmpty()) {
            throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                                QStringLiteral("not a workbook: the file is %1").arg(otherDocument));
        }
        if (book) throw DocumentError(DocumentError::Kind::Unsupported, file, QString(), oldFormatMessage(QStringLiteral("Excel 5.0/95")));
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, QString(),
            QStringLiteral(
                "the compound file holds no Workbook stream: it is damaged or truncated, "
                "or not an Excel workbook"));
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > XlsStructure::kMaxStreamBytes) {
        throw DocumentError(DocumentError::Kind::OverLimit, file, QStringLiteral("Workbook"), QStringLiteral("the stream is too large to be read"));
    }
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8*>(bytes.data()))) {
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, QStringLiteral("Workbook"),
            QStringLiteral("the stream cannot be read whole (damaged or truncated file)"));
    }
    return bytes;
}

void refuseNonCompound(const QByteArray& head, const QString& file) {
    if (head.size() >= 4 && isBiffBofType(u16(head.constData()))) {
        const quint16 type = u16(head.constData());
        const QString version = type == 0x0009   ? QStringLiteral("Excel 2.x")
                                : type == 0x0209 ? QStringLiteral("Excel 3.0")
                                : type == 0x0409 ? QStringLiteral("Excel 4.0")
                                                 : QStringLiteral("Excel 5.0/95 or older");
        throw DocumentError(DocumentError::Kind::Unsupported, file, QString(), oldFormatMessage(version));
    }
    throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                        QStringLiteral("not an Excel 97-2003 workbook (no compound file signature)"));
}

void initialiseGsf() {
    static const bool initialised = (gsf_init(), true);
    (void)initialised;
}

const QByteArray kCompoundSignature = QByteArray::fromHex("D0CF11E0A1B11AE1");

}  // namespace

std::optional<std::pair<qint64, qint64>> XlsStructure::chartSize(const Sheet& sheet, const ChartObject& chart) {
    if (!chart.anchor) return std::nullopt;
    const Anchor& a = *chart.anchor;
    const SheetGeometry& geometry = sheet.geometry;
    constexpr qint64 kEmuPerPixel = 9525;
    // Offsets are fractions of their cell: 1/1024 of the column's width, 1/256 of the row's height.
    const auto across = [&](int column, int offset) {
        return qint64(geometry.columnPixels(column)) * kEmuPerPixel * std::min(offset, 1024) / 1024;
    };
    const auto down = [&](int row, int offset) {
        return qint64(geometry.rowPixels(row)) * kEmuPerPixel * std::min(offset, 256) / 256;
    };
    qint64 cx = 0;
    for (int c = a.firstColumn; c < a.lastColumn; ++c) cx += geometry.columnPixels(c) * kEmuPerPixel;
    cx += across(a.lastColumn, a.lastColumnOffset) - across(a.firstColumn, a.firstColumnOffset);
    qint64 cy = 0;
    for (int r = a.firstRow; r < a.lastRow; ++r) cy += geometry.rowPixels(r) * kEmuPerPixel;
    cy += down(a.lastRow, a.lastRowOffset) - down(a.firstRow, a.firstRowOffset);
    return std::pair<qint64, qint64>{std::max<qint64>(cx, 0), std::max<qint64>(cy, 0)};
}

std::vector<const XlsStructure::Sheet*> XlsStructure::worksheets() const {
    std::vector<const Sheet*> result;
    for (const Sheet& sheet : m_sheets) {
        if (sheet.kind == SheetKind::Worksheet) result.push_back(&sheet);
    }
    return result;
}

XlsStructure XlsStructure::fromWorkbookStream(const QByteArray& stream, const QString& displayName) {
    const Reader reader(stream, displayName);
    if (stream.size() < 8) reader.fail(QStringLiteral("the stream is empty or truncated"));
    const Reader::Record bof = reader.at(0);
    if (!isBiffBofType(bof.type) || bof.size < 4) {
        reader.fail(QStringLiteral("the stream does not begin with a BOF record (damaged file)"));
    }
    const quint16 version = u16(bof.data);
    if (bof.type != kBof || version == kBiff5 || version < kBiff5) {
        throw DocumentError(DocumentError::Kind::Unsupported, displayName, QString(),
                            oldFormatMessage(QStringLiteral("Excel 5.0/95 or older")));
    }
    if (version != kBiff8 || u16(bof.data + 2) != kBofWorkbookGlobals) {
        reader.fail(QStringLiteral("the stream does not begin with the workbook globals (damaged file)"));
    }

    struct Entry {
        quint32 position;
        int kind;
    };
    XlsStructure result;
    std::vector<Entry> entries;
    QHash<QString, QString> sheetOfName;  // case-folded name -> the name as given
    qsizetype pos = bof.offset + 4 + bof.size;
    for (;;) {
        if (pos >= reader.size()) {
            reader.fail(QStringLiteral("the workbook globals end without their EOF record (damaged or truncated file)"));
        }
        const Reader::Record record = reader.at(pos);
        pos = record.offset + 4 + record.size;
        if (record.type == kEof) break;
        if (record.type == kFilePass) {
            throw DocumentError(DocumentError::Kind::Unsupported, displayName, QString(),
                                QStringLiteral("the workbook is encrypted (protected by a password to open); open it in "
                                               "the spreadsheet application, remove the password and save it again"));
        }
        if (record.type != kBoundSheet) continue;
        bool ok = false;
        const QString name =
            record.size >= 6 ? shortUnicodeString(record.data + 6, record.size - 6, &ok) : QString();
        if (!ok) {
            reader.fail(QStringLiteral("the sheet entry at offset %1 is cut short (damaged file)").arg(record.offset));
        }
        // Sheets are found by name, compared without regard to case: of two such, one could
        // never be reached.
        const auto alike = sheetOfName.constFind(name.toCaseFolded());
        if (alike != sheetOfName.constEnd()) {
            reader.fail(QStringLiteral("sheets \"%1\" and \"%2\" have the same name (the case of letters does not "
                                       "tell sheets apart)")
                            .arg(*alike, name));
        }
        sheetOfName.insert(name.toCaseFolded(), name);
        Sheet sheet;
        sheet.name = name;
        switch (quint8(record.data[4]) & 0x03) {
        case 0: sheet.visibility = Visibility::Visible; break;
        case 1: sheet.visibility = Visibility::Hidden; break;
        default: sheet.visibility = Visibility::VeryHidden; break;
        }
        const int kind = quint8(record.data[5]);
        sheet.kind = kind == 0   ? SheetKind::Worksheet
                     : kind == 1 ? SheetKind::MacroSheet
                     : kind == 2 ? SheetKind::Chartsheet
                                 : SheetKind::Other;
        entries.push_back({u32(record.data), kind});
        result.m_sheets.push_back(std::move(sheet));
    }
    std::map<qsizetype, qsizetype> walked;  // substreams read: begin -> end
    for (size_t i = 0; i < entries.size(); ++i) {
        Sheet& sheet = result.m_sheets[i];
        if (sheet.kind != SheetKind::Worksheet) continue;
        if (entries[i].position >= quint32(stream.size())) {
            reader.fail(QStringLiteral("the substream of sheet \"%1\" lies past the end of the stream (damaged or truncated file)")
                            .arg(sheet.name));
        }
        // Substreams never share bytes: one that begins inside another is refused, so that a
        // file naming one large substream for many sheets cannot make the walk repeat it.
        const qsizetype begin = qsizetype(entries[i].position);
        auto next = walked.upper_bound(begin);
        if (next != walked.begin() && std::prev(next)->second > begin) {
            reader.fail(QStringLiteral("the substream of sheet \"%1\" overlaps another sheet's (damaged file)")
                            .arg(sheet.name));
        }
        sheet.substreamOffset = begin;
        walked.emplace(begin, readWorksheet(reader, begin, sheet));
    }
    return result;
}

XlsStructure XlsStructure::fromFileBytes(const QByteArray& file, const QString& displayName) {
    if (!file.startsWith(kCompoundSignature)) refuseNonCompound(file.left(8), displayName);
    initialiseGsf();
    GsfPointer<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), file.size(), FALSE));
    if (!input)
        throw DocumentError(DocumentError::Kind::Io, displayName, QString(),
                            QStringLiteral("cannot be read"));
    return fromWorkbookStream(workbookStream(input.get(), displayName), displayName);
}

QByteArray XlsStructure::readWorkbookStream(const QString& path, const QString& file) {
    const QFileInfo info(path);
    QFile head(path);
    if (!info.isFile()) throw DocumentError(DocumentError::Kind::Missing, file, QString(), QStringLiteral("file not found"));
    if (!head.open(QIODevice::ReadOnly)) {
        throw DocumentError(DocumentError::Kind::Io, file, QString(), QStringLiteral("cannot be read (no permission?)"));
    }
    const QByteArray signature = head.read(8);
    head.close();
    if (signature != kCompoundSignature) refuseNonCompound(signature, file);

    initialiseGsf();
    GError* error = nullptr;
    GsfPointer<GsfInput> input(gsf_input_stdio_new(QFile::encodeName(path).constData(), &error));
    if (!input) {
        if (error) g_error_free(error);
        throw DocumentError(DocumentError::Kind::Io, file, QString(),
                            QStringLiteral("cannot be read"));
    }
    return workbookStream(input.get(), file);
}

XlsStructure XlsStructure::read(const QString& path) {
    const QFileInfo info(path);
    const QString file = info.fileName().isEmpty() ? path : info.fileName();
    return fromWorkbookStream(readWorkbookStream(path, file), file);
}

}  // namespace engine
