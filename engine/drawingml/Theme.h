#pragma once

#include "engine/drawingml/Color.h"
#include "engine/drawingml/ShapeProperties.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// A theme part (a:theme) or theme override part (a:themeOverride): its colour, font and format
// schemes. Read-only; the part itself is never rewritten from this model.

namespace engine::drawingml {

struct FontCollection {
    QString latin;
    QString eastAsian;
    QString complexScript;
    std::vector<std::pair<QString, QString>> byScript;  // a:font script -> typeface
};

struct FontScheme {
    QString name;
    FontCollection major;
    FontCollection minor;
};

struct FormatScheme {
    QString name;
    std::vector<Fill> fills;             // a:fillStyleLst, referenced by index 1..
    std::vector<Line> lines;             // a:lnStyleLst
    std::vector<Effects> effects;        // a:effectStyleLst
    std::vector<Fill> backgroundFills;   // a:bgFillStyleLst, referenced by 1001..
};

struct Theme {
    QString name;
    std::optional<ColorScheme> colors;   // absent only in an override that leaves it out
    std::optional<FontScheme> fonts;
    std::optional<FormatScheme> formats;

    // The fill, line or effect a style reference picks, or nullptr for index 0 or out of range.
    const Fill* fillOf(int index) const;
    const Line* lineOf(int index) const;
    const Effects* effectOf(int index) const;
};

// Reads a theme or theme override part. Throws DocumentError naming file and part when the XML
// is malformed (corrupt) or its root is neither a:theme nor a:themeOverride (unsupported).
Theme readTheme(const QByteArray& xml, const QString& file, const QString& part);
// The theme with each scheme of the override put in place of its own.
Theme withOverride(Theme theme, const Theme& override_);

}  // namespace engine::drawingml
