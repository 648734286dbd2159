// RequireExcel, the running tests and the "may be open" prompts, against registries that
// refuse, throw, or hold objects that call themselves by various names.

#include "tests/support/FakeDialogs.h"

#include "office/Excel.h"
#include "office/IsInstalled.h"
#include "office/PowerPoint.h"
#include "office/RunningChecks.h"
#include "office/ServerRegistry.h"
#include "platform/Dialogs.h"

#include <QtTest>

namespace {

class NamedObject : public office::AutomationObject {
public:
    explicit NamedObject(QString name, bool refuse = false)
        : m_name(std::move(name)), m_refuse(refuse) {}
    QString Name() override {
        ++calls;
        if (m_refuse) throw office::AutomationError(QStringLiteral("The server threw an exception."));
        return m_name;
    }
    int calls = 0;

private:
    QString m_name;
    bool m_refuse;
};

const QString kExcel = QString::fromLatin1(office::kExcelProgId);
const QString kPowerPoint = QString::fromLatin1(office::kPowerPointProgId);

const char kHelp[] =
    "Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
    "1. Please make sure Excel is installed on this computer.\r\n\r\n"
    "2. Please open Excel normally and make sure a blank spreadsheet opens immediately without "
    "any interrupting window (such as an Excel file recovery window).\r\n\r\n"
    "3. Please make sure that when you double-click on a XLS or XLSX file that Excel opens "
    "normally without any interrupting messages.\r\n\r\n"
    "4. All versions of Excel are supported by this software except for the rare Excel Starter "
    "and Student editions.";

}  // namespace

class OfficeChecksTest : public QObject {
    Q_OBJECT

private slots:
    void init() { office::ServerRegistry::instance().reset(); }
    void cleanup() { office::ServerRegistry::instance().reset(); }

    void requireExcelWithoutAServerShowsTheHelpAndAsksToEnd_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("nothing registered") << 0;
        QTest::newRow("factory throws") << 1;
        QTest::newRow("factory returns nothing") << 2;
    }
    void requireExcelWithoutAServerShowsTheHelpAndAsksToEnd() {
        QFETCH(int, how);
        auto& registry = office::ServerRegistry::instance();
        if (how == 1) {
            registry.registerServer(kExcel, []() -> std::shared_ptr<office::AutomationObject> {
                throw office::AutomationError(QStringLiteral("Class not registered"));
            });
        } else if (how == 2) {
            registry.registerServer(kExcel, [] { return std::shared_ptr<office::AutomationObject>(); });
        }
        testsupport::FakeDialogs dialogs;
        QCOMPARE(office::RequireExcel(dialogs), office::ExcelPresence::Missing);
        QCOMPARE(dialogs.calls.size(), 1);
        const auto& box = dialogs.calls.first();
        QCOMPARE(box.text.toUtf8(), QByteArray(kHelp));
        QCOMPARE(box.style, platform::box::kOkOnly);
        QCOMPARE(box.title, QString());
    }

    void requireExcelLetsTheCreatedObjectGoAtOnceWithoutCallingIt() {
        std::weak_ptr<NamedObject> made;
        office::ServerRegistry::instance().registerServer(kExcel, [&made] {
            auto object = std::make_shared<NamedObject>(QString::fromLatin1(office::kExcelName));
            made = object;
            return object;
        });
        testsupport::FakeDialogs dialogs;
        QCOMPARE(office::RequireExcel(dialogs), office::ExcelPresence::Present);
        QVERIFY(dialogs.calls.isEmpty());
        QVERIFY(made.expired());
    }

    void nothingRunningAnswersFalseAndNoPromptIsShown() {
        testsupport::FakeDialogs dialogs;
        QVERIFY(!office::IsExcelRunning());
        QVERIFY(!office::IsPowerPointRunning());
        QVERIFY(!office::StopForOpenExcel(dialogs));
        QVERIFY(!office::StopForOpenPowerPoint(dialogs));
        QVERIFY(dialogs.calls.isEmpty());
    }

    void runningInstanceCountsOnlyUnderItsExactName_data() {
        QTest::addColumn<QString>("progId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<bool>("running");
        QTest::newRow("excel exact") << kExcel << "Microsoft Excel" << false << true;
        QTest::newRow("excel lower case") << kExcel << "microsoft excel" << false << false;
        QTest::newRow("excel other") << kExcel << "Quillmere Spreadsheet" << false << false;
        QTest::newRow("excel name refused") << kExcel << "Microsoft Excel" << true << false;
        QTest::newRow("powerpoint exact") << kPowerPoint << "Microsoft PowerPoint" << false << true;
        QTest::newRow("powerpoint trailing blank")
            << kPowerPoint << "Microsoft PowerPoint " << false << false;
        QTest::newRow("powerpoint under excel name") << kPowerPoint << "Microsoft Excel" << false
                                                     << false;
    }
    void runningInstanceCountsOnlyUnderItsExactName() {
        QFETCH(QString, progId);
        QFETCH(QString, name);
        QFETCH(bool, refuse);
        QFETCH(bool, running);
        auto object = std::make_shared<NamedObject>(name, refuse);
        office::ServerRegistry::instance().publishRunning(progId, object);
        const bool excel = progId == kExcel;
        QCOMPARE(excel ? office::IsExcelRunning() : office::IsPowerPointRunning(), running);
        // The other application's test is not fooled by this one.
        QVERIFY(!(excel ? office::IsPowerPointRunning() : office::IsExcelRunning()));
        // The test only looked: the object is held by its owner alone.
        QCOMPARE(object.use_count(), 1L);
        QCOMPARE(object->calls, 1);
    }

    void promptsAnswerYesToGoOnAndAnythingElseToStop_data() {
        QTest::addColumn<bool>("excel");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stop");
        QTest::newRow("excel yes") << true << platform::box::kResultYes << false;
        QTest::newRow("excel no") << true << platform::box::kResultNo << true;
        QTest::newRow("excel ok") << true << platform::box::kResultOk << true;
        QTest::newRow("powerpoint yes") << false << platform::box::kResultYes << false;
        QTest::newRow("powerpoint no") << false << platform::box::kResultNo << true;
    }
    void promptsAnswerYesToGoOnAndAnythingElseToStop() {
        QFETCH(bool, excel);
        QFETCH(int, answer);
        QFETCH(bool, stop);
        auto object = std::make_shared<NamedObject>(
            QString::fromLatin1(excel ? office::kExcelName : office::kPowerPointName));
        office::ServerRegistry::instance().publishRunning(excel ? kExcel : kPowerPoint, object);
        testsupport::FakeDialogs dialogs;
        dialogs.messageAnswers = {answer};
        QCOMPARE(excel ? office::StopForOpenExcel(dialogs) : office::StopForOpenPowerPoint(dialogs),
                 stop);
        QCOMPARE(dialogs.calls.size(), 1);
        QCOMPARE(dialogs.calls.first().style, platform::box::kYesNo);
        QCOMPARE(dialogs.calls.first().title, QString());
    }

    void promptTextsAreExactToTheByte() {
        QCOMPARE(office::openExcelWarning().toUtf8(),
                 QByteArray("Excel may be open. It is recommended that you close Excel first.\r"
                            "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
                            "Would you like to proceed anyway?"));
        QCOMPARE(office::openPowerPointWarning().toUtf8(),
                 QByteArray("PowerPoint may be open. It is recommended that you close PowerPoint "
                            "first.\rUse Ctrl+Alt+Del > Task Manager > POWERPNT.EXE if "
                            "necessary.\r\n\r\nWould you like to proceed anyway?"));
        auto object = std::make_shared<NamedObject>(QString::fromLatin1(office::kExcelName));
        office::ServerRegistry::instance().publishRunning(kExcel, object);
        testsupport::FakeDialogs dialogs;
        office::StopForOpenExcel(dialogs);
        QCOMPARE(dialogs.calls.first().text, office::openExcelWarning());
    }
};

QTEST_GUILESS_MAIN(OfficeChecksTest)
#include "tst_officechecks.moc"
