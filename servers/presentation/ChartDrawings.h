#pragma once

#include "engine/chartdraw/ChartScene.h"
#include "engine/drawingml/Color.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QHash>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace servers {

// A chart of a slide as drawn at its frame's size, or why it cannot be drawn.
struct DrawnChart {
    std::shared_ptr<const engine::chart::ChartScene> scene;
    QString failure;
};

// The drawings of a presentation's charts, kept across its edits, undo and redo, and handed out
// again exactly when what a drawing was made from is what the presentation holds now. A part's
// name says nothing of its bytes (a chart pasted after another was deleted may take its part's
// name), so a drawing is kept with the bytes of every part it was drawn from: the chart part,
// its relationships and the parts they reach but its workbook (style, colours, theme override),
// the deck's properties (their producer decides defaults), and the slide's theme; and with the
// slide's colour map and the size. Copies of a presentation share their parts' bytes, so the
// check is mostly a comparison of pointers; the bytes kept here keep their memory from being
// reused while they are compared with.
//
// Drawings of a chart version no state of the document holds any more are let go at the next
// prune(); of the rest, those not shown since the previous prune are kept up to a bound,
// the most recently shown first.
class ChartDrawings {
public:
    // What is kept of drawings not shown since the previous prune: at most keptUnshown of them,
    // of at most keptUnshownBytes (estimated) together.
    static constexpr int kKeptUnshown = 64;
    static constexpr qint64 kKeptUnshownBytes = qint64(128) * 1024 * 1024;
    explicit ChartDrawings(int keptUnshown = kKeptUnshown,
                           qint64 keptUnshownBytes = kKeptUnshownBytes)
        : m_keptUnshown(keptUnshown), m_keptUnshownBytes(keptUnshownBytes) {}

    // The drawing of chartPart in package at sizeInPoints on a slide whose master's theme is
    // themePart ("" for none) under colorMap, if one is kept; deckName is the presentation's
    // name, which a failure's description carries.
    std::optional<DrawnChart> find(const engine::Package& package, const QString& deckName,
                                   const QString& chartPart, const QString& themePart,
                                   const engine::drawingml::ColorMap& colorMap,
                                   QSizeF sizeInPoints);
    // Keeps drawn, made from package as find() names it.
    void insert(const engine::Package& package, const QString& deckName, const QString& chartPart,
                const QString& themePart, const engine::drawingml::ColorMap& colorMap,
                QSizeF sizeInPoints, DrawnChart drawn);
    // Lets go of what can no longer be asked for and of what is over the bound. Called after
    // the document changed.
    void prune();

    // How many drawings are kept.
    int count() const;
    // The estimated size of a drawing, as the bound counts it.
    static qint64 costOf(const DrawnChart& drawn);

private:
    // A part as it was read: its name and its bytes, or absent.
    struct Source {
        QString name;
        QByteArray bytes;
        bool present = false;
    };
    struct Drawing {
        QString themePart;
        Source theme;
        engine::drawingml::ColorMap colorMap;
        qint64 width = 0, height = 0;  // hundredths of a point
        QString deckName;
        DrawnChart drawn;
        qint64 cost = 0;  // estimated bytes
        quint64 lastUse = 0;
    };
    // One content of a chart part: the parts it was read with (the chart part first), and its
    // drawings in every slide context and size.
    struct Version {
        std::vector<Source> sources;
        std::vector<Drawing> drawings;
    };

    static Source read(const engine::Package& package, const QString& name);
    // Whether package holds the bytes source holds under its name. When they are equal but
    // not shared, source takes the package's, so that the next check compares pointers.
    static bool sameIn(Source& source, const engine::Package& package);
    static std::vector<Source> sourcesOf(const engine::Package& package, const QString& chartPart);
    static bool sameSources(std::vector<Source>& kept, const std::vector<Source>& now);
    Drawing* drawingIn(Version& version, const engine::Package& package, const QString& deckName,
                       const QString& themePart, const engine::drawingml::ColorMap& colorMap,
                       qint64 width, qint64 height);

    int m_keptUnshown;
    qint64 m_keptUnshownBytes;
    QHash<QString, std::vector<Version>> m_charts;  // by lower-case chart part name
    quint64 m_uses = 0;
    quint64 m_usesAtPrune = 0;
};

}  // namespace servers
