// Start-up: the load steps with nothing stored, with stale paths, with unreadable option
// values, the skin and cursor files, the application title, the presence of Excel, the
// write-through of the text boxes and the close of the main window.

#include "Fixture.h"
#include "platform/ApplicationTitle.h"
#include "platform/ErrorReport.h"
#include "platform/Settings.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using apptest::Fixture;
using platform::ReadSetting;
using platform::WriteSetting;

namespace {
const QString kLocation = QStringLiteral("in Ostrivane2021/08/31.Form1.Form_Load ");
}

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { apptest::registerExcel(); }

    void firstStartWithNothingStored() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.form->Text1()->text(), QString());
        QCOMPARE(f.form->Text2()->text(), QString());
        QCOMPARE(f.form->Text3()->text(), QStringLiteral("1"));
        QVERIFY(f.form->Option1()->isChecked());
        QVERIFY(!f.form->Option2()->isChecked());
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quillmere"));
        QVERIFY(!f.form->windowIcon().isNull());
        QCOMPARE(platform::applicationTitle(), QStringLiteral("Quillmere"));
        // Only the delay changed its box, from "Text3" to "1", and so was stored.
        QCOMPARE(testsupport::storedKeys(), QStringList{QStringLiteral("Delay")});
        QCOMPARE(ReadSetting(QStringLiteral("Delay")), QStringLiteral("1"));
    }

    void listColumnsAreAddedThenSized() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        QTreeWidget* list = f.form->ListView1();
        QCOMPARE(list->columnCount(), 3);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("Sheet Name"));
        QCOMPARE(list->headerItem()->text(1), QStringLiteral("Chart Name"));
        QCOMPARE(list->headerItem()->text(2), QStringLiteral("Chart Index"));
        QCOMPARE(list->columnWidth(0), 233);
        QCOMPARE(list->columnWidth(1), 233);
        QCOMPARE(list->columnWidth(2), 1);
    }

    void storedValuesAreRestored() {
        Fixture f;
        f.files.addFile(QStringLiteral("/data/book.xlsx"));
        f.files.addFile(QStringLiteral("/data/deck.ppt"));
        WriteSetting(QStringLiteral("Excel File"), QStringLiteral("/data/book.xlsx"));
        WriteSetting(QStringLiteral("PowerPoint File"), QStringLiteral("/data/deck.ppt"));
        WriteSetting(QStringLiteral("Delay"), QString());
        WriteSetting(QStringLiteral("Option1"), QStringLiteral("False"));
        WriteSetting(QStringLiteral("Option2"), QStringLiteral("True"));
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.form->Text1()->text(), QStringLiteral("/data/book.xlsx"));
        QCOMPARE(f.form->Text2()->text(), QStringLiteral("/data/deck.ppt"));
        QCOMPARE(f.form->Text3()->text(), QString());  // an empty delay stays empty
        QVERIFY(!f.form->Option1()->isChecked());
        QVERIFY(f.form->Option2()->isChecked());
        QCOMPARE(ReadSetting(QStringLiteral("Option1")), QStringLiteral("False"));
        QCOMPARE(ReadSetting(QStringLiteral("Option2")), QStringLiteral("True"));
    }

    void stalePathsAreEmptiedInBoxAndStore() {
        Fixture f;
        WriteSetting(QStringLiteral("Excel File"), QStringLiteral("/gone/book.xlsx"));
        WriteSetting(QStringLiteral("PowerPoint File"), QStringLiteral("/gone/deck.ppt"));
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        QCOMPARE(f.form->Text1()->text(), QString());
        QCOMPARE(f.form->Text2()->text(), QString());
        QCOMPARE(ReadSetting(QStringLiteral("Excel File"), QStringLiteral("absent")), QString());
        QCOMPARE(ReadSetting(QStringLiteral("PowerPoint File"), QStringLiteral("absent")),
                 QString());
    }

    void unreadableOptionIsReportedAndLoadingGoesOn() {
        Fixture f;
        WriteSetting(QStringLiteral("Option1"), QStringLiteral("yes"));
        WriteSetting(QStringLiteral("Option2"), QStringLiteral("maybe"));
        QVERIFY(f.form->Form_Load());
        QCOMPARE(f.dialogs.messageTexts(),
                 QStringList({platform::applicationErrorText(kLocation, 156,
                                                             QStringLiteral("Type mismatch")),
                              platform::applicationErrorText(kLocation, 158,
                                                             QStringLiteral("Type mismatch"))}));
        QCOMPARE(f.dialogs.calls[0].title, QStringLiteral("Application Error"));
        QCOMPARE(f.dialogs.calls[0].style, 48);
        QVERIFY(f.form->Option1()->isChecked());
        QVERIFY(!f.form->Option2()->isChecked());
        QCOMPARE(ReadSetting(QStringLiteral("Option1")), QStringLiteral("yes"));  // untouched
    }

    void numericOptionsReadAsTruth() {
        Fixture f;
        WriteSetting(QStringLiteral("Option1"), QStringLiteral("0"));
        WriteSetting(QStringLiteral("Option2"), QStringLiteral("0"));
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        // Both stored as not selected: both clear, and clearing writes nothing.
        QVERIFY(!f.form->Option1()->isChecked());
        QVERIFY(!f.form->Option2()->isChecked());
        QCOMPARE(ReadSetting(QStringLiteral("Option1")), QStringLiteral("0"));
    }

    void missingExcelEndsStartUpAfterTheHelpMessage() {
        Fixture f;
        apptest::unregisterExcel();
        WriteSetting(QStringLiteral("Excel File"), QStringLiteral("/gone/book.xlsx"));
        QVERIFY(!f.form->Form_Load());
        QVERIFY(f.form->endRequested());
        QCOMPARE(f.dialogs.calls.size(), 1);
        QVERIFY(f.dialogs.calls[0].text.startsWith(QStringLiteral("Error 842001.")));
        QCOMPARE(f.dialogs.calls[0].shownTitle, QStringLiteral("Quillmere"));
        QVERIFY(!f.form->isVisible());
        // Restored before the end, the stale path already forgotten.
        QCOMPARE(ReadSetting(QStringLiteral("Excel File"), QStringLiteral("absent")), QString());
    }

    void cursorFileThatIsNoCursorIsReportedAtLine110() {
        Fixture f;
        f.files.addFile(f.files.programFolder() + QStringLiteral("/HAND-M.CUR"));  // no real file
        QVERIFY(f.form->Form_Load());
        QCOMPARE(f.dialogs.messageBoxes().size(), 1);
        QVERIFY(f.dialogs.calls[0].text.contains(QStringLiteral("Form1.Form_Load at line 110\r\r")));
        QVERIFY(f.dialogs.calls[0].text.startsWith(QStringLiteral("Invalid picture")));
        QVERIFY(!f.form->MouseIcon().has_value());
        QCOMPARE(f.form->ListView1()->columnCount(), 3);  // loading went on
    }

    void noSkinFileLeavesTheDesignColours() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        QCOMPARE(f.form->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(!f.form->SkinFramework1().skinLoaded());
        QVERIFY(f.form->styleSheet().isEmpty());
    }

    void skinFileRecoloursAndStylesTheWindow() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("x"));
        const QString sheet = QStringLiteral("QPushButton { color: rgb(10, 20, 30); }");
        QFile file(dir.filePath("x/o.cjs"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sheet.toUtf8());
        file.close();

        Fixture f;
        f.files.setProgramFolder(dir.path());
        f.files.addFile(dir.filePath("x/o.cjs"));
        QVERIFY(f.form->Form_Load());
        QVERIFY(f.dialogs.calls.isEmpty());
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(f.form->palette().color(QPalette::Window), face);
        for (QWidget* w : QList<QWidget*>{f.form->Frame1(), f.form->Frame2(), f.form->Frame3(),
                                          f.form->Option1(), f.form->Option2()}) {
            QCOMPARE(w->palette().color(QPalette::Window), face);
        }
        QCOMPARE(f.form->SkinFramework1().loadedStyleSheet(), sheet);
        QCOMPARE(f.form->styleSheet(), sheet);
        QCOMPARE(f.form->SkinFramework1().property(app::SkinFramework::kOptions).toInt() & 1, 1);
    }

    void skinThatCannotBeReadIsReportedAtLine104AndLoadingGoesOn() {
        Fixture f;
        // Found by the search, gone when the framework reads it.
        f.files.addFile(f.files.programFolder() + QStringLiteral("/x/o.cjs"));
        QVERIFY(f.form->Form_Load());
        QCOMPARE(f.dialogs.messageBoxes().size(), 1);
        QVERIFY(f.dialogs.calls[0].text.contains(QStringLiteral("at line 104\r\r")));
        QVERIFY(f.dialogs.calls[0].text.contains(QStringLiteral("/x/o.cjs")));
        // The recolouring done before the failure stays; the caption step still ran.
        QCOMPARE(f.form->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("Quillmere"));
        QVERIFY(f.form->styleSheet().isEmpty());
    }

    void applicationTitleIsCutAtBlanks() {
        // 50 characters, last blanks at 45 and 38: cut twice, to 44 and then 37.
        QString fifty = QString(37, QLatin1Char('a')) + QLatin1Char(' ') + QString(6, 'b') +
                        QLatin1Char(' ') + QString(5, 'c');
        QCOMPARE(fifty.size(), 50);
        QCOMPARE(app::applicationTitleFromProductName(fifty), QString(37, QLatin1Char('a')));
        // 30 characters, last blank at 20: still cut once, to 19.
        QString thirty = QString(19, QLatin1Char('d')) + QLatin1Char(' ') + QString(10, 'e');
        QCOMPARE(app::applicationTitleFromProductName(thirty), QString(19, QLatin1Char('d')));
        QCOMPARE(app::applicationTitleFromProductName(QStringLiteral("Quillmere")),
                 QStringLiteral("Quillmere"));
        QCOMPARE(app::applicationTitleFromProductName(QString(45, QLatin1Char('q'))),
                 QString(40, QLatin1Char('q')));
    }

    void everyKeystrokeIsStored() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        int storedOnChange = 0;
        QString lastStored;
        // Runs after the window's own change handler: the store must already hold the text.
        QObject::connect(f.form->Text1(), &QLineEdit::textChanged, [&](const QString& text) {
            lastStored = ReadSetting(QStringLiteral("Excel File"));
            if (lastStored == text) ++storedOnChange;
        });
        QTest::keyClicks(f.form->Text1(), QStringLiteral("/d/b.xls"));
        QCOMPARE(storedOnChange, 8);
        QCOMPARE(lastStored, QStringLiteral("/d/b.xls"));
        QCOMPARE(ReadSetting(QStringLiteral("Excel File")), QStringLiteral("/d/b.xls"));
    }

    void eachBoxStoresUnderItsOwnKeyOnly() {
        Fixture f;
        f.form->Text2()->setText(QStringLiteral("/p.ppt"));
        QCOMPARE(testsupport::storedKeys(), QStringList{QStringLiteral("PowerPoint File")});
        f.form->Text3()->setText(QStringLiteral("x"));  // any text, not validated
        QCOMPARE(ReadSetting(QStringLiteral("Delay")), QStringLiteral("x"));
        QCOMPARE(testsupport::storedKeys().size(), 2);
    }

    void closingTheWindowMarksTheProgramClosed() {
        Fixture f;
        QVERIFY(f.form->Form_Load());
        f.form->show();
        QVERIFY(!platform::mainWindowClosed());
        f.form->close();
        QVERIFY(platform::mainWindowClosed());
        // A handler that would go on now runs no further step.
        int ran = 0;
        f.form->runner().run({kLocation, {{100, [&] {
                                               ++ran;
                                               return platform::kNext;
                                           }}}});
        QCOMPARE(ran, 0);
    }
};

QTEST_MAIN(StartUpTest)
#include "tst_startup.moc"
