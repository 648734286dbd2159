#include "engine/numfmt/NumberFormat.h"

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace engine {

namespace {

// What a value a date section cannot show turns into: the cell's "too narrow" marks.
const QString kNoRoom = QStringLiteral("######");

// The spreadsheet application keeps 15 significant decimal digits.
constexpr int kSignificantDigits = 15;

// A positive finite number as its 15 significant decimal digits: value = 0.d[0]d[1]... * 10^point.
struct Decimal {
    QByteArray digits;  // '0'-'9', no leading zero unless the value is zero
    int point = 0;      // digits before the decimal point (may be negative or beyond size())
};

Decimal decompose(double a) {
    Decimal r;
    if (a == 0) {
        r.digits = "0";
        r.point = 1;
        return r;
    }
    // to_chars writes "d.dddddddddddddde+XX" with "." whatever the C library's locale says;
    // printf's %e would write the locale's decimal point.
    char buf[40];
    const auto written = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kSignificantDigits - 1);
    const char* p = buf;
    const char* end = written.ptr;
    r.digits.append(*p++);
    if (p < end && *p == '.') ++p;
    while (p < end && *p >= '0' && *p <= '9') r.digits.append(*p++);
    int exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && *p == '+') ++p;
        std::from_chars(p, end, exponent);
    }
    r.point = exponent + 1;
    return r;
}

// Keeps `keep` leading digits of d, rounding half away from zero; a carry out of the first digit
// moves the point. With keep < 0 the value is below half a unit of the last place kept: zero.
void roundDigits(Decimal& d, int keep) {
    if (keep >= d.digits.size()) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.truncate(keep);
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
        d.digits[i] = char(d.digits[i] + 1);
    } else {
        d.digits.prepend('1');
        ++d.point;
    }
}

struct Fixed {
    QByteArray whole;     // no leading zeros; empty for zero
    QByteArray fraction;  // exactly the requested number of digits
    bool isZero() const { return whole.isEmpty() && fraction.count('0') == fraction.size(); }
};

// a >= 0 rounded to `decimals` places (half away from zero, on its 15 significant digits).
Fixed toFixed(double a, int decimals) {
    Decimal d = decompose(a);
    if (a != 0) roundDigits(d, d.point + decimals);
    Fixed f;
    for (int i = 0; i < d.point; ++i) f.whole.append(i < d.digits.size() ? d.digits[i] : '0');
    for (int i = 0; i < decimals; ++i) {
        const int at = d.point + i;
        f.fraction.append(at >= 0 && at < d.digits.size() ? d.digits[at] : '0');
    }
    int lead = 0;
    while (lead < f.whole.size() && f.whole[lead] == '0') ++lead;
    f.whole.remove(0, lead);
    return f;
}

QByteArray stripTrailingZeros(QByteArray fraction) {
    while (!fraction.isEmpty() && fraction.endsWith('0')) fraction.chop(1);
    return fraction;
}

// ---------------------------------------------------------------------------------------------
// Tokens

enum class Kind {
    Literal,
    Digit,     // 0 # ?
    Point,     // .
    Comma,     // ,
    Percent,   // %
    Exponent,  // E+ E- (text holds the E as written, sign in `plus`)
    Slash,     // /
    FixedDenominator,
    Text,  // @
    General,
    Year,
    Month,
    Minute,
    Day,
    Hour,
    Second,
    SubSecond,  // the digits after a seconds' point
    SecondsPoint,  // the decimal point before them
    AmPm,
    ElapsedHours,
    ElapsedMinutes,
    ElapsedSeconds,
};

enum class Part { None, Integer, Decimals, ExponentDigits, Numerator, Denominator };

struct Token {
    Kind kind = Kind::Literal;
    QString text;          // literal text, or the characters as written
    QChar digit;           // '0', '#' or '?' for Kind::Digit
    int width = 0;         // letters in a date token, digits of a fixed denominator
    bool plus = false;     // E+ rather than E-
    bool scaling = false;  // a comma after the digits, dividing by a thousand
    Part part = Part::None;
    int index = 0;  // position among the digits of its part
};

enum class Op { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

struct Condition {
    Op op = Op::Equal;
    double operand = 0;
    bool matches(double v) const {
        switch (op) {
            case Op::Less:
                return v < operand;
            case Op::LessEqual:
                return v <= operand;
            case Op::Greater:
                return v > operand;
            case Op::GreaterEqual:
                return v >= operand;
            case Op::Equal:
                return v == operand;
            case Op::NotEqual:
                return v != operand;
        }
        return false;
    }
    // A condition that only negative numbers meet: the section shows their magnitude, as the
    // plain negative section does.
    bool onlyNegative() const {
        return (op == Op::Less && operand <= 0) || (op == Op::LessEqual && operand < 0) ||
               (op == Op::Equal && operand < 0);
    }
};

struct Section {
    std::vector<Token> tokens;
    QColor color;
    std::optional<Condition> condition;
    bool hasText = false;
    bool isDate = false;
    bool isGeneral = false;
    // numbers
    int integerDigits = 0, decimalDigits = 0, exponentDigits = 0;
    int numeratorDigits = 0, denominatorDigits = 0;
    long long fixedDenominator = 0;
    bool grouping = false, exponent = false, fraction = false;
    int thousandsScale = 0, percents = 0;
    // dates
    int subSecondDigits = 0;
    bool twelveHour = false;
};

QColor legacyPaletteColor(int n) {
    // The 56 colours of the spreadsheet application's legacy palette, [Color1] to [Color56].
    static const std::array<QRgb, 56> palette = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
    return QColor::fromRgb(palette[n - 1]);
}

std::optional<QColor> namedColor(const QString& name) {
    static const std::array<std::pair<const char*, QRgb>, 8> names = {{{"black", 0x000000},
                                                                       {"blue", 0x0000FF},
                                                                       {"cyan", 0x00FFFF},
                                                                       {"green", 0x00FF00},
                                                                       {"magenta", 0xFF00FF},
                                                                       {"red", 0xFF0000},
                                                                       {"white", 0xFFFFFF},
                                                                       {"yellow", 0xFFFF00}}};
    for (const auto& [n, rgb] : names)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return QColor::fromRgb(rgb);
    return std::nullopt;
}

bool isDateKind(Kind k) {
    switch (k) {
        case Kind::Year:
        case Kind::Month:
        case Kind::Minute:
        case Kind::Day:
        case Kind::Hour:
        case Kind::Second:
        case Kind::SubSecond:
        case Kind::AmPm:
        case Kind::ElapsedHours:
        case Kind::ElapsedMinutes:
        case Kind::ElapsedSeconds:
            return true;
        default:
            return false;
    }
}

class SectionParser {
  public:
    SectionParser(const QString& code, QString& error) : m_code(code), m_error(error) {}

    // Reads sections up to the end of the code; false with m_error set when malformed.
    bool parse(std::vector<Section>& sections) {
        sections.emplace_back();
        while (m_pos < m_code.size()) {
            const QChar c = m_code[m_pos];
            if (c == ';') {
                ++m_pos;
                sections.emplace_back();
                if (sections.size() > 4) return fail(QStringLiteral("more than four sections"));
                continue;
            }
            if (!readToken(sections.back())) return false;
        }
        for (Section& s : sections) finish(s);
        return true;
    }

  private:
    bool fail(const QString& what) {
        m_error = what;
        return false;
    }

    void literal(Section& s, const QString& text) {
        if (!s.tokens.empty() && s.tokens.back().kind == Kind::Literal) {
            s.tokens.back().text += text;
            return;
        }
        Token t;
        t.text = text;
        s.tokens.push_back(t);
    }

    void add(Section& s, Kind kind, const QString& text, int width = 0) {
        Token t;
        t.kind = kind;
        t.text = text;
        t.width = width;
        s.tokens.push_back(t);
    }

    bool readToken(Section& s) {
        const QChar c = m_code[m_pos];
        const QChar lower = c.toLower();
        auto startsHere = [&](QLatin1String word) {
            return m_code.mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) == 0;
        };
        if (c == '"') {
            const qsizetype end = m_code.indexOf('"', m_pos + 1);
            if (end < 0) return fail(QStringLiteral("a quoted text is not closed"));
            literal(s, m_code.mid(m_pos + 1, end - m_pos - 1));
            m_pos = end + 1;
        } else if (c == '\\') {
            if (m_pos + 1 < m_code.size()) literal(s, m_code.mid(m_pos + 1, 1));
            m_pos += 2;
        } else if (c == '_') {
            // A space as wide as the next character: without a cell to align in, one space.
            literal(s, QStringLiteral(" "));
            m_pos += 2;
        } else if (c == '*') {
            // Repeat the next character to fill the cell: a label has no width to fill.
            m_pos += 2;
        } else if (c == '[') {
            const qsizetype end = m_code.indexOf(']', m_pos + 1);
            if (end < 0) return fail(QStringLiteral("a '[' is not closed"));
            const QString inside = m_code.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return readBracket(s, inside);
        } else if (c == '@') {
            add(s, Kind::Text, c);
            s.hasText = true;
            ++m_pos;
        } else if (startsHere(QLatin1String("General"))) {
            add(s, Kind::General, m_code.mid(m_pos, 7));
            s.isGeneral = true;
            m_pos += 7;
        } else if (c == '0' || c == '#' || c == '?') {
            Token t;
            t.kind = Kind::Digit;
            t.digit = c;
            t.text = c;
            s.tokens.push_back(t);
            ++m_pos;
        } else if (c == '.') {
            add(s, Kind::Point, c);
            ++m_pos;
        } else if (c == ',') {
            add(s, Kind::Comma, c);
            ++m_pos;
        } else if (c == '%') {
            add(s, Kind::Percent, c);
            ++m_pos;
        } else if (lower == 'e' && m_pos + 1 < m_code.size() &&
                   (m_code[m_pos + 1] == '+' || m_code[m_pos + 1] == '-')) {
            Token t;
            t.kind = Kind::Exponent;
            t.text = c;
            t.plus = m_code[m_pos + 1] == '+';
            s.tokens.push_back(t);
            m_pos += 2;
        } else if (c == '/') {
            add(s, Kind::Slash, c);
            ++m_pos;
        } else if (startsHere(QLatin1String("AM/PM"))) {
            add(s, Kind::AmPm, m_code.mid(m_pos, 5));
            s.twelveHour = true;
            m_pos += 5;
        } else if (startsHere(QLatin1String("A/P"))) {
            add(s, Kind::AmPm, m_code.mid(m_pos, 3));
            s.twelveHour = true;
            m_pos += 3;
        } else if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's' ||
                   lower == 'e') {
            int n = 1;
            while (m_pos + n < m_code.size() && m_code[m_pos + n].toLower() == lower) ++n;
            const Kind kind = lower == 'y' || lower == 'e' ? Kind::Year
                              : lower == 'm'               ? Kind::Month
                              : lower == 'd'               ? Kind::Day
                              : lower == 'h'               ? Kind::Hour
                                                           : Kind::Second;
            // 'e' is the year in full.
            add(s, kind, m_code.mid(m_pos, n), lower == 'e' ? 4 : n);
            m_pos += n;
        } else {
            literal(s, c);
            ++m_pos;
        }
        return true;
    }

    bool readBracket(Section& s, const QString& inside) {
        if (inside.isEmpty()) return true;
        const QChar first = inside[0].toLower();
        if (const auto named = namedColor(inside)) {
            s.color = *named;
            return true;
        }
        if (inside.startsWith(QLatin1String("color"), Qt::CaseInsensitive)) {
            bool ok = false;
            const int n = inside.mid(5).trimmed().toInt(&ok);
            if (!ok || n < 1 || n > 56)
                return fail(QStringLiteral("unknown colour [%1]").arg(inside));
            s.color = legacyPaletteColor(n);
            return true;
        }
        if (first == '<' || first == '>' || first == '=') {
            Condition cond;
            int len = 1;
            if (inside.startsWith(QLatin1String("<=")))
                cond.op = Op::LessEqual, len = 2;
            else if (inside.startsWith(QLatin1String(">=")))
                cond.op = Op::GreaterEqual, len = 2;
            else if (inside.startsWith(QLatin1String("<>")))
                cond.op = Op::NotEqual, len = 2;
            else if (first == '<')
                cond.op = Op::Less;
            else if (first == '>')
                cond.op = Op::Greater;
            else
                cond.op = Op::Equal;
            bool ok = false;
            cond.operand = inside.mid(len).trimmed().toDouble(&ok);
            if (!ok) return fail(QStringLiteral("unreadable condition [%1]").arg(inside));
            s.condition = cond;
            return true;
        }
        if (first == '$') {
            // [$€-407]: a currency symbol, then an optional locale after the '-'.
            const qsizetype dash = inside.indexOf('-');
            literal(s, inside.mid(1, dash < 0 ? -1 : dash - 1));
            return true;
        }
        const QString l = inside.toLower();
        if (l.count(l[0]) == l.size() && (first == 'h' || first == 'm' || first == 's')) {
            add(s,
                first == 'h'   ? Kind::ElapsedHours
                : first == 'm' ? Kind::ElapsedMinutes
                               : Kind::ElapsedSeconds,
                inside, int(inside.size()));
            return true;
        }
        // Other bracketed switches (calendars, number systems) change nothing we show.
        return true;
    }

    // Decides what each token means once the whole section is known.
    void finish(Section& s) {
        auto& t = s.tokens;
        for (const Token& token : t)
            if (isDateKind(token.kind)) s.isDate = true;
        if (s.isDate)
            finishDate(s);
        else if (!s.isGeneral)
            finishNumber(s);
        // A section with General shows its literals around the number as written.
        if (s.isGeneral)
            for (Token& token : t)
                if (token.kind != Kind::General && token.kind != Kind::Text &&
                    token.kind != Kind::Literal)
                    token.kind = Kind::Literal;
    }

    static void makeLiteral(Token& t) {
        if (t.kind == Kind::Exponent) t.text += t.plus ? '+' : '-';
        t.kind = Kind::Literal;
    }

    void finishDate(Section& s) {
        auto& t = s.tokens;
        auto previousTimeToken = [&](size_t i) -> const Token* {
            for (size_t j = i; j-- > 0;)
                if (isDateKind(t[j].kind)) return &t[j];
            return nullptr;
        };
        auto nextTimeToken = [&](size_t i) -> const Token* {
            for (size_t j = i + 1; j < t.size(); ++j)
                if (isDateKind(t[j].kind)) return &t[j];
            return nullptr;
        };
        for (size_t i = 0; i < t.size(); ++i) {
            Token& token = t[i];
            if (token.kind == Kind::Month && token.width <= 2) {
                // m and mm mean minutes right after an hour or right before a second.
                const Token* before = previousTimeToken(i);
                const Token* after = nextTimeToken(i);
                if ((before &&
                     (before->kind == Kind::Hour || before->kind == Kind::ElapsedHours)) ||
                    (after && (after->kind == Kind::Second || after->kind == Kind::ElapsedSeconds)))
                    token.kind = Kind::Minute;
            } else if (token.kind == Kind::Point && i + 1 < t.size() &&
                       t[i + 1].kind == Kind::Digit && t[i + 1].digit == '0') {
                // Fractional seconds: the point stays, the zeros become the digits.
                size_t j = i + 1;
                int n = 0;
                while (j < t.size() && t[j].kind == Kind::Digit && t[j].digit == '0') ++n, ++j;
                token.kind = Kind::SecondsPoint;
                Token sub;
                sub.kind = Kind::SubSecond;
                sub.width = std::min(n, 3);
                sub.text = QString(n, '0');
                t.erase(t.begin() + i + 1, t.begin() + j);
                t.insert(t.begin() + i + 1, sub);
                s.subSecondDigits = std::max(s.subSecondDigits, sub.width);
            } else if (!isDateKind(token.kind) && token.kind != Kind::Text &&
                       token.kind != Kind::General) {
                makeLiteral(token);
            }
        }
    }

    void finishNumber(Section& s) {
        auto& t = s.tokens;
        auto isDigit = [&](size_t i) { return i < t.size() && t[i].kind == Kind::Digit; };

        // A fraction: a slash between digit placeholders.
        size_t slash = t.size();
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i].kind == Kind::Point || t[i].kind == Kind::Exponent) break;
            if (t[i].kind == Kind::Slash && i > 0 && isDigit(i - 1)) {
                slash = i;
                break;
            }
        }
        if (slash < t.size()) {
            // What follows: placeholders, or a fixed denominator written in digits (which the
            // tokens hold as literals, and zeros as placeholders).
            size_t end = slash + 1;
            QString denominator;
            while (end < t.size()) {
                Token& token = t[end];
                if (token.kind == Kind::Digit) {
                    denominator += token.digit;
                    ++end;
                    continue;
                }
                if (token.kind != Kind::Literal) break;
                qsizetype k = 0;
                while (k < token.text.size() && token.text[k].isDigit()) ++k;
                if (k == 0) break;
                denominator += token.text.left(k);
                if (k < token.text.size()) {
                    Token rest = token;
                    rest.text = token.text.mid(k);
                    token.text.truncate(k);
                    t.insert(t.begin() + end + 1, rest);
                    ++end;
                    break;
                }
                ++end;
            }
            if (!denominator.isEmpty()) {
                s.fraction = true;
                const bool fixed = std::any_of(denominator.begin(), denominator.end(),
                                               [](QChar ch) { return ch >= '1' && ch <= '9'; });
                if (fixed) {
                    Token den;
                    den.kind = Kind::FixedDenominator;
                    den.text = denominator;
                    s.fixedDenominator = denominator.left(9).toLongLong();
                    den.width = int(denominator.size());
                    t.erase(t.begin() + slash + 1, t.begin() + end);
                    t.insert(t.begin() + slash + 1, den);
                } else {
                    for (size_t i = slash + 1; i < end; ++i) t[i].part = Part::Denominator;
                }
                // The numerator: the run of placeholders right before the slash.
                size_t i = slash;
                while (i > 0 && isDigit(i - 1)) t[--i].part = Part::Numerator;
            }
        }

        Part part = Part::Integer;
        for (size_t i = 0; i < t.size(); ++i) {
            Token& token = t[i];
            switch (token.kind) {
                case Kind::Digit:
                    if (token.part == Part::None) token.part = part;
                    break;
                case Kind::Point:
                    if (part == Part::Integer && !s.fraction)
                        part = Part::Decimals;
                    else
                        makeLiteral(token);
                    break;
                case Kind::Exponent:
                    if (!s.exponent && !s.fraction) {
                        s.exponent = true;
                        part = Part::ExponentDigits;
                    } else {
                        makeLiteral(token);
                    }
                    break;
                case Kind::Percent:
                    ++s.percents;
                    break;
                case Kind::Slash:
                    if (i != slash || !s.fraction) makeLiteral(token);
                    break;
                case Kind::Comma: {
                    // Between placeholders it turns on grouping; after the last placeholder of the
                    // integer or decimal part each comma divides by a thousand.
                    const bool afterDigit =
                        i > 0 && (t[i - 1].kind == Kind::Digit ||
                                  (t[i - 1].kind == Kind::Comma && t[i - 1].scaling));
                    size_t j = i;
                    while (j < t.size() && t[j].kind == Kind::Comma) ++j;
                    const bool beforeDigit = isDigit(j);
                    if (afterDigit && beforeDigit) {
                        if (part == Part::Integer) s.grouping = true;
                        token.kind = Kind::Literal;
                        token.text.clear();
                    } else if (afterDigit) {
                        ++s.thousandsScale;
                        token.scaling = true;
                        token.text.clear();
                    } else {
                        makeLiteral(token);
                    }
                    break;
                }
                default:
                    break;
            }
        }
        // Commas were kept as tokens only to be counted: drop the empty ones.
        std::erase_if(t, [](const Token& token) {
            return (token.kind == Kind::Comma || token.kind == Kind::Literal) &&
                   token.text.isEmpty();
        });

        int unplaced = 0;
        std::array<int*, 6> counts = {&unplaced,         &s.integerDigits,   &s.decimalDigits,
                                      &s.exponentDigits, &s.numeratorDigits, &s.denominatorDigits};
        for (Token& token : t)
            if (token.kind == Kind::Digit) token.index = (*counts[int(token.part)])++;
    }

    const QString& m_code;
    QString& m_error;
    qsizetype m_pos = 0;
};

// ---------------------------------------------------------------------------------------------
// Numbers

// Right-aligned digits over a run of placeholders: digit i of the placeholders (of n) gets the
// matching digit of `digits`, the first placeholder also takes any digits left over, and the
// ones without a digit show their filler (0: a zero, ?: a space, #: nothing).
QString rightAligned(const Token& t, int n, const QByteArray& digits) {
    const int fromRight = n - 1 - t.index;
    const int len = int(digits.size());
    if (fromRight < len) {
        if (t.index == 0) return QString::fromLatin1(digits.left(len - fromRight));
        return QString(QChar(digits[len - 1 - fromRight]));
    }
    if (t.digit == '0') return QStringLiteral("0");
    if (t.digit == '?') return QStringLiteral(" ");
    return {};
}

QString filler(QChar placeholder) {
    if (placeholder == '0') return QStringLiteral("0");
    if (placeholder == '?') return QStringLiteral(" ");
    return {};
}

// The continued-fraction convergent of x (>= 0) with the largest denominator up to maxDen.
std::pair<long long, long long> approximate(double x, long long maxDen) {
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;  // convergents n-2 and n-1
    double rest = x;
    for (int guard = 0; guard < 64; ++guard) {
        const double a = std::floor(rest);
        if (a > 1e15) break;
        const long long ai = static_cast<long long>(a);
        const long long p = ai * p1 + p0, q = ai * q1 + q0;
        if (q > maxDen) break;
        p0 = p1, q0 = q1, p1 = p, q1 = q;
        const double frac = rest - a;
        if (frac < 1e-10) break;
        rest = 1 / frac;
    }
    if (q1 == 0) return {static_cast<long long>(std::llround(x)), 1};
    return {p1, q1};
}

struct NumberParts {
    QByteArray whole, decimals, exponent, numerator, denominator;
    bool exponentNegative = false;
    bool blankFraction = false;  // a mixed fraction with nothing after the whole number
};

QString renderNumber(const Section& s, double value, bool showMinus, const NumberSymbols& symbols) {
    double v = std::fabs(value);
    for (int i = 0; i < s.percents; ++i) v *= 100;
    for (int i = 0; i < s.thousandsScale; ++i) v /= 1000;
    if (!std::isfinite(v)) return kNoRoom;

    NumberParts parts;
    bool zero = false;
    if (s.exponent) {
        const int group = std::max(1, s.integerDigits);
        int exp = 0;
        if (v != 0) {
            const int e = decompose(v).point - 1;
            exp = int(std::floor(double(e) / group)) * group;
        }
        // Scaled in two halves so that neither power of ten overflows near the limits of double.
        auto mantissa = [&](int e) {
            return v == 0 ? 0 : v * std::pow(10.0, -e / 2) * std::pow(10.0, -(e - e / 2));
        };
        Fixed m = toFixed(mantissa(exp), s.decimalDigits);
        if (v != 0 && m.whole.size() > group) {
            exp += group;
            m = toFixed(mantissa(exp), s.decimalDigits);
        }
        parts.whole = m.whole;
        parts.decimals = m.fraction;
        parts.exponentNegative = exp < 0;
        parts.exponent = QByteArray::number(std::abs(exp));
        if (parts.exponent == "0") parts.exponent.clear();
        zero = m.isZero();
    } else if (s.fraction) {
        const bool mixed = s.integerDigits > 0;
        double whole = mixed ? std::floor(v) : 0;
        const double rest = v - whole;
        long long num = 0, den = 1;
        if (s.fixedDenominator > 0) {
            den = s.fixedDenominator;
            num = std::llround(rest * double(den));
        } else {
            long long maxDen = 1;
            for (int i = 0; i < std::min(s.denominatorDigits, 9); ++i) maxDen *= 10;
            std::tie(num, den) = approximate(rest, maxDen - 1);
        }
        if (mixed && num == den) whole += 1, num = 0;
        parts.whole = toFixed(whole, 0).whole;
        parts.blankFraction = mixed && num == 0;
        parts.numerator = QByteArray::number(num);
        parts.denominator = QByteArray::number(den);
        if (parts.blankFraction && parts.whole.isEmpty()) parts.whole = "0";
    } else {
        const Fixed f = toFixed(v, s.decimalDigits);
        parts.whole = f.whole;
        parts.decimals = f.fraction;
        zero = f.isZero();
    }

    QString out;
    if (showMinus && value < 0 && !zero) out += '-';

    // Grouping counts every digit shown in the integer part, zeros of '0' placeholders included.
    int groupedDigits = 0;
    if (s.grouping) {
        for (const Token& t : s.tokens)
            if (t.kind == Kind::Digit && t.part == Part::Integer) {
                const QString d = rightAligned(t, s.integerDigits, parts.whole);
                for (QChar ch : d)
                    if (ch.isDigit()) ++groupedDigits;
            }
    }
    int lastDecimal = -1;
    for (int i = 0; i < parts.decimals.size(); ++i)
        if (parts.decimals[i] != '0') lastDecimal = i;

    int shownDigits = 0;
    bool wholeShown = s.integerDigits > 0;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
            case Kind::Literal:
                out += t.text;
                break;
            case Kind::Percent:
                out += '%';
                break;
            case Kind::Text:
                break;
            case Kind::Comma:
                break;
            case Kind::Point:
                // Without integer placeholders the integer part still shows when it is not zero.
                if (!wholeShown) out += QString::fromLatin1(parts.whole), wholeShown = true;
                out += symbols.decimal;
                break;
            case Kind::Exponent:
                out += t.text;
                if (parts.exponentNegative)
                    out += '-';
                else if (t.plus)
                    out += '+';
                break;
            case Kind::Slash:
                out += parts.blankFraction ? QStringLiteral(" ") : QStringLiteral("/");
                break;
            case Kind::FixedDenominator:
                out += parts.blankFraction ? QString(t.width, ' ')
                                           : QString::fromLatin1(parts.denominator);
                break;
            case Kind::Digit:
                switch (t.part) {
                    case Part::Integer: {
                        QString d = rightAligned(t, s.integerDigits, parts.whole);
                        if (s.grouping) {
                            for (QChar ch : d) {
                                out += ch;
                                if (!ch.isDigit()) continue;
                                const int fromRight = groupedDigits - 1 - shownDigits++;
                                if (fromRight > 0 && fromRight % 3 == 0) out += symbols.group;
                            }
                        } else {
                            out += d;
                        }
                        break;
                    }
                    case Part::Decimals:
                        out += t.index <= lastDecimal ? QString(QChar(parts.decimals[t.index]))
                                                      : filler(t.digit);
                        break;
                    case Part::ExponentDigits:
                        out += rightAligned(t, s.exponentDigits, parts.exponent);
                        break;
                    case Part::Numerator:
                        out += parts.blankFraction
                                   ? filler(t.digit == '?' ? '?' : '#')
                                   : rightAligned(t, s.numeratorDigits, parts.numerator);
                        break;
                    case Part::Denominator: {
                        if (parts.blankFraction) {
                            out += filler(t.digit == '?' ? '?' : '#');
                            break;
                        }
                        // Left-aligned: the last placeholder takes any digits left over.
                        const int len = int(parts.denominator.size());
                        if (t.index < len) {
                            out += t.index == s.denominatorDigits - 1
                                       ? QString::fromLatin1(parts.denominator.mid(t.index))
                                       : QString(QChar(parts.denominator[t.index]));
                        } else {
                            out += filler(t.digit);
                        }
                        break;
                    }
                    case Part::None:
                        break;
                }
                break;
            default:
                break;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Dates and times

struct DateParts {
    int year = 1900, month = 1, day = 0, weekday = 0;  // weekday 0 = Sunday
    long long totalUnits = 0;                          // the whole value in sub-second units
    long long unitsPerSecond = 1;
    int hour = 0, minute = 0, second = 0, subUnits = 0;
};

std::optional<DateParts> splitSerial(double serial, DateSystem system, int subDigits) {
    // 9999-12-31 is the last day either system can show.
    const double limit = system == DateSystem::Date1900 ? 2958466.0 : 2957004.0;
    if (!(serial >= 0) || serial >= limit) return std::nullopt;
    DateParts p;
    for (int i = 0; i < subDigits; ++i) p.unitsPerSecond *= 10;
    const long long perDay = 86400LL * p.unitsPerSecond;
    p.totalUnits = std::llround(serial * double(perDay));
    const long long days = p.totalUnits / perDay;
    long long rest = p.totalUnits % perDay;
    p.subUnits = int(rest % p.unitsPerSecond);
    rest /= p.unitsPerSecond;
    p.hour = int(rest / 3600);
    p.minute = int(rest / 60 % 60);
    p.second = int(rest % 60);

    QDate date;
    if (system == DateSystem::Date1904) {
        date = QDate(1904, 1, 1).addDays(days);
        p.weekday = int((days + 5) % 7);
    } else {
        // The 1900 system counts a 29 February 1900 that never was (serial 60), and a day 0.
        p.weekday = int((days + 6) % 7);
        if (days == 0) {
            p.year = 1900, p.month = 1, p.day = 0;
            return p;
        }
        if (days == 60) {
            p.year = 1900, p.month = 2, p.day = 29;
            return p;
        }
        date = days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    }
    if (date.year() > 9999) return std::nullopt;
    p.year = date.year();
    p.month = date.month();
    p.day = date.day();
    return p;
}

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

QString padded(long long n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QChar('0'));
}

QString renderDate(const Section& s, double value, DateSystem system, const NumberSymbols& symbols) {
    const auto p = splitSerial(value, system, s.subSecondDigits);
    if (!p) return kNoRoom;
    QString out;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
            case Kind::Literal:
                out += t.text;
                break;
            case Kind::Year:
                out += t.width <= 2 ? padded(p->year % 100, 2) : padded(p->year, 4);
                break;
            case Kind::Month: {
                const QString name = QString::fromLatin1(kMonths[p->month - 1]);
                if (t.width == 1)
                    out += QString::number(p->month);
                else if (t.width == 2)
                    out += padded(p->month, 2);
                else if (t.width == 3)
                    out += name.left(3);
                else if (t.width == 5)
                    out += name.left(1);
                else
                    out += name;
                break;
            }
            case Kind::Day: {
                const QString name = QString::fromLatin1(kDays[p->weekday]);
                if (t.width == 1)
                    out += QString::number(p->day);
                else if (t.width == 2)
                    out += padded(p->day, 2);
                else if (t.width == 3)
                    out += name.left(3);
                else
                    out += name;
                break;
            }
            case Kind::Hour: {
                int h = p->hour;
                if (s.twelveHour) h = h % 12 == 0 ? 12 : h % 12;
                out += t.width == 1 ? QString::number(h) : padded(h, 2);
                break;
            }
            case Kind::Minute:
                out += t.width == 1 ? QString::number(p->minute) : padded(p->minute, 2);
                break;
            case Kind::Second:
                out += t.width == 1 ? QString::number(p->second) : padded(p->second, 2);
                break;
            case Kind::SecondsPoint:
                out += symbols.decimal;
                break;
            case Kind::SubSecond: {
                long long sub = p->subUnits;
                for (int i = t.width; i < s.subSecondDigits; ++i) sub /= 10;
                out += padded(sub, t.width);
                break;
            }
            case Kind::AmPm: {
                const bool pm = p->hour >= 12;
                if (t.text.size() == 5) {
                    out += pm ? QStringLiteral("PM") : QStringLiteral("AM");
                } else {
                    const QChar letter = pm ? t.text[2] : t.text[0];
                    out += letter;
                }
                break;
            }
            case Kind::ElapsedHours:
                out += padded(p->totalUnits / p->unitsPerSecond / 3600, t.width);
                break;
            case Kind::ElapsedMinutes:
                out += padded(p->totalUnits / p->unitsPerSecond / 60, t.width);
                break;
            case Kind::ElapsedSeconds:
                out += padded(p->totalUnits / p->unitsPerSecond, t.width);
                break;
            default:
                out += t.text;
                break;
        }
    }
    return out;
}

QString renderGeneral(const Section& s, double value, bool showMinus, const NumberSymbols& symbols) {
    QString out;
    if (showMinus && value < 0) out += '-';
    for (const Token& t : s.tokens) {
        if (t.kind == Kind::General)
            out += formatGeneral(std::fabs(value), 11, symbols);
        else if (t.kind == Kind::Literal)
            out += t.text;
    }
    return out;
}

QString renderSection(const Section& s, double value, bool showMinus, DateSystem system,
                      const NumberSymbols& symbols) {
    if (s.isDate) return renderDate(s, value, system, symbols);
    if (s.isGeneral) return renderGeneral(s, value, showMinus, symbols);
    return renderNumber(s, value, showMinus, symbols);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

struct NumberFormat::Parsed {
    QString code;
    QString error;
    std::vector<Section> sections;
    int numberSections = 0;  // sections[0..numberSections) format numbers
    int textSection = -1;    // the section for text, -1 when text shows unchanged
    bool anyCondition = false;
    bool general = true;
};

namespace {

std::shared_ptr<const NumberFormat::Parsed> parseCode(const QString& code) {
    auto parsed = std::make_shared<NumberFormat::Parsed>();
    parsed->code = code;
    std::vector<Section> sections;
    QString error;
    // An empty code is how files say General.
    const QString text = code.trimmed().isEmpty() ? QStringLiteral("General") : code;
    SectionParser parser(text, error);
    if (!parser.parse(sections)) {
        parsed->error = error;
        return parsed;
    }
    // The fourth section is for text, and so is a last section holding '@'.
    int numbers = int(sections.size());
    if (numbers == 4) {
        parsed->textSection = 3;
        numbers = 3;
    } else if (sections.back().hasText) {
        parsed->textSection = numbers - 1;
        --numbers;
    }
    parsed->numberSections = numbers;
    for (int i = 0; i < numbers; ++i)
        if (sections[i].condition) parsed->anyCondition = true;
    parsed->general = numbers == 1 && sections[0].isGeneral && sections[0].tokens.size() == 1 &&
                      !sections[0].color.isValid() && !sections[0].condition;
    parsed->sections = std::move(sections);
    return parsed;
}

}  // namespace

NumberFormat::NumberFormat() : NumberFormat(QStringLiteral("General")) {}

NumberFormat::NumberFormat(const QString& code) : m_parsed(parseCode(code)) {}

QString NumberFormat::builtInCode(int id) {
    switch (id) {
        case 0:
            return QStringLiteral("General");
        case 1:
            return QStringLiteral("0");
        case 2:
            return QStringLiteral("0.00");
        case 3:
            return QStringLiteral("#,##0");
        case 4:
            return QStringLiteral("#,##0.00");
        case 5:
            return QStringLiteral("\"$\"#,##0_);\\(\"$\"#,##0\\)");
        case 6:
            return QStringLiteral("\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)");
        case 7:
            return QStringLiteral("\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)");
        case 8:
            return QStringLiteral("\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)");
        case 9:
            return QStringLiteral("0%");
        case 10:
            return QStringLiteral("0.00%");
        case 11:
            return QStringLiteral("0.00E+00");
        case 12:
            return QStringLiteral("# ?/?");
        case 13:
            return QStringLiteral("# ?\?/?\?");
        // The short date of the en-US system settings.
        case 14:
            return QStringLiteral("m/d/yyyy");
        case 15:
            return QStringLiteral("d-mmm-yy");
        case 16:
            return QStringLiteral("d-mmm");
        case 17:
            return QStringLiteral("mmm-yy");
        case 18:
            return QStringLiteral("h:mm AM/PM");
        case 19:
            return QStringLiteral("h:mm:ss AM/PM");
        case 20:
            return QStringLiteral("h:mm");
        case 21:
            return QStringLiteral("h:mm:ss");
        case 22:
            return QStringLiteral("m/d/yyyy h:mm");
        case 37:
            return QStringLiteral("#,##0 ;(#,##0)");
        case 38:
            return QStringLiteral("#,##0 ;[Red](#,##0)");
        case 39:
            return QStringLiteral("#,##0.00;(#,##0.00)");
        case 40:
            return QStringLiteral("#,##0.00;[Red](#,##0.00)");
        case 41:
            return QStringLiteral("_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)");
        case 42:
            return QStringLiteral("_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)");
        case 43:
            return QStringLiteral("_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"?\?_);_(@_)");
        case 44:
            return QStringLiteral(
                "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"?\?_);_(@_)");
        case 45:
            return QStringLiteral("mm:ss");
        case 46:
            return QStringLiteral("[h]:mm:ss");
        case 47:
            return QStringLiteral("mmss.0");
        case 48:
            return QStringLiteral("##0.0E+0");
        case 49:
            return QStringLiteral("@");
        default:
            break;
    }
    // Ids that East Asian versions define; elsewhere they show as these.
    if ((id >= 27 && id <= 31) || (id >= 50 && id <= 58)) return builtInCode(14);
    if (id >= 59 && id <= 62) return builtInCode(id - 58);
    if (id == 67 || id == 68) return builtInCode(id - 58);
    if (id == 69 || id == 70) return builtInCode(id - 57);
    if (id == 71 || id == 72) return builtInCode(14);
    if (id >= 73 && id <= 75) return builtInCode(id - 58);
    if (id >= 76 && id <= 78) return builtInCode(id - 56);
    if (id >= 79 && id <= 81) return builtInCode(id - 34);
    return {};
}

NumberFormat NumberFormat::builtIn(int id) {
    const QString code = builtInCode(id);
    return code.isEmpty() ? NumberFormat() : NumberFormat(code);
}

QString NumberFormat::code() const { return m_parsed->code; }
bool NumberFormat::isValid() const { return m_parsed->error.isEmpty(); }
QString NumberFormat::errorString() const { return m_parsed->error; }
bool NumberFormat::isGeneral() const { return !isValid() || m_parsed->general; }
bool NumberFormat::isDateTime() const {
    return isValid() && m_parsed->numberSections > 0 && m_parsed->sections[0].isDate;
}

NumberSymbols NumberSymbols::of(const QLocale& locale) {
    return {locale.decimalPoint(), locale.groupSeparator()};
}

QString NumberFormat::format(double value, DateSystem dates, const NumberSymbols& symbols) const {
    return formatWithColor(value, dates, symbols).text;
}

QString NumberFormat::formatText(const QString& text) const {
    return formatTextWithColor(text).text;
}

NumberFormat::Result NumberFormat::formatWithColor(double value, DateSystem dates,
                                                   const NumberSymbols& symbols) const {
    if (!std::isfinite(value)) return {QStringLiteral("#NUM!"), {}};
    const Parsed& p = *m_parsed;
    if (!isValid() || p.numberSections == 0) return {formatGeneral(value, 11, symbols), {}};
    const auto& sec = p.sections;
    const int n = p.numberSections;
    auto use = [&](int i, bool showMinus) -> Result {
        return {renderSection(sec[i], value, showMinus, dates, symbols), sec[i].color};
    };

    if (!p.anyCondition) {
        if (n == 1 || value > 0 || (n == 2 && value == 0)) return use(0, true);
        if (value < 0) return use(1, false);
        return use(2, true);
    }
    // Conditions replace the sign tests; a section without one takes what the others leave.
    const Condition first =
        sec[0].condition.value_or(Condition{n >= 3 ? Op::Greater : Op::GreaterEqual, 0});
    if (first.matches(value)) return use(0, !first.onlyNegative());
    if (n == 1) return {formatGeneral(value, 11, symbols), {}};
    if (sec[1].condition) {
        if (sec[1].condition->matches(value)) return use(1, !sec[1].condition->onlyNegative());
        if (n >= 3) return use(2, true);
        return {kNoRoom, {}};
    }
    if (n == 2) return use(1, false);
    if (value < 0) return use(1, false);
    return use(2, true);
}

NumberFormat::Result NumberFormat::formatTextWithColor(const QString& text) const {
    const Parsed& p = *m_parsed;
    if (!isValid() || p.textSection < 0) return {text, {}};
    const Section& s = p.sections[p.textSection];
    QString out;
    for (const Token& t : s.tokens) {
        if (t.kind == Kind::Text)
            out += text;
        else if (t.kind == Kind::Literal)
            out += t.text;
    }
    return {out, s.color};
}

QString formatGeneral(double value, int width, const NumberSymbols& symbols) {
    if (!std::isfinite(value)) return QStringLiteral("#NUM!");
    if (value == 0) return QStringLiteral("0");
    const double a = std::fabs(value);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const Decimal exact = decompose(a);
    const int e = exact.point - 1;  // a = m * 10^e, 1 <= m < 10

    auto fixed = [&](int decimals) -> std::optional<QString> {
        const Fixed f = toFixed(a, decimals);
        const QByteArray frac = stripTrailingZeros(f.fraction);
        const QByteArray whole = f.whole.isEmpty() ? QByteArray("0") : f.whole;
        const qsizetype length = whole.size() + (frac.isEmpty() ? 0 : 1 + frac.size());
        if (length > width || (f.whole.isEmpty() && frac.isEmpty())) return std::nullopt;
        QString text = sign + QString::fromLatin1(whole);
        if (!frac.isEmpty()) text += symbols.decimal + QString::fromLatin1(frac);
        return text;
    };
    if (e >= 0 && e < width) {
        if (auto s = fixed(std::max(0, width - (e + 1) - 1))) return *s;
    } else if (e < 0) {
        // Small numbers stay fixed when they fit exactly, or when rounding to the width loses
        // no more digits than the scientific form would.
        QByteArray significant = exact.digits;
        while (significant.size() > 1 && significant.endsWith('0')) significant.chop(1);
        const int exactDecimals = -exact.point + int(significant.size());
        const int room = width - 2;  // "0."
        if (exactDecimals <= room || room - (-e - 1) >= width - 5) {
            if (auto s = fixed(room)) return *s;
        }
    }
    // Scientific: as many mantissa digits as the width leaves beside "E+dd".
    Decimal d = exact;
    int exponent = e;
    const int exponentDigits = std::abs(exponent) >= 100 ? 3 : 2;
    const int decimals = std::max(0, width - 4 - exponentDigits);
    roundDigits(d, decimals + 1);
    exponent = d.point - 1;
    QString mantissa = QString::fromLatin1(d.digits.left(1));
    const QByteArray rest = stripTrailingZeros(d.digits.mid(1));
    if (!rest.isEmpty()) mantissa += symbols.decimal + QString::fromLatin1(rest);
    const QString exponentText = QStringLiteral("%1").arg(
        std::abs(exponent), std::abs(exponent) >= 100 ? 3 : 2, 10, QChar('0'));
    return sign + mantissa +
           (exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+")) + exponentText;
}

QColor legacyPalette(int number) {
    return legacyPaletteColor(std::clamp(number, 1, 56));
}

}  // namespace engine
