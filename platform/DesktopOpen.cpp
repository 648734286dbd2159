#include "platform/DesktopOpen.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

namespace platform {

namespace {

constexpr int kCascadeStep = 32;
constexpr int kQueryMilliseconds = 5000;

QPoint keptOnScreen(QPoint at, const QSize& size, const QRect& screen) {
    at.setX(std::max(screen.left(), std::min(at.x(), screen.right() + 1 - size.width())));
    at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() + 1 - size.height())));
    return at;
}

}  // namespace

DesktopOpenResult openWithDesktop(const QString& path, const QString& mimeType) {
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!query.isEmpty()) {
        QProcess process;
        process.start(query, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
        if (process.waitForFinished(kQueryMilliseconds) && process.exitStatus() == QProcess::NormalExit &&
            QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().isEmpty()) {
            return DesktopOpenResult::NoApplication;
        }
    } else if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
        // Neither the MIME database's tool nor the opener: nothing here opens documents.
        return DesktopOpenResult::NoApplication;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? DesktopOpenResult::Opened
                                                                 : DesktopOpenResult::Failed;
}

QPoint placeBeside(const QRect& keepClear, const QSize& size, const QRect& screen, const std::optional<QRect>& last) {
    const int top = std::max(screen.top(), std::min(keepClear.top(), screen.bottom() + 1 - size.height()));
    const QPoint right(keepClear.right() + 1, top);
    const QPoint left(keepClear.left() - size.width(), top);
    const bool rightFits = right.x() + size.width() <= screen.right() + 1;
    const bool leftFits = left.x() >= screen.left();
    std::optional<QPoint> beside;
    if (rightFits) beside = right;
    else if (leftFits) beside = left;
    if (beside && !(last && last->topLeft() == *beside)) return *beside;
    if (last) {
        QPoint next = last->topLeft() + QPoint(kCascadeStep, kCascadeStep);
        // Back to the top of the column when the cascade would leave the screen.
        if (next.y() + size.height() > screen.bottom() + 1) next.setY(beside ? beside->y() : screen.top());
        if (next.x() + size.width() > screen.right() + 1) next.setX(beside ? beside->x() : screen.left());
        return keptOnScreen(next, size, screen);
    }
    const int roomRight = screen.right() - keepClear.right();
    const int roomLeft = keepClear.left() - screen.left();
    const QPoint edge = roomRight >= roomLeft ? QPoint(screen.right() + 1 - size.width(), top) : QPoint(screen.left(), top);
    return keptOnScreen(edge, size, screen);
}

}  // namespace platform
