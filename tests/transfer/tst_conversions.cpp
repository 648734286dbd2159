// The numeric test and the 16-bit conversion of the delay and the chart position.

#include "platform/Failure.h"
#include "transfer/Conversions.h"

#include <QtTest>

class ConversionsTest : public QObject {
    Q_OBJECT

private slots:
    void numericTextIsRecognisedInTheCLocale_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("digits") << "12" << true;
        QTest::newRow("blanks around") << "  12 \t" << true;
        QTest::newRow("plus") << "+3" << true;
        QTest::newRow("minus") << "-3" << true;
        QTest::newRow("decimal") << "1.5" << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("trailing point") << "5." << true;
        QTest::newRow("grouped") << "1,000" << true;
        QTest::newRow("exponent") << "1e3" << true;
        QTest::newRow("signed exponent") << "25E-1" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("sign alone") << "-" << false;
        QTest::newRow("point alone") << "." << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("blank inside") << "1 2" << false;
        QTest::newRow("exponent without digits") << "1e" << false;
        QTest::newRow("exponent alone") << "e5" << false;
        QTest::newRow("group first") << ",5" << false;
        QTest::newRow("group last") << "5," << false;
        QTest::newRow("word") << "one" << false;
        QTest::newRow("hex") << "0x10" << false;
        QTest::newRow("two signs") << "+-1" << false;
    }
    void numericTextIsRecognisedInTheCLocale() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(transfer::isNumeric(text, QLocale::c()), numeric);
    }

    void localeSeparatorsCount() {
        const QLocale german(QLocale::German, QLocale::Germany);
        QVERIFY(transfer::isNumeric(QStringLiteral("2,5"), german));
        QCOMPARE(transfer::toInteger16(QStringLiteral("2,5"), german), qint16(2));
        QCOMPARE(transfer::toInteger16(QStringLiteral("3,5"), german), qint16(4));
        // "." always stands for the decimal point, never for German grouping.
        QCOMPARE(transfer::toInteger16(QStringLiteral("1.5"), german), qint16(2));
        QVERIFY(!transfer::isNumeric(QStringLiteral("1.000,5"), german));
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(transfer::toInteger16(QStringLiteral("12,345"), english), qint16(12345));
    }

    void conversionRoundsHalvesToEven_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("3.5") << "3.5" << 4;
        QTest::newRow("1.5") << "1.5" << 2;
        QTest::newRow("0.5") << "0.5" << 0;
        QTest::newRow("-2.5") << "-2.5" << -2;
        QTest::newRow("2.6") << "2.6" << 3;
        QTest::newRow("exponent") << "25e-1" << 2;
        QTest::newRow("top") << "32767" << 32767;
        QTest::newRow("bottom") << "-32768" << -32768;
        QTest::newRow("rounds into range") << "-32768.5" << -32768;
        QTest::newRow("blanks") << " 7 " << 7;
    }
    void conversionRoundsHalvesToEven() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(int(transfer::toInteger16(text, QLocale::c())), value);
    }

    void conversionFailsWithTheRuntimeWordings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("40000") << "40000" << "Overflow";
        QTest::newRow("32767.5") << "32767.5" << "Overflow";
        QTest::newRow("-32769") << "-32769" << "Overflow";
        QTest::newRow("huge exponent") << "1e999" << "Overflow";
        QTest::newRow("empty") << "" << "Type mismatch";
        QTest::newRow("word") << "soon" << "Type mismatch";
    }
    void conversionFailsWithTheRuntimeWordings() {
        QFETCH(QString, text);
        QFETCH(QString, description);
        try {
            transfer::toInteger16(text, QLocale::c());
            QFAIL("no failure");
        } catch (const platform::Failure& failure) {
            QCOMPARE(failure.description(), description);
        }
    }
};

QTEST_GUILESS_MAIN(ConversionsTest)
#include "tst_conversions.moc"
