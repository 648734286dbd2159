// The settings store: write-through to Tessalind.ini in the test configuration folder, the
// defaults of absent keys, and the reading of stored option values.

#include "platform/Failure.h"
#include "platform/Settings.h"
#include "tests/support/TestSettings.h"

#include <QFile>
#include <QSettings>
#include <QTest>

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { testsupport::useEmptyTestSettings(); }

    void storeLivesInTheTestConfigurationFolder() {
        const QString path = platform::settingsFilePath();
        QVERIFY(path.endsWith(QStringLiteral("/Tessalind.ini")));
        QVERIFY2(path.contains(QStringLiteral("qttest")), qPrintable(path));
    }

    void absentKeyGivesTheDefault() {
        QCOMPARE(platform::ReadSetting(QStringLiteral("Delay"), QStringLiteral("1")),
                 QStringLiteral("1"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Excel File")), QString());
        QVERIFY(!QFile::exists(platform::settingsFilePath()));
    }

    void writeIsOnDiskWhenItReturns() {
        platform::WriteSetting(QStringLiteral("Excel File"), QStringLiteral("/data/a, b;c=d.xlsx"));
        // A reader of the file alone, as another copy of the program would be.
        QSettings other(platform::settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(other.value(QStringLiteral("Quillmere/Excel File")).toString(),
                 QStringLiteral("/data/a, b;c=d.xlsx"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Excel File")),
                 QStringLiteral("/data/a, b;c=d.xlsx"));
    }

    void emptyValueIsStoredAndDiffersFromAbsent() {
        platform::WriteSetting(QStringLiteral("Delay"), QString());
        QCOMPARE(platform::ReadSetting(QStringLiteral("Delay"), QStringLiteral("1")), QString());
        QCOMPARE(testsupport::storedKeys(), QStringList{QStringLiteral("Delay")});
    }

    void laterWriteReplacesTheValue() {
        platform::WriteSetting(QStringLiteral("Delay"), QStringLiteral("3"));
        platform::WriteSetting(QStringLiteral("Delay"), QStringLiteral("12"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Delay")), QStringLiteral("12"));
    }

    void namedSettingsReadTheirDefaultsUntilWritten() {
        using platform::Settings;
        QCOMPARE(Settings::read(Settings::Key::Delay), QStringLiteral("1"));
        QCOMPARE(Settings::read(Settings::Key::WorkbookPath), QString());
        QVERIFY(Settings::readBoolean(Settings::Key::NewPresentation));
        QVERIFY(!Settings::readBoolean(Settings::Key::ExistingPresentation));
        QCOMPARE(Settings::read(Settings::Key::PresentationWindowSize), QString());
        QVERIFY(!QFile::exists(platform::settingsFilePath()));
        // Written empty is not absent: the default no longer applies.
        Settings::write(Settings::Key::Delay, QString());
        QCOMPARE(Settings::read(Settings::Key::Delay), QString());
    }

    // A settings file an earlier version wrote, under the literal keys, reads the same through
    // the named settings, and what they write is found under those keys.
    void namedSettingsUseTheKeysStoredFilesHold() {
        using platform::Settings;
        platform::WriteSetting(QStringLiteral("Excel File"), QStringLiteral("/d/book.xlsx"));
        platform::WriteSetting(QStringLiteral("PowerPoint File"), QStringLiteral("/d/deck.pptx"));
        platform::WriteSetting(QStringLiteral("Option1"), QStringLiteral("False"));
        QCOMPARE(Settings::read(Settings::Key::WorkbookPath), QStringLiteral("/d/book.xlsx"));
        QCOMPARE(Settings::read(Settings::Key::PresentationPath), QStringLiteral("/d/deck.pptx"));
        QVERIFY(!Settings::readBoolean(Settings::Key::NewPresentation));

        Settings::writeBoolean(Settings::Key::ExistingPresentation, true);
        Settings::write(Settings::Key::PresentationWindowSize, QStringLiteral("900x700"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option2")), QStringLiteral("True"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("PresentationWindowSize")),
                 QStringLiteral("900x700"));
        QCOMPARE(testsupport::storedKeys().size(), 5);
    }

    void optionValuesReadAsTruth_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("value");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("false lower") << "false" << false;
        QTest::newRow("TRUE upper") << "TRUE" << true;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("fraction") << "0.5" << true;
    }
    void optionValuesReadAsTruth() {
        QFETCH(QString, text);
        QFETCH(bool, value);
        QCOMPARE(platform::settingAsBoolean(text), value);
    }

    void otherTextIsATypeMismatch_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("yes") << "yes";
        QTest::newRow("empty") << "";
        QTest::newRow("word and number") << "1a";
    }
    void otherTextIsATypeMismatch() {
        QFETCH(QString, text);
        try {
            platform::settingAsBoolean(text);
            QFAIL("no failure");
        } catch (const platform::Failure& failure) {
            QCOMPARE(failure.description(), QStringLiteral("Type mismatch"));
        }
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
