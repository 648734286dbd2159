#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace platform {

// A failure of one step of the program: an automation call refused, a conversion out of
// range, a missing object. It carries only the description that the error box shows; the
// procedure and line come from whoever catches it. Everything the program throws on purpose
// is a Failure (or derives from it); the step runner also accepts any other std::exception
// and takes its what() as the description.
class Failure : public std::exception {
public:
    explicit Failure(QString description);

    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// The usual runtime wordings for failures of the program's own steps.
namespace runtime {
inline constexpr const char* kOverflow = "Overflow";
inline constexpr const char* kTypeMismatch = "Type mismatch";
inline constexpr const char* kSubscriptOutOfRange = "Subscript out of range";
inline constexpr const char* kObjectNotSet = "Object variable not set";
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kIndexOutOfBounds = "Index out of bounds";
}  // namespace runtime

}  // namespace platform
