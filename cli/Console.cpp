#include "cli/Commands.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

Console::Console(bool quiet) : m_quiet(quiet), m_terminal(::isatty(STDERR_FILENO) == 1) {}

Console::~Console() {
    progress(QString());
}

void Console::result(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void Console::notice(const QString& line) {
    if (m_quiet) return;
    progress(QString());
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void Console::progress(const QString& line) {
    if (m_quiet || !m_terminal) return;
    if (line.isEmpty() && !m_progressShown) return;
    // Carriage return, the line, and erase to its end: the next progress line overwrites it.
    std::fprintf(stderr, "\r%s\033[K", line.toLocal8Bit().constData());
    std::fflush(stderr);
    m_progressShown = !line.isEmpty();
}

}  // namespace cli
