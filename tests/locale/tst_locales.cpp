// Numbers on charts in four regions: C, en_US, de_DE and fr_FR (narrow no-break space between
// thousands). The C library is really switched to each (locales compiled for this program), so
// that any number conversion that follows it shows here as a wrong label or a changed file.

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/package/Zip.h"
#include "engine/workbook/Workbook.h"
#include "tests/cli/CliProcess.h"
#include "tests/support/Locales.h"

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <clocale>

namespace {

const QStringList kLocales = {QStringLiteral("C"), QStringLiteral("en_US.UTF-8"), QStringLiteral("de_DE.UTF-8"),
                              QStringLiteral("fr_FR.UTF-8")};

using Run = clitest::Result;

// quillmere-cli as a shell in that region runs it: LANG names the region, and the variables
// that would override it are empty (which both the C library and Qt take as unset).
Run runCli(const QStringList& arguments, const QString& lang) {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("LANG"), lang);
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANGUAGE"}) environment.insert(QString::fromLatin1(name), QString());
    return clitest::runCli(arguments, environment);
}

// The texts an SVG shows, in document order.
QStringList svgTexts(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader reader(&file);
    QStringList texts;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("text"))
            texts << reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    return texts;
}

// What the charts of the test workbook must show in a region: decimal and group separators.
struct Expected {
    QString decimal;
    QString group;
};

Expected expectedFor(const QString& locale) {
    if (locale.startsWith(QLatin1String("de"))) return {QStringLiteral(","), QStringLiteral(".")};
    if (locale.startsWith(QLatin1String("fr"))) return {QStringLiteral(","), QString(QChar(0x202F))};
    return {QStringLiteral("."), QStringLiteral(",")};
}

QStringList entriesOf(const QString& path, QHash<QString, QByteArray>* bytes) {
    engine::ZipReader zip(path, path, engine::Limits());
    QStringList names;
    for (int i = 0; i < int(zip.entries().size()); ++i) {
        names << zip.entries()[size_t(i)].name;
        bytes->insert(names.last(), zip.read(i));
    }
    return names;
}

}  // namespace

class LocaleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void numbersReadAndWrittenIgnoreTheCLibrarysLocale();
    void theRendererShowsTheDefaultLocalesSeparators();
    void renderDrawsNumbersAsTheRegionWritesThem_data();
    void renderDrawsNumbersAsTheRegionWritesThem();
    void renderLocaleOptionWinsOverTheEnvironment();
    void copiedDecksAreByteForByteTheSameInEveryRegion();

private:
    QTemporaryDir m_work;
    QString m_book;
};

void LocaleTest::initTestCase() {
    QVERIFY(m_work.isValid());
    const QString problem = testsupport::makePrivateLocales({QStringLiteral("en_US.UTF-8"), QStringLiteral("de_DE.UTF-8"),
                                                             QStringLiteral("fr_FR.UTF-8")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    QVERIFY2(!source.isEmpty(), "QUILLMERE_SOURCE_DIR is not set");
    m_book = m_work.filePath(QStringLiteral("numbers.xlsx"));
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"), {source + QStringLiteral("/tests/locale/make_locale_workbook.py"), m_book});
    QVERIFY(make.waitForFinished(120000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
}

void LocaleTest::cleanup() {
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}

void LocaleTest::numbersReadAndWrittenIgnoreTheCLibrarysLocale() {
    for (const QString& locale : kLocales) {
        QVERIFY2(std::setlocale(LC_ALL, locale.toLatin1().constData()), qPrintable(locale + QStringLiteral(" cannot be set")));
        // What a file gets: the invariant separators, whatever the process's locale.
        QCOMPARE(engine::NumberFormat(QStringLiteral("0.00")).format(21.25), QStringLiteral("21.25"));
        QCOMPARE(engine::NumberFormat(QStringLiteral("#,##0.00")).format(1234.5), QStringLiteral("1,234.50"));
        QCOMPARE(engine::formatGeneral(108.75), QStringLiteral("108.75"));
        QCOMPARE(engine::formatGeneral(1.23456789e11), QStringLiteral("1.23457E+11"));
        QCOMPARE(engine::NumberFormat(QStringLiteral("0.0%")).format(0.125), QStringLiteral("12.5%"));
    }
}

void LocaleTest::theRendererShowsTheDefaultLocalesSeparators() {
    // The preview, the presentation window and the clipboard picture draw with a context made
    // in this process, whose separators follow the default locale.
    QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    const auto workbook = engine::Workbook::open(m_book);
    const auto* sheet = workbook->worksheets().front();
    QCOMPARE(int(sheet->chartObjects.size()), 5);
    const auto first = engine::chart::workbookChart(*workbook, *sheet, sheet->chartObjects[0]);
    const auto scene = engine::chart::buildChartScene(first.chart, first.context, first.sizeInPoints);
    using E = engine::chart::SceneTag::Element;
    QCOMPARE(scene.texts(E::DataLabel), (QStringList{QStringLiteral("21,25"), QStringLiteral("108,75")}));
    QVERIFY2(scene.texts(E::AxisLabel).contains(QStringLiteral("120")), qPrintable(scene.texts(E::AxisLabel).join(u'|')));
    const auto second = engine::chart::workbookChart(*workbook, *sheet, sheet->chartObjects[1]);
    QCOMPARE(engine::chart::buildChartScene(second.chart, second.context, second.sizeInPoints).texts(E::DataLabel),
             (QStringList{QStringLiteral("1.234,50"), QStringLiteral("2.500,25"), QStringLiteral("3.000,00")}));
}

void LocaleTest::renderDrawsNumbersAsTheRegionWritesThem_data() {
    QTest::addColumn<QString>("locale");
    for (const QString& locale : kLocales) QTest::newRow(qPrintable(locale)) << locale;
}

void LocaleTest::renderDrawsNumbersAsTheRegionWritesThem() {
    QFETCH(QString, locale);
    const QString out = m_work.filePath(QStringLiteral("svg-") + locale);
    const Run run = runCli({QStringLiteral("render"), m_book, QStringLiteral("--format"), QStringLiteral("svg"),
                            QStringLiteral("--output"), out},
                           locale);
    QVERIFY2(run.status == 0, run.err.constData());
    const Expected e = expectedFor(locale);
    auto file = [&out](int chart) { return out + QStringLiteral("/Numbers-%1.svg").arg(chart); };

    const QStringList first = svgTexts(file(1));
    for (const QString& label : {QStringLiteral("0"), QStringLiteral("20"), QStringLiteral("60"), QStringLiteral("100"),
                                 QStringLiteral("120"), QStringLiteral("21") + e.decimal + QStringLiteral("25"),
                                 QStringLiteral("108") + e.decimal + QStringLiteral("75")})
        QVERIFY2(first.contains(label), qPrintable(label + QStringLiteral(" not in ") + first.join(u'|')));

    const QStringList second = svgTexts(file(2));
    for (const QString& label : {QStringLiteral("1") + e.group + QStringLiteral("234") + e.decimal + QStringLiteral("50"),
                                 QStringLiteral("3") + e.group + QStringLiteral("000") + e.decimal + QStringLiteral("00")})
        QVERIFY2(second.contains(label), qPrintable(label + QStringLiteral(" not in ") + second.join(u'|')));

    const QStringList third = svgTexts(file(3));
    QVERIFY2(third.contains(QStringLiteral("12") + e.decimal + QStringLiteral("5%")), qPrintable(third.join(u'|')));
    QVERIFY2(third.contains(QStringLiteral("50") + e.decimal + QStringLiteral("0%")), qPrintable(third.join(u'|')));

    const QStringList fourth = svgTexts(file(4));
    QVERIFY2(fourth.contains(QStringLiteral("1") + e.decimal + QStringLiteral("50E+06")), qPrintable(fourth.join(u'|')));

    // Dates keep their code's slashes in every region; only the values' decimals change.
    const QStringList fifth = svgTexts(file(5));
    QVERIFY2(fifth.contains(QStringLiteral("1/15/2024")), qPrintable(fifth.join(u'|')));
    QVERIFY2(fifth.contains(QStringLiteral("2") + e.decimal + QStringLiteral("5")), qPrintable(fifth.join(u'|')));
}

void LocaleTest::renderLocaleOptionWinsOverTheEnvironment() {
    const QString out = m_work.filePath(QStringLiteral("svg-option"));
    const Run run = runCli({QStringLiteral("render"), m_book, QStringLiteral("--chart"), QStringLiteral("Numbers:1"),
                            QStringLiteral("--format"), QStringLiteral("svg"), QStringLiteral("--locale"),
                            QStringLiteral("de_DE"), QStringLiteral("--output"), out},
                           QStringLiteral("en_US.UTF-8"));
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(svgTexts(out + QStringLiteral("/Numbers-1.svg")).contains(QStringLiteral("21,25")));

    const Run wrong = runCli({QStringLiteral("render"), m_book, QStringLiteral("--format"), QStringLiteral("svg"),
                              QStringLiteral("--locale"), QStringLiteral("xx_NOWHERE"), QStringLiteral("--output"), out},
                             QStringLiteral("C"));
    QCOMPARE(wrong.status, 1);
    QVERIFY2(wrong.err.contains("--locale xx_NOWHERE"), wrong.err.constData());
}

// A part with the time each chart was copied (its provenance, in UTC and ISO 8601, so in no
// region's form) made comparable between runs that straddle a second.
static QByteArray withoutCopyTime(const QString& name, const QByteArray& part) {
    if (!name.startsWith(QLatin1String("ppt/tags/")) && name != QLatin1String("docProps/custom.xml"))
        return part;
    static const QRegularExpression time(QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ"));
    return QString::fromUtf8(part).replace(time, QStringLiteral("TIME")).toUtf8();
}

void LocaleTest::copiedDecksAreByteForByteTheSameInEveryRegion() {
    QHash<QString, QByteArray> reference;
    QStringList referenceNames;
    for (const QString& locale : kLocales) {
        const QString deck = m_work.filePath(QStringLiteral("deck-%1.pptx").arg(locale));
        const Run run = runCli({QStringLiteral("copy"), m_book, QStringLiteral("--output"), deck}, locale);
        QVERIFY2(run.status == 0, run.err.constData());
        QHash<QString, QByteArray> bytes;
        const QStringList names = entriesOf(deck, &bytes);
        if (referenceNames.isEmpty()) {
            referenceNames = names;
            reference = bytes;
            // Every chart of the workbook came along, each with its embedded workbook.
            QCOMPARE(names.filter(QRegularExpression(QStringLiteral("^ppt/charts/chart\\d+\\.xml$"))).size(), 5);
            QCOMPARE(names.filter(QRegularExpression(QStringLiteral("^ppt/embeddings/.*\\.xlsx$"))).size(), 5);
            continue;
        }
        QCOMPARE(names, referenceNames);
        for (auto it = reference.constBegin(); it != reference.constEnd(); ++it)
            QVERIFY2(withoutCopyTime(it.key(), bytes.value(it.key())) == withoutCopyTime(it.key(), it.value()),
                     qPrintable(locale + QStringLiteral(": ") + it.key() + QStringLiteral(" differs")));
    }
}

QTEST_MAIN(LocaleTest)
#include "tst_locales.moc"
