#include "Conversions.h"

#include "platform/Failure.h"

#include <cfenv>
#include <cmath>
#include <optional>

namespace transfer {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Parses numeric text into a plain C-locale number string ("-1234.5e3"), or nothing when the
// text is not numeric.
std::optional<QByteArray> normalised(const QString& text, const QLocale& locale) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) ++begin;
    while (end > begin && isBlank(text.at(end - 1))) --end;

    const QString decimal = locale.decimalPoint();
    QString group = locale.groupSeparator();
    if (group == QLatin1String(".") || group == decimal) group.clear();

    QByteArray out;
    qsizetype at = begin;
    auto startsWith = [&](const QString& piece) {
        return !piece.isEmpty() && QStringView(text).mid(at, end - at).startsWith(piece);
    };
    auto isDigit = [&](qsizetype i) {
        return i < end && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9');
    };

    if (at < end && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-'))) {
        out.append(text.at(at).toLatin1());
        ++at;
    }
    int digits = 0;
    while (at < end) {
        if (isDigit(at)) {
            out.append(text.at(at).toLatin1());
            ++digits;
            ++at;
        } else if (digits > 0 && startsWith(group) && isDigit(at + group.size())) {
            at += group.size();
        } else {
            break;
        }
    }
    if (startsWith(decimal) || (at < end && text.at(at) == QLatin1Char('.'))) {
        at += startsWith(decimal) ? decimal.size() : 1;
        out.append('.');
        while (isDigit(at)) {
            out.append(text.at(at).toLatin1());
            ++digits;
            ++at;
        }
    }
    if (digits == 0) return std::nullopt;
    if (at < end && (text.at(at) == QLatin1Char('e') || text.at(at) == QLatin1Char('E'))) {
        out.append('e');
        ++at;
        if (at < end && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-'))) {
            out.append(text.at(at).toLatin1());
            ++at;
        }
        if (!isDigit(at)) return std::nullopt;
        while (isDigit(at)) {
            out.append(text.at(at).toLatin1());
            ++at;
        }
    }
    if (at != end) return std::nullopt;
    return out;
}

}  // namespace

bool isNumeric(const QString& text, const QLocale& locale) {
    return normalised(text, locale).has_value();
}

qint16 toInteger16(double value) {
    if (!std::isfinite(value)) throw platform::Failure(platform::runtime::kOverflow);
    // Round to nearest with ties to even, whatever rounding mode the process was left in.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    if (rounded < -32768.0 || rounded > 32767.0) {
        throw platform::Failure(platform::runtime::kOverflow);
    }
    return static_cast<qint16>(rounded);
}

qint16 toInteger16(const QString& text, const QLocale& locale) {
    const auto number = normalised(text, locale);
    if (!number) throw platform::Failure(platform::runtime::kTypeMismatch);
    // strtod in the C locale: the normalised text uses "." whatever the process locale says.
    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(*number), &ok);
    if (!ok) {
        // QLocale refuses values beyond the range of double; they are numeric but too large.
        throw platform::Failure(platform::runtime::kOverflow);
    }
    return toInteger16(value);
}

}  // namespace transfer
