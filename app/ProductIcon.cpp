#include "ProductIcon.h"

#include <QPainter>
#include <QPixmap>

namespace app {

QImage productIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    // The slide: a white page with a dark border.
    painter.setPen(QPen(QColor(40, 60, 90), unit));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(unit * 0.5, unit * 2, unit * 15, unit * 12), unit, unit);
    // Three bars rising left to right, in the chart colours of a default workbook.
    const QColor colours[] = {QColor(68, 114, 196), QColor(237, 125, 49), QColor(112, 173, 71)};
    const qreal heights[] = {4, 6.5, 9};
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(colours[i]);
        painter.drawRect(QRectF(unit * (3 + i * 3.8), unit * (12.5 - heights[i]), unit * 2.6,
                                unit * heights[i]));
    }
    painter.end();
    return image;
}

QIcon productIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(productIconImage(size)));
    }
    return icon;
}

}  // namespace app
