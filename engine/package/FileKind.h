#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// What the first bytes of a file say it is, in words that finish a sentence of a message
// ("a PDF document", "a text file", "an empty file"), for telling a user plainly why a file
// given as a workbook or a presentation is none. "" when the bytes match no kind named here
// (a zip or a compound file, which their own readers judge, or unknown binary data).
// head: the first bytes of the file (512 are plenty); size: the whole file's size.
QString describeFileStart(const QByteArray& head, qint64 size);

}  // namespace engine
