// One chart, four pictures: a chart with a theme of its own (a theme override over its
// workbook's theme) is drawn by the chart preview, by the spreadsheet application's Export (what
// quillmere-cli render writes), as the picture its copy leaves on the clipboard, and on a slide
// of the presentation window after a paste. Each picture shows the series in the override's
// colours, the same in all four.

#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ChartPreview.h"
#include "engine/chartdraw/ChartScene.h"
#include "engine/presentation/Presentation.h"
#include "office/Excel.h"
#include "platform/Clipboard.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/SlideRenderer.h"
#include "servers/spreadsheet/SpreadsheetServer.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/GeneratedFiles.h"
#include "tests/support/TestSettings.h"

namespace {

using engine::chart::ChartScene;
using engine::chart::SceneTag;

// The series' colours in the workbook's theme override, in series order.
const QList<QColor> kOverrideAccents = {QColor(0xC0, 0x00, 0x00), QColor(0x00, 0xA0, 0x00),
                                        QColor(0x00, 0x00, 0xC0)};
constexpr int kSeries = 3;
constexpr int kProbedPoint = 3;  // the tallest bars of the chart's data

// A picture of a chart and where, in its pixels, the probed bar of each series lies.
struct Picture {
    QImage image;
    QList<QPointF> probes;
    QString failure;  // why there is no picture
};

QString themedWorkbook() {
    return testsupport::generatedFile(QStringLiteral("make-themed-chart-workbook.py"), {},
                                      QStringLiteral("themed.xlsx"));
}

// The centres of the probed bars in scene points.
QList<QPointF> barCentres(const ChartScene& scene) {
    QList<QPointF> centres;
    for (int s = 0; s < kSeries; ++s) {
        const auto bars = scene.find(SceneTag::Element::DataPoint, s, kProbedPoint);
        centres << (bars.empty() ? QPointF(-1, -1) : bars.front()->path.boundingRect().center());
    }
    return centres;
}

// The probes of a scene drawn into target.
QList<QPointF> mapped(const QList<QPointF>& centres, QSizeF sceneSize, const QRectF& target) {
    QList<QPointF> out;
    for (const QPointF& c : centres) {
        out << QPointF(target.left() + c.x() * target.width() / sceneSize.width(),
                       target.top() + c.y() * target.height() / sceneSize.height());
    }
    return out;
}

// The colour around a probe: the middle of a 3 x 3 block's colours, so that an edge of an
// anti-aliased scaling does not decide it.
QColor colourAt(const QImage& image, QPointF at) {
    const QPoint p = at.toPoint();
    QList<int> reds, greens, blues;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (!image.rect().contains(q)) continue;
            const QColor c = image.pixelColor(q);
            reds << c.red();
            greens << c.green();
            blues << c.blue();
        }
    }
    if (reds.isEmpty()) return {};
    std::sort(reds.begin(), reds.end());
    std::sort(greens.begin(), greens.end());
    std::sort(blues.begin(), blues.end());
    const qsizetype mid = reds.size() / 2;
    return QColor(reds[mid], greens[mid], blues[mid]);
}

bool near(const QColor& a, const QColor& b) {
    constexpr int kTolerance = 12;
    return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= kTolerance &&
           std::abs(a.green() - b.green()) <= kTolerance &&
           std::abs(a.blue() - b.blue()) <= kTolerance;
}

}  // namespace

class ChartLookRoadsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_out;
    testsupport::FakeDialogs m_dialogs;
    std::shared_ptr<office::ExcelApplication> m_excel;
    std::shared_ptr<office::ExcelChart> m_chart;

    // The preview's canvas, as the user sees it; the chart is fitted and centred in it with a
    // margin of 12 pixels.
    Picture fromPreview(const QString& book) {
        app::ChartPreview preview(m_dialogs);
        preview.resize(900, 700);
        preview.show();
        preview.showChart(book, QStringLiteral("Themed"), 1);
        const ChartScene* scene = preview.scene();
        if (!scene) return {{}, {}, preview.message()};
        auto* canvas = preview.findChild<QWidget*>(QStringLiteral("previewCanvas"));
        Picture picture{canvas->grab().toImage(), {}, {}};
        const QRectF room = QRectF(canvas->rect()).adjusted(12, 12, -12, -12);
        const QSizeF size = scene->size.scaled(room.size(), Qt::KeepAspectRatio);
        const QRectF target(room.center() - QPointF(size.width() / 2, size.height() / 2), size);
        picture.probes = mapped(barCentres(*scene), scene->size, target);
        return picture;
    }

    // Export's PNG and the clipboard's picture both show the chart at its size on the sheet,
    // laid out as the preview lays it out.
    Picture atSheetSize(const QImage& image, const ChartScene& laidOut) {
        return {image, mapped(barCentres(laidOut), laidOut.size, QRectF(image.rect())), {}};
    }

    // The slide after a plain paste (in the deck's theme), drawn as the window draws it.
    Picture fromSlide(const QMimeData& clipboard) {
        servers::PresentationDocument document(engine::Presentation::createNew(),
                                               QStringLiteral("Presentation1"), QString(),
                                               QString(), false);
        document.addSlide(0, 12);
        document.selectSlide(0);
        try {
            document.paste(clipboard, engine::PasteFormatting::DeckTheme);
        } catch (const engine::DocumentError& e) {
            return {{}, {}, e.message()};
        }
        const auto slide = document.drawnSlide(0);
        if (!slide || !slide->failure.isEmpty())
            return {{}, {}, slide ? slide->failure : QStringLiteral("no slide")};
        const engine::slide::ScenePrimitive* frame = nullptr;
        for (const auto& item : slide->scene.items)
            if (item.kind == engine::slide::ScenePrimitive::Kind::Chart) frame = &item;
        if (!frame) return {{}, {}, QStringLiteral("no chart on the slide")};
        const servers::DrawnChart chart =
            document.drawnChart(frame->chartPart, *slide, frame->rect.size());
        if (!chart.scene) return {{}, {}, chart.failure};
        QImage image(1280, 720, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        servers::renderSlide(painter, QRectF(image.rect()), document, 0);
        painter.end();
        const QRectF page = servers::fittedSlideRect(QRectF(image.rect()), document);
        const QList<QPointF> corners =
            mapped({frame->rect.topLeft(), frame->rect.bottomRight()}, slide->scene.size, page);
        const QRectF chartOnPage(corners[0], corners[1]);
        return {image, mapped(barCentres(*chart.scene), chart.scene->size, chartOnPage), {}};
    }

  private slots:
    void initTestCase() {
        testsupport::useEmptyTestSettings();
        QVERIFY(m_out.isValid());
        m_excel = servers::createSpreadsheetApplication();
        auto book = m_excel->Workbooks()->Open(themedWorkbook());
        m_chart =
            book->Worksheets()->Item(QStringLiteral("Themed"))->ChartObjects()->Item(1)->Chart();
    }

    void cleanupTestCase() {
        m_chart.reset();
        if (m_excel) m_excel->Quit();
    }

    void everyRoadDrawsTheSeriesInTheChartsOwnTheme() {
        const Picture preview = fromPreview(themedWorkbook());

        // Laid out once at the chart's size, for the pictures drawn at that size.
        app::ChartPreview layout(m_dialogs);
        layout.showChart(themedWorkbook(), QStringLiteral("Themed"), 1);
        QVERIFY(layout.scene());

        const QString exported = m_out.filePath(QStringLiteral("render.png"));
        m_chart->Export(exported, QStringLiteral("PNG"), {});
        const Picture rendered = atSheetSize(QImage(exported), *layout.scene());

        m_chart->ChartArea()->Copy();
        const QMimeData* clipboard = platform::clipboardData();
        QVERIFY(clipboard);
        const Picture copied = atSheetSize(
            QImage::fromData(clipboard->data(QStringLiteral("image/png")), "PNG"), *layout.scene());

        const Picture slide = fromSlide(*clipboard);

        const QList<std::pair<const char*, const Picture*>> roads = {{"preview", &preview},
                                                                     {"render", &rendered},
                                                                     {"clipboard picture", &copied},
                                                                     {"slide", &slide}};
        QStringList disagreements;
        for (const auto& [name, picture] : roads) {
            if (picture->image.isNull()) {
                disagreements << QStringLiteral("%1: no picture (%2)")
                                     .arg(QLatin1String(name), picture->failure);
                continue;
            }
            for (int s = 0; s < kSeries; ++s) {
                const QColor seen = colourAt(picture->image, picture->probes[s]);
                if (!near(seen, kOverrideAccents[s])) {
                    disagreements << QStringLiteral("%1: series %2 is %3, not %4")
                                         .arg(QLatin1String(name))
                                         .arg(s + 1)
                                         .arg(seen.name(), kOverrideAccents[s].name());
                }
            }
        }
        QVERIFY2(disagreements.isEmpty(), qPrintable(disagreements.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(ChartLookRoadsTest)
#include "tst_chart_look_roads.moc"
