#include "ColourScheme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

namespace platform {

bool isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

QPalette lightPalette() {
    QPalette source = QApplication::palette();
    if (isDarkPalette(source)) {
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        if (fusion) source = fusion->standardPalette();
    }
    QPalette light;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            if (role == QPalette::NoRole) continue;
            const auto colourRole = static_cast<QPalette::ColorRole>(role);
            light.setBrush(group, colourRole, source.brush(group, colourRole));
        }
    }
    return light;
}

QColor pageBackdrop(const QPalette& palette, const QColor& light) {
    return isDarkPalette(palette) ? palette.color(QPalette::Window).darker(140) : light;
}

}  // namespace platform
