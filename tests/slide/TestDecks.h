#pragma once

#include "engine/presentation/Presentation.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

// Presentations made for the slide drawing tests: the built-in template's master, layouts and
// theme, with slides whose shape trees the tests write themselves.
namespace testdecks {

// The XML of a slide whose cSld holds background (a p:bg element or "") and shapes (the
// children of its shape tree after the group properties).
QByteArray slideXml(const QString& shapes, const QString& background = QString());

// Media related from every slide: the first as rId2, the next rId3... (rId1 is the layout).
struct Media {
    QByteArray bytes;
    QString extension = QStringLiteral("png");
};

// A presentation whose slides are slideXmls, in order, each on the layout with this
// PowerPoint number (16: title and content, 12: blank) unless layouts gives slide i its own,
// with media related from each slide.
engine::Presentation deck(const std::vector<QByteArray>& slideXmls, int layoutNumber = 12,
                          const std::vector<Media>& media = {}, const std::vector<int>& layouts = {});

// A PNG of w x h pixels, its left half `left` and right half `right`.
QByteArray png(int w, int h, QColor left, QColor right);

// A sp element: id, name, frame in points, inner XML of spPr after the xfrm, and a txBody (or "").
QString shape(int id, const QString& name, double x, double y, double w, double h, const QString& spPrRest,
              const QString& txBody = QString());

}  // namespace testdecks

namespace testdecks {

// A deck with every element the window draws, one kind of content per slide: placeholders with
// bullets on the title-and-content layout; preset shapes, a connector with an arrow and a group
// over a gradient background; a cropped picture and a table; and, last, elements without a
// drawing of their own (a diagram frame, ink, an unknown element, a missing picture).
engine::Presentation everyElementDeck();

}  // namespace testdecks
