// Files handed to the program: the command line (files named absolutely, --help and --version
// found before Qt's options are taken), a workbook named at start or dropped on the window
// listed at once, a presentation chosen as the existing target, other files and drops during a
// busy run refused; and the installed data folder found when nothing lies beside the executable.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "platform/ChartList.h"
#include "platform/FormControls.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "platform/Shutdown.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GeneratedFiles.h"
#include "tests/support/TestSettings.h"

namespace {

QString workbook() {
    return testsupport::generatedFile(QStringLiteral("make-chart-workbooks.py"), {},
                                      QStringLiteral("several.xlsx"));
}

// A drop of the given files on the form, as the window system delivers it; whether the drag
// was accepted on entering and whether the drop was.
struct DropResult {
    bool entered = false;
    bool dropped = false;
};

DropResult drop(QWidget* form, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint at = form->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &enter);
    DropResult result;
    result.entered = enter.isAccepted();
    if (!result.entered) return result;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &dropped);
    result.dropped = dropped.isAccepted();
    return result;
}

}  // namespace

class FilesInTest : public QObject {
    Q_OBJECT
    testsupport::FakeDialogs m_dialogs;
    testsupport::FakeClock m_clock;
    testsupport::FakeEvents m_events{&m_clock};
    std::unique_ptr<app::Form1> m_form;

    int listed() const { return platform::ChartList(m_form->ListView1()).count(); }

  private slots:
    void initTestCase() {
        testsupport::useEmptyTestSettings();
        servers::registerSpreadsheetServer();
    }

    void init() {
        platform::resetMainWindowClosedForTests();
        m_dialogs.calls.clear();
        m_form =
            std::make_unique<app::Form1>(m_dialogs, platform::systemFiles(), m_clock, m_events);
        QVERIFY(m_form->Form_Load());
        m_form->showCentered();
    }

    void cleanup() { m_form.reset(); }

    void commandLineNamesFilesAbsolutelyAndAnswersHelpFirst() {
        const app::CommandLine line = app::parseCommandLine(
            {QStringLiteral("quillmere"), QStringLiteral("book.xlsx"), QStringLiteral("--"),
             QStringLiteral("-odd.pptx"), QStringLiteral("file:///tmp/a%20b.xls")});
        QCOMPARE(line.action, app::CommandLine::Action::Run);
        QCOMPARE(line.files,
                 (QStringList{QDir::current().absoluteFilePath(QStringLiteral("book.xlsx")),
                              QDir::current().absoluteFilePath(QStringLiteral("-odd.pptx")),
                              QStringLiteral("/tmp/a b.xls")}));
        const app::CommandLine wrong = app::parseCommandLine(
            {QStringLiteral("quillmere"), QStringLiteral("--verbose"), QStringLiteral("b.xlsx")});
        QCOMPARE(wrong.action, app::CommandLine::Action::Error);
        QVERIFY(wrong.error.contains(QStringLiteral("--verbose")));

        char program[] = "quillmere", style[] = "-style", fusion[] = "Fusion",
             version[] = "--version", help[] = "-h", dashes[] = "--";
        char* withVersion[] = {program, style, fusion, version};
        QCOMPARE(app::earlyAction(4, withVersion), app::CommandLine::Action::Version);
        char* withHelp[] = {program, help};
        QCOMPARE(app::earlyAction(2, withHelp), app::CommandLine::Action::Help);
        char* fileNamedLikeAnOption[] = {program, dashes, version};
        QCOMPARE(app::earlyAction(3, fileNamedLikeAnOption), app::CommandLine::Action::Run);
    }

    void workbookNamedAtStartIsListed() {
        QVERIFY(m_form->openFiles(
            app::parseCommandLine({QStringLiteral("quillmere"), workbook()}).files));
        QCOMPARE(m_form->Text1()->text(), workbook());
        QCOMPARE(listed(), 5);
        QCOMPARE(platform::ReadSetting(QStringLiteral("Excel File")), workbook());
        QVERIFY(m_dialogs.calls.isEmpty());
    }

    void droppedWorkbookIsListed() {
        const DropResult result = drop(m_form.get(), {workbook()});
        QVERIFY(result.entered);
        QVERIFY(result.dropped);
        QCOMPARE(m_form->Text1()->text(), workbook());
        QCOMPARE(listed(), 5);
    }

    void droppedPresentationIsChosenAsTheExistingOne() {
        const QString deck = QDir::temp().filePath(QStringLiteral("Monthly Deck.PPTX"));
        QVERIFY(m_form->Option1()->isChecked());
        const DropResult result = drop(m_form.get(), {deck});
        QVERIFY(result.dropped);
        QCOMPARE(m_form->Text2()->text(), deck);
        QVERIFY(m_form->Option2()->isChecked());
        QVERIFY(!m_form->Option1()->isChecked());
        // Stored as a typed path and a clicked option would be.
        QCOMPARE(platform::ReadSetting(QStringLiteral("PowerPoint File")), deck);
        QCOMPARE(platform::settingAsBoolean(platform::ReadSetting(QStringLiteral("Option2"))),
                 true);
        QCOMPARE(listed(), 0);
    }

    void otherFilesAndDropsDuringABusyRunAreRefused() {
        m_form->Text1()->setText(QStringLiteral("kept.xlsx"));
        QVERIFY(!drop(m_form.get(), {QDir::temp().filePath(QStringLiteral("notes.txt"))}).entered);
        QVERIFY(!m_form->openFiles({QStringLiteral("/tmp/notes.txt")}));

        m_form->setMousePointer(platform::pointer::kHourglass);
        QVERIFY(!drop(m_form.get(), {workbook()}).entered);
        QVERIFY(!m_form->openFiles({workbook()}));
        QCOMPARE(m_form->Text1()->text(), QStringLiteral("kept.xlsx"));
        QCOMPARE(listed(), 0);
    }

    void fileBesideTheExecutableComesFirstThenTheDataFolder() {
        platform::Files& files = platform::systemFiles();
        // The build puts the cursor beside the executables; it wins over an installed copy.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/quillmere");
        QVERIFY(QDir().mkpath(data + QStringLiteral("/x")));
        for (const char* name : {"/HAND-M.CUR", "/x/o.cjs"}) {
            QFile file(data + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(files.programFile(QStringLiteral("/HAND-M.CUR")),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/HAND-M.CUR"));
        // No skin lies beside the executables: the data folder's is found.
        QVERIFY(
            !QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/x/o.cjs")));
        QCOMPARE(files.programFile(QStringLiteral("/x/o.cjs")), data + QStringLiteral("/x/o.cjs"));
        // In neither: the path beside the executable, which counts as missing.
        QCOMPARE(files.programFile(QStringLiteral("/Samples/none.xls")),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/none.xls"));
    }
};

QTEST_MAIN(FilesInTest)
#include "tst_files_in.moc"
