#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace engine {

// The number formats of the styles part: for each cell format (cellXfs/xf, the cell's s
// index) its format code, built-in codes included. Only what the cells of a chart need.
class StylesPart {
public:
    StylesPart() = default;
    // Throws DocumentError naming the file and part when malformed.
    static StylesPart parse(const QByteArray& xml, const QString& file, const QString& part,
                            const Limits& limits);

    // The format code of cell format xfIndex; "" for General or an unknown index.
    QString numberFormat(int xfIndex) const;

    // The code of a built-in number format id ("" for General or an id without one).
    static QString builtInFormat(int id);

private:
    std::vector<int> m_xfFormatIds;
    QHash<int, QString> m_customFormats;
};

}  // namespace engine
