#include "SkinFramework.h"

#include "platform/Failure.h"

#include <QFile>
#include <QWidget>

namespace app {

namespace {

[[noreturn]] void refuse(const QString& what) { throw platform::Failure(what); }

QString unknownMember(int dispatchId) {
    return QStringLiteral("SkinFramework: no member with dispatch number %1").arg(dispatchId);
}

}  // namespace

QVariant SkinFramework::invoke(int dispatchId, const QVariantList& arguments) {
    switch (dispatchId) {
        case kLoadSkin:
            if (arguments.isEmpty()) refuse(QStringLiteral("SkinFramework.LoadSkin: no file"));
            loadSkin(arguments.at(0).toString());
            return {};
        case kApplyWindow: {
            bool ok = false;
            const qint32 handle = arguments.isEmpty() ? 0 : arguments.at(0).toInt(&ok);
            if (!ok) refuse(QStringLiteral("SkinFramework.ApplyWindow: no window handle"));
            applyWindow(handle);
            return {};
        }
        default:
            refuse(unknownMember(dispatchId));
    }
}

QVariant SkinFramework::property(int dispatchId) const {
    switch (dispatchId) {
        case kOptions: return m_options;
        case kEnabled: return m_enabled;
        case kRepaint: return m_repaint;
        default: refuse(unknownMember(dispatchId));
    }
}

void SkinFramework::setProperty(int dispatchId, const QVariant& value) {
    switch (dispatchId) {
        case kOptions: m_options = value.toInt(); return;
        case kEnabled: m_enabled = value.toBool(); return;
        case kRepaint: m_repaint = value.toBool(); return;
        default: refuse(unknownMember(dispatchId));
    }
}

void SkinFramework::loadSkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(QStringLiteral("%1: skin file cannot be read (%2)").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        refuse(QStringLiteral("%1: skin file cannot be read (%2)").arg(path, file.errorString()));
    }
    m_styleSheet = QString::fromUtf8(bytes);
    m_loaded = true;
}

void SkinFramework::applyWindow(qint32 handle) {
    if (!m_loaded) refuse(QStringLiteral("SkinFramework.ApplyWindow: no skin loaded"));
    QWidget* window = QWidget::find(static_cast<WId>(static_cast<quint32>(handle)));
    if (!window) {
        refuse(QStringLiteral("SkinFramework.ApplyWindow: no window with handle %1").arg(handle));
    }
    if (!m_enabled) return;
    window->setStyleSheet(m_styleSheet);
    if (m_repaint) window->update();
}

}  // namespace app
