#include "ProgressText.h"

#include <QProgressBar>

namespace transfer {

namespace {
constexpr QChar kWordJoiner(0x2060);
}

void setProgressText(QProgressBar* bar, const QString& text) {
    QString format;
    format.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        format.append(text.at(i));
        if (text.at(i) == QLatin1Char('%') && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            if (next == QLatin1Char('p') || next == QLatin1Char('v') || next == QLatin1Char('m')) {
                format.append(kWordJoiner);
            }
        }
    }
    bar->setFormat(format);
}

QString progressText(const QProgressBar* bar) {
    QString shown = bar->text();
    shown.remove(kWordJoiner);
    return shown;
}

}  // namespace transfer
