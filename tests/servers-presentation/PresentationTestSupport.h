#pragma once

// What the tests of the presentation application share: its windows, the application object as
// the copy run creates it, and a chart of the fixture workbook on the clipboard as the
// spreadsheet application puts it there.

#include "Fixtures.h"

#include "engine/chartcopy/ChartPackage.h"
#include "office/PowerPoint.h"
#include "office/ServerRegistry.h"
#include "servers/presentation/PresentationWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace presentationtest {

inline QList<servers::PresentationWindow*> windows() {
    QList<servers::PresentationWindow*> result;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* pw = qobject_cast<servers::PresentationWindow*>(w)) result << pw;
    return result;
}

// Windows closed by the code under test are deleted later; this lets that happen now.
inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline std::shared_ptr<office::PptApplication> createPowerPoint() {
    return office::createObject<office::PptApplication>(office::kPowerPointProgId);
}

inline void putChartOnClipboard(int chartNumber, const QString& name) {
    auto* data = new QMimeData;
    data->setData(engine::kChartPackageMime,
                  engine::chartPackageToBytes(
                      fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", chartNumber, name)));
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace presentationtest
