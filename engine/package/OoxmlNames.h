#pragma once

#include "engine/package/Namespaces.h"

// Content types of the presentation parts this engine reads
// and writes. Gathered in one place so that every part writer spells them the same way.

namespace engine::ooxml {

// Relationship types are declared with the namespaces, where their strict spelling is known.
namespace rel = xml::rel;

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
inline constexpr const char* kTags =
    "application/vnd.openxmlformats-officedocument.presentationml.tags+xml";
}  // namespace ct

}  // namespace engine::ooxml
