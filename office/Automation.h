#pragma once

#include "platform/Failure.h"

#include <QString>

namespace office {

// A call that an automation server refused: no such workbook, an index out of range, a server
// that cannot be created. The description is the server's own text, shown as it stands in the
// error box ("Slides.Add: index 7 is out of bounds (1 to 4)").
class AutomationError : public platform::Failure {
public:
    using platform::Failure::Failure;
};

// The wording for a member that an object does not offer.
inline constexpr const char* kNotSupported = "Object doesn't support this property or method";

// An application object made by program identifier. Its default value is the application's
// name ("Microsoft Excel", "Microsoft PowerPoint"), which the running-instance checks read.
// Objects are shared: the creator and the running-object table may both hold one; the
// application's resources go when the last holder lets go (or, for Excel, at Quit).
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    virtual QString Name() = 0;
};

// The tri-state values the PowerPoint object model uses for Boolean arguments.
inline constexpr int msoTrue = -1;
inline constexpr int msoFalse = 0;

}  // namespace office
