#include "CellReference.h"

namespace engine {

namespace {

char16_t charAt(const QString& text, qsizetype i) { return text[i].unicode(); }
char16_t charAt(std::string_view text, size_t i) { return char16_t(static_cast<unsigned char>(text[i])); }

// Column letters then row digits, each optionally after '$'. Either half may be missing when
// allowed (whole columns, whole rows); a missing half comes back as -1. Text is a QString or
// the bytes of an attribute; only ASCII letters and digits count.
template <typename Text>
bool parseAddressParts(const Text& text, int* row, int* column, bool allowPartial) {
    using Index = decltype(text.size());
    Index i = 0;
    const Index n = text.size();
    if (i < n && charAt(text, i) == u'$') ++i;
    qint64 col = 0;
    int letters = 0;
    while (i < n && letters < 4) {
        char16_t c = charAt(text, i);
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
        if (c < u'A' || c > u'Z') break;
        col = col * 26 + (c - u'A' + 1);
        ++letters;
        ++i;
    }
    if (letters > 3) return false;
    if (i < n && charAt(text, i) == u'$') {
        if (letters == 0) return false;
        ++i;
    }
    qint64 r = 0;
    int digits = 0;
    while (i < n && charAt(text, i) >= u'0' && charAt(text, i) <= u'9' && digits < 8) {
        r = r * 10 + (charAt(text, i) - u'0');
        ++digits;
        ++i;
    }
    if (i != n) return false;
    if (letters == 0 && digits == 0) return false;
    if (!allowPartial && (letters == 0 || digits == 0)) return false;
    if (letters > 0 && col > kMaxColumns) return false;
    if (digits > 0 && (r < 1 || r > kMaxRows)) return false;
    *column = letters ? int(col - 1) : -1;
    *row = digits ? int(r - 1) : -1;
    return true;
}

// Splits a union "(a,b)" at commas outside quotes.
std::vector<QString> splitUnion(const QString& text) {
    std::vector<QString> pieces;
    QString current;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\'') quoted = !quoted;
        if (c == u',' && !quoted) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    pieces.push_back(current);
    return pieces;
}

std::optional<CellRange> parseReference(const QString& reference) {
    const QString text = reference.trimmed();
    QString sheet;
    int addressStart = 0;
    if (text.startsWith(u'\'')) {
        int i = 1;
        for (; i < text.size(); ++i) {
            if (text[i] == u'\'') {
                if (i + 1 < text.size() && text[i + 1] == u'\'') {
                    sheet += u'\'';
                    ++i;
                    continue;
                }
                break;
            }
            sheet += text[i];
        }
        if (i + 1 >= text.size() || text[i + 1] != u'!') return std::nullopt;
        addressStart = i + 2;
    } else {
        const int bang = text.lastIndexOf(u'!');
        if (bang <= 0) return std::nullopt;
        sheet = text.left(bang);
        for (const QChar c : sheet) {
            if (c == u'[' || c == u']' || c == u'(' || c == u')' || c == u' ' || c == u'\'') {
                return std::nullopt;
            }
        }
        addressStart = bang + 1;
    }
    if (sheet.isEmpty() || sheet.contains(u'[')) return std::nullopt;
    const QString address = text.mid(addressStart);
    const int colon = address.indexOf(u':');
    CellRange range;
    range.sheet = sheet;
    if (colon < 0) {
        int row = 0, column = 0;
        if (!parseAddressParts(address, &row, &column, false)) return std::nullopt;
        range.firstRow = range.lastRow = row;
        range.firstColumn = range.lastColumn = column;
        return range;
    }
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!parseAddressParts(address.left(colon), &r1, &c1, true)) return std::nullopt;
    if (!parseAddressParts(address.mid(colon + 1), &r2, &c2, true)) return std::nullopt;
    if ((r1 < 0) != (r2 < 0) || (c1 < 0) != (c2 < 0)) return std::nullopt;
    if (r1 < 0) {  // whole columns
        r1 = 0;
        r2 = kMaxRows - 1;
    }
    if (c1 < 0) {  // whole rows
        c1 = 0;
        c2 = kMaxColumns - 1;
    }
    range.firstRow = std::min(r1, r2);
    range.lastRow = std::max(r1, r2);
    range.firstColumn = std::min(c1, c2);
    range.lastColumn = std::max(c1, c2);
    return range;
}

}  // namespace

bool parseCellAddress(const QString& text, int* row, int* column) {
    return parseAddressParts(text, row, column, false);
}

bool parseCellAddress(std::string_view text, int* row, int* column) {
    return parseAddressParts(text, row, column, false);
}

QString columnLetters(int column) {
    QString letters;
    int n = column + 1;
    while (n > 0) {
        const int rem = (n - 1) % 26;
        letters.prepend(QChar(u'A' + rem));
        n = (n - 1) / 26;
    }
    return letters;
}

QString cellAddress(int row, int column) {
    return columnLetters(column) + QString::number(row + 1);
}

std::optional<std::vector<CellRange>> parseChartFormula(const QString& formula) {
    QString text = formula.trimmed();
    if (text.startsWith(u'=')) text = text.mid(1).trimmed();
    if (text.isEmpty()) return std::nullopt;
    if (text.startsWith(u'(') && text.endsWith(u')')) text = text.mid(1, text.size() - 2);
    std::vector<CellRange> ranges;
    for (const QString& piece : splitUnion(text)) {
        auto range = parseReference(piece);
        if (!range) return std::nullopt;
        ranges.push_back(*range);
    }
    return ranges;
}

}  // namespace engine
