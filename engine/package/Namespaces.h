#pragma once

#include <string_view>

// The XML namespaces of the Open XML parts this engine reads and writes, in one place.
//
// ISO/IEC 29500 has two spellings of most Office namespaces: the transitional one
// (http://schemas.openxmlformats.org/...) that office suites write by default, and the strict one
// (http://purl.oclc.org/ooxml/...). A reader treats both as the same namespace, so every part is
// matched through `Ns`, never through a URI or a prefix. Writers always use the transitional
// spelling, unless the document already binds the strict one, whose prefix is then reused.

namespace engine::xml {

enum class Ns : unsigned char {
    None,          // no namespace (an unprefixed attribute), or an element in no namespace
    Unknown,       // a namespace this engine does not know
    PackageRels,   // relationships parts (_rels/*.rels)
    ContentTypes,  // [Content_Types].xml
    R,             // officeDocument relationships: r:id, r:embed
    A,             // DrawingML main
    C,             // DrawingML chart
    Xdr,           // spreadsheet drawing
    Cdr,           // chart drawing (user shapes)
    Pic,           // DrawingML picture
    P,             // PresentationML
    S,             // SpreadsheetML main
    Mc,            // markup compatibility
    C14,           // chart extensions of Office 2010
    C16,           // chart extensions of Office 2016
    Cx,            // chartEx (Office 2016 charts): never a classic chart
    Cs,            // chart style and colour style parts
    C15,           // chart extensions of Office 2013 (data label ranges, leader lines)
    Count
};

// The transitional URI of ns ("" for None and Unknown); what writers declare.
const char* uriOf(Ns ns);
// The strict URI of ns, or the same as uriOf when the namespace has a single spelling.
const char* strictUriOf(Ns ns);
// The prefix office suites use for ns ("c" for C); what writers declare when a part binds none.
const char* usualPrefixOf(Ns ns);
// Which namespace a URI names, in either spelling; Unknown for any other URI.
Ns namespaceOfUri(std::string_view uri);

// Relationship types, in their transitional spelling. relationshipTypeIs() compares a type read
// from a file with one of these, accepting the strict spelling as well.
namespace rel {
inline constexpr const char* kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr const char* kCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr const char* kExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr const char* kSlide =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide";
inline constexpr const char* kSlideLayout =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideLayout";
inline constexpr const char* kSlideMaster =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideMaster";
inline constexpr const char* kTheme =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr const char* kThemeOverride =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/themeOverride";
inline constexpr const char* kPresProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/presProps";
inline constexpr const char* kViewProps =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/viewProps";
inline constexpr const char* kTableStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/tableStyles";
inline constexpr const char* kChart =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart";
inline constexpr const char* kPackage =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/package";
// A frame of one of the newer chart kinds to its chartex part.
inline constexpr const char* kChartex = "http://schemas.microsoft.com/office/2014/relationships/chartEx";
inline constexpr const char* kImage =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr const char* kTags =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/tags";
inline constexpr const char* kOleObject =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/oleObject";
inline constexpr const char* kNotesSlide =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/notesSlide";
inline constexpr const char* kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr const char* kChartsheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
inline constexpr const char* kDrawing =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
inline constexpr const char* kSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr const char* kStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char* kChartUserShapes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes";
}  // namespace rel

// True when type is `expected` (a transitional Office relationship type above), or its strict
// twin (http://purl.oclc.org/ooxml/officeDocument/relationships/...).
bool relationshipTypeIs(std::string_view type, std::string_view expected);

// The graphicData uri of a classic chart frame, in either spelling.
bool isChartGraphicUri(std::string_view uri);
// The graphicData uri of a frame of the newer chart kinds (cx:chart, a chartex part).
bool isChartexGraphicUri(std::string_view uri);

}  // namespace engine::xml
