#pragma once

#include "engine/package/Package.h"

namespace engine {

// The built-in template new presentations start from, made by this project: a 16:9 slide
// (12192000 x 6858000 EMU), the "Quillmere" theme, one slide master with three layouts (Title
// Slide, Title and Content, Blank) and no slides. Generated in code so that it needs no file
// beside the program; each call returns a fresh package the caller owns.
Package builtInTemplatePackage();

// The theme part of the template (a:theme), also used where a part needs a theme of its own.
QByteArray builtInThemeXml();

// The name new presentations are known by in errors before they are first saved.
inline constexpr const char* kBuiltInTemplateName = "built-in template";

}  // namespace engine
