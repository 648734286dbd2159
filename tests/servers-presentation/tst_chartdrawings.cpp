// The drawings of a presentation's charts kept across its edits: given again exactly when every
// part a drawing was made from holds the bytes it held, and let go when no state of the
// document can ask for them or when too many are kept.

#include "servers/presentation/ChartDrawings.h"

#include "engine/package/Namespaces.h"

#include <QtTest>

using servers::ChartDrawings;
using servers::DrawnChart;

namespace {

const QString kChart = QStringLiteral("/ppt/charts/chart1.xml");
const QString kTheme = QStringLiteral("/ppt/theme/theme1.xml");
const QString kOverride = QStringLiteral("/ppt/theme/themeOverride1.xml");
const QString kStyle = QStringLiteral("/ppt/charts/style1.xml");
const QString kWorkbook = QStringLiteral("/ppt/embeddings/Microsoft_Excel_Worksheet1.xlsx");
const QSizeF kSize(360, 216);

// A deck holding one chart with a theme override, a chart style and an embedded workbook, and
// a slide theme.
engine::Package deck() {
    engine::Package p;
    p.setPart(kChart, QByteArray("<c:chartSpace>values 1 2 3</c:chartSpace>"));
    p.setPart(kTheme, QByteArray("<a:theme>office</a:theme>"));
    p.setPart(kOverride, QByteArray("<a:themeOverride>blue</a:themeOverride>"));
    p.setPart(kWorkbook, QByteArray("PK workbook"));
    p.setPart(kStyle, QByteArray("<cs:chartStyle id=\"201\"/>"));
    engine::Relationships rels;
    rels.add(QString::fromLatin1(engine::xml::rel::kThemeOverride), kChart, kOverride);
    rels.add(QString::fromLatin1(engine::xml::rel::kPackage), kChart, kWorkbook);
    rels.add(QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartStyle"), kChart, kStyle);
    p.setRelationships(kChart, rels);
    return p;
}

DrawnChart drawing(int primitives = 1) {
    auto scene = std::make_shared<engine::chart::ChartScene>();
    scene->size = kSize;
    scene->items.resize(size_t(primitives));
    return {scene, QString()};
}

const engine::drawingml::ColorMap kMap = engine::drawingml::ColorMap::standard();

std::optional<DrawnChart> findIn(ChartDrawings& drawings, const engine::Package& p,
                                 QSizeF size = kSize,
                                 const engine::drawingml::ColorMap& map = kMap) {
    return drawings.find(p, QStringLiteral("deck"), kChart, kTheme, map, size);
}

}  // namespace

class ChartDrawingsTest : public QObject {
    Q_OBJECT

private slots:
    void aDrawingIsGivenAgainOnlyForTheBytesItWasDrawnFrom() {
        ChartDrawings drawings;
        const engine::Package p = deck();
        const DrawnChart drawn = drawing();
        drawings.insert(p, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawn);
        const engine::Package reread = deck();  // equal bytes, read apart
        QCOMPARE(findIn(drawings, reread)->scene, drawn.scene);

        // Another size or colour map; the chart part, its theme override, its style or the
        // slide's theme with other bytes or gone: not this drawing. The embedded workbook does
        // not change the look.
        QVERIFY(!findIn(drawings, p, QSizeF(360, 217)));
        engine::drawingml::ColorMap swapped = kMap;
        std::swap(swapped.map[0], swapped.map[1]);
        QVERIFY(!findIn(drawings, p, kSize, swapped));
        const auto changed = [&](const QString& part, const QByteArray& bytes) {
            engine::Package q = p;
            if (bytes.isNull()) q.removePart(part);
            else q.setPart(part, bytes);
            return !findIn(drawings, q);
        };
        QVERIFY(changed(kChart, "<c:chartSpace>values 1 2 4</c:chartSpace>"));
        QVERIFY(changed(kOverride, "<a:themeOverride>bluE</a:themeOverride>"));
        QVERIFY(changed(kOverride, QByteArray()));
        QVERIFY(changed(kTheme, "<a:theme>offiCe</a:theme>"));
        QVERIFY(changed(kStyle, "<cs:chartStyle id=\"202\"/>"));
        QVERIFY(!changed(kWorkbook, "PK other workbook"));

        // A failure names the deck: under another name it is told again.
        const engine::Package missing;
        drawings.insert(missing, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, {nullptr, "deck: gone"});
        QVERIFY(findIn(drawings, missing));
        QVERIFY(!drawings.find(missing, QStringLiteral("renamed"), kChart, kTheme, kMap, kSize));
    }

    void drawingsOfBytesNoStateHoldsAreLetGoAndTheUnshownAreBounded() {
        ChartDrawings drawings(3, ChartDrawings::costOf(drawing(100)) * 5 / 2);
        std::optional<engine::Package> gone = deck();
        gone->setPart(kChart, QByteArray("<c:chartSpace>gone</c:chartSpace>"));
        const engine::Package kept = deck();
        drawings.insert(*gone, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawing());
        drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawing());
        gone.reset();
        drawings.prune();
        QCOMPARE(drawings.count(), 1);
        QVERIFY(findIn(drawings, kept));

        // Sizes of a chart still held: those shown since the last prune all stay, the rest
        // down to the bounds of their number and size, the most recently shown first.
        const auto sized = [](int i) { return QSizeF(100 + i, 100); };
        for (int i = 1; i <= 5; ++i)
            drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, sized(i), drawing());
        drawings.prune();
        QCOMPARE(drawings.count(), 6);
        QVERIFY(findIn(drawings, kept, sized(1)));
        drawings.prune();
        QCOMPARE(drawings.count(), 4);
        for (int i : {1, 4, 5}) QVERIFY(findIn(drawings, kept, sized(i)));
        // Two larger than the bound of size together: the older goes, and every one before it.
        drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, sized(6), drawing(200));
        drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, sized(7), drawing(200));
        drawings.prune();
        drawings.prune();
        QCOMPARE(drawings.count(), 1);
        QVERIFY(findIn(drawings, kept, sized(7)));
    }
};

QTEST_MAIN(ChartDrawingsTest)
#include "tst_chartdrawings.moc"
