#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace bench {

// A 20 ms timer on the event loop that keeps the longest time between two of its ticks: how
// long the window went without servicing events while it ran.
class Heartbeat {
public:
    Heartbeat() {
        m_timer.setInterval(20);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        m_longestNs = 0;
        m_clock.start();
        m_timer.start();
    }
    // Stops and counts the stretch since the last tick too.
    double stop() {
        tick();
        m_timer.stop();
        return double(m_longestNs) / 1e6;
    }

private:
    void tick() {
        m_longestNs = std::max(m_longestNs, m_clock.nsecsElapsed());
        m_clock.restart();
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longestNs = 0;
};

// The process's peak resident memory: reset, then read (Linux /proc).
inline void resetPeakMemory() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly)) file.write("5");
}

inline double peakMemoryMiB() {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

}  // namespace bench
