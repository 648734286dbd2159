#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace engine {

// The ranges a classic chart part's series read, as the provenance of a pasted chart records
// them: series by series in document order (every c:ser outside caches and literals, not one
// inside another), for each the formulas (c:f, trimmed) of the references under its c:tx, c:cat,
// c:val, c:xVal, c:yVal and c:bubbleSize in that order, each formula once. Read in one forward
// pass without a document tree: the content of caches, literals and of a series' other elements
// (formatting, labels, extension lists) is passed over, so a part whose size is its points costs
// little more than a scan of its bytes.
//
// For a part known to be well-formed (one parsed whole before, as a paste has): what is passed
// over is not checked. A formula's text broken by a comment or a CDATA section is taken whole,
// where a document tree's first text would take its first piece; no office application writes
// such a formula.
//
// nullopt when the part is not for this reader: its root is a chartex part (cx:chartSpace), or
// the part is in UTF-16 or UTF-32. Throws DocumentError naming file and part for XML found
// malformed where it is read.
std::optional<QStringList> scanSeriesRanges(const QByteArray& chartXml, const QString& file, const QString& part,
                                            const Limits& limits = {});

}  // namespace engine
