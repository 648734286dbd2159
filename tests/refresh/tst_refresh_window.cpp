// Charts > Update Charts From Workbooks in the presentation window: a missing workbook is asked
// for once for all its charts, every chart's result is listed, and the file changes only when
// the presentation is saved.

#include "tests/cli/CliProcess.h"
#include "tests/support/FakeDialogs.h"

#include "engine/presentation/Presentation.h"
#include "office/ServerRegistry.h"
#include "servers/presentation/ChartRefreshDialog.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using office::msoFalse;
using office::msoTrue;

namespace {

void writeWorkbook(const QString& state, const QString& folder) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT) + QStringLiteral("/tools/make-refresh-workbooks.py"), state, folder});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) qFatal("make-refresh-workbooks.py failed");
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class RefreshWindowTest : public QObject {
    Q_OBJECT
    testsupport::FakeDialogs m_dialogs;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        servers::registerPresentationServer(m_dialogs);
    }

    void updateAsksOnceForAMovedWorkbookListsEveryChartAndChangesTheFileOnSave() {
        QTemporaryDir first, second;
        writeWorkbook(QStringLiteral("base"), first.path());
        const QString deckPath = first.filePath(QStringLiteral("deck.pptx"));
        QCOMPARE(clitest::runCli({QStringLiteral("copy"), first.filePath(QStringLiteral("sales.xlsx")), QStringLiteral("--output"), deckPath})
                     .status,
                 0);
        // The workbook moves away from the deck and changes there.
        QVERIFY(QFile::remove(first.filePath(QStringLiteral("sales.xlsx"))));
        writeWorkbook(QStringLiteral("values"), second.path());
        const QString moved = second.filePath(QStringLiteral("sales.xlsx"));
        const QByteArray onDisk = fileHash(deckPath);

        auto app = office::createObject<office::PptApplication>(office::kPowerPointProgId);
        app->setVisible(msoTrue);
        app->Presentations()->Open(deckPath, msoFalse, msoFalse, msoTrue);
        servers::PresentationWindow* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* pw = qobject_cast<servers::PresentationWindow*>(w)) window = pw;
        QVERIFY(window);
        QCOMPARE(window->updateChartsAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+U")));

        m_dialogs.clear();
        m_dialogs.openAnswers = {moved};
        window->updateChartsAction()->trigger();
        QCOMPARE(m_dialogs.calls.size(), 1);
        QCOMPARE(m_dialogs.calls[0].kind, testsupport::FakeDialogs::Kind::OpenFile);
        QCOMPARE(m_dialogs.calls[0].fileName, QStringLiteral("sales.xlsx"));

        auto* dialog = window->findChild<servers::ChartRefreshDialog*>();
        QVERIFY(dialog);
        QTreeWidget* list = dialog->resultList();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Revenue"));
        QVERIFY2(list->topLevelItem(0)->text(3).startsWith(QStringLiteral("8 values")), qPrintable(list->topLevelItem(0)->text(3)));
        QVERIFY2(list->topLevelItem(1)->text(3).startsWith(QStringLiteral("4 values")), qPrintable(list->topLevelItem(1)->text(3)));
        QVERIFY(dialog->summary().startsWith(QStringLiteral("2 updated, 0 unchanged, 0 not updated.")));
        dialog->close();

        QVERIFY(window->document().isModified());
        QCOMPARE(fileHash(deckPath), onDisk);
        window->saveAction()->trigger();
        QVERIFY(!window->document().isModified());
        const auto frames = engine::Presentation::open(deckPath).chartFrames();
        QCOMPARE(frames[0].provenance->workbook, moved);
        QCOMPARE(engine::Presentation::open(deckPath).chartModel(frames[0].chartPart).allSeries()[0]->valueData()->numbers->points[0].value,
                 241.0);
        window->close();
    }
};

QTEST_MAIN(RefreshWindowTest)
#include "tst_refresh_window.moc"
