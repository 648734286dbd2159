#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace engine {

// The workbook part (xl/workbook.xml): its <sheet> entries in tab order and the date system.
// Throws DocumentError naming the file and part when the XML is malformed or holds no sheets.
struct WorkbookPart {
    struct SheetEntry {
        QString name;
        QString state;           // "visible", "hidden" or "veryHidden"
        QString relationshipId;  // r:id into the workbook part's relationships
    };

    std::vector<SheetEntry> sheets;
    bool date1904 = false;

    static WorkbookPart parse(const QByteArray& xml, const QString& file, const QString& part,
                              const Limits& limits);
};

}  // namespace engine
