#include "ApplicationTitle.h"

namespace platform {

namespace {
QString& title() {
    static QString value = QStringLiteral("Quillmere");
    return value;
}
}  // namespace

QString applicationTitle() { return title(); }

void setApplicationTitle(const QString& value) { title() = value; }

}  // namespace platform
