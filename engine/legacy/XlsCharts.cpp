#include "engine/legacy/XlsCharts.h"

#include "engine/chartcopy/ChartCaches.h"
#include "engine/chartcopy/ChartLook.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/legacy/BiffRecords.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/package/Xml.h"
#include "engine/workbook/CellReference.h"
#include "engine/workbook/Workbook.h"

#include <QFileInfo>
#include <QXmlStreamWriter>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

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

// Globals (MS-XLS 2.4).
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kExternSheet = 0x0017;
constexpr quint16 kSupBook = 0x01AE;
constexpr quint16 kPalette = 0x0092;
constexpr quint16 kFormat = 0x041E;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kFont = 0x0031;

// Cells.
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kMulRk = 0x00BD;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kBoolErr = 0x0205;
constexpr quint16 kFormula = 0x0006;
constexpr quint16 kString = 0x0207;

// Chart substream.
constexpr quint16 kSeries = 0x1003;
constexpr quint16 kBrai = 0x1051;
constexpr quint16 kSerParent = 0x104A;
constexpr quint16 kDataFormat = 0x1006;
constexpr quint16 kLineFormat = 0x1007;
constexpr quint16 kAreaFormat = 0x100A;
constexpr quint16 kMarkerFormat = 0x1009;
constexpr quint16 kPieFormat = 0x100B;
constexpr quint16 kAttachedLabel = 0x100C;
constexpr quint16 kSerFmt = 0x105D;
constexpr quint16 kShtProps = 0x1044;
constexpr quint16 kAxisParent = 0x1041;
constexpr quint16 kAxis = 0x101D;
constexpr quint16 kCatSerRange = 0x1020;
constexpr quint16 kValueRange = 0x101F;
constexpr quint16 kTick = 0x101E;
constexpr quint16 kAxisLine = 0x1021;
constexpr quint16 kIFmt = 0x104E;
constexpr quint16 kFontX = 0x1026;
constexpr quint16 kBar = 0x1017;
constexpr quint16 kLine = 0x1018;
constexpr quint16 kPie = 0x1019;
constexpr quint16 kArea = 0x101A;
constexpr quint16 kScatter = 0x101B;
constexpr quint16 kRadar = 0x103E;
constexpr quint16 kSurf = 0x103F;
constexpr quint16 kRadarArea = 0x1040;
constexpr quint16 kBopPop = 0x1061;
constexpr quint16 kBopPopCustom = 0x1067;
constexpr quint16 kSIIndex = 0x1065;
constexpr quint16 kAxcExt = 0x1062;
constexpr quint16 kCrtLayout12 = 0x089D;
constexpr quint16 kCrtLayout12A = 0x08A7;
constexpr quint16 kLegend = 0x1015;
constexpr quint16 kFrame = 0x1032;
constexpr quint16 kPlotArea = 0x1035;

constexpr int kMaxKeptCells = 500000;

QString errorText(int code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        default:
            return QStringLiteral("#N/A");
    }
}

// Text as XML may hold it: the records may carry control characters and halves of surrogate
// pairs, which no XML reader takes; they are left out.
QString xmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append(text[i]).append(text[i + 1]);
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) continue;
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') continue;
        out.append(text[i]);
    }
    return out;
}

double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

double xnum(const char* p) {
    double value = 0;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// An XLUnicodeString (16-bit count, flags byte, characters) that does not span records.
QString unicodeString(const char* p, qsizetype available) {
    if (available < 3) return {};
    const int count = u16(p);
    const bool wide = (quint8(p[2]) & 0x01) != 0;
    const qsizetype bytes = wide ? 2 * qsizetype(count) : count;
    if (bytes > available - 3) return {};
    if (!wide) return QString::fromLatin1(p + 3, count);
    QString text(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) text[i] = QChar(u16(p + 3 + 2 * i));
    return text;
}

// The shared string table: its strings run on over CONTINUE records, and a string's characters
// broken by a record boundary go on after a new flags byte saying how wide they are.
class SstReader {
public:
    void addSegment(const char* data, qsizetype size) { m_segments.push_back({data, size}); }

    std::vector<QString> read() {
        std::vector<QString> strings;
        quint32 unique = 0;
        if (!skip(4) || !word32(&unique)) return strings;
        strings.reserve(std::min<quint32>(unique, 1u << 16));
        for (quint32 i = 0; i < unique; ++i) {
            quint16 count = 0;
            quint8 flags = 0;
            if (!word16(&count) || !byte(&flags)) break;
            quint16 runs = 0;
            quint32 extension = 0;
            if ((flags & 0x08) && !word16(&runs)) break;
            if ((flags & 0x04) && !word32(&extension)) break;
            QString text;
            bool wide = flags & 0x01;
            int left = count;
            bool ok = true;
            while (left > 0) {
                if (m_offset >= current().second) {
                    // A new record: its first byte says how wide the rest of the characters are.
                    if (!next() || !byte(&flags)) {
                        ok = false;
                        break;
                    }
                    wide = flags & 0x01;
                }
                const qsizetype room = (current().second - m_offset) / (wide ? 2 : 1);
                const int take = int(std::min<qsizetype>(left, room));
                if (take == 0) {
                    ok = false;
                    break;
                }
                const char* p = current().first + m_offset;
                if (wide) {
                    for (int k = 0; k < take; ++k) text.append(QChar(u16(p + 2 * k)));
                } else {
                    text.append(QString::fromLatin1(p, take));
                }
                m_offset += wide ? 2 * take : take;
                left -= take;
            }
            if (!ok) break;
            strings.push_back(std::move(text));
            if (!skip(qsizetype(runs) * 4 + qsizetype(extension))) break;
        }
        return strings;
    }

private:
    const std::pair<const char*, qsizetype>& current() const { return m_segments[m_segment]; }
    bool next() {
        if (m_segment + 1 >= m_segments.size()) return false;
        ++m_segment;
        m_offset = 0;
        return true;
    }
    bool byte(quint8* out) {
        while (m_offset >= current().second) {
            if (!next()) return false;
        }
        *out = quint8(current().first[m_offset++]);
        return true;
    }
    bool word16(quint16* out) {
        quint8 a = 0, b = 0;
        if (!byte(&a) || !byte(&b)) return false;
        *out = quint16(a | (b << 8));
        return true;
    }
    bool word32(quint32* out) {
        quint16 a = 0, b = 0;
        if (!word16(&a) || !word16(&b)) return false;
        *out = quint32(a) | (quint32(b) << 16);
        return true;
    }
    bool skip(qsizetype count) {
        while (count > 0) {
            if (m_offset >= current().second && !next()) return false;
            const qsizetype take = std::min(count, current().second - m_offset);
            m_offset += take;
            count -= take;
        }
        return true;
    }

    std::vector<std::pair<const char*, qsizetype>> m_segments;
    size_t m_segment = 0;
    qsizetype m_offset = 0;
};

struct Font {
    double points = 10;
    bool bold = false;
    bool italic = false;
    QString name;
};

// What the workbook globals say that a chart needs.
struct Globals {
    std::vector<QString> strings;
    struct Xti {
        int book = 0;
        int firstSheet = 0;
        int lastSheet = 0;
    };
    std::vector<Xti> references;  // EXTERNSHEET
    std::vector<bool> ownBook;    // SUPBOOK: whether each refers to this workbook
    std::vector<QRgb> palette;    // PALETTE, colour indexes 8 onwards; empty for the default
    std::map<int, QString> formats;
    std::vector<int> xfFormats;  // XF index -> number format index
    std::vector<Font> fonts;
    bool date1904 = false;

    QString formatCode(int xf) const {
        if (xf < 0 || xf >= int(xfFormats.size())) return {};
        const int id = xfFormats[size_t(xf)];
        if (id == 0) return {};
        const auto custom = formats.find(id);
        const QString code =
            custom != formats.end() ? custom->second : NumberFormat::builtInCode(id);
        return code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0 ? QString() : code;
    }
    QRgb colour(int icv, QRgb stored) const {
        static constexpr std::array<QRgb, 8> kFixed = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                                       0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
        if (icv >= 0 && icv < 8) return kFixed[size_t(icv)];
        if (icv >= 8 && icv < 64) {
            if (size_t(icv - 8) < palette.size()) return palette[size_t(icv - 8)];
            return legacyPalette(icv - 7).rgb() & 0xFFFFFF;
        }
        return stored;  // the system and chart colours keep the colour the record stores
    }
    // FontIndex: 0-3 count from 0, later ones from 1, as the index 4 is never used.
    const Font* font(int index) const {
        const int at = index >= 4 ? index - 1 : index;
        return at >= 0 && at < int(fonts.size()) ? &fonts[size_t(at)] : nullptr;
    }
};

Globals readGlobals(const Reader& reader) {
    Globals globals;
    qsizetype pos = reader.at(0).size + 4;
    for (;;) {
        if (pos >= reader.size())
            reader.fail(QStringLiteral("the workbook globals end without their EOF record"));
        const Reader::Record record = reader.at(pos);
        pos = record.offset + 4 + record.size;
        const char* d = record.data;
        switch (record.type) {
            case kEof:
                return globals;
            case kSst: {
                SstReader sst;
                sst.addSegment(d, record.size);
                while (pos <= reader.size() - 4) {
                    const Reader::Record next = reader.at(pos);
                    if (next.type != biff::kContinue) break;
                    sst.addSegment(next.data, next.size);
                    pos = next.offset + 4 + next.size;
                }
                globals.strings = sst.read();
                break;
            }
            case kExternSheet: {
                const QByteArray body = reader.joined(record, pos);
                if (body.size() < 2) break;
                const int count = std::min<int>(u16(body.constData()), int((body.size() - 2) / 6));
                for (int i = 0; i < count; ++i) {
                    const char* x = body.constData() + 2 + 6 * i;
                    globals.references.push_back({u16(x), qint16(u16(x + 2)), qint16(u16(x + 4))});
                }
                break;
            }
            case kSupBook:
                globals.ownBook.push_back(record.size >= 4 && u16(d + 2) == 0x0401);
                break;
            case kPalette:
                if (record.size >= 2) {
                    const int count = std::min<int>(u16(d), int((record.size - 2) / 4));
                    for (int i = 0; i < count; ++i) {
                        const char* c = d + 2 + 4 * i;
                        globals.palette.push_back(qRgb(quint8(c[0]), quint8(c[1]), quint8(c[2])) &
                                                  0xFFFFFF);
                    }
                }
                break;
            case kFormat:
                if (record.size >= 5)
                    globals.formats[u16(d)] = unicodeString(d + 2, record.size - 2);
                break;
            case kXf:
                if (record.size >= 4) globals.xfFormats.push_back(u16(d + 2));
                break;
            case kDateMode:
                if (record.size >= 2) globals.date1904 = u16(d) != 0;
                break;
            case kFont:
                if (record.size >= 16) {
                    Font font;
                    font.points = u16(d) / 20.0;
                    font.italic = (u16(d + 2) & 0x0002) != 0;
                    font.bold = u16(d + 6) >= 700;
                    bool ok = false;
                    font.name = shortUnicodeString(d + 14, record.size - 14, &ok);
                    globals.fonts.push_back(font);
                }
                break;
            default:
                break;
        }
    }
}

struct Cell {
    QVariant value;
    int xf = 0;
};

// The cells of one worksheet substream that lie in the given ranges, keyed row << 8 | column:
// BIFF8 sheets have 256 columns.
std::unordered_map<quint32, Cell> readCells(const Reader& reader, qsizetype begin,
                                            const Globals& globals,
                                            const std::vector<CellRange>& ranges) {
    std::unordered_map<quint32, Cell> cells;
    CellRange box{QString(), INT_MAX, INT_MAX, -1, -1};
    for (const CellRange& r : ranges) {
        box.firstRow = std::min(box.firstRow, r.firstRow);
        box.firstColumn = std::min(box.firstColumn, r.firstColumn);
        box.lastRow = std::max(box.lastRow, r.lastRow);
        box.lastColumn = std::max(box.lastColumn, r.lastColumn);
    }
    const auto wanted = [&](int row, int column) {
        if (row < box.firstRow || row > box.lastRow || column < box.firstColumn ||
            column > box.lastColumn)
            return false;
        for (const CellRange& r : ranges) {
            if (row >= r.firstRow && row <= r.lastRow && column >= r.firstColumn &&
                column <= r.lastColumn)
                return true;
        }
        return false;
    };
    const auto put = [&](int row, int column, int xf, QVariant value) {
        if (int(cells.size()) >= kMaxKeptCells || !wanted(row, column)) return;
        if (value.typeId() == QMetaType::QString) value = xmlText(value.toString());
        cells[quint32(row) << 8 | quint32(column & 0xFF)] = {std::move(value), xf};
    };
    int nested = 0;
    qsizetype pos = reader.at(begin).offset + 4 + reader.at(begin).size;
    struct Pending {
        bool active = false;
        int row = 0, column = 0, xf = 0;
    } pendingString;  // a FORMULA whose text result follows in a STRING record
    while (pos < reader.size()) {
        const Reader::Record record = reader.at(pos);
        pos = record.offset + 4 + record.size;
        const char* d = record.data;
        const qsizetype size = record.size;
        if (record.type == kBof) {
            ++nested;
            continue;
        }
        if (record.type == kEof) {
            if (nested == 0) break;
            --nested;
            continue;
        }
        if (nested > 0) continue;
        switch (record.type) {
            case kNumber:
                if (size >= 14) put(u16(d), u16(d + 2), u16(d + 4), xnum(d + 6));
                break;
            case kRk:
                if (size >= 10) put(u16(d), u16(d + 2), u16(d + 4), rkValue(u32(d + 6)));
                break;
            case kMulRk:
                if (size >= 6) {
                    const int row = u16(d);
                    const int first = u16(d + 2);
                    const int count = int((size - 6) / 6);
                    for (int i = 0; i < count; ++i) {
                        put(row, first + i, u16(d + 4 + 6 * i), rkValue(u32(d + 6 + 6 * i)));
                    }
                }
                break;
            case kLabelSst:
                if (size >= 10) {
                    const quint32 index = u32(d + 6);
                    put(u16(d), u16(d + 2), u16(d + 4),
                        index < globals.strings.size() ? globals.strings[index] : QString());
                }
                break;
            case kLabel:
                if (size >= 9) put(u16(d), u16(d + 2), u16(d + 4), unicodeString(d + 6, size - 6));
                break;
            case kBoolErr:
                if (size >= 8) {
                    const bool error = d[7] != 0;
                    put(u16(d), u16(d + 2), u16(d + 4),
                        error ? QVariant(errorText(quint8(d[6]))) : QVariant(d[6] != 0));
                }
                break;
            case kFormula:
                if (size >= 20) {
                    const int row = u16(d), column = u16(d + 2), xf = u16(d + 4);
                    const char* result = d + 6;
                    if (u16(result + 6) != 0xFFFF) {
                        put(row, column, xf, xnum(result));
                    } else {
                        switch (quint8(result[0])) {
                            case 0:
                                pendingString = {true, row, column, xf};
                                break;
                            case 1:
                                put(row, column, xf, quint8(result[2]) != 0);
                                break;
                            case 2:
                                put(row, column, xf, errorText(quint8(result[2])));
                                break;
                            default:
                                put(row, column, xf, QString());
                                break;
                        }
                    }
                }
                break;
            case kString:
                if (pendingString.active) {
                    put(pendingString.row, pendingString.column, pendingString.xf,
                        unicodeString(d, size));
                    pendingString.active = false;
                }
                break;
            default:
                break;
        }
    }
    return cells;
}

}  // namespace

namespace {

// Formats of one chart element as its records give them (LineFormat, AreaFormat, MarkerFormat,
// PieFormat, AttachedLabel, SerFmt); absent ones are left to the reader of the part.
struct LineFormat {
    QRgb colour = 0;
    int pattern = 0;  // lns: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none, 6-8 grey
    int weight = 0;   // we: -1 hairline, 0 narrow, 1 medium, 2 wide
    bool automatic = true;
};
struct AreaFormat {
    QRgb foreground = 0;
    int pattern = 1;  // fls: 0 none, 1 solid, others patterns
    bool automatic = true;
    bool invertIfNegative = false;
};
struct MarkerFormat {
    QRgb foreground = 0;  // the border
    QRgb background = 0;  // the fill
    int symbol = 0;
    bool automatic = true;
    bool noFill = false;
    bool noBorder = false;
    int sizeTwips = 100;
};
struct LabelFlags {
    bool value = false, percent = false, category = false, bubbleSize = false, seriesName = false;
    bool any() const { return value || percent || category || bubbleSize || seriesName; }
};
struct ElementFormat {
    std::optional<LineFormat> line;
    std::optional<AreaFormat> area;
    std::optional<MarkerFormat> marker;
    std::optional<int> explosion;
    std::optional<LabelFlags> labels;
    std::optional<bool> smooth;
};

// A data reference of a series or text (BRAI): its formula as text and its ranges, or the
// reason it cannot be resolved.
struct Reference {
    int type = 0;  // rt: 0 automatic, 1 literal, 2 reference
    QString formula;
    std::vector<CellRange> ranges;
    bool resolved = true;
    int numberFormat = -1;  // ifmt when fUnlinkedIfmt, else -1 (linked to the source)
};

struct TextDef {
    int link =
        0;  // ObjectLink.wLinkObj: 1 chart title, 2 value axis, 3 category axis, 7 series axis
    int linkSeries = 0;
    int linkPoint = 0xFFFF;  // wLinkVar2 of a data label: its point, 0xFFFF the whole series
    LabelFlags shows;        // what a data label shows
    bool automatic = false;
    bool deleted = false;
    int rotation = 0;  // degrees, counter-clockwise
    QString literal;
    std::optional<Reference> reference;
    int font = -1;
};

struct SeriesDef {
    int index = 0;  // in the chart's order of Series records
    bool numericCategories = true;
    std::optional<Reference> name, values, categories, bubbleSizes;
    QString literalName;
    int plotOrder = -1;  // DataFormat.iss of the series' own format: where it is drawn and listed
    int group = 0;       // SerToCrt: the ChartFormat's icrt
    bool auxiliary = false;  // a trend line's or error bars' series (SerParent)
    ElementFormat format;
    std::map<int, ElementFormat> points;
    // The chart's own copy of its data (SERIESDATA), by point: what the spreadsheet draws when
    // a reference names no cells of this workbook (a name, another workbook, constants).
    std::map<int, QVariant> cachedValues, cachedCategories, cachedBubbleSizes;

    bool valuesResolved() const { return values && values->type == 2 && values->resolved; }
};

struct AxisDef {
    int type = 0;  // 0 category, 1 value, 2 series
    // CatSerRange
    int crossCategory = 1, labelSkip = 1, markSkip = 1;
    bool between = true, crossAtMaximum = false, reversed = false;
    bool hasCatSerRange = false;
    // AxcExt: a category axis as a time line, in days, months or years (0, 1, 2)
    bool hasAxcExt = false, dateAxis = false, autoDate = true, autoBase = true;
    int baseUnit = 0, majorDate = 1, majorDateUnit = 0, minorDate = 1, minorDateUnit = 0;
    int firstDate = 0, lastDate = 0;
    bool autoFirstDate = true, autoLastDate = true, autoMajorDate = true, autoMinorDate = true;
    // ValueRange
    bool hasValueRange = false;
    double minimum = 0, maximum = 0, major = 0, minor = 0, crossValue = 0;
    bool autoMinimum = true, autoMaximum = true, autoMajor = true, autoMinor = true,
         autoCross = true;
    bool logarithmic = false;
    // Tick
    int majorTick = 2, minorTick = 0, labelPosition = 3, labelRotation = 0;
    bool hasTick = false;
    std::optional<LineFormat> axisLine;
    std::optional<LineFormat> majorGridlines;
    std::optional<LineFormat> minorGridlines;
    int numberFormat = -1;
    int font = -1;
};

// Where the user placed an element (CrtLayout12, CrtLayout12A): per coordinate 0 automatic,
// 1 relative to the automatic place, 2 from the chart's edges, as fractions of the chart.
struct RecordLayout {
    std::array<int, 4> modes{};  // x, y, width, height
    std::array<double, 4> values{};
    bool inner = false;  // the plot area's inside, without its axis labels

    static std::optional<RecordLayout> read(const char* modes, const char* values) {
        RecordLayout layout;
        bool manual = false;
        for (size_t i = 0; i < 4; ++i) {
            layout.modes[i] = u16(modes + 2 * i) <= 2 ? u16(modes + 2 * i) : 0;
            layout.values[i] = xnum(values + 8 * i);
            if (!std::isfinite(layout.values[i]) || std::abs(layout.values[i]) > 10)
                return std::nullopt;
            manual = manual || layout.modes[i] != 0;
        }
        return manual ? std::optional<RecordLayout>(layout) : std::nullopt;
    }
};

struct GroupDef {
    int order = 0;  // icrt
    enum Kind { Unknown, Bar, Line, Area, Pie, OfPie, Scatter, Radar, Surface };
    Kind kind = Unknown;
    bool horizontal = false, stacked = false, percent = false, varied = false, threeD = false;
    bool highLowLines = false, dropBars = false, filledRadar = false, bubbles = false;
    bool wireframe = false;  // a surface without fill
    int overlap = 0, gap = 150, holeSize = 0, firstSlice = 0;
    // Scatter: bubbles
    int bubbleScale = 100, bubbleSizeRepresents = 1;  // 1 area, 2 width
    bool showNegativeBubbles = false;
    // BopPop: pie of pie (1) or bar of pie (2), and which points the second plot takes
    int ofPieType = 1, split = 0, splitPosition = 0, splitPercent = 0, secondPieSize = 75;
    bool autoSplit = false;
    double splitValue = 0;
    std::vector<int> customSplit;  // points in the second plot, for split 3
    int rotation = 20, elevation = 15, depth = 100, gapDepth = 150;
    bool perspective = false, clustered = false;
    bool legend = false;
    int legendPosition = 3;
    int legendFont = -1;
    std::optional<RecordLayout> legendLayout;
    int axisParent = 0;

    // Drawn as lines with markers; a bubble's series, like a bar's, is its fill.
    bool lineLike() const {
        return kind == Line || (kind == Scatter && !bubbles) || kind == Radar;
    }
    bool pieLike() const { return kind == Pie || kind == OfPie; }
};

struct AxisParentDef {
    int index = 0;  // 0 primary, 1 secondary
    std::vector<AxisDef> axes;
};

// Deques, so that what the parser points at while it reads a block stays put as more come.
struct ChartDef {
    std::deque<SeriesDef> series;
    std::vector<AxisParentDef> axisParents;
    std::vector<GroupDef> groups;
    std::deque<TextDef> texts;
    ElementFormat chartArea, plotArea;
    std::optional<RecordLayout> plotLayout;
    bool plotAreaFramed = false;   // a PlotArea record and its FRAME: else the plot area is bare
    bool chartAreaFramed = false;  // the chart's own FRAME
    bool plotVisibleOnly = true;
    int blanks = 0;  // mdBlank: 0 gap, 1 zero, 2 interpolated
};

// Formula text of a sheet: quoted unless it is a plain name, as the spreadsheet writes it.
QString sheetPrefix(const QString& sheet) {
    bool plain = !sheet.isEmpty() && !sheet.front().isDigit();
    for (const QChar c : sheet) {
        if (!(c.isLetterOrNumber() || c == u'_' || c == u'.')) plain = false;
    }
    if (plain) return sheet + u'!';
    QString quoted = sheet;
    quoted.replace(u'\'', QLatin1String("''"));
    return u'\'' + quoted + QLatin1String("'!");
}

QString absoluteCell(int row, int column) {
    return u'$' + columnLetters(column) + u'$' + QString::number(row + 1);
}

// A ChartParsedFormula (the ptgs a chart's references may hold) resolved through the workbook's
// sheet references: one range, or a union of ranges.
Reference parseReference(const char* p, qsizetype size, int type, const Globals& globals,
                         const std::vector<QString>& sheetNames) {
    Reference out;
    out.type = type;
    if (type != 2) return out;
    if (size < 2) {
        out.resolved = false;
        return out;
    }
    const qsizetype length = std::min<qsizetype>(u16(p), size - 2);
    const char* t = p + 2;
    const char* end = t + length;
    QStringList parts;
    while (t < end) {
        const quint8 ptg = quint8(*t);
        const quint8 base = ptg & 0x1F;
        if (ptg == 0x10 || ptg == 0x15) {  // union, parentheses
            ++t;
            continue;
        }
        if (base == 0x09 && (ptg & 0x60)) {  // PtgMemFunc: its sub-expression follows
            t += 3;
            continue;
        }
        const bool area = base == 0x1B || base == 0x1D;
        const bool cell = base == 0x1A || base == 0x1C;
        if ((!area && !cell) || (ptg & 0x60) == 0 || end - t < (area ? 11 : 7)) {
            out.resolved = false;  // a defined name, a constant, an error: nothing to place
            break;
        }
        const int ixti = u16(t + 1);
        const bool error = base == 0x1C || base == 0x1D;
        CellRange range;
        if (area) {
            range.firstRow = u16(t + 3);
            range.lastRow = u16(t + 5);
            range.firstColumn = u16(t + 7) & 0x3FFF;
            range.lastColumn = u16(t + 9) & 0x3FFF;
        } else {
            range.firstRow = range.lastRow = u16(t + 3);
            range.firstColumn = range.lastColumn = u16(t + 5) & 0x3FFF;
        }
        t += area ? 11 : 7;
        if (range.firstRow > range.lastRow) std::swap(range.firstRow, range.lastRow);
        if (range.firstColumn > range.lastColumn) std::swap(range.firstColumn, range.lastColumn);
        if (ixti >= int(globals.references.size()) || range.lastColumn > 0xFF) {
            out.resolved = false;
            break;
        }
        const Globals::Xti& xti = globals.references[size_t(ixti)];
        const bool own = xti.book >= 0 && xti.book < int(globals.ownBook.size()) &&
                         globals.ownBook[size_t(xti.book)];
        if (error || !own || xti.firstSheet < 0 || xti.firstSheet >= int(sheetNames.size())) {
            out.resolved = false;
            break;
        }
        range.sheet = sheetNames[size_t(xti.firstSheet)];
        QString text = sheetPrefix(range.sheet) + absoluteCell(range.firstRow, range.firstColumn);
        if (area) text += u':' + absoluteCell(range.lastRow, range.lastColumn);
        parts << text;
        out.ranges.push_back(range);
    }
    if (!out.resolved || parts.isEmpty()) {
        out.resolved = false;
        out.ranges.clear();
        return out;
    }
    out.formula = parts.size() == 1 ? parts.front() : u'(' + parts.join(u',') + u')';
    return out;
}

// Reads a chart substream into a ChartDef. The records are taken with their Begin/End nesting,
// each block knowing what opened it, not checked against the grammar that real files stray from.
class ChartParser {
public:
    ChartParser(const Globals& globals, const std::vector<QString>& sheetNames)
        : m_globals(globals), m_sheetNames(sheetNames) {}

    void read(const Reader::Record& record) {
        const char* d = record.data;
        const qsizetype size = record.size;
        switch (record.type) {
            case kBegin:
                m_stack.push_back(m_opening);
                ++m_open[size_t(m_opening)];
                m_opening = Block::None;
                return;
            case kEnd:
                if (!m_stack.empty()) {
                    if (m_stack.back() == Block::Format) m_format = nullptr;
                    if (m_stack.back() == Block::Text) m_text = nullptr;
                    --m_open[size_t(m_stack.back())];
                    m_stack.pop_back();
                }
                m_opening = Block::None;
                return;
            default:
                break;
        }
        m_opening = Block::None;
        switch (record.type) {
            case kSIIndex:
                m_cacheIndex = size >= 2 ? u16(d) : 0;
                break;
            case kNumber:
                if (size >= 14) cache(u16(d), u16(d + 2), xnum(d + 6));
                break;
            case kLabel:
                if (size >= 9) cache(u16(d), u16(d + 2), unicodeString(d + 6, size - 6));
                break;
            case kBoolErr:
                if (size >= 8 && d[7] == 0) cache(u16(d), u16(d + 2), QVariant(d[6] != 0));
                break;
            case kSeries: {
                SeriesDef series;
                series.index = int(m_def.series.size());
                series.numericCategories = size < 2 || u16(d) != 3;
                m_def.series.push_back(series);
                m_opening = Block::Series;
                break;
            }
            case kBrai:
                if (size >= 8) {
                    Reference reference =
                        parseReference(d + 6, size - 6, quint8(d[1]), m_globals, m_sheetNames);
                    if (u16(d + 2) & 0x0001) reference.numberFormat = u16(d + 4);
                    if (m_text && quint8(d[0]) == 0) {
                        m_text->reference = reference;
                    } else if (inside(Block::Series) && !m_def.series.empty()) {
                        SeriesDef& series = m_def.series.back();
                        switch (quint8(d[0])) {
                            case 0:
                                series.name = reference;
                                break;
                            case 1:
                                series.values = reference;
                                break;
                            case 2:
                                series.categories = reference;
                                break;
                            case 3:
                                series.bubbleSizes = reference;
                                break;
                            default:
                                break;
                        }
                    }
                }
                break;
            case kSeriesText:
                if (size >= 3) {
                    bool ok = false;
                    const QString text = shortUnicodeString(d + 2, size - 2, &ok);
                    if (!ok) break;
                    if (m_text)
                        m_text->literal = text;
                    else if (inside(Block::Series) && !m_def.series.empty())
                        m_def.series.back().literalName = text;
                }
                break;
            case kSerToCrt:
                if (size >= 2 && !m_def.series.empty()) m_def.series.back().group = u16(d);
                break;
            case kSerParent:
                if (!m_def.series.empty()) m_def.series.back().auxiliary = true;
                break;
            case kDataFormat:
                if (size >= 4) {
                    const int point = u16(d);
                    if (inside(Block::Series) && !m_def.series.empty()) {
                        SeriesDef& series = m_def.series.back();
                        m_format = point == 0xFFFF ? &series.format : &series.points[point];
                        if (point == 0xFFFF && size >= 6) series.plotOrder = u16(d + 4);
                    } else {
                        m_format = &m_scratch;  // a chart group's default format: not kept
                    }
                    m_opening = Block::Format;
                }
                break;
            case kFrame:
                if (m_stack.size() == 1) {
                    if (m_afterPlotArea) {
                        m_format = &m_def.plotArea;
                        m_def.plotAreaFramed = true;
                    } else {
                        m_format = &m_def.chartArea;
                        m_def.chartAreaFramed = true;
                    }
                } else if (m_afterPlotArea && m_stack.back() == Block::AxisParent) {
                    m_format = &m_def.plotArea;
                    m_def.plotAreaFramed = true;
                } else {
                    m_format = &m_scratch;
                }
                m_afterPlotArea = false;
                m_opening = Block::Format;
                break;
            case kPlotArea:
                m_afterPlotArea = true;
                break;
            case kLineFormat:
                if (size >= 10) {
                    LineFormat line;
                    line.colour =
                        m_globals.colour(size >= 12 ? u16(d + 10) : -1,
                                         qRgb(quint8(d[0]), quint8(d[1]), quint8(d[2])) & 0xFFFFFF);
                    line.pattern = u16(d + 4);
                    line.weight = qint16(u16(d + 6));
                    line.automatic = (u16(d + 8) & 0x0001) != 0;
                    if (m_axisLine >= 0 && !m_def.axisParents.empty() &&
                        !m_def.axisParents.back().axes.empty() && inside(Block::Axis)) {
                        AxisDef& axis = m_def.axisParents.back().axes.back();
                        (m_axisLine == 0   ? axis.axisLine
                         : m_axisLine == 1 ? axis.majorGridlines
                                           : axis.minorGridlines) = line;
                        if (m_axisLine == 3)
                            axis.minorGridlines.reset();  // walls and floor: not an axis line
                        m_axisLine = -1;
                    } else if (m_format) {
                        m_format->line = line;
                    }
                }
                break;
            case kAreaFormat:
                if (m_format && size >= 12) {
                    AreaFormat area;
                    area.foreground =
                        m_globals.colour(size >= 14 ? u16(d + 12) : -1,
                                         qRgb(quint8(d[0]), quint8(d[1]), quint8(d[2])) & 0xFFFFFF);
                    area.pattern = u16(d + 8);
                    area.automatic = (u16(d + 10) & 0x0001) != 0;
                    area.invertIfNegative = (u16(d + 10) & 0x0002) != 0;
                    m_format->area = area;
                }
                break;
            case kMarkerFormat:
                if (m_format && size >= 20) {
                    MarkerFormat marker;
                    marker.foreground = m_globals.colour(
                        u16(d + 12), qRgb(quint8(d[0]), quint8(d[1]), quint8(d[2])) & 0xFFFFFF);
                    marker.background = m_globals.colour(
                        u16(d + 14), qRgb(quint8(d[4]), quint8(d[5]), quint8(d[6])) & 0xFFFFFF);
                    marker.symbol = u16(d + 8);
                    const quint16 flags = u16(d + 10);
                    marker.automatic = (flags & 0x0001) != 0;
                    marker.noFill = (flags & 0x0010) != 0;
                    marker.noBorder = (flags & 0x0020) != 0;
                    marker.sizeTwips = int(u32(d + 16));
                    m_format->marker = marker;
                }
                break;
            case kPieFormat:
                if (m_format && size >= 2) m_format->explosion = u16(d);
                break;
            case kAttachedLabel:
                if (m_format && size >= 2) {
                    const quint16 f = u16(d);
                    LabelFlags labels;
                    labels.value = f & 0x0001;
                    labels.percent = (f & 0x0002) || (f & 0x0004);
                    labels.category = (f & 0x0010) || (f & 0x0004);
                    labels.bubbleSize = f & 0x0020;
                    labels.seriesName = f & 0x0040;
                    m_format->labels = labels;
                }
                break;
            case kSerFmt:
                if (m_format && size >= 2) m_format->smooth = (u16(d) & 0x0001) != 0;
                break;
            case kShtProps:
                if (size >= 3) {
                    m_def.plotVisibleOnly = (u16(d) & 0x0002) != 0;
                    m_def.blanks = quint8(d[2]);
                }
                break;
            case kAxisParent: {
                AxisParentDef parent;
                parent.index = size >= 2 ? u16(d) : 0;
                m_def.axisParents.push_back(parent);
                m_opening = Block::AxisParent;
                break;
            }
            case kAxis:
                if (!m_def.axisParents.empty()) {
                    AxisDef axis;
                    axis.type = size >= 2 ? u16(d) : 0;
                    m_def.axisParents.back().axes.push_back(axis);
                    m_opening = Block::Axis;
                }
                break;
            case kCatSerRange:
                if (AxisDef* axis = currentAxis(); axis && size >= 8) {
                    axis->hasCatSerRange = true;
                    axis->crossCategory = u16(d);
                    axis->labelSkip = std::max<int>(1, u16(d + 2));
                    axis->markSkip = std::max<int>(1, u16(d + 4));
                    const quint16 f = u16(d + 6);
                    axis->between = f & 0x0001;
                    axis->crossAtMaximum = f & 0x0002;
                    axis->reversed = f & 0x0004;
                }
                break;
            case kAxcExt:
                if (AxisDef* axis = currentAxis(); axis && size >= 18) {
                    axis->hasAxcExt = true;
                    axis->firstDate = u16(d);
                    axis->lastDate = u16(d + 2);
                    axis->majorDate = std::max<int>(1, u16(d + 4));
                    axis->majorDateUnit = std::min<int>(u16(d + 6), 2);
                    axis->minorDate = std::max<int>(1, u16(d + 8));
                    axis->minorDateUnit = std::min<int>(u16(d + 10), 2);
                    axis->baseUnit = std::min<int>(u16(d + 12), 2);
                    const quint16 f = u16(d + 16);
                    axis->autoFirstDate = f & 0x0001;
                    axis->autoLastDate = f & 0x0002;
                    axis->autoMajorDate = f & 0x0004;
                    axis->autoMinorDate = f & 0x0008;
                    axis->dateAxis = f & 0x0010;
                    axis->autoBase = f & 0x0020;
                    axis->autoDate = f & 0x0080;
                }
                break;
            case kValueRange:
                if (AxisDef* axis = currentAxis(); axis && size >= 42) {
                    axis->hasValueRange = true;
                    axis->minimum = xnum(d);
                    axis->maximum = xnum(d + 8);
                    axis->major = xnum(d + 16);
                    axis->minor = xnum(d + 24);
                    axis->crossValue = xnum(d + 32);
                    const quint16 f = u16(d + 40);
                    axis->autoMinimum = f & 0x0001;
                    axis->autoMaximum = f & 0x0002;
                    axis->autoMajor = f & 0x0004;
                    axis->autoMinor = f & 0x0008;
                    axis->autoCross = f & 0x0010;
                    axis->logarithmic = f & 0x0020;
                    if (axis->logarithmic) {
                        // A logarithmic scale keeps its bounds, units and crossing as powers of 10.
                        for (double* v : {&axis->minimum, &axis->maximum, &axis->major,
                                          &axis->minor, &axis->crossValue}) {
                            // Fifteen digits, as the spreadsheet shows them: 10^log10(5) is 5
                            // again.
                            *v = QString::number(std::pow(10.0, *v), 'g', 15).toDouble();
                        }
                    }
                    axis->reversed = f & 0x0040;
                    axis->crossAtMaximum = f & 0x0080;
                }
                break;
            case kTick:
                if (AxisDef* axis = currentAxis(); axis && size >= 30) {
                    axis->hasTick = true;
                    axis->majorTick = quint8(d[0]);
                    axis->minorTick = quint8(d[1]);
                    axis->labelPosition = quint8(d[2]);
                    axis->labelRotation = u16(d + 28);
                }
                break;
            case kAxisLine:
                m_axisLine = size >= 2 ? u16(d) : -1;
                break;
            case kIFmt:
                if (AxisDef* axis = currentAxis(); axis && size >= 2) axis->numberFormat = u16(d);
                break;
            case kFontX:
                if (size >= 2) {
                    if (m_text)
                        m_text->font = u16(d);
                    else if (AxisDef* axis = currentAxis())
                        axis->font = u16(d);
                    else if (inside(Block::Legend) && !m_def.groups.empty())
                        m_def.groups.back().legendFont = u16(d);
                }
                break;
            case kChartFormat: {
                GroupDef group;
                group.order = size >= 20 ? u16(d + 18) : 0;
                group.varied = size >= 18 && (u16(d + 16) & 0x0001);
                group.axisParent = m_def.axisParents.empty() ? 0 : m_def.axisParents.back().index;
                m_def.groups.push_back(group);
                m_opening = Block::Group;
                break;
            }
            case kBar:
                if (GroupDef* g = group(); g && size >= 6) {
                    g->kind = GroupDef::Bar;
                    g->overlap = -qint16(u16(d));
                    g->gap = u16(d + 2);
                    const quint16 f = u16(d + 4);
                    g->horizontal = f & 0x0001;
                    g->stacked = f & 0x0002;
                    g->percent = (f & 0x0002) && (f & 0x0004);
                }
                break;
            case kLine:
            case kArea:
                if (GroupDef* g = group(); g && size >= 2) {
                    g->kind = record.type == kLine ? GroupDef::Line : GroupDef::Area;
                    const quint16 f = u16(d);
                    g->stacked = f & 0x0001;
                    g->percent = (f & 0x0001) && (f & 0x0002);
                }
                break;
            case kPie:
                if (GroupDef* g = group(); g && size >= 4) {
                    g->kind = GroupDef::Pie;
                    g->firstSlice = u16(d) % 360;
                    g->holeSize = u16(d + 2);
                }
                break;
            case kScatter:
                if (GroupDef* g = group(); g && size >= 6) {
                    g->kind = GroupDef::Scatter;
                    g->bubbleScale = u16(d);
                    g->bubbleSizeRepresents = u16(d + 2) == 2 ? 2 : 1;
                    g->bubbles = u16(d + 4) & 0x0001;
                    g->showNegativeBubbles = u16(d + 4) & 0x0002;
                }
                break;
            case kRadar:
            case kRadarArea:
                if (GroupDef* g = group()) {
                    g->kind = GroupDef::Radar;
                    g->filledRadar = record.type == kRadarArea;
                }
                break;
            case kSurf:
                if (GroupDef* g = group(); g && size >= 2) {
                    g->kind = GroupDef::Surface;
                    g->wireframe = !(u16(d) & 0x0001);
                }
                break;
            case kBopPop:
                if (GroupDef* g = group(); g && size >= 22) {
                    g->kind = GroupDef::OfPie;
                    g->ofPieType = quint8(d[0]) == 2 ? 2 : 1;
                    g->autoSplit = quint8(d[1]) != 0;
                    g->split = u16(d + 2);
                    g->splitPosition = u16(d + 4);
                    g->splitPercent = u16(d + 6);
                    g->secondPieSize = u16(d + 8);
                    g->gap = u16(d + 10);
                    g->splitValue = xnum(d + 12);
                }
                break;
            case kBopPopCustom:
                // cxi, then one bit per point: set for the points the second plot takes.
                if (GroupDef* g = group(); g && g->kind == GroupDef::OfPie && size >= 2) {
                    const int points = std::min<int>(u16(d), (size - 2) * 8);
                    g->customSplit.clear();
                    for (int point = 0; point < points; ++point) {
                        if (quint8(d[2 + point / 8]) & (1u << (point % 8)))
                            g->customSplit.push_back(point);
                    }
                }
                break;
            case kChart3d:
                if (GroupDef* g = group(); g && size >= 14) {
                    g->threeD = true;
                    g->rotation = qint16(u16(d));
                    g->elevation = qint16(u16(d + 2));
                    g->depth = u16(d + 8);
                    g->gapDepth = u16(d + 10);
                    g->perspective = u16(d + 12) & 0x0001;
                    g->clustered = u16(d + 12) & 0x0002;
                }
                break;
            case kCrtLine:
                if (GroupDef* g = group(); g && size >= 2 && u16(d) == 1) g->highLowLines = true;
                break;
            case kDropBar:
                if (GroupDef* g = group()) g->dropBars = true;
                break;
            case kCrtLayout12A:
                if (size >= 66) {
                    m_def.plotLayout = RecordLayout::read(d + 26, d + 34);
                    if (m_def.plotLayout) m_def.plotLayout->inner = u16(d + 16) & 0x0001;
                }
                break;
            case kCrtLayout12:
                if (size >= 58 && inside(Block::Legend) && !m_def.groups.empty())
                    m_def.groups.back().legendLayout = RecordLayout::read(d + 18, d + 26);
                break;
            case kLegend:
                if (GroupDef* g = group(); g && size >= 17) {
                    g->legend = true;
                    g->legendPosition = quint8(d[16]);
                    m_opening = Block::Legend;
                }
                break;
            case kText: {
                // Texts in a legend are its entries' look, not titles.
                if (inside(Block::Legend)) {
                    m_opening = Block::Other;
                    break;
                }
                TextDef text;
                if (size >= 32) {
                    const quint16 f = u16(d + 24);
                    text.automatic = f & 0x0010;
                    text.deleted = f & 0x0040;
                    text.shows.value = f & 0x0004;
                    text.shows.percent = f & (0x1000 | 0x0800);
                    text.shows.category = f & (0x4000 | 0x0800);
                    text.shows.bubbleSize = f & 0x2000;
                    const int trot = u16(d + 30);
                    text.rotation = trot <= 90 ? trot : trot <= 180 ? 90 - trot : 0;
                }
                m_def.texts.push_back(text);
                m_text = &m_def.texts.back();
                m_opening = Block::Text;
                break;
            }
            case kObjectLink:
                if (m_text && size >= 6) {
                    m_text->link = u16(d);
                    m_text->linkSeries = u16(d + 2);
                    m_text->linkPoint = u16(d + 4);
                }
                break;
            default:
                break;
        }
    }

    ChartDef take() { return std::move(m_def); }

private:
    enum class Block { None, Series, Format, AxisParent, Axis, Group, Legend, Text, Other };

    bool inside(Block block) const { return m_open[size_t(block)] > 0; }
    AxisDef* currentAxis() {
        if (m_text || !inside(Block::Axis) || m_def.axisParents.empty() ||
            m_def.axisParents.back().axes.empty())
            return nullptr;
        return &m_def.axisParents.back().axes.back();
    }
    GroupDef* group() {
        if (m_def.groups.empty() || !inside(Block::Group)) return nullptr;
        return &m_def.groups.back();
    }
    // A cell of the chart's data cache: its column is the series, its row the point.
    void cache(int point, int series, const QVariant& value) {
        static constexpr int kMostPoints = 32000;  // the format's own bound on a series' points
        if (series >= int(m_def.series.size()) || point >= kMostPoints) return;
        SeriesDef& s = m_def.series[size_t(series)];
        switch (m_cacheIndex) {
            case 1:
                s.cachedValues[point] = value;
                break;
            case 2:
                s.cachedCategories[point] = value;
                break;
            case 3:
                s.cachedBubbleSizes[point] = value;
                break;
            default:
                break;
        }
    }

    const Globals& m_globals;
    const std::vector<QString>& m_sheetNames;
    int m_cacheIndex = 0;  // SIIndex: 1 values, 2 categories, 3 bubble sizes follow
    ChartDef m_def;
    std::vector<Block> m_stack;
    // How many blocks of each kind are open: nesting as deep as a file likes costs nothing more
    // per record.
    std::array<int, size_t(Block::Other) + 1> m_open{};
    Block m_opening = Block::None;
    ElementFormat* m_format = nullptr;
    ElementFormat m_scratch;
    TextDef* m_text = nullptr;
    int m_axisLine = -1;
    bool m_afterPlotArea = false;
};

}  // namespace

namespace {

const QString kC = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/chart");
const QString kA = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");
const QString kR =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

using CellStore = std::unordered_map<quint32, Cell>;

// Writes a ChartDef as a c:chartSpace part, every element in the schema's order.
class PartWriter {
public:
    PartWriter(const ChartDef& def, const Globals& globals,
               const std::function<const CellStore*(const QString&)>& cellsOf)
        : m_def(def), m_globals(globals), m_cellsOf(cellsOf), m_xml(&m_bytes) {}

    QByteArray write() {
        m_xml.writeStartDocument(QStringLiteral("1.0"), true);
        m_xml.writeNamespace(kC, QStringLiteral("c"));
        m_xml.writeNamespace(kA, QStringLiteral("a"));
        m_xml.writeNamespace(kR, QStringLiteral("r"));
        m_xml.writeStartElement(kC, QStringLiteral("chartSpace"));
        value("date1904", m_globals.date1904 ? 1 : 0);
        // Charts of this era have square corners; the schema's default is rounded.
        value("roundedCorners", 0);
        m_xml.writeStartElement(kC, QStringLiteral("chart"));
        writeTitles();
        m_xml.writeStartElement(kC, QStringLiteral("plotArea"));
        layout(m_def.plotLayout, true);
        for (const GroupDef& group : m_def.groups) writeGroup(group);
        for (const WrittenAxis& axis : m_axes) writeAxis(axis);
        shapeProperties(plotAreaLook(), false);
        m_xml.writeEndElement();  // plotArea
        writeLegend();
        value("plotVisOnly", m_def.plotVisibleOnly ? 1 : 0);
        m_xml.writeEmptyElement(kC, QStringLiteral("dispBlanksAs"));
        m_xml.writeAttribute(QStringLiteral("val"), m_def.blanks == 1   ? QStringLiteral("zero")
                                                    : m_def.blanks == 2 ? QStringLiteral("span")
                                                                        : QStringLiteral("gap"));
        m_xml.writeEndElement();  // chart
        shapeProperties(chartAreaLook(), false);
        // Text the records give no font of its own is in the workbook's standard font at 10 pt.
        m_xml.writeStartElement(kC, QStringLiteral("txPr"));
        bodyProperties(0);
        m_xml.writeEmptyElement(kA, QStringLiteral("lstStyle"));
        m_xml.writeStartElement(kA, QStringLiteral("p"));
        m_xml.writeStartElement(kA, QStringLiteral("pPr"));
        const Font standard = standardFont(10, false);
        runProperties(&standard, "defRPr");
        m_xml.writeEndElement();
        m_xml.writeEmptyElement(kA, QStringLiteral("endParaRPr"));
        m_xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("en-US"));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_xml.writeEndElement();  // chartSpace
        m_xml.writeEndDocument();
        if (m_xml.hasError())
            throw DocumentError(DocumentError::Kind::Corrupt, QStringLiteral("chart part"),
                                QString(), QStringLiteral("cannot be written"));
        return m_bytes;
    }

    // The plot area of a chart with axes is silver with a grey border unless the records say
    // otherwise; a pie's has neither. The chart area is white with a black hairline.
    ElementFormat plotAreaLook() const {
        ElementFormat look = m_def.plotArea;
        if (!m_def.plotAreaFramed) {
            // No frame at all: neither fill nor border.
            look.area = AreaFormat{0, 0, false, false};
            look.line = automaticLine(23);
            look.line->pattern = 5;
            return look;
        }
        bool axes = false;
        for (const GroupDef& group : m_def.groups) axes = axes || !group.pieLike();
        if (!look.area || look.area->automatic) {
            if (axes)
                look.area = automaticArea(22);
            else
                look.area = AreaFormat{0, 0, false, false};
        }
        if (!look.line || look.line->automatic) {
            look.line = automaticLine(23);
            if (!axes) look.line->pattern = 5;
        }
        return look;
    }
    ElementFormat chartAreaLook() const {
        ElementFormat look = m_def.chartArea;
        if (!m_def.chartAreaFramed) return look;
        if (!look.area || look.area->automatic) look.area = automaticArea(9);
        if (!look.line || look.line->automatic) look.line = automaticLine(8);
        return look;
    }

    // The ranges the part refers to, for its caches.
    const std::vector<CellRange>& ranges() const { return m_ranges; }

private:
    struct WrittenAxis {
        const AxisDef* def = nullptr;
        const AxisDef* other = nullptr;
        unsigned id = 0;
        unsigned crossId = 0;
        enum Kind { Category, Value, Series } kind = Value;
        chart::AxisPosition position = chart::AxisPosition::Bottom;
        bool deleted = false;
        bool scatter = false;
        bool dates = false;  // a category axis laid out as a time line
        const TextDef* title = nullptr;
    };

    void value(const char* name, int v) {
        m_xml.writeEmptyElement(kC, QLatin1String(name));
        m_xml.writeAttribute(QStringLiteral("val"), QString::number(v));
    }
    void value(const char* name, const QString& v) {
        m_xml.writeEmptyElement(kC, QLatin1String(name));
        m_xml.writeAttribute(QStringLiteral("val"), v);
    }
    void number(const char* name, double v) { value(name, QString::number(v, 'g', 17)); }
    // An enumerated value, by its schema token.
    template <typename E, typename = decltype(chart::SchemaEnum<E>::tokens)>
    void value(const char* name, E v) {
        value(name, QString::fromLatin1(chart::schemaToken(v)));
    }

    static QString hex(QRgb rgb) {
        return QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
    }

    void solidFill(QRgb rgb) {
        m_xml.writeStartElement(kA, QStringLiteral("solidFill"));
        m_xml.writeEmptyElement(kA, QStringLiteral("srgbClr"));
        m_xml.writeAttribute(QStringLiteral("val"), hex(rgb));
        m_xml.writeEndElement();
    }

    void line(const LineFormat& format) {
        m_xml.writeStartElement(kA, QStringLiteral("ln"));
        if (format.pattern == 5) {
            m_xml.writeEmptyElement(kA, QStringLiteral("noFill"));
            m_xml.writeEndElement();
            return;
        }
        // Hairline, narrow, medium and wide: 1/4, 3/4, 3/2 and 9/4 points.
        static constexpr std::array<int, 4> kWidths = {3175, 9525, 19050, 28575};
        m_xml.writeAttribute(QStringLiteral("w"),
                             QString::number(kWidths[size_t(std::clamp(format.weight + 1, 0, 3))]));
        solidFill(format.colour);
        static const std::array<const char*, 5> kDashes = {"solid", "dash", "sysDot", "dashDot",
                                                           "sysDashDotDot"};
        m_xml.writeEmptyElement(kA, QStringLiteral("prstDash"));
        m_xml.writeAttribute(QStringLiteral("val"),
                             QLatin1String(format.pattern >= 0 && format.pattern < 5
                                               ? kDashes[size_t(format.pattern)]
                                               : "solid"));
        m_xml.writeEndElement();
    }

    // What the application of this format drew where the records leave a format automatic
    // (97-2003): series in the palette's chart colours (fills from colour 24, lines from 32,
    // in series order), black hairlines, markers by series.
    LineFormat automaticLine(int icv, int weight = -1) const {
        LineFormat line;
        line.colour = m_globals.colour(icv, 0);
        line.weight = weight;
        line.automatic = false;
        return line;
    }
    AreaFormat automaticArea(int icv) const {
        AreaFormat area;
        area.foreground = m_globals.colour(icv, 0xFFFFFF);
        area.automatic = false;
        return area;
    }
    ElementFormat withDefaults(ElementFormat look, const GroupDef& group, int series) const {
        const bool lineLike = group.lineLike();
        const bool invert = look.area && look.area->invertIfNegative;
        if (lineLike && !group.filledRadar) {
            if (!look.line || look.line->automatic) look.line = automaticLine(32 + series % 8, 1);
            if (group.kind != GroupDef::Radar && (!look.marker || look.marker->automatic)) {
                static constexpr std::array<int, 7> kSymbols = {2, 1, 3, 4, 5, 8, 9};
                MarkerFormat marker;
                marker.symbol = kSymbols[size_t(series) % kSymbols.size()];
                marker.foreground = marker.background = look.line->colour;
                marker.automatic = false;
                look.marker = marker;
            }
        } else {
            if (!look.area || look.area->automatic) {
                look.area = automaticArea(24 + series % 8);
                look.area->invertIfNegative = invert;
            }
            if (!look.line || look.line->automatic) look.line = automaticLine(8);  // black
        }
        return look;
    }

    // c:spPr of what the records set; automatic formats are left to the reader.
    void shapeProperties(const ElementFormat& format, bool lineOnly) {
        const bool area = !lineOnly && format.area && !format.area->automatic;
        const bool ln = format.line && !format.line->automatic;
        if (!area && !ln) return;
        m_xml.writeStartElement(kC, QStringLiteral("spPr"));
        if (area) {
            if (format.area->pattern == 0)
                m_xml.writeEmptyElement(kA, QStringLiteral("noFill"));
            else
                solidFill(format.area->foreground);
        }
        if (ln) line(*format.line);
        m_xml.writeEndElement();
    }

    void font(int index, std::optional<int> rotation = std::nullopt) {
        const Font* f = m_globals.font(index);
        if (!f && !rotation) return;
        textProperties(f, rotation.value_or(0));
    }
    void textProperties(const Font* f, int rotation) {
        m_xml.writeStartElement(kC, QStringLiteral("txPr"));
        bodyProperties(rotation);
        m_xml.writeEmptyElement(kA, QStringLiteral("lstStyle"));
        m_xml.writeStartElement(kA, QStringLiteral("p"));
        m_xml.writeStartElement(kA, QStringLiteral("pPr"));
        runProperties(f, "defRPr");
        m_xml.writeEndElement();
        m_xml.writeEmptyElement(kA, QStringLiteral("endParaRPr"));
        m_xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("en-US"));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }
    void bodyProperties(int rotation) {
        m_xml.writeEmptyElement(kA, QStringLiteral("bodyPr"));
        if (rotation != 0) {
            m_xml.writeAttribute(QStringLiteral("rot"), QString::number(-rotation * 60000));
            m_xml.writeAttribute(QStringLiteral("vert"), QStringLiteral("horz"));
        }
    }
    void runProperties(const Font* f, const char* name) {
        if (!f) {
            m_xml.writeEmptyElement(kA, QLatin1String(name));
            return;
        }
        m_xml.writeStartElement(kA, QLatin1String(name));
        m_xml.writeAttribute(QStringLiteral("sz"), QString::number(qRound(f->points * 100)));
        m_xml.writeAttribute(QStringLiteral("b"),
                             f->bold ? QStringLiteral("1") : QStringLiteral("0"));
        m_xml.writeAttribute(QStringLiteral("i"),
                             f->italic ? QStringLiteral("1") : QStringLiteral("0"));
        if (!f->name.isEmpty()) {
            m_xml.writeEmptyElement(kA, QStringLiteral("latin"));
            m_xml.writeAttribute(QStringLiteral("typeface"), xmlText(f->name));
        }
        m_xml.writeEndElement();
    }

    void textReference(const Reference& reference) {
        m_xml.writeStartElement(kC, QStringLiteral("strRef"));
        m_xml.writeTextElement(kC, QStringLiteral("f"), xmlText(reference.formula));
        m_xml.writeEndElement();
        m_ranges.insert(m_ranges.end(), reference.ranges.begin(), reference.ranges.end());
    }

    // The workbook's standard font (its first) at a size of the chart's own.
    Font standardFont(double points, bool bold) const {
        Font font;
        font.name = m_globals.fonts.empty() || m_globals.fonts.front().name.isEmpty()
                        ? QStringLiteral("Arial")
                        : m_globals.fonts.front().name;
        font.points = points;
        font.bold = bold;
        return font;
    }

    void title(const TextDef& text) {
        m_xml.writeStartElement(kC, QStringLiteral("title"));
        // A title without a font of its own is 12 pt bold.
        const Font fallback = standardFont(12, true);
        const Font* f = m_globals.font(text.font) ? m_globals.font(text.font) : &fallback;
        if (!text.automatic) {
            m_xml.writeStartElement(kC, QStringLiteral("tx"));
            if (linked(text))
                textReference(*text.reference);
            else
                richText(text, f);
            m_xml.writeEndElement();  // tx
        }
        value("overlay", 0);
        // A rich text carries its own font; a linked or automatic one takes it from here.
        if (text.automatic || linked(text)) textProperties(f, text.rotation);
        m_xml.writeEndElement();
    }

    // A text of its own, line by line, in its font.
    void richText(const TextDef& text, const Font* f) {
        m_xml.writeStartElement(kC, QStringLiteral("rich"));
        bodyProperties(text.rotation);
        m_xml.writeEmptyElement(kA, QStringLiteral("lstStyle"));
        const QStringList lines =
            QString(text.literal).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(u'\n');
        for (const QString& lineText : lines) {
            m_xml.writeStartElement(kA, QStringLiteral("p"));
            m_xml.writeStartElement(kA, QStringLiteral("pPr"));
            runProperties(f, "defRPr");
            m_xml.writeEndElement();
            m_xml.writeStartElement(kA, QStringLiteral("r"));
            runProperties(f, "rPr");
            m_xml.writeTextElement(kA, QStringLiteral("t"), xmlText(lineText));
            m_xml.writeEndElement();
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();  // rich
    }

    static bool linked(const TextDef& text) {
        return text.reference && text.reference->resolved && !text.reference->formula.isEmpty();
    }

    const TextDef* textLinkedTo(int link) const {
        for (const TextDef& text : m_def.texts) {
            if (text.link == link && !text.deleted) return &text;
        }
        return nullptr;
    }

    void writeTitles() {
        if (const TextDef* text = textLinkedTo(1)) {
            title(*text);
            value("autoTitleDeleted", 0);
        } else {
            value("autoTitleDeleted", 1);
        }
        for (const GroupDef& group : m_def.groups) {
            if (!group.threeD) continue;
            m_xml.writeStartElement(kC, QStringLiteral("view3D"));
            value("rotX", std::clamp(group.elevation, -90, 90));
            value("rotY", (group.rotation % 360 + 360) % 360);
            if (!group.pieLike())
                value("depthPercent", std::clamp(group.depth, 20, 2000));
            value("rAngAx", group.perspective ? 0 : 1);
            m_xml.writeEndElement();
            break;
        }
    }

    void layout(const std::optional<RecordLayout>& manual, bool plotArea) {
        m_xml.writeStartElement(kC, QStringLiteral("layout"));
        if (manual) {
            using Mode = chart::LayoutMode;
            static const std::array<Mode, 3> kModes = {Mode::Factor, Mode::Factor, Mode::Edge};  // 0: none, not written
            static const std::array<const char*, 4> kModeNames = {"xMode", "yMode", "wMode", "hMode"};
            static const std::array<const char*, 4> kValueNames = {"x", "y", "w", "h"};
            m_xml.writeStartElement(kC, QStringLiteral("manualLayout"));
            if (plotArea)
                value("layoutTarget", manual->inner ? chart::LayoutTarget::Inner : chart::LayoutTarget::Outer);
            for (size_t i = 0; i < 4; ++i) {
                if (manual->modes[i] != 0)
                    value(kModeNames[i], kModes[size_t(manual->modes[i])]);
            }
            for (size_t i = 0; i < 4; ++i) {
                if (manual->modes[i] != 0) number(kValueNames[i], manual->values[i]);
            }
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
    }

    void writeLegend() {
        for (const GroupDef& group : m_def.groups) {
            if (!group.legend) continue;
            m_xml.writeStartElement(kC, QStringLiteral("legend"));
            using Pos = chart::LegendPosition;
            static const std::array<Pos, 5> kPositions = {Pos::Bottom, Pos::TopRight, Pos::Top, Pos::Right, Pos::Left};
            value("legendPos", group.legendPosition < 5 ? kPositions[size_t(group.legendPosition)] : Pos::Right);
            if (group.legendLayout) layout(group.legendLayout, false);
            value("overlay", 0);
            font(group.legendFont);
            m_xml.writeEndElement();
            return;
        }
    }

    // Whether every cell a reference names that holds something holds a number (or it names
    // none): such categories are numbers, others texts.
    bool numericCells(const Reference& reference) const {
        const auto isText = [](const Cell& cell) {
            return cell.value.typeId() == QMetaType::QString && !cell.value.toString().isEmpty();
        };
        for (const CellRange& range : reference.ranges) {
            const CellStore* cells = m_cellsOf(range.sheet);
            if (!cells) continue;
            if (range.cellCount() > qint64(cells->size())) {
                // A range larger than the cells read: look at those instead of every address.
                for (const auto& [key, cell] : *cells) {
                    const int row = int(key >> 8), column = int(key & 0xFF);
                    if (row >= range.firstRow && row <= range.lastRow &&
                        column >= range.firstColumn && column <= range.lastColumn && isText(cell)) {
                        return false;
                    }
                }
                continue;
            }
            for (int row = range.firstRow; row <= range.lastRow; ++row) {
                for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                    const auto cell = cells->find(quint32(row) << 8 | quint32(column & 0xFF));
                    if (cell != cells->end() && isText(cell->second)) return false;
                }
            }
        }
        return true;
    }

    // Data the chart holds itself (c:numLit, c:strLit): numbers when every point is one (or
    // when the element takes nothing else), text otherwise.
    void literal(const char* element, const std::map<int, QVariant>& points, bool numeric = false) {
        if (!numeric) {
            numeric = std::all_of(points.begin(), points.end(), [](const auto& point) {
                return point.second.typeId() == QMetaType::Double;
            });
        }
        m_xml.writeStartElement(kC, QLatin1String(element));
        m_xml.writeStartElement(kC, numeric ? QStringLiteral("numLit") : QStringLiteral("strLit"));
        if (numeric) m_xml.writeTextElement(kC, QStringLiteral("formatCode"), QStringLiteral("General"));
        value("ptCount", points.empty() ? 0 : points.rbegin()->first + 1);
        for (const auto& [index, v] : points) {
            const bool number = v.typeId() == QMetaType::Double;
            if (numeric && !number) continue;
            m_xml.writeStartElement(kC, QStringLiteral("pt"));
            m_xml.writeAttribute(QStringLiteral("idx"), QString::number(index));
            const QString text = number ? QString::number(v.toDouble(), 'g', 17)
                                 : v.typeId() == QMetaType::Bool
                                     ? (v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"))
                                     : v.toString();
            m_xml.writeTextElement(kC, QStringLiteral("v"), xmlText(text));
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

    void dataReference(const char* element, const Reference& reference, bool numeric) {
        m_xml.writeStartElement(kC, QLatin1String(element));
        m_xml.writeStartElement(kC, numeric ? QStringLiteral("numRef") : QStringLiteral("strRef"));
        m_xml.writeTextElement(kC, QStringLiteral("f"), xmlText(reference.formula));
        m_xml.writeEndElement();
        m_xml.writeEndElement();
        m_ranges.insert(m_ranges.end(), reference.ranges.begin(), reference.ranges.end());
    }

    void marker(const ElementFormat& format) {
        if (!format.marker || format.marker->automatic) return;
        const MarkerFormat& m = *format.marker;
        using S = chart::MarkerSymbol;
        static const std::array<S, 10> kSymbols = {S::None, S::Square, S::Diamond, S::Triangle, S::X,
                                                   S::Star, S::Dash,   S::Dash,    S::Circle,   S::Plus};
        m_xml.writeStartElement(kC, QStringLiteral("marker"));
        value("symbol", m.symbol >= 0 && m.symbol < 10 ? kSymbols[size_t(m.symbol)] : S::Square);
        if (m.symbol != 0) {
            value("size", std::clamp(m.sizeTwips / 20, 2, 72));
            m_xml.writeStartElement(kC, QStringLiteral("spPr"));
            if (m.noFill)
                m_xml.writeEmptyElement(kA, QStringLiteral("noFill"));
            else
                solidFill(m.background);
            m_xml.writeStartElement(kA, QStringLiteral("ln"));
            if (m.noBorder)
                m_xml.writeEmptyElement(kA, QStringLiteral("noFill"));
            else
                solidFill(m.foreground);
            m_xml.writeEndElement();
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
    }

    void labelFlags(const LabelFlags& flags) {
        value("showLegendKey", 0);
        value("showVal", flags.value ? 1 : 0);
        value("showCatName", flags.category ? 1 : 0);
        value("showSerName", flags.seriesName ? 1 : 0);
        value("showPercent", flags.percent ? 1 : 0);
        value("showBubbleSize", flags.bubbleSize ? 1 : 0);
    }

    void dataLabels(const SeriesDef& series) {
        const bool own = series.format.labels && series.format.labels->any();
        // A point's label: what its format shows, or a text of its own (a Text linked to the
        // point), which may also hide it.
        std::map<int, const TextDef*> texts;
        for (const TextDef& text : m_def.texts) {
            if (text.link == 4 && text.linkSeries == series.index && text.linkPoint != 0xFFFF)
                texts[text.linkPoint] = &text;
        }
        std::map<int, LabelFlags> points;
        for (const auto& [index, format] : series.points) {
            if (format.labels && format.labels->any()) points[index] = *format.labels;
        }
        for (const auto& [index, text] : texts) points.emplace(index, LabelFlags{});
        if (!own && points.empty()) return;
        m_xml.writeStartElement(kC, QStringLiteral("dLbls"));
        for (const auto& [index, flags] : points) {
            m_xml.writeStartElement(kC, QStringLiteral("dLbl"));
            value("idx", index);
            const auto custom = texts.find(index);
            const TextDef* text = custom != texts.end() ? custom->second : nullptr;
            if (text && text->deleted) {
                value("delete", 1);
            } else if (text) {
                if (!text->automatic && (linked(*text) || !text->literal.isEmpty())) {
                    m_xml.writeStartElement(kC, QStringLiteral("tx"));
                    if (linked(*text))
                        textReference(*text->reference);
                    else
                        richText(*text, m_globals.font(text->font));
                    m_xml.writeEndElement();
                }
                LabelFlags shown = text->shows;
                if (!shown.any()) shown = flags.any() ? flags : LabelFlags{true};
                labelFlags(shown);
            } else {
                labelFlags(flags);
            }
            m_xml.writeEndElement();
        }
        labelFlags(own ? *series.format.labels : LabelFlags{});
        m_xml.writeEndElement();
    }

    void series(const SeriesDef& s, const GroupDef& group, int order) {
        const bool pie = group.pieLike();
        const bool lineLike = group.lineLike();
        m_xml.writeStartElement(kC, QStringLiteral("ser"));
        value("idx", s.index);
        value("order", order);
        if (s.name && s.name->resolved && !s.name->formula.isEmpty()) {
            m_xml.writeStartElement(kC, QStringLiteral("tx"));
            textReference(*s.name);
            m_xml.writeEndElement();
        } else if (!s.literalName.isEmpty()) {
            m_xml.writeStartElement(kC, QStringLiteral("tx"));
            m_xml.writeTextElement(kC, QStringLiteral("v"), xmlText(s.literalName));
            m_xml.writeEndElement();
        }
        // A line's series is its line; a filled radar's, like bars, areas and slices, its fill.
        const ElementFormat look = withDefaults(s.format, group, s.index);
        shapeProperties(look, lineLike && !group.filledRadar);
        if (group.kind == GroupDef::Bar)
            value("invertIfNegative", look.area && look.area->invertIfNegative ? 1 : 0);
        if (lineLike) marker(look);
        if (pie && s.format.explosion && *s.format.explosion > 0)
            value("explosion", *s.format.explosion);
        // Slices of a chart of varied colours take the chart colours point by point.
        // A surface's series holds no points or labels of its own: its bands are the chart's.
        std::map<int, ElementFormat> points =
            group.kind == GroupDef::Surface ? std::map<int, ElementFormat>{} : s.points;
        if (group.varied && (pie || group.kind == GroupDef::Bar) && s.values) {
            qint64 count = 0;
            for (const CellRange& range : s.values->ranges) count += range.cellCount();
            for (int point = 0; point < int(std::min<qint64>(count, 256)); ++point) {
                ElementFormat& format = points[point];
                const ElementFormat filled = withDefaults(format, group, point);
                format.area = filled.area;
                format.line = filled.line;
            }
        }
        for (const auto& [index, format] : points) {
            const bool look = (format.area && !format.area->automatic) ||
                              (format.line && !format.line->automatic);
            const bool exploded = pie && format.explosion && *format.explosion > 0;
            const bool marked = lineLike && format.marker && !format.marker->automatic;
            if (!look && !exploded && !marked) continue;
            m_xml.writeStartElement(kC, QStringLiteral("dPt"));
            value("idx", index);
            if (group.kind == GroupDef::Bar) value("invertIfNegative", 0);
            if (marked) marker(format);
            if (exploded) value("explosion", *format.explosion);
            shapeProperties(format, lineLike && !group.filledRadar);
            m_xml.writeEndElement();
        }
        if (group.kind != GroupDef::Surface) dataLabels(s);
        const bool scatter = group.kind == GroupDef::Scatter;
        if (const Reference* categories = categoriesOf(s, group)) {
            dataReference(scatter ? "xVal" : "cat", *categories, numericCells(*categories));
        } else if (!s.cachedCategories.empty() &&
                   !(s.categories && s.categories->type == 0 && !scatter)) {
            literal(scatter ? "xVal" : "cat", s.cachedCategories);
        }
        if (s.valuesResolved() && !s.values->formula.isEmpty())
            dataReference(scatter ? "yVal" : "val", *s.values, true);
        else if (!s.cachedValues.empty())
            literal(scatter ? "yVal" : "val", s.cachedValues, true);
        if (group.bubbles) {
            if (s.bubbleSizes && s.bubbleSizes->resolved && !s.bubbleSizes->formula.isEmpty())
                dataReference("bubbleSize", *s.bubbleSizes, true);
            else if (!s.cachedBubbleSizes.empty())
                literal("bubbleSize", s.cachedBubbleSizes, true);
            else
                equalBubbles(s);
            value("bubble3D", 0);
        } else if (group.kind == GroupDef::Line || scatter) {
            value("smooth", s.format.smooth.value_or(false) ? 1 : 0);
        }
        m_xml.writeEndElement();
    }

    // A bubble series without sizes of its own draws every bubble alike, as the application
    // does; the sizes are written out so that no reader has to guess.
    void equalBubbles(const SeriesDef& s) {
        qint64 count = 0;
        if (s.values) {
            for (const CellRange& range : s.values->ranges) count += range.cellCount();
        }
        count = std::min<qint64>(count, 32000);
        m_xml.writeStartElement(kC, QStringLiteral("bubbleSize"));
        m_xml.writeStartElement(kC, QStringLiteral("numLit"));
        m_xml.writeTextElement(kC, QStringLiteral("formatCode"), QStringLiteral("General"));
        value("ptCount", QString::number(count));
        for (qint64 point = 0; point < count; ++point) {
            m_xml.writeStartElement(kC, QStringLiteral("pt"));
            m_xml.writeAttribute(QStringLiteral("idx"), QString::number(point));
            m_xml.writeTextElement(kC, QStringLiteral("v"), QStringLiteral("1"));
            m_xml.writeEndElement();
        }
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

    static bool hasCategories(const SeriesDef& s) {
        return s.categories && s.categories->resolved && !s.categories->formula.isEmpty();
    }
    // A series' own categories, else those of the chart's first series that has some: the
    // spreadsheet labels a chart's categories by its first series.
    const Reference* categoriesOf(const SeriesDef& s, const GroupDef& group) const {
        if (hasCategories(s)) return &*s.categories;
        if (group.kind == GroupDef::Scatter) return nullptr;  // x values are a series' own
        for (const SeriesDef& other : m_def.series) {
            if (!other.auxiliary && hasCategories(other)) return &*other.categories;
        }
        return nullptr;
    }

    // Whether a group's categories are dates: numbers in a date format. Other categories are
    // laid out one by one even where the axis is set to be a time line.
    bool datedCategories(const GroupDef& group) const {
        for (const SeriesDef& s : m_def.series) {
            if (s.auxiliary || s.group != group.order) continue;
            const Reference* categories = categoriesOf(s, group);
            return categories && numericCells(*categories) && firstNumberIsDate(*categories);
        }
        return false;
    }
    bool firstNumberIsDate(const Reference& reference) const {
        for (const CellRange& range : reference.ranges) {
            const CellStore* cells = m_cellsOf(range.sheet);
            if (!cells) continue;
            for (int row = range.firstRow; row <= std::min(range.lastRow, range.firstRow + 64); ++row) {
                for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                    const auto cell = cells->find(quint32(row) << 8 | quint32(column & 0xFF));
                    if (cell == cells->end() || cell->second.value.typeId() != QMetaType::Double)
                        continue;
                    return NumberFormat(m_globals.formatCode(cell->second.xf)).isDateTime();
                }
            }
        }
        return false;
    }

    chart::Grouping grouping(const GroupDef& g, bool bar) const {
        if (g.percent) return chart::Grouping::PercentStacked;
        if (g.stacked) return chart::Grouping::Stacked;
        return bar && !(g.threeD && !g.clustered) ? chart::Grouping::Clustered : chart::Grouping::Standard;
    }

    // The axes of a group's axis parent, made once per parent and shared by its groups.
    std::vector<unsigned> axesFor(const GroupDef& group) {
        const bool scatter = group.kind == GroupDef::Scatter;
        const int parent = group.axisParent;
        const auto known = m_axisIds.find(parent);
        if (known != m_axisIds.end()) return known->second;
        const AxisParentDef* def = nullptr;
        for (const AxisParentDef& p : m_def.axisParents) {
            if (p.index == parent) def = &p;
        }
        const AxisDef* first = nullptr;
        const AxisDef* second = nullptr;
        const AxisDef* third = nullptr;
        if (def) {
            for (const AxisDef& axis : def->axes) {
                if (axis.type == 0 && !first)
                    first = &axis;
                else if (axis.type == 1 && !second)
                    second = &axis;
                else if (axis.type == 2 && !third)
                    third = &axis;
            }
        }
        const unsigned base = 50000 + 100 * unsigned(parent);
        WrittenAxis a, b;
        a.def = first;
        a.other = second;
        a.id = base + 1;
        a.crossId = base + 2;
        a.kind = scatter ? WrittenAxis::Value : WrittenAxis::Category;
        a.scatter = scatter;
        a.dates = !scatter && first && first->hasAxcExt && first->dateAxis && datedCategories(group);
        b.def = second;
        b.other = first;
        b.id = base + 2;
        b.crossId = base + 1;
        b.kind = WrittenAxis::Value;
        b.scatter = scatter;
        const bool horizontal = group.kind == GroupDef::Bar && group.horizontal;
        const bool secondary = parent != 0;
        using P = chart::AxisPosition;
        a.position = horizontal ? (secondary ? P::Right : P::Left) : (secondary ? P::Top : P::Bottom);
        b.position = horizontal ? (secondary ? P::Top : P::Bottom) : (secondary ? P::Right : P::Left);
        a.deleted = !first;
        b.deleted = !second;
        if (parent == 0) {
            a.title = textLinkedTo(3);
            b.title = textLinkedTo(2);
        }
        m_axes.push_back(a);
        m_axes.push_back(b);
        std::vector<unsigned> ids{a.id, b.id};
        if ((group.threeD || group.kind == GroupDef::Surface) && third) {
            WrittenAxis c;
            c.def = third;
            c.id = base + 3;
            c.crossId = base + 2;
            c.kind = WrittenAxis::Series;
            c.position = chart::AxisPosition::Bottom;
            c.title = parent == 0 ? textLinkedTo(7) : nullptr;
            m_axes.push_back(c);
            ids.push_back(c.id);
        }
        m_axisIds[parent] = ids;
        return ids;
    }

    void writeGroup(const GroupDef& g) {
        if (g.kind == GroupDef::Unknown) return;
        std::vector<const SeriesDef*> members;
        for (const SeriesDef& s : m_def.series) {
            if (!s.auxiliary && s.group == g.order) members.push_back(&s);
        }
        // Drawn and listed in their plot order, which may differ from the records' order.
        std::stable_sort(members.begin(), members.end(),
                         [](const SeriesDef* a, const SeriesDef* b) {
                             return (a->plotOrder < 0 ? a->index : a->plotOrder) <
                                    (b->plotOrder < 0 ? b->index : b->plotOrder);
                         });
        const bool stock = g.kind == GroupDef::Line && !g.threeD && g.highLowLines &&
                           members.size() == size_t(g.dropBars ? 4 : 3);
        QString element;
        switch (g.kind) {
            case GroupDef::Bar:
                element = g.threeD ? QStringLiteral("bar3DChart") : QStringLiteral("barChart");
                break;
            case GroupDef::Line:
                element = stock      ? QStringLiteral("stockChart")
                          : g.threeD ? QStringLiteral("line3DChart")
                                     : QStringLiteral("lineChart");
                break;
            case GroupDef::Area:
                element = g.threeD ? QStringLiteral("area3DChart") : QStringLiteral("areaChart");
                break;
            case GroupDef::Pie:
                element = g.holeSize > 0 ? QStringLiteral("doughnutChart")
                          : g.threeD     ? QStringLiteral("pie3DChart")
                                         : QStringLiteral("pieChart");
                break;
            case GroupDef::OfPie:
                element = QStringLiteral("ofPieChart");
                break;
            case GroupDef::Scatter:
                element = g.bubbles ? QStringLiteral("bubbleChart") : QStringLiteral("scatterChart");
                break;
            case GroupDef::Radar:
                element = QStringLiteral("radarChart");
                break;
            case GroupDef::Surface:
                element = g.threeD ? QStringLiteral("surface3DChart") : QStringLiteral("surfaceChart");
                break;
            default:
                return;
        }
        m_xml.writeStartElement(kC, element);
        if (g.kind == GroupDef::Bar)
            value("barDir", g.horizontal ? chart::BarDirection::Bar : chart::BarDirection::Column);
        if ((g.kind == GroupDef::Bar || g.kind == GroupDef::Line || g.kind == GroupDef::Area) &&
            !stock) {
            value("grouping", grouping(g, g.kind == GroupDef::Bar));
        }
        if (g.kind == GroupDef::OfPie)
            value("ofPieType", g.ofPieType == 2 ? chart::OfPieType::Bar : chart::OfPieType::Pie);
        if (g.kind == GroupDef::Scatter && !g.bubbles) {
            // What the series' own lines, markers and smoothing say is the style; the group's
            // value only says so too.
            value("scatterStyle", chart::ScatterStyle::LineMarker);
        }
        if (g.kind == GroupDef::Radar)
            value("radarStyle", g.filledRadar ? chart::RadarStyle::Filled : chart::RadarStyle::Marker);
        if (g.kind == GroupDef::Surface)
            value("wireframe", g.wireframe ? 1 : 0);
        else if (!stock)
            value("varyColors", g.varied ? 1 : 0);
        int order = 0;
        for (const SeriesDef* s : members) series(*s, g, order++);
        if (g.kind == GroupDef::Line && g.highLowLines && !g.threeD)
            m_xml.writeEmptyElement(kC, QStringLiteral("hiLowLines"));
        if (g.kind == GroupDef::Line && g.dropBars && !g.threeD) {
            m_xml.writeStartElement(kC, QStringLiteral("upDownBars"));
            value("gapWidth", 150);
            m_xml.writeEmptyElement(kC, QStringLiteral("upBars"));
            m_xml.writeEmptyElement(kC, QStringLiteral("downBars"));
            m_xml.writeEndElement();
        }
        if (g.kind == GroupDef::Line && !g.threeD && !stock) value("marker", 1);
        if (g.kind == GroupDef::Bar) {
            value("gapWidth", std::clamp(g.gap, 0, 500));
            if (g.threeD)
                value("gapDepth", std::clamp(g.gapDepth, 0, 500));
            else
                value("overlap", std::clamp(g.overlap, -100, 100));
        }
        if (g.kind == GroupDef::Line && g.threeD) value("gapDepth", std::clamp(g.gapDepth, 0, 500));
        if (g.kind == GroupDef::Pie && (g.holeSize > 0 || !g.threeD))
            value("firstSliceAng", g.firstSlice);
        if (g.kind == GroupDef::Pie && g.holeSize > 0)
            value("holeSize", std::clamp(g.holeSize, 10, 90));
        if (g.kind == GroupDef::OfPie) ofPieSplit(g);
        if (g.bubbles) {
            value("bubble3D", 0);
            value("bubbleScale", std::clamp(g.bubbleScale, 0, 300));
            value("showNegBubbles", g.showNegativeBubbles ? 1 : 0);
            value("sizeRepresents",
                  g.bubbleSizeRepresents == 2 ? QStringLiteral("w") : QStringLiteral("area"));
        }
        if (!g.pieLike()) {
            for (const unsigned id : axesFor(g)) value("axId", QString::number(id));
        }
        m_xml.writeEndElement();
    }

    // Which points the second plot of a pie or bar of pie takes: the last N, those under a
    // value or a percentage, or a list of its own; automatic lets the reader choose.
    void ofPieSplit(const GroupDef& g) {
        value("gapWidth", std::clamp(g.gap, 0, 500));
        using Split = chart::SplitType;
        static const std::array<Split, 4> kSplits = {Split::Position, Split::Value, Split::Percent, Split::Custom};
        value("splitType", g.autoSplit                     ? Split::Auto
                           : g.split >= 0 && g.split < 4 ? kSplits[size_t(g.split)]
                                                         : Split::Auto);
        if (!g.autoSplit && g.split == 0) value("splitPos", g.splitPosition);
        if (!g.autoSplit && g.split == 1) number("splitPos", g.splitValue);
        if (!g.autoSplit && g.split == 2) value("splitPos", std::clamp(g.splitPercent, 0, 100));
        if (!g.autoSplit && g.split == 3) {
            m_xml.writeStartElement(kC, QStringLiteral("custSplit"));
            for (const int point : g.customSplit) value("secondPiePt", point);
            m_xml.writeEndElement();
        }
        value("secondPieSize", std::clamp(g.secondPieSize, 5, 200));
        m_xml.writeStartElement(kC, QStringLiteral("serLines"));
        m_xml.writeEndElement();
    }

    QString formatCode(int ifmt) const {
        if (ifmt < 0) return QStringLiteral("General");
        const auto custom = m_globals.formats.find(ifmt);
        QString code =
            custom != m_globals.formats.end() ? custom->second : NumberFormat::builtInCode(ifmt);
        return code.isEmpty() ? QStringLiteral("General") : code;
    }

    // Where this axis crosses the other one: said by the other axis's own records.
    void crossing(const WrittenAxis& axis) {
        const AxisDef* other = axis.other;
        if (other && other->hasValueRange) {
            if (other->crossAtMaximum)
                value("crosses", chart::Crosses::Max);
            else if (other->autoCross)
                value("crosses", chart::Crosses::AutoZero);
            else
                number("crossesAt", other->crossValue);
        } else if (other && other->hasCatSerRange) {
            if (other->crossAtMaximum)
                value("crosses", chart::Crosses::Max);
            else if (other->crossCategory <= 1)
                value("crosses", chart::Crosses::AutoZero);
            else
                number("crossesAt", other->crossCategory);
        } else {
            value("crosses", chart::Crosses::AutoZero);
        }
    }

    void writeAxis(const WrittenAxis& axis) {
        static const AxisDef kNone;
        const AxisDef& def = axis.def ? *axis.def : kNone;
        const bool date = axis.dates;
        const QString element = date                                ? QStringLiteral("dateAx")
                                : axis.kind == WrittenAxis::Category ? QStringLiteral("catAx")
                                : axis.kind == WrittenAxis::Series   ? QStringLiteral("serAx")
                                                                     : QStringLiteral("valAx");
        m_xml.writeStartElement(kC, element);
        value("axId", QString::number(axis.id));
        m_xml.writeStartElement(kC, QStringLiteral("scaling"));
        if (def.hasValueRange && def.logarithmic) value("logBase", 10);
        value("orientation", def.reversed ? chart::Orientation::MaxMin : chart::Orientation::MinMax);
        if (def.hasValueRange && !def.autoMaximum) number("max", def.maximum);
        if (def.hasValueRange && !def.autoMinimum) number("min", def.minimum);
        if (date && !def.autoLastDate) value("max", def.lastDate);
        if (date && !def.autoFirstDate) value("min", def.firstDate);
        m_xml.writeEndElement();
        value("delete", axis.deleted ? 1 : 0);
        value("axPos", axis.position);
        if (def.majorGridlines) gridlines("majorGridlines", *def.majorGridlines);
        if (def.minorGridlines) gridlines("minorGridlines", *def.minorGridlines);
        if (axis.title) title(*axis.title);
        m_xml.writeEmptyElement(kC, QStringLiteral("numFmt"));
        m_xml.writeAttribute(QStringLiteral("formatCode"), xmlText(formatCode(def.numberFormat)));
        m_xml.writeAttribute(QStringLiteral("sourceLinked"),
                             def.numberFormat < 0 ? QStringLiteral("1") : QStringLiteral("0"));
        using Tick = chart::TickMark;
        using Label = chart::TickLabelPosition;
        static const std::array<Tick, 4> kTicks = {Tick::None, Tick::In, Tick::Out, Tick::Cross};
        static const std::array<Label, 4> kLabels = {Label::None, Label::Low, Label::High, Label::NextTo};
        value("majorTickMark", def.majorTick < 4 ? kTicks[size_t(def.majorTick)] : Tick::Out);
        value("minorTickMark", def.minorTick < 4 ? kTicks[size_t(def.minorTick)] : Tick::None);
        value("tickLblPos", def.labelPosition < 4 ? kLabels[size_t(def.labelPosition)] : Label::NextTo);
        {
            m_xml.writeStartElement(kC, QStringLiteral("spPr"));
            line(def.axisLine && !def.axisLine->automatic ? *def.axisLine : automaticLine(8));
            m_xml.writeEndElement();
        }
        const int rotation = def.labelRotation <= 90    ? def.labelRotation
                             : def.labelRotation <= 180 ? 90 - def.labelRotation
                                                        : 0;
        if (def.font >= 0 || rotation != 0) font(def.font, rotation);
        value("crossAx", QString::number(axis.crossId));
        crossing(axis);
        if (axis.kind == WrittenAxis::Value) {
            // Between categories or on them: what the category axis's own record says.
            const bool between =
                axis.other && axis.other->hasCatSerRange ? axis.other->between : !axis.scatter;
            value("crossBetween", between && !axis.scatter ? chart::CrossBetween::Between : chart::CrossBetween::MidCategory);
            if (def.hasValueRange && !def.autoMajor) number("majorUnit", def.major);
            if (def.hasValueRange && !def.autoMinor) number("minorUnit", def.minor);
        } else if (date) {
            // Dates on a time line: the base unit and the steps of its ticks.
            using Unit = chart::TimeUnit;
            static const std::array<Unit, 3> kUnits = {Unit::Days, Unit::Months, Unit::Years};
            value("auto", def.autoDate ? 1 : 0);
            value("lblOffset", 100);
            if (!def.autoBase) value("baseTimeUnit", kUnits[size_t(def.baseUnit)]);
            if (!def.autoMajorDate) {
                value("majorUnit", def.majorDate);
                value("majorTimeUnit", kUnits[size_t(def.majorDateUnit)]);
            }
            if (!def.autoMinorDate) {
                value("minorUnit", def.minorDate);
                value("minorTimeUnit", kUnits[size_t(def.minorDateUnit)]);
            }
        } else if (axis.kind == WrittenAxis::Category) {
            value("auto", 1);
            value("lblAlgn", QStringLiteral("ctr"));
            value("lblOffset", 100);
            if (def.labelSkip > 1) value("tickLblSkip", def.labelSkip);
            if (def.markSkip > 1) value("tickMarkSkip", def.markSkip);
            value("noMultiLvlLbl", 0);
        } else {
            if (def.labelSkip > 1) value("tickLblSkip", def.labelSkip);
            if (def.markSkip > 1) value("tickMarkSkip", def.markSkip);
        }
        m_xml.writeEndElement();
    }

    // Gridlines and axis lines left automatic are black hairlines.
    void gridlines(const char* name, const LineFormat& format) {
        m_xml.writeStartElement(kC, QLatin1String(name));
        m_xml.writeStartElement(kC, QStringLiteral("spPr"));
        line(format.automatic ? automaticLine(8) : format);
        m_xml.writeEndElement();
        m_xml.writeEndElement();
    }

    const ChartDef& m_def;
    const Globals& m_globals;
    const std::function<const CellStore*(const QString&)>& m_cellsOf;
    QByteArray m_bytes;
    QXmlStreamWriter m_xml;
    std::vector<WrittenAxis> m_axes;
    std::map<int, std::vector<unsigned>> m_axisIds;
    std::vector<CellRange> m_ranges;
};

}  // namespace

struct XlsWorkbook::Impl {
    QString path;
    QString file;
    QByteArray stream;
    XlsStructure structure;
    Globals globals;
    std::vector<QString> sheetNames;  // every sheet, in tab order
    // The parsed records of every chart, by sheet index in structure and chart position.
    std::map<std::pair<size_t, int>, ChartDef> charts;
    std::map<std::pair<size_t, int>, QString>
        unreadable;  // why a chart's records could not be read
    QHash<QString, std::vector<CellRange>> rangesBySheet;  // lower-case sheet name
    mutable QHash<QString, CellStore> cells;               // lower-case sheet name, once read
    mutable int cellPasses = 0;

    void load() {
        const Reader reader(stream, file);
        globals = readGlobals(reader);
        for (const XlsStructure::Sheet& sheet : structure.sheets())
            sheetNames.push_back(sheet.name);
        for (size_t s = 0; s < structure.sheets().size(); ++s) {
            const XlsStructure::Sheet& sheet = structure.sheets()[s];
            for (size_t c = 0; c < sheet.chartObjects.size(); ++c) {
                const qsizetype begin = sheet.chartObjects[c].substreamOffset;
                if (begin < 0) continue;
                try {
                    ChartParser parser(globals, sheetNames);
                    qsizetype pos = reader.at(begin).offset + 4 + reader.at(begin).size;
                    int nested = 0;
                    for (;;) {
                        const Reader::Record record = reader.at(pos);
                        pos = record.offset + 4 + record.size;
                        if (record.type == kBof) ++nested;
                        if (record.type == kEof && nested-- == 0) break;
                        if (nested == 0) parser.read(record);
                    }
                    ChartDef def = parser.take();
                    for (const SeriesDef& series : def.series) {
                        for (const auto* reference :
                             {&series.name, &series.values, &series.categories}) {
                            if (!*reference) continue;
                            for (const CellRange& range : (*reference)->ranges)
                                rangesBySheet[range.sheet.toLower()].push_back(range);
                        }
                    }
                    for (const TextDef& text : def.texts) {
                        if (!text.reference) continue;
                        for (const CellRange& range : text.reference->ranges)
                            rangesBySheet[range.sheet.toLower()].push_back(range);
                    }
                    charts[{s, int(c)}] = std::move(def);
                } catch (const DocumentError& e) {
                    unreadable[{s, int(c)}] = e.message();
                }
            }
        }
    }

    const CellStore* cellsOf(const QString& sheetName) const {
        const QString key = sheetName.toLower();
        const auto kept = cells.constFind(key);
        if (kept != cells.constEnd()) return &*kept;
        for (const XlsStructure::Sheet& sheet : structure.sheets()) {
            if (sheet.name.toLower() != key || sheet.kind != XlsStructure::SheetKind::Worksheet ||
                sheet.substreamOffset < 0) {
                continue;
            }
            ++cellPasses;
            const Reader reader(stream, file);
            return &*cells.insert(
                key, readCells(reader, sheet.substreamOffset, globals, rangesBySheet.value(key)));
        }
        return nullptr;
    }

    std::pair<size_t, int> keyOf(const XlsStructure::Sheet& sheet, int chart) const {
        const auto& sheets = structure.sheets();
        for (size_t s = 0; s < sheets.size(); ++s) {
            if (&sheets[s] == &sheet ||
                (sheets[s].name == sheet.name && sheets[s].kind == sheet.kind))
                return {s, chart};
        }
        throw DocumentError(DocumentError::Kind::Missing, file, QString(),
                            QStringLiteral("there is no sheet \"%1\"").arg(sheet.name));
    }

    [[noreturn]] void refuse(const XlsStructure::Sheet& sheet, int chart,
                             const QString& why) const {
        const QString name = chart >= 0 && size_t(chart) < sheet.chartObjects.size()
                                 ? sheet.chartObjects[size_t(chart)].name
                                 : QStringLiteral("%1").arg(chart + 1);
        throw DocumentError(
            DocumentError::Kind::Unsupported, file, QString(),
            QStringLiteral("sheet \"%1\", chart \"%2\": %3").arg(sheet.name, name, why));
    }

    // The records of a chart, checked to be read in full.
    const ChartDef& chartDef(const XlsStructure::Sheet& sheet, int chart) const {
        const auto key = keyOf(sheet, chart);
        if (chart < 0 || size_t(chart) >= sheet.chartObjects.size())
            refuse(sheet, chart, QStringLiteral("no such chart"));
        if (const auto failed = unreadable.find(key); failed != unreadable.end()) {
            refuse(sheet, chart, QStringLiteral("its records cannot be read: ") + failed->second);
        }
        const auto found = charts.find(key);
        if (found == charts.end())
            refuse(sheet, chart,
                   QStringLiteral(
                       "the chart's own records are missing from the workbook (damaged file)"));
        const ChartDef& def = found->second;
        bool plotted = false;
        for (const GroupDef& group : def.groups)
            plotted = plotted || group.kind != GroupDef::Unknown;
        if (!plotted)
            refuse(sheet, chart,
                   QStringLiteral("the chart has no chart group of a kind read here"));
        for (const SeriesDef& series : def.series) {
            if (series.auxiliary) continue;
            if (!series.valuesResolved() && series.cachedValues.empty()) {
                refuse(sheet, chart,
                       QStringLiteral(
                           "the values of series %1 are not cells of this workbook (another "
                           "workbook, a name or constants) and the chart keeps no copy of them")
                           .arg(series.index + 1));
            }
        }
        return def;
    }

    QByteArray part(const XlsStructure::Sheet& sheet, int chart,
                    std::vector<ChartPackage::Cell>* usedCells) const {
        const ChartDef& def = chartDef(sheet, chart);
        const std::function<const CellStore*(const QString&)> lookup = [this](const QString& name) {
            return cellsOf(name);
        };
        PartWriter writer(def, globals, lookup);
        const QByteArray xml = writer.write();
        std::vector<ChartPackage::Cell> used;
        std::set<std::tuple<QString, int, int>>
            seen;  // a range several series share is carried once
        for (const CellRange& range : writer.ranges()) {
            const CellStore* store = cellsOf(range.sheet);
            if (!store) continue;
            const qint64 count = range.cellCount();
            if (count > Workbook::kDefaultMaxCells) continue;
            for (int row = range.firstRow; row <= range.lastRow; ++row) {
                for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                    const auto cell = store->find(quint32(row) << 8 | quint32(column & 0xFF));
                    if (cell == store->end() ||
                        !seen.emplace(range.sheet.toLower(), row, column).second)
                        continue;
                    used.push_back({range.sheet, row, column, cell->second.value,
                                    globals.formatCode(cell->second.xf)});
                }
            }
        }
        pugi::xml_document doc;
        parseXml(doc, xml, file, QStringLiteral("/xl/charts/chart1.xml"));
        fillChartCaches(doc, used, globals.date1904);
        if (usedCells) *usedCells = std::move(used);
        return xmlBytes(doc, xml.size() * 2);
    }
};

XlsWorkbook::XlsWorkbook() : m(std::make_unique<Impl>()) {}
XlsWorkbook::~XlsWorkbook() = default;

std::unique_ptr<XlsWorkbook> XlsWorkbook::fromWorkbookStream(const QByteArray& stream,
                                                             const QString& displayName) {
    std::unique_ptr<XlsWorkbook> book(new XlsWorkbook);
    book->m->file = displayName;
    book->m->path = displayName;
    book->m->stream = stream;
    book->m->structure = XlsStructure::fromWorkbookStream(book->m->stream, displayName);
    book->m->load();
    return book;
}

std::unique_ptr<XlsWorkbook> XlsWorkbook::open(const QString& path) {
    const QFileInfo info(path);
    const QString file = info.fileName().isEmpty() ? path : info.fileName();
    auto book = fromWorkbookStream(XlsStructure::readWorkbookStream(path, file), file);
    book->m->path = path;
    return book;
}

const XlsStructure& XlsWorkbook::structure() const { return m->structure; }
const QString& XlsWorkbook::displayName() const { return m->file; }
bool XlsWorkbook::date1904() const { return m->globals.date1904; }
int XlsWorkbook::cellPasses() const { return m->cellPasses; }

QByteArray XlsWorkbook::chartPart(const XlsStructure::Sheet& sheet, int chart) const {
    return m->part(sheet, chart, nullptr);
}

ChartPackage XlsWorkbook::chartPackage(const XlsStructure::Sheet& sheet, int chart) const {
    ChartPackage package;
    ChartPackage::Part part;
    part.name = QStringLiteral("/xl/charts/chart1.xml");
    part.contentType =
        QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml");
    part.data = m->part(sheet, chart, &package.cells);
    package.parts.push_back(std::move(part));
    package.sourceFile = m->path;
    package.chartIndex = chart;
    package.sheetName = sheet.name;
    package.chartName = sheet.chartObjects[size_t(chart)].name;
    package.date1904 = m->globals.date1904;
    if (const auto size = XlsStructure::chartSize(sheet, sheet.chartObjects[size_t(chart)])) {
        std::tie(package.cx, package.cy) = *size;
    }
    return package;
}

chart::WorkbookChart XlsWorkbook::workbookChart(const XlsStructure::Sheet& sheet, int chart) const {
    chart::WorkbookChart out;
    const QString partName = QStringLiteral("/xl/charts/chart1.xml");
    out.chart = chart::readChartSpace(m->part(sheet, chart, nullptr), m->file, partName);
    out.context = chart::themelessChartLook(out.chart, m->file);
    if (const auto size = XlsStructure::chartSize(sheet, sheet.chartObjects[size_t(chart)])) {
        out.sizeInPoints = QSizeF(size->first / 12700.0, size->second / 12700.0);
    }
    return out;
}

}  // namespace engine
