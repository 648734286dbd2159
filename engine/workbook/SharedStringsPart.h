#pragma once

#include "engine/package/Package.h"

#include <QString>
#include <map>
#include <set>

namespace engine {

// The shared strings part (sst) read by streaming, keeping only the entries asked for and
// stopping after the highest of them, so that a large table costs only as far as needed.
// Rich text runs are joined; phonetic runs (rPh) are left out. Throws DocumentError naming the
// file and part when the XML is malformed before that point.
std::map<int, QString> readSharedStrings(const PackageReader& package, const QString& part,
                                         const std::set<int>& wanted);

}  // namespace engine
