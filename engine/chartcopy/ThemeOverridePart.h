#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// The theme override part (a:themeOverride) of a chart: the colour, font and format schemes of
// the workbook's theme, so that the chart keeps the look it had in the workbook whatever the
// presentation's own theme. Namespace declarations of the theme's root are carried over, so
// that extensions inside the schemes keep their prefixes bound.
//
// Throws DocumentError naming file and part when the theme is malformed or lacks a scheme.
QByteArray themeOverrideFromTheme(const QByteArray& themeXml, const QString& file,
                                  const QString& part);

}  // namespace engine
