#include "FakeServices.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace testsupport {

namespace {
constexpr double kDay = 86400.0;
}

double FakeClock::wrap(double seconds) {
    double value = std::fmod(seconds, kDay);
    if (value < 0) value += kDay;
    return value;
}

float FakeClock::secondsSinceMidnight() {
    const float reading = static_cast<float>(m_now);
    ++m_readings;
    if (m_step != 0.0) {
        m_now = wrap(m_now + m_step);
        m_elapsed += m_step;
    }
    return reading;
}

void FakeEvents::processEvents() {
    ++m_processCalls;
    if (onService) onService();
}

void FakeEvents::waitForEvents(int maxMilliseconds) {
    ++m_waitCalls;
    m_longestWait = std::max(m_longestWait, maxMilliseconds);
    if (m_clock && maxMilliseconds > 0) m_clock->advance(maxMilliseconds / 1000.0);
    if (onService) onService();
}

bool FakeFiles::lastModified(const QString& path, QDateTime* when) {
    queried.append(path);
    const auto it = m_entries.constFind(path);
    if (it == m_entries.constEnd()) return false;
    if (when) *when = it->modified;
    return true;
}

int FakeFiles::countMatchingFiles(const QString& pattern) {
    const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
    const QString folder = pattern.left(slash + 1);
    const QString name = pattern.mid(slash + 1);
    if (name.isEmpty()) return 0;
    QString expression;
    for (const QChar c : name) {
        if (c == QLatin1Char('*')) expression += QStringLiteral(".*");
        else if (c == QLatin1Char('?')) expression += QLatin1Char('.');
        else expression += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression matcher(QRegularExpression::anchoredPattern(expression));
    int count = 0;
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        if (it->folder) continue;
        const QString& path = it.key();
        const qsizetype last = path.lastIndexOf(QLatin1Char('/'));
        if (path.left(last + 1) != folder) continue;
        const QString entry = path.mid(last + 1);
        if (entry.startsWith(QLatin1Char('.'))) continue;
        if (matcher.match(entry).hasMatch()) ++count;
    }
    return count;
}

void FakeFiles::addFile(const QString& path, const QDateTime& modified) {
    m_entries.insert(path, {modified, false});
}

void FakeFiles::addFolder(const QString& path) {
    m_entries.insert(path, {QDateTime(QDate(2021, 8, 31), QTime(12, 0)), true});
}

}  // namespace testsupport
