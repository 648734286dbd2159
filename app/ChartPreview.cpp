#include "app/ChartPreview.h"

#include "engine/chartdraw/ChartRenderer.h"
#include "platform/ColourScheme.h"
#include "platform/Dialogs.h"
#include "platform/WorkAside.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

const char* const kPictureFilter =
    "PNG Picture (*.png)|*.png|SVG Picture (*.svg)|*.svg|PDF Document (*.pdf)|*.pdf|";

// Where the chart is painted, fitted and centred, or the message that stands in its place.
class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(const ChartPreview& preview, QWidget* parent) : QWidget(parent), m_preview(preview) {
        setObjectName(QStringLiteral("previewCanvas"));
        setMinimumSize(240, 160);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // The ground follows the colour scheme; the chart keeps its own colours.
        painter.fillRect(rect(), platform::pageBackdrop(palette(), QColor(0xEE, 0xEF, 0xF2)));
        const QRectF room = QRectF(rect()).adjusted(12, 12, -12, -12);
        const engine::chart::ChartScene* scene = m_preview.scene();
        if (!scene || scene->size.isEmpty()) {
            // A message that explains a failure in red, legible on either scheme's ground.
            const QColor failure = platform::isDarkPalette(palette()) ? QColor(0xFF, 0x8A, 0x80) : QColor(Qt::darkRed);
            painter.setPen(m_preview.message().isEmpty() ? QColor(Qt::darkGray) : failure);
            painter.drawText(room, Qt::AlignCenter | Qt::TextWordWrap, m_preview.message());
            return;
        }
        const QSizeF size = scene->size.scaled(room.size(), Qt::KeepAspectRatio);
        const QRectF target(room.center() - QPointF(size.width() / 2, size.height() / 2), size);
        painter.fillRect(target, Qt::white);
        engine::chart::paintChartScene(*scene, painter, target);
    }

private:
    const ChartPreview& m_preview;
};

}  // namespace

QString chartSizeText(QSizeF points) {
    const QLocale locale;
    return QStringLiteral("%1 x %2 cm (%3 x %4 px)")
        .arg(locale.toString(points.width() * 2.54 / 72, 'f', 2), locale.toString(points.height() * 2.54 / 72, 'f', 2),
             locale.toString(qRound(points.width() * 96 / 72)), locale.toString(qRound(points.height() * 96 / 72)));
}

ChartPreview::ChartPreview(platform::Dialogs& dialogs) : m_dialogs(dialogs) {
    setObjectName(QStringLiteral("chartPreview"));
    setWindowTitle(QLatin1String(kTitle));
    setWindowFlag(Qt::Window);
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("previewDescription"));
    m_description->setWordWrap(true);
    m_description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_canvas = new PreviewCanvas(*this, this);
    m_save = new QPushButton(QStringLiteral("Save as Picture..."), this);
    m_save->setObjectName(QStringLiteral("savePicture"));
    m_save->setAutoDefault(false);
    layout->addWidget(m_description);
    layout->addWidget(m_canvas, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_save);
    layout->addLayout(row);
    connect(m_save, &QPushButton::clicked, this, [this] { saveAsPicture(); });
    refresh();
}

ChartPreview::~ChartPreview() = default;

void ChartPreview::showChart(const QString& path, const QString& sheetName, int chartIndex,
                             const QString& chartName) {
    m_pending = Request{path, sheetName, chartIndex, chartName};
    // A request made while one is read (the window answers meanwhile) is served when that read
    // ends, the latest only: stepping down a list of heavy charts reads no chart it passed.
    if (m_reading) return;
    m_reading = true;
    const QPointer<ChartPreview> alive(this);
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    while (alive && m_pending) {
        const Request request = *std::exchange(m_pending, std::nullopt);
        serve(request);
    }
    if (gui) QGuiApplication::restoreOverrideCursor();
    if (alive) m_reading = false;
}

namespace {

// What the preview shows of one chart, read and laid out from any thread.
struct Read {
    std::optional<engine::chart::WorkbookChart> chart;
    std::shared_ptr<const engine::chart::ChartScene> scene;
    QString description;
    QString message;
};

// The chart as the spreadsheet application reads and draws it, described.
Read readChart(const QString& path, const QString& sheetName, int chartIndex, const QString& chartName) {
    Read read;
    try {
        servers::ShownChart shown = servers::readChartToShow(path, sheetName, chartIndex);
        read.description = QStringLiteral("%1 \u2014 %2\n%3 chart, %4 series, %5")
                               .arg(sheetName, chartName.isEmpty() ? shown.name : chartName,
                                    shown.kind.isEmpty() ? QStringLiteral("Unknown") : shown.kind)
                               .arg(shown.seriesCount)
                               .arg(chartSizeText(shown.sizeInPoints));
        read.chart = std::move(shown.chart);
        read.scene = std::move(shown.scene);
    } catch (const office::AutomationError& e) {
        read.message = e.description();
        read.description = QStringLiteral("%1 \u2014 %2")
                               .arg(sheetName, chartName.isEmpty() ? QStringLiteral("chart %1").arg(chartIndex) : chartName);
    }
    return read;
}

}  // namespace

void ChartPreview::serve(const Request& request) {
    m_path = request.path;
    m_sheet = request.sheet;
    m_index = request.index;
    // Read aside: a chart of many points takes long to read and lay out, which the window's
    // thread must not wait for. The preview shows what it showed meanwhile; what it reads is
    // dropped when it was told to show nothing in the meantime.
    const int generation = ++m_generation;
    Read read;
    const QPointer<ChartPreview> alive(this);
    platform::runWhileServicingEvents(
        [&] { read = readChart(request.path, request.sheet, request.index, request.name); });
    if (!alive || generation != m_generation) return;
    m_chart = std::move(read.chart);
    m_scene = std::move(read.scene);
    m_message = read.message;
    m_description->setText(read.description);
    refresh();
}

void ChartPreview::showNothing(const QString& why) {
    ++m_generation;
    m_pending.reset();
    m_path.clear();
    m_sheet.clear();
    m_index = 0;
    m_chart.reset();
    m_scene.reset();
    m_message = why;
    m_description->clear();
    refresh();
}

QString ChartPreview::description() const { return m_description->text(); }

void ChartPreview::refresh() {
    m_save->setEnabled(m_scene != nullptr);
    m_canvas->update();
}

bool ChartPreview::saveAsPicture() {
    if (!m_chart && !m_scene) return false;
    const QString proposed = QFileInfo(m_path).dir().filePath(
        QStringLiteral("%1 %2.png").arg(m_sheet).arg(m_index));
    QString chosen = m_dialogs.saveFileName(QStringLiteral("Save as Picture"), QLatin1String(kPictureFilter), proposed);
    if (chosen.isEmpty()) return false;
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    if (suffix != QLatin1String("svg") && suffix != QLatin1String("pdf") && suffix != QLatin1String("png"))
        chosen += QStringLiteral(".png");
    const auto format = suffix == QLatin1String("svg")   ? engine::chart::PictureFormat::Svg
                        : suffix == QLatin1String("pdf") ? engine::chart::PictureFormat::Pdf
                                                         : engine::chart::PictureFormat::Png;
    try {
        if (m_chart) {
            engine::chart::writeChartPicture(m_chart->chart, m_chart->context, m_chart->sizeInPoints, format, 1.0, chosen);
        } else {
            // A chart of the newer kinds: its scene is the whole of it.
            const engine::chart::ChartScene scene = *m_scene;
            engine::chart::writeScenePicture(scene.size, format, 1.0, chosen, [&](double) { return scene; });
        }
    } catch (const engine::DocumentError& e) {
        m_dialogs.messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation, QLatin1String(kTitle));
        return false;
    }
    return true;
}

}  // namespace app
