// Part names and relationship targets: the naming rules of the package layer, no I/O.
#include "Package.h"

#include <QStringList>
#include <QVarLengthArray>

namespace engine {

namespace {
QString located(const QString& file, const QString& part, const QString& what) {
    return part.isEmpty() ? file + QStringLiteral(": ") + what
                          : file + QStringLiteral(": ") + zipEntryFromPartName(part) +
                                QStringLiteral(": ") + what;
}
}  // namespace

DocumentError::DocumentError(Kind kind, const QString& file, const QString& part, const QString& what)
    : DocumentError(kind, located(file, part, what)) {}

DocumentError::DocumentError(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message) {}

QString partNameFromZipEntry(const QString& entry) {
    return entry.startsWith(u'/') ? entry : QStringLiteral("/") + entry;
}

QString zipEntryFromPartName(const QString& partName) {
    return partName.startsWith(u'/') ? partName.mid(1) : partName;
}

bool isValidPartName(const QString& name) {
    if (name.size() < 2 || !name.startsWith(u'/') || name.endsWith(u'/')) return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c == u'\\' || c == QChar(0x7f)) return false;
    }
    if (name.contains(QLatin1String("%2f"), Qt::CaseInsensitive) ||
        name.contains(QLatin1String("%5c"), Qt::CaseInsensitive)) {
        return false;
    }
    const QStringList segments = name.mid(1).split(u'/');
    for (const QString& segment : segments) {
        if (segment.isEmpty() || segment.endsWith(u'.')) return false;  // also "." and ".."
    }
    return true;
}

QString partFolder(const QString& partName) {
    const qsizetype slash = partName.lastIndexOf(u'/');
    if (slash <= 0) return QStringLiteral("/");
    return partName.left(slash);
}

namespace {

// The absolute part name of path ("/"-separated, "." and ".." folded, empty segments dropped);
// "" when ".." climbs above the root or nothing is left. Works on views of path: every
// relationship read resolves its target here.
QString normalise(QStringView path) {
    QVarLengthArray<QStringView, 16> out;
    for (const QStringView segment : path.tokenize(u'/')) {
        if (segment.isEmpty() || segment == u".") continue;
        if (segment == u"..") {
            if (out.isEmpty()) return QString();
            out.removeLast();
            continue;
        }
        out.append(segment);
    }
    if (out.isEmpty()) return QString();
    qsizetype length = 0;
    for (const QStringView segment : out) length += segment.size() + 1;
    QString name;
    name.reserve(length);
    for (const QStringView segment : out) {
        name += u'/';
        name += segment;
    }
    return name;
}

// True when path is absolute and has nothing to fold: no empty, "." or ".." segment and no
// trailing "/". Such a path is its own part name, as nearly every relationship target is once
// joined to its folder.
bool isFolded(QStringView path) {
    if (path.size() < 2 || path.front() != u'/' || path.back() == u'/') return false;
    qsizetype start = 1;
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != u'/') continue;
        const QStringView segment = path.mid(start, i - start);
        if (segment.isEmpty() || segment == u"." || segment == u"..") return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

QString resolvePartName(const QString& sourcePart, const QString& target) {
    QStringView t(target);
    const qsizetype hash = t.indexOf(u'#');
    if (hash >= 0) t.truncate(hash);
    if (t.isEmpty()) return QString();
    if (t.startsWith(u'/')) return isFolded(t) ? t.toString() : normalise(t);
    QString joined = sourcePart.isEmpty() ? QStringLiteral("/") : partFolder(sourcePart);
    joined += u'/';
    joined += t;
    return isFolded(joined) ? joined : normalise(joined);
}

QString relativeTarget(const QString& sourcePart, const QString& partName) {
    const QStringList from =
        (sourcePart.isEmpty() ? QStringLiteral("/") : partFolder(sourcePart))
            .split(u'/', Qt::SkipEmptyParts);
    const QStringList to = partName.split(u'/', Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < from.size() && common < to.size() - 1 &&
           from[common].compare(to[common], Qt::CaseInsensitive) == 0) {
        ++common;
    }
    QStringList parts;
    for (qsizetype i = common; i < from.size(); ++i) parts << QStringLiteral("..");
    for (qsizetype i = common; i < to.size(); ++i) parts << to[i];
    return parts.join(u'/');
}

QString relationshipsPartName(const QString& sourcePart) {
    if (sourcePart.isEmpty() || sourcePart == u'/') return QStringLiteral("/_rels/.rels");
    const qsizetype slash = sourcePart.lastIndexOf(u'/');
    return sourcePart.left(slash) + QStringLiteral("/_rels/") + sourcePart.mid(slash + 1) +
           QStringLiteral(".rels");
}

}  // namespace engine
