#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>

namespace engine {

// Parses one part as XML: declaration kept, whitespace-only text kept where it is an element's
// only content (<a:t> </a:t>), namespace declarations kept as the attributes they are.
// Throws DocumentError "file: part: not well-formed XML at line N (reason)" or
// "file: part: XML nested deeper than N levels".
void parseXml(pugi::xml_document& doc, const QByteArray& bytes, const QString& file,
              const QString& part, const Limits& limits = {});

// Serialises without reformatting: what was parsed comes back as it was, apart from the
// quoting of attributes and the escaping of text.
QByteArray xmlBytes(const pugi::xml_document& doc);

// The local name of an element ("c:chart" -> "chart").
const char* localName(const pugi::xml_node& node);
// The first child element with the given local name, whatever its prefix; empty when none.
pugi::xml_node childByLocalName(const pugi::xml_node& node, const char* local);

}  // namespace engine
