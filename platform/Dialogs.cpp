#include "Dialogs.h"

#include <QRegularExpression>
#include <QStringList>

namespace platform {

namespace {

// The patterns Qt would take from a filter entry: those in the last parenthesised group at its
// end, blank-separated. Empty when the description ends in no such group.
QString trailingPatterns(const QString& description) {
    static const QRegularExpression group(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const auto match = group.match(description);
    return match.hasMatch() ? match.captured(1).simplified() : QString();
}

// One pipe-form pattern as Qt patterns that match what the Windows dialog shows for it.
QStringList windowsMatchingPatterns(const QString& pattern) {
    QString caseless;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            caseless += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        } else {
            caseless += c;
        }
    }
    QStringList patterns{caseless};
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : pattern.mid(dot + 1);
    static const QRegularExpression wildcard(QStringLiteral("[*?\\[]"));
    if (extension.size() == 3 && !extension.contains(wildcard)) patterns << caseless + QStringLiteral("?*");
    return patterns;
}

}  // namespace

QString qtDialogFilterFromPipeFilter(const QString& pipeFilter) {
    QStringList parts = pipeFilter.split(QLatin1Char('|'));
    if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();

    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'))) {
            if (!pattern.trimmed().isEmpty()) patterns << windowsMatchingPatterns(pattern.trimmed());
        }
        if (patterns.isEmpty()) continue;
        entries << QStringLiteral("%1 (%2)").arg(parts.at(i).trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

QString qtFilterFromPipeFilter(const QString& pipeFilter) {
    QStringList parts = pipeFilter.split(QLatin1Char('|'));
    // The pipe form ends with a separator bar, which leaves one empty piece behind.
    if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();

    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'))) {
                if (!pattern.trimmed().isEmpty()) patterns << pattern.trimmed();
            }
        }
        // An entry without patterns (a description with no pattern piece after it) matches
        // nothing in the pipe form; it would match everything in Qt's, so it is left out.
        if (patterns.isEmpty()) continue;
        const QString joined = patterns.join(QLatin1Char(' '));
        // Qt matches the patterns named in the description's last brackets; when those are
        // not the entry's own patterns, the real ones are added so that Qt matches them.
        if (trailingPatterns(description) == joined) {
            entries << description;
        } else if (description.isEmpty()) {
            entries << QStringLiteral("(%1)").arg(joined);
        } else {
            entries << QStringLiteral("%1 (%2)").arg(description, joined);
        }
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace platform
