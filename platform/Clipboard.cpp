#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

namespace platform {

namespace {

int g_privateScopes = 0;
std::unique_ptr<QMimeData> g_privateData;

QClipboard* systemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

}  // namespace

bool clipboardAvailable() { return g_privateScopes > 0 || systemClipboard(); }

const QMimeData* clipboardData() {
    if (g_privateScopes > 0) return g_privateData.get();
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

void setClipboardData(QMimeData* data) {
    std::unique_ptr<QMimeData> owned(data);
    if (g_privateScopes > 0) {
        g_privateData = std::move(owned);
        return;
    }
    if (QClipboard* clipboard = systemClipboard()) clipboard->setMimeData(owned.release());
}

PrivateClipboard::PrivateClipboard() {
    if (g_privateScopes++ == 0) g_privateData.reset();
}

PrivateClipboard::~PrivateClipboard() {
    if (--g_privateScopes == 0) g_privateData.reset();
}

}  // namespace platform
