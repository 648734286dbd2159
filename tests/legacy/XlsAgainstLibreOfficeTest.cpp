// The model our reader makes of every .xls chart of the test data, held field by field to the
// model of the same chart in LibreOffice's conversion of the workbook to .xlsx: chart kinds,
// series, their formulas and cached values, titles, axis kinds and scaling. Where the two differ
// by what the conversion loses or changes, the test says so and checks the difference itself.

#include "engine/chartmodel/ChartModel.h"
#include "engine/legacy/LegacyConverter.h"
#include "engine/legacy/XlsCharts.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/workbook/Workbook.h"
#include "tests/legacy/LegacyWorkbooks.h"

#include <QFile>
#include <gtest/gtest.h>
#include <cmath>

using engine::XlsStructure;
using engine::XlsWorkbook;
using engine::chart::Axis;
using engine::chart::ChartSpace;
using engine::chart::DataSource;
using engine::chart::Series;
using engine::chart::CrossBetween;
using engine::chart::Crosses;
using engine::chart::Orientation;
using engine::chart::RadarStyle;
using engine::chart::schemaToken;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// A folder for the whole program: generated workbooks, their .xls and their conversions.
QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

bool haveLibreOffice() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

QString written(const QString& name, const QByteArray& bytes) {
    const QString path = folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write");
    return path;
}

// The workbooks of make-model-workbooks.py (one chart of every kind), saved as .xls by LibreOffice.
QString modelKindsXls() {
    static QString path;
    if (!path.isEmpty()) return path;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {legacyTestSourceRoot() + QStringLiteral("/tools/make-model-workbooks.py"),
                  folder().path()});
    if (!python.waitForFinished(120000) || python.exitCode() != 0)
        throw std::runtime_error("make-model-workbooks.py failed");
    path = written(QStringLiteral("kinds.xls"),
                   engine::LegacyConverter::convert(folder().filePath(QStringLiteral("kinds.xlsx")),
                                                    QStringLiteral("xls")));
    return path;
}

std::vector<double> numbers(const DataSource* source) {
    if (!source || !source->numbers) return {};
    return source->numbers->dense();
}

// Categories as the chart shows them: texts, or numbers (dates) in their format, which one side
// may cache as numbers and the other as texts; empty cells at the end, which a text cache holds
// and a number cache leaves out, are not counted.
std::vector<QString> texts(const DataSource* source) {
    if (!source) return {};
    std::vector<QString> out;
    if (source->strings) {
        out = source->strings->dense();
    } else {
        const engine::NumberFormat format(source->numbers ? source->numbers->formatCode
                                                          : QString());
        for (double value : numbers(source)) {
            out.push_back(std::isnan(value) ? QString()
                                            : format.format(value, engine::DateSystem::Date1900));
        }
    }
    while (!out.empty() && out.back().isEmpty()) out.pop_back();
    return out;
}

// A series' name as a reference ("" for a literal name, which LibreOffice writes as a quoted
// formula).
QString nameReference(const Series& series) {
    if (!series.text || series.text->formula.startsWith(u'"')) return {};
    return series.text->formula;
}

bool hasKind(const ChartSpace& space, engine::chart::ChartGroup::Kind kind) {
    for (const auto& group : space.chart.plotArea.groups) {
        if (group.kind == kind) return true;
    }
    return false;
}

QString titleText(const std::optional<engine::chart::Title>& title) {
    return title && title->text ? title->text->text().simplified() : QString();
}

std::vector<QString> kinds(const ChartSpace& space) {
    std::vector<QString> out;
    for (const auto& group : space.chart.plotArea.groups) out.push_back(group.kindName());
    return out;
}

std::vector<Axis::Kind> axisKinds(const ChartSpace& space) {
    std::vector<Axis::Kind> out;
    for (const Axis& axis : space.chart.plotArea.axes) out.push_back(axis.kind);
    std::sort(out.begin(), out.end());
    return out;
}

// The axis of a kind at a position ("b", "l"...), as both sides place a chart's axes.
const Axis* axisAt(const ChartSpace& space, Axis::Kind kind, int nth) {
    for (const Axis& axis : space.chart.plotArea.axes) {
        if (axis.kind == kind && nth-- == 0) return &axis;
    }
    return nullptr;
}

// Where an axis crosses the other one, in the other's terms: LibreOffice writes the position
// (crossesAt 0, or the first category), ours the automatic crossing that comes to the same.
QString crossing(const ChartSpace& space, const Axis& axis) {
    if (axis.crossesAt) return QString::number(*axis.crossesAt, 'g', 17);
    const Crosses crosses = axis.crosses.value_or(Crosses::AutoZero);
    if (crosses != Crosses::AutoZero) return QString::fromLatin1(schemaToken(crosses));
    const Axis* other = axis.crossAxis ? space.chart.plotArea.axisById(*axis.crossAxis) : nullptr;
    const bool onCategories =
        other && (other->kind == Axis::Kind::Category || other->kind == Axis::Kind::Date);
    return onCategories ? QStringLiteral("1") : QStringLiteral("0");
}

bool isColumnOrBar(const ChartSpace& space) {
    for (const auto& group : space.chart.plotArea.groups) {
        if (group.kind == engine::chart::ChartGroup::Kind::Bar) return true;
    }
    return false;
}

void compareChart(const ChartSpace& ours, const ChartSpace& theirs) {
    std::vector<QString> theirKinds = kinds(theirs);
    // LibreOffice has no surface charts: it reads a 3-D surface as a 3-D column chart.
    if (hasKind(ours, engine::chart::ChartGroup::Kind::Surface3D) &&
        theirKinds == std::vector<QString>{QStringLiteral("3-D Column")}) {
        theirKinds = kinds(ours);
    }
    EXPECT_EQ(kinds(ours), theirKinds);
    const std::vector<const Series*> a = ours.allSeries();
    std::vector<const Series*> b = theirs.allSeries();
    ASSERT_EQ(a.size(), b.size());
    const bool radar = hasKind(ours, engine::chart::ChartGroup::Kind::Radar);
    const bool filledRadar =
        radar && ours.chart.plotArea.groups.front().radarStyle == RadarStyle::Filled;
    // LibreOffice reads a filled radar chart's series in the reverse of their records' order
    // (and writes them so); ours keep the records' order.
    if (filledRadar) std::reverse(b.begin(), b.end());
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("series " + std::to_string(i + 1));
        EXPECT_EQ(a[i]->valueData()->formula, b[i]->valueData()->formula);
        EXPECT_EQ(numbers(a[i]->valueData()), numbers(b[i]->valueData()));
        const DataSource* ca = a[i]->categoryData();
        const DataSource* cb = b[i]->categoryData();
        EXPECT_EQ(ca ? ca->formula : QString(), cb ? cb->formula : QString());
        // Numbers on both sides are compared as numbers: LibreOffice caches dates with the
        // format "General", losing the cells' date format that ours keeps.
        if (ca && cb && ca->numbers && cb->numbers) {
            EXPECT_EQ(numbers(ca), numbers(cb));
        } else {
            EXPECT_EQ(texts(ca), texts(cb));
        }
        EXPECT_EQ(nameReference(*a[i]), nameReference(*b[i]));
        EXPECT_EQ(a[i]->text ? a[i]->text->text() : QString(),
                  b[i]->text ? b[i]->text->text() : QString());
    }
    // LibreOffice writes a chart without a title of its own the automatic title of a chart of
    // one series, the series' name, as a title of its own: no title here.
    const bool automaticTitle = titleText(ours.chart.title).isEmpty() && b.size() == 1;
    if (!automaticTitle) {
        EXPECT_EQ(titleText(ours.chart.title), titleText(theirs.chart.title));
    }

    // LibreOffice reads a date axis over dated categories (AxcExt's time line) as a category
    // axis; ours is the time line the records ask for. Compared as the same axis otherwise.
    const bool datesLost = axisAt(ours, Axis::Kind::Date, 0) && !axisAt(theirs, Axis::Kind::Date, 0);
    std::vector<Axis::Kind> theirAxes = axisKinds(theirs);
    if (datesLost) {
        const auto category = std::find(theirAxes.begin(), theirAxes.end(), Axis::Kind::Category);
        ASSERT_NE(category, theirAxes.end());
        *category = Axis::Kind::Date;
        std::sort(theirAxes.begin(), theirAxes.end());
    }
    EXPECT_EQ(axisKinds(ours), theirAxes);
    for (const Axis::Kind kind :
         {Axis::Kind::Category, Axis::Kind::Value, Axis::Kind::Date, Axis::Kind::Series}) {
        for (int nth = 0;; ++nth) {
            const Axis* x = axisAt(ours, kind, nth);
            const Axis* y = axisAt(theirs, datesLost && kind == Axis::Kind::Date
                                               ? Axis::Kind::Category : kind, nth);
            if (!x || !y) break;
            SCOPED_TRACE("axis of kind " + std::to_string(int(kind)) + " #" + std::to_string(nth));
            if (radar && kind == Axis::Kind::Category) {
                // LibreOffice writes a radar chart's categories as running backwards (maxMin),
                // where the records say they run forwards: they go round clockwise either way.
                EXPECT_EQ(x->orientation, Orientation::MinMax);
                EXPECT_EQ(y->orientation, Orientation::MaxMin);
            } else {
                EXPECT_EQ(x->orientation.value_or(Orientation::MinMax),
                          y->orientation.value_or(Orientation::MinMax));
            }
            EXPECT_EQ(x->minimum, y->minimum);
            EXPECT_EQ(x->maximum, y->maximum);
            EXPECT_EQ(x->logBase, y->logBase);
            // The steps of a time line (1 month) go with the date axis LibreOffice loses.
            if (!(datesLost && kind == Axis::Kind::Date)) {
                EXPECT_EQ(x->majorUnit, y->majorUnit);
            }
            EXPECT_EQ(crossing(ours, *x), crossing(theirs, *y));
            EXPECT_EQ(titleText(x->title), titleText(y->title));
            if (kind == Axis::Kind::Value && isColumnOrBar(ours) && nth == 0) {
                // A column or bar chart's value axis crosses between the categories, as the
                // records say; the conversion writes midCat, which cuts the outer clusters in half.
                EXPECT_EQ(x->crossBetween, CrossBetween::Between);
            }
            if (kind == Axis::Kind::Value && x->crossBetween != y->crossBetween) {
                // LibreOffice's loss: "between categories" (Excel's own default for column, bar and
                // line charts) becomes midCat; never the other way round.
                EXPECT_EQ(x->crossBetween, CrossBetween::Between);
                EXPECT_EQ(y->crossBetween, CrossBetween::MidCategory);
            }
        }
    }
}

void compareWorkbook(const QString& xls) {
    const auto ours = XlsWorkbook::open(xls);
    const QString converted =
        written(QFileInfo(xls).completeBaseName() + QStringLiteral("-converted.xlsx"),
                engine::LegacyConverter::convert(xls, QStringLiteral("xlsx")));
    const auto theirs = engine::Workbook::open(converted);
    int charts = 0;
    for (const XlsStructure::Sheet* sheet : ours->structure().worksheets()) {
        const engine::Workbook::Sheet* other = theirs->sheetByName(sheet->name);
        ASSERT_TRUE(other) << sheet->name.toStdString();
        ASSERT_EQ(other->chartObjects.size(), sheet->chartObjects.size())
            << sheet->name.toStdString();
        for (int c = 0; c < int(sheet->chartObjects.size()); ++c, ++charts) {
            SCOPED_TRACE((sheet->name + u':' + QString::number(c + 1)).toStdString());
            const engine::Workbook::ChartObject& object = other->chartObjects[size_t(c)];
            const XlsStructure::ChartObject& listed = sheet->chartObjects[size_t(c)];
            if (listed.name != object.name) {
                // LibreOffice's loss: the name the drawing stores becomes one of its own making.
                EXPECT_TRUE(listed.nameStored)
                    << listed.name.toStdString() << " / " << object.name.toStdString();
            }
            const ChartSpace mine = ours->workbookChart(*sheet, c).chart;
            const ChartSpace lo = engine::chart::readChartSpace(
                theirs->package().read(object.chartPart), converted, object.chartPart);
            compareChart(mine, lo);
        }
    }
    EXPECT_GT(charts, 0);
}

class AgainstLibreOffice : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(AgainstLibreOffice, OurModelIsLibreOfficesSaveForWhatItLoses) {
    if (!haveLibreOffice()) GTEST_SKIP() << "LibreOffice is not installed";
    const QString which = QString::fromLatin1(GetParam());
    QString xls;
    if (which == QLatin1String("sample")) {
        xls = legacyTestSourceRoot() + QStringLiteral("/assets/Samples/sample1.xls");
    } else if (which == QLatin1String("kinds")) {
        xls = modelKindsXls();
    } else if (which == QLatin1String("legacy-mixed")) {
        xls = convertedXls(QStringLiteral("legacy-mixed.xls"));
    } else {
        xls = savedXls(which);
    }
    compareWorkbook(xls);
}

INSTANTIATE_TEST_SUITE_P(TestData, AgainstLibreOffice,
                         ::testing::Values("sample", "legacy-mixed", "kinds", "WithThreeCharts.xls",
                                           "SimpleChart.xls", "SimpleScatterChart.xls", "49581.xls"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c && *c != '.'; ++c)
                                 name += std::isalnum(*c) ? *c : '_';
                             return name;
                         });
