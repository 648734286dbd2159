#include "engine/presentation/BuiltInTemplate.h"

namespace engine {

// The Quillmere theme: a cool blue-led palette and Arial throughout (served by Liberation Sans
// where Arial itself is missing). Three fills, lines, effects and background fills each, as the
// format scheme requires.
QByteArray builtInThemeXml() {
    return QByteArrayLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="Quillmere">
<a:themeElements>
<a:clrScheme name="Quillmere">
<a:dk1><a:sysClr val="windowText" lastClr="000000"/></a:dk1>
<a:lt1><a:sysClr val="window" lastClr="FFFFFF"/></a:lt1>
<a:dk2><a:srgbClr val="1F2A44"/></a:dk2>
<a:lt2><a:srgbClr val="E8ECF1"/></a:lt2>
<a:accent1><a:srgbClr val="2E6DB4"/></a:accent1>
<a:accent2><a:srgbClr val="D9822B"/></a:accent2>
<a:accent3><a:srgbClr val="4C9F70"/></a:accent3>
<a:accent4><a:srgbClr val="8E5BA8"/></a:accent4>
<a:accent5><a:srgbClr val="C8474A"/></a:accent5>
<a:accent6><a:srgbClr val="3BA3A8"/></a:accent6>
<a:hlink><a:srgbClr val="2E6DB4"/></a:hlink>
<a:folHlink><a:srgbClr val="8E5BA8"/></a:folHlink>
</a:clrScheme>
<a:fontScheme name="Quillmere">
<a:majorFont><a:latin typeface="Arial"/><a:ea typeface=""/><a:cs typeface=""/></a:majorFont>
<a:minorFont><a:latin typeface="Arial"/><a:ea typeface=""/><a:cs typeface=""/></a:minorFont>
</a:fontScheme>
<a:fmtScheme name="Quillmere">
<a:fillStyleLst>
<a:solidFill><a:schemeClr val="phClr"/></a:solidFill>
<a:solidFill><a:schemeClr val="phClr"><a:tint val="60000"/></a:schemeClr></a:solidFill>
<a:solidFill><a:schemeClr val="phClr"><a:shade val="80000"/></a:schemeClr></a:solidFill>
</a:fillStyleLst>
<a:lnStyleLst>
<a:ln w="6350" cap="flat" cmpd="sng" algn="ctr"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:prstDash val="solid"/></a:ln>
<a:ln w="12700" cap="flat" cmpd="sng" algn="ctr"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:prstDash val="solid"/></a:ln>
<a:ln w="19050" cap="flat" cmpd="sng" algn="ctr"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:prstDash val="solid"/></a:ln>
</a:lnStyleLst>
<a:effectStyleLst>
<a:effectStyle><a:effectLst/></a:effectStyle>
<a:effectStyle><a:effectLst/></a:effectStyle>
<a:effectStyle><a:effectLst/></a:effectStyle>
</a:effectStyleLst>
<a:bgFillStyleLst>
<a:solidFill><a:schemeClr val="phClr"/></a:solidFill>
<a:solidFill><a:schemeClr val="phClr"><a:tint val="95000"/></a:schemeClr></a:solidFill>
<a:solidFill><a:schemeClr val="phClr"><a:shade val="90000"/></a:schemeClr></a:solidFill>
</a:bgFillStyleLst>
</a:fmtScheme>
</a:themeElements>
<a:objectDefaults/>
<a:extraClrSchemeLst/>
</a:theme>
)");
}

}  // namespace engine
