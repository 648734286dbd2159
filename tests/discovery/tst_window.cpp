// The chart commands end to end: the main window's buttons clicked, the built-in spreadsheet
// application opening workbooks that the test generates (real charts by XlsxWriter), the real
// file system for Find's existence test, and scripted dialogs. Also the sample workbook that a
// fresh build puts beside the executable.

#include "app/Form1.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Services.h"
#include "platform/Shutdown.h"
#include "SpreadsheetServer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeZip(const QString& path, const QList<QPair<QString, QByteArray>>& entries) {
    QProcess zip;
    QStringList args{QStringLiteral("-c"),
                     QStringLiteral("import sys, zipfile\n"
                                    "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
                                    "for i in range(2, len(sys.argv), 2): z.writestr(sys.argv[i], sys.argv[i + 1])\n"
                                    "z.close()"),
                     path};
    for (const auto& [name, bytes] : entries) args << name << QString::fromUtf8(bytes);
    zip.start(QStringLiteral("/usr/bin/python3"), args);
    return zip.waitForFinished(60000) && zip.exitCode() == 0;
}

// A workbook saved with a password to open, as the office applications store one: a compound
// file of the encryption's description and the encrypted package (here random bytes).
bool writeEncryptedWorkbook(const QString& path) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!file) return false;
    GsfOutfile* compound = gsf_outfile_msole_new(file);
    bool ok = true;
    for (const char* name : {"EncryptionInfo", "EncryptedPackage"}) {
        GsfOutput* stream = gsf_outfile_new_child(compound, name, FALSE);
        const QByteArray bytes(4096, '\x5a');
        ok = ok && gsf_output_write(stream, size_t(bytes.size()), reinterpret_cast<const guint8*>(bytes.constData()));
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    // Closing the compound file closes the file under it.
    ok = gsf_output_close(GSF_OUTPUT(compound)) && ok;
    g_object_unref(compound);
    g_object_unref(file);
    return ok;
}

const QByteArray contentTypesOf(const char* mainType) {
    return QByteArray("<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                      "<Override PartName=\"/word/document.xml\" ContentType=\"") +
           mainType + "\"/></Types>";
}

const QString kNoCharts = QStringLiteral("No charts found within file.");
const QString kErrorTitle = QStringLiteral("Application Error");

bool excelRunning() {
    return office::ServerRegistry::instance().isRunning(QString::fromLatin1(office::kExcelProgId));
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void findListsEveryWorksheetChartCheckedAndNoChartSheet();
    void findTwiceListsEachChartOnce();
    void findWhileBusyAddsAfterTheRowsAlreadyThere();
    void checkAllUncheckAllAndClearFileKeepRows();
    void browseFillsTheBoxAndCancelKeepsIt();
    void findWithoutAUsableFileEmptiesTheListSilently_data();
    void findWithoutAUsableFileEmptiesTheListSilently();
    void workbookWithoutWorksheetChartsEndsWithNoticeAfterQuit_data();
    void workbookWithoutWorksheetChartsEndsWithNoticeAfterQuit();
    void faultyWorkbookGivesOneReportNamingItAndDiscoveryEnds_data();
    void faultyWorkbookGivesOneReportNamingItAndDiscoveryEnds();
    void userCausedFailuresSayWhatIsWrongAndChangeNothing_data();
    void userCausedFailuresSayWhatIsWrongAndChangeNothing();
    void unreadableFileSaysSoAndChangesNothing();
    void loadSampleThenFindListsTheSampleCharts();

private:
    // The one report Find gives for a file, and whether the file is as it was.
    QString reportFor(const QString& path);
    QString book(const QString& name) const { return m_books.filePath(name); }
    QPushButton* button(int number) { return m_form->PushButton(number); }
    QStringList rows();
    QList<testsupport::FakeDialogs::Call> errorBoxes() const;

    QTemporaryDir m_books;
    testsupport::FakeDialogs m_dialogs;
    testsupport::FakeClock m_clock;
    testsupport::FakeEvents m_events{&m_clock};
    std::unique_ptr<app::Form1> m_form;
};

void WindowTest::initTestCase() {
    testsupport::useEmptyTestSettings();
    QVERIFY(m_books.isValid());
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    QVERIFY2(!source.isEmpty(), "QUILLMERE_SOURCE_DIR is not set");
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"),
               {source + QStringLiteral("/tools/make-chart-workbooks.py"), m_books.path()});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0,
             make.readAllStandardError().constData());
    chartstest::registerSpreadsheetServer();
}

void WindowTest::init() {
    platform::resetMainWindowClosedForTests();
    m_dialogs.calls.clear();
    m_dialogs.onShow = nullptr;
    m_form = std::make_unique<app::Form1>(m_dialogs, platform::systemFiles(), m_clock, m_events);
    QVERIFY(m_form->Form_Load());
    m_dialogs.calls.clear();  // whatever start-up showed is not this test's business
}

void WindowTest::cleanup() {
    m_form.reset();
    QVERIFY(!excelRunning());
}

QStringList WindowTest::rows() {
    QStringList all;
    platform::ChartList list(m_form->ListView1());
    for (int i = 1; i <= list.count(); ++i) {
        all.append(list.sheetName(i) + QLatin1Char('|') + list.chartName(i) + QLatin1Char('|') +
                   list.chartIndex(i) + QLatin1Char('|') +
                   (list.checked(i) ? QLatin1Char('1') : QLatin1Char('0')));
    }
    return all;
}

QList<testsupport::FakeDialogs::Call> WindowTest::errorBoxes() const {
    QList<testsupport::FakeDialogs::Call> boxes;
    for (const auto& box : m_dialogs.messageBoxes()) {
        if (box.title == kErrorTitle) boxes.append(box);
    }
    return boxes;
}

namespace {
const QStringList kSeveralRows = {
    QStringLiteral("Summary|Summary Totals|1|1"),
    QStringLiteral("Summary|Summary Twin|2|1"),
    QStringLiteral("Summary|Summary Twin|3|1"),
    QStringLiteral("Q1 'Nord' Übersicht|Q1 'Nord' Übersicht Anteile|1|1"),
    QStringLiteral("Hidden Data|Hidden Data Hidden Chart|1|1"),
};
}  // namespace

void WindowTest::findListsEveryWorksheetChartCheckedAndNoChartSheet() {
    m_form->Text1()->setText(book(QStringLiteral("several.xlsx")));
    button(4)->click();
    QCOMPARE(rows(), kSeveralRows);
    QVERIFY(m_dialogs.messageBoxes().isEmpty());
    QCOMPARE(m_form->MousePointer(), platform::pointer::kDefault);
    QVERIFY(!excelRunning());
}

void WindowTest::findTwiceListsEachChartOnce() {
    m_form->Text1()->setText(book(QStringLiteral("several.xlsx")));
    button(4)->click();
    platform::ChartList(m_form->ListView1()).setChecked(2, false);
    button(4)->click();
    QCOMPARE(rows(), kSeveralRows);
}

void WindowTest::findWhileBusyAddsAfterTheRowsAlreadyThere() {
    m_form->Text1()->setText(book(QStringLiteral("several.xlsx")));
    button(4)->click();
    platform::ChartList(m_form->ListView1()).setChecked(1, false);
    // The hourglass of a copy run in progress: Find then keeps the rows and adds after them.
    m_form->setMousePointer(platform::pointer::kHourglass);
    button(4)->click();
    QStringList expected = kSeveralRows;
    expected[0].chop(1);
    expected[0] += QLatin1Char('0');
    expected += kSeveralRows;
    QCOMPARE(rows(), expected);
    QCOMPARE(m_form->MousePointer(), platform::pointer::kDefault);
}

void WindowTest::checkAllUncheckAllAndClearFileKeepRows() {
    const QString path = book(QStringLiteral("several.xlsx"));
    m_form->Text1()->setText(path);
    button(4)->click();
    platform::ChartList list(m_form->ListView1());
    QCOMPARE(list.count(), 5);
    list.setChecked(3, false);

    button(7)->click();  // Uncheck All
    for (int i = 1; i <= list.count(); ++i) QVERIFY(!list.checked(i));
    list.setChecked(4, true);
    button(9)->click();  // Check All
    for (int i = 1; i <= list.count(); ++i) QVERIFY(list.checked(i));

    button(6)->click();  // Clear File
    QCOMPARE(m_form->Text1()->text(), QString());
    QCOMPARE(rows(), kSeveralRows);
    QVERIFY(m_dialogs.messageBoxes().isEmpty());
}

void WindowTest::browseFillsTheBoxAndCancelKeepsIt() {
    const QString chosen = book(QStringLiteral("nocharts.xlsx"));
    m_form->Text1()->setText(QStringLiteral("/before/browse.xlsx"));
    m_dialogs.openAnswers.push_back(chosen);
    button(1)->click();
    QCOMPARE(m_form->Text1()->text(), chosen);
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.first().filter, QStringLiteral("Excel Files (*.xl*)|*.xl*|"));
    QCOMPARE(m_dialogs.calls.first().title,
             QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));

    button(1)->click();  // cancelled: the script has no answer left
    QCOMPARE(m_form->Text1()->text(), chosen);
    QVERIFY(m_dialogs.messageBoxes().isEmpty());
}

void WindowTest::findWithoutAUsableFileEmptiesTheListSilently_data() {
    QTest::addColumn<QString>("name");  // empty: the box itself is given below
    QTest::addColumn<QString>("box");
    QTest::newRow("empty box") << QString() << QString();
    QTest::newRow("blank box") << QString() << QStringLiteral("   ");
    QTest::newRow("missing file") << QStringLiteral("no such workbook.xlsx") << QString();
    QTest::newRow("hidden file") << QStringLiteral(".hidden.xlsx") << QString();
    QTest::newRow("folder") << QStringLiteral("folder.xlsx") << QString();
}

void WindowTest::findWithoutAUsableFileEmptiesTheListSilently() {
    QFETCH(QString, name);
    QFETCH(QString, box);
    QFile::copy(book(QStringLiteral("several.xlsx")), book(QStringLiteral(".hidden.xlsx")));
    QDir(m_books.path()).mkpath(QStringLiteral("folder.xlsx"));

    m_form->Text1()->setText(book(QStringLiteral("several.xlsx")));
    button(4)->click();
    QCOMPARE(platform::ChartList(m_form->ListView1()).count(), 5);

    m_form->Text1()->setText(name.isEmpty() ? box : book(name));
    m_form->setMousePointer(platform::pointer::kDefault);
    button(4)->click();
    QCOMPARE(platform::ChartList(m_form->ListView1()).count(), 0);
    // Discovery did not run: on any of these paths it would have shown an error report or
    // the no-charts notice, and on the hidden copy it would have listed its charts.
    QVERIFY(m_dialogs.messageBoxes().isEmpty());
}

void WindowTest::workbookWithoutWorksheetChartsEndsWithNoticeAfterQuit_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("no charts at all") << QStringLiteral("nocharts.xlsx");
    QTest::newRow("only a chart sheet") << QStringLiteral("chartsheet.xlsx");
}

void WindowTest::workbookWithoutWorksheetChartsEndsWithNoticeAfterQuit() {
    QFETCH(QString, name);
    bool runningWhenShown = true;
    int pointerWhenShown = -1;
    m_dialogs.onShow = [&](const testsupport::FakeDialogs::Call&) {
        runningWhenShown = excelRunning();
        pointerWhenShown = m_form->MousePointer();
    };
    m_form->Text1()->setText(book(name));
    button(4)->click();

    QCOMPARE(platform::ChartList(m_form->ListView1()).count(), 0);
    QCOMPARE(m_dialogs.messageTexts(), QStringList({kNoCharts}));
    QCOMPARE(m_dialogs.messageBoxes().first().style, 0);
    QCOMPARE(m_dialogs.messageBoxes().first().title, QString());
    QVERIFY(!runningWhenShown);
    QCOMPARE(pointerWhenShown, platform::pointer::kDefault);
}

void WindowTest::faultyWorkbookGivesOneReportNamingItAndDiscoveryEnds_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("not a zip") << QStringLiteral("notazip.xlsx");
    QTest::newRow("truncated zip") << QStringLiteral("truncated.xlsx");
    QTest::newRow("no workbook part") << QStringLiteral("noworkbook.xlsx");
    QTest::newRow("dangling relationship") << QStringLiteral("dangling.xlsx");
    QTest::newRow("malformed drawing") << QStringLiteral("badxml.xlsx");
    QTest::newRow("zip bomb") << QStringLiteral("zipbomb.xlsx");
}

void WindowTest::faultyWorkbookGivesOneReportNamingItAndDiscoveryEnds() {
    QFETCH(QString, name);
    const QString path = book(name);
    m_form->Text1()->setText(path);
    button(4)->click();

    const auto errors = errorBoxes();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().text.contains(name), qPrintable(errors.first().text));
    QVERIFY(errors.first().text.contains(QStringLiteral("Excel1.ExtractChartByFile at line ")));
    // Discovery went on to its end: Excel quit, the pointer is back, and unless some other
    // worksheet still gave charts, the notice closes the run.
    QVERIFY(!excelRunning());
    QCOMPARE(m_form->MousePointer(), platform::pointer::kDefault);
    const auto boxes = m_dialogs.messageBoxes();
    if (platform::ChartList(m_form->ListView1()).count() == 0) {
        QCOMPARE(boxes.last().text, kNoCharts);
    } else {
        QCOMPARE(boxes.size(), 1);
    }
    QVERIFY(QFile::exists(path));  // the user's file is only read
}

QString WindowTest::reportFor(const QString& path) {
    m_form->Text1()->setText(path);
    button(4)->click();
    const auto errors = errorBoxes();
    return errors.size() == 1 ? errors.first().text : QStringLiteral("<%1 reports>").arg(errors.size());
}

void WindowTest::userCausedFailuresSayWhatIsWrongAndChangeNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text") << QStringLiteral("text.xlsx") << QStringLiteral("text.xlsx: not a workbook: the file is a text file");
    QTest::newRow("pdf") << QStringLiteral("report.xlsx") << QStringLiteral("report.xlsx: not a workbook: the file is a PDF document");
    QTest::newRow("word") << QStringLiteral("letter.xlsx") << QStringLiteral("letter.xlsx: not a workbook: the file is a Word document");
    QTest::newRow("other zip") << QStringLiteral("archive.xlsx") << QStringLiteral("archive.xlsx: not an Open XML package (no [Content_Types].xml): the file is a zip archive of other files");
    QTest::newRow("empty") << QStringLiteral("empty.xlsx") << QStringLiteral("empty.xlsx: not a workbook: the file is an empty file");
    QTest::newRow("encrypted") << QStringLiteral("secret.xlsx") << QStringLiteral("secret.xlsx: the workbook is encrypted (protected by a password to open)");
    QTest::newRow("cut short") << QStringLiteral("cut.xlsx") << QStringLiteral("cut.xlsx: the file is cut short or damaged");
}

void WindowTest::userCausedFailuresSayWhatIsWrongAndChangeNothing() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (name == QLatin1String("text.xlsx")) QVERIFY(writeFile(path, "Region;Sales\nNorth;21,25\n"));
    if (name == QLatin1String("report.xlsx")) QVERIFY(writeFile(path, "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<<>>\nendobj\n"));
    if (name == QLatin1String("letter.xlsx")) {
        QVERIFY(writeZip(path, {{QStringLiteral("[Content_Types].xml"),
                                 contentTypesOf("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml")},
                                {QStringLiteral("_rels/.rels"),
                                 "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                 "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                 "Target=\"word/document.xml\"/></Relationships>"},
                                {QStringLiteral("word/document.xml"), "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"/>"}}));
    }
    if (name == QLatin1String("archive.xlsx")) QVERIFY(writeZip(path, {{QStringLiteral("notes.txt"), "hello"}}));
    if (name == QLatin1String("empty.xlsx")) QVERIFY(writeFile(path, QByteArray()));
    if (name == QLatin1String("secret.xlsx")) QVERIFY(writeEncryptedWorkbook(path));
    if (name == QLatin1String("cut.xlsx")) {
        QFile whole(book(QStringLiteral("several.xlsx")));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(writeFile(path, whole.read(whole.size() / 2)));
    }
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const QDateTime modified = QFileInfo(path).lastModified();

    const QString report = reportFor(path);

    QVERIFY2(report.contains(expected), qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("Excel1.ExtractChartByFile at line 106")));
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QCOMPARE(platform::ChartList(m_form->ListView1()).count(), 0);
    QVERIFY(!excelRunning());
}

void WindowTest::unreadableFileSaysSoAndChangesNothing() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("locked.xlsx"));
    QVERIFY(QFile::copy(book(QStringLiteral("several.xlsx")), path));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QString report;
    if (::geteuid() != 0) {
        report = reportFor(path);
    } else {
        // Root reads every file, so the refusal is only seen by another user: Find runs in a
        // child that has become nobody, and sends back the report.
        QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                          QFileDevice::ExeOther | QFileDevice::ReadOther));
        int pipeEnds[2];
        QVERIFY(::pipe(pipeEnds) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            const QByteArray text = reportFor(path).toUtf8();
            const bool written = ::write(pipeEnds[1], text.constData(), size_t(text.size())) == text.size();
            ::_exit(written ? 0 : 3);
        }
        ::close(pipeEnds[1]);
        QByteArray text;
        char chunk[4096];
        for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;) text.append(chunk, int(n));
        ::close(pipeEnds[0]);
        int status = 0;
        QVERIFY(::waitpid(child, &status, 0) == child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the unprivileged child did not report");
        report = QString::fromUtf8(text);
    }
    QVERIFY2(report.contains(QStringLiteral("locked.xlsx: the file cannot be read: you have no permission to read it")),
             qPrintable(report));
    QCOMPARE(QFileInfo(path).size(), QFileInfo(book(QStringLiteral("several.xlsx"))).size());
}

void WindowTest::loadSampleThenFindListsTheSampleCharts() {
    platform::ChartList list(m_form->ListView1());
    m_form->Text1()->setText(book(QStringLiteral("several.xlsx")));
    button(4)->click();
    const QStringList before = rows();

    button(5)->click();  // Load Sample/Example File
    const QString sample =
        QCoreApplication::applicationDirPath() + QStringLiteral("/Samples/sample1.xls");
    QCOMPARE(m_form->Text1()->text(), sample);
    QCOMPARE(rows(), before);
    QVERIFY2(QFile::exists(sample), "a fresh build puts the sample beside the executable");

    button(4)->click();  // 1. Find Charts In Excel File
    QVERIFY2(errorBoxes().isEmpty(),
             qPrintable(errorBoxes().isEmpty() ? QString() : errorBoxes().first().text));
    QCOMPARE(rows(), chartstest::kSampleRows);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
