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
const QString kWorkbook = QStringLiteral("/ppt/embeddings/Microsoft_Excel_Worksheet1.xlsx");
const QSizeF kSize(360, 216);

// A deck holding one chart with a theme override and an embedded workbook, and a slide theme.
engine::Package deck() {
    engine::Package p;
    p.setPart(kChart, QByteArray("<c:chartSpace>values 1 2 3</c:chartSpace>"));
    p.setPart(kTheme, QByteArray("<a:theme>office</a:theme>"));
    p.setPart(kOverride, QByteArray("<a:themeOverride>blue</a:themeOverride>"));
    p.setPart(kWorkbook, QByteArray("PK workbook"));
    engine::Relationships rels;
    rels.add(QString::fromLatin1(engine::xml::rel::kThemeOverride), kChart, kOverride);
    rels.add(QString::fromLatin1(engine::xml::rel::kPackage), kChart, kWorkbook);
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
        engine::Package p = deck();
        const DrawnChart drawn = drawing();
        drawings.insert(p, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawn);

        // A copy of the deck shares the bytes; equal bytes read apart count as the same.
        const engine::Package copy = p;
        QCOMPARE(findIn(drawings, copy)->scene, drawn.scene);
        engine::Package reread = deck();
        QCOMPARE(findIn(drawings, reread)->scene, drawn.scene);

        // Another size, another colour map: not this drawing.
        QVERIFY(!findIn(drawings, p, QSizeF(360, 217)));
        engine::drawingml::ColorMap swapped = kMap;
        std::swap(swapped.map[0], swapped.map[1]);
        QVERIFY(!findIn(drawings, p, kSize, swapped));

        // The chart part, its theme override or the slide's theme with other bytes under the
        // same name: not this drawing; the embedded workbook does not change the look.
        const auto changed = [&](const QString& part, const QByteArray& bytes) {
            engine::Package q = p;
            q.setPart(part, bytes);
            return !findIn(drawings, q);
        };
        QVERIFY(changed(kChart, "<c:chartSpace>values 1 2 4</c:chartSpace>"));
        QVERIFY(changed(kOverride, "<a:themeOverride>bluE</a:themeOverride>"));
        QVERIFY(changed(kTheme, "<a:theme>offiCe</a:theme>"));
        QVERIFY(!changed(kWorkbook, "PK other workbook"));
        engine::Package noOverride = p;
        noOverride.removePart(kOverride);
        QVERIFY(!findIn(drawings, noOverride));
        engine::Package extraRel = p;
        engine::Relationships rels = extraRel.relationships(kChart);
        rels.add(
            QStringLiteral("http://schemas.microsoft.com/office/2011/relationships/chartStyle"),
            kChart, QStringLiteral("/ppt/charts/style1.xml"));
        extraRel.setRelationships(kChart, rels);
        extraRel.setPart(QStringLiteral("/ppt/charts/style1.xml"), "<cs:chartStyle/>");
        QVERIFY(!findIn(drawings, extraRel));

        // Two contents of one part name kept side by side, each given for its own bytes.
        engine::Package edited = p;
        edited.setPart(kChart, QByteArray("<c:chartSpace>values 9</c:chartSpace>"));
        const DrawnChart other = drawing();
        drawings.insert(edited, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, other);
        QCOMPARE(findIn(drawings, edited)->scene, other.scene);
        QCOMPARE(findIn(drawings, p)->scene, drawn.scene);

        // A failure names the deck: under another name it is told again.
        engine::Package missing;
        drawings.insert(missing, QStringLiteral("deck"), kChart, kTheme, kMap, kSize,
                        {nullptr, "deck: gone"});
        QVERIFY(findIn(drawings, missing));
        QVERIFY(!drawings.find(missing, QStringLiteral("renamed"), kChart, kTheme, kMap, kSize));
    }

    void drawingsOfBytesNoStateHoldsAreLetGoAndTheUnshownAreBounded() {
        ChartDrawings drawings;
        std::optional<engine::Package> gone = deck();
        gone->setPart(kChart, QByteArray("<c:chartSpace>gone</c:chartSpace>"));
        engine::Package kept = deck();
        drawings.insert(*gone, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawing());
        drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, kSize, drawing());
        drawings.prune();
        QCOMPARE(drawings.count(), 2);
        gone.reset();
        drawings.prune();
        QCOMPARE(drawings.count(), 1);
        QVERIFY(findIn(drawings, kept));

        // Many sizes of a chart still held: those shown since the last prune all stay, the
        // rest down to the bound, the most recently shown first.
        const int many = ChartDrawings::kKeptUnshown + 10;
        for (int i = 1; i <= many; ++i)
            drawings.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap,
                            QSizeF(100 + i, 100), drawing());
        drawings.prune();
        QCOMPARE(drawings.count(), many + 1);
        QVERIFY(findIn(drawings, kept, QSizeF(101, 100)));
        drawings.prune();
        QCOMPARE(drawings.count(), ChartDrawings::kKeptUnshown + 1);
        QVERIFY(findIn(drawings, kept, QSizeF(101, 100)));  // shown last
        QVERIFY(findIn(drawings, kept, QSizeF(100 + many, 100)));
        QVERIFY(!findIn(drawings, kept, QSizeF(102, 100)));

        // And down to the bound of their size.
        ChartDrawings large(ChartDrawings::kKeptUnshown,
                            ChartDrawings::costOf(drawing(100)) * 5 / 2);
        for (int i = 1; i <= 4; ++i)
            large.insert(kept, QStringLiteral("deck"), kChart, kTheme, kMap, QSizeF(100 + i, 100),
                         drawing(100));
        large.prune();
        QCOMPARE(large.count(), 4);
        large.prune();
        QCOMPARE(large.count(), 2);
        QVERIFY(findIn(large, kept, QSizeF(104, 100)));
        QVERIFY(!findIn(large, kept, QSizeF(102, 100)));
    }
};

QTEST_MAIN(ChartDrawingsTest)
#include "tst_chartdrawings.moc"
