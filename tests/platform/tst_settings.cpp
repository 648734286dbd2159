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
