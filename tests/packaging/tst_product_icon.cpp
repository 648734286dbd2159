// The scalable icon the desktop shows and the icon the program draws are one picture: the SVG
// drawn at several sizes matches the drawing pixel for pixel, but for antialiasing.

#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

#include "app/ProductIcon.h"

class ProductIconTest : public QObject {
    Q_OBJECT

  private slots:
    void scalableIconTracesTheDrawnIcon_data() {
        QTest::addColumn<int>("size");
        for (const int size : {16, 48, 128, 512}) QTest::addRow("%d px", size) << size;
    }

    void scalableIconTracesTheDrawnIcon() {
        QFETCH(int, size);
        QSvgRenderer svg(qEnvironmentVariable("QUILLMERE_SOURCE_DIR") +
                         QStringLiteral("/packaging/org.quillmere.Quillmere.svg"));
        QVERIFY(svg.isValid());
        QImage traced(size, size, QImage::Format_ARGB32_Premultiplied);
        traced.fill(Qt::transparent);
        QPainter painter(&traced);
        svg.render(&painter);
        painter.end();
        const QImage drawn = app::productIconImage(size);
        QCOMPARE(drawn.size(), QSize(size, size));

        // Pixels whose colour differs by more than antialiasing explains.
        int differing = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QColor a = QColor::fromRgba(drawn.pixel(x, y));
                const QColor b = QColor::fromRgba(traced.pixel(x, y));
                const int distance = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                                     std::abs(a.blue() - b.blue()) +
                                     std::abs(a.alpha() - b.alpha());
                if (distance > 96) ++differing;
            }
        }
        QVERIFY2(
            differing <= size * size / 100,
            qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(differing).arg(size * size)));
    }
};

QTEST_MAIN(ProductIconTest)
#include "tst_product_icon.moc"
