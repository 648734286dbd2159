#pragma once

// Namespaces, relationship types and content types of the presentation parts this engine reads
// and writes. Gathered in one place so that every part writer spells them the same way.

namespace engine::ooxml {

namespace ns {
inline constexpr const char* kA = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr const char* kR =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kP = "http://schemas.openxmlformats.org/presentationml/2006/main";
inline constexpr const char* kC = "http://schemas.openxmlformats.org/drawingml/2006/chart";
inline constexpr const char* kChartUri = "http://schemas.openxmlformats.org/drawingml/2006/chart";
inline constexpr const char* kPictureUri =
    "http://schemas.openxmlformats.org/drawingml/2006/picture";
}  // namespace ns

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
inline constexpr const char* kImage =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr const char* kNotesSlide =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/notesSlide";
}  // namespace rel

namespace ct {
inline constexpr const char* kRelationships =
    "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr const char* kXml = "application/xml";
inline constexpr const char* kPresentation =
    "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
inline constexpr const char* kPresentationMacro =
    "application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml";
inline constexpr const char* kSlideShow =
    "application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml";
inline constexpr const char* kSlideShowMacro =
    "application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml";
inline constexpr const char* kTemplate =
    "application/vnd.openxmlformats-officedocument.presentationml.template.main+xml";
inline constexpr const char* kTemplateMacro =
    "application/vnd.ms-powerpoint.template.macroEnabled.main+xml";
inline constexpr const char* kSlide =
    "application/vnd.openxmlformats-officedocument.presentationml.slide+xml";
inline constexpr const char* kSlideLayout =
    "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml";
inline constexpr const char* kSlideMaster =
    "application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml";
inline constexpr const char* kTheme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr const char* kThemeOverride =
    "application/vnd.openxmlformats-officedocument.themeOverride+xml";
inline constexpr const char* kPresProps =
    "application/vnd.openxmlformats-officedocument.presentationml.presProps+xml";
inline constexpr const char* kViewProps =
    "application/vnd.openxmlformats-officedocument.presentationml.viewProps+xml";
inline constexpr const char* kTableStyles =
    "application/vnd.openxmlformats-officedocument.presentationml.tableStyles+xml";
inline constexpr const char* kCoreProperties =
    "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr const char* kExtendedProperties =
    "application/vnd.openxmlformats-officedocument.extended-properties+xml";
inline constexpr const char* kChart =
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
inline constexpr const char* kXlsx =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
inline constexpr const char* kPng = "image/png";
}  // namespace ct

}  // namespace engine::ooxml
