#include "engine/package/FileKind.h"

#include <QStringDecoder>

namespace engine {

namespace {

struct Signature {
    const char* bytes;
    int length;
    const char* what;
};

// Text: no NUL byte, valid UTF-8 (a last character cut by the end of head aside), and no
// control characters beyond the usual layout ones.
bool looksLikeText(const QByteArray& head) {
    if (head.isEmpty()) return false;
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) return true;  // UTF-16 with its mark
    if (head.contains('\0')) return false;
    for (char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f') return false;
    }
    // Up to three bytes of a sequence the sample cut off may be missing at the end.
    for (int cut = 0; cut <= 3 && cut < head.size(); ++cut) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        (void)decoder.decode(head.left(head.size() - cut));
        if (!decoder.hasError()) return true;
    }
    return false;
}

}  // namespace

QString describeFileStart(const QByteArray& head, qint64 size) {
    if (size == 0) return QStringLiteral("an empty file");
    static const Signature kSignatures[] = {
        {"%PDF-", 5, "a PDF document"},
        {"\x89PNG\r\n\x1A\n", 8, "a PNG image"},
        {"\xFF\xD8\xFF", 3, "a JPEG image"},
        {"GIF8", 4, "a GIF image"},
        {"{\\rtf", 5, "an RTF document"},
        {"\x1F\x8B", 2, "a gzip-compressed file"},
        {"Rar!", 4, "a RAR archive"},
        {"7z\xBC\xAF\x27\x1C", 6, "a 7-Zip archive"},
    };
    for (const Signature& s : kSignatures) {
        if (head.startsWith(QByteArray::fromRawData(s.bytes, s.length))) return QString::fromLatin1(s.what);
    }
    if (looksLikeText(head)) {
        QByteArray start = head.trimmed();
        if (start.startsWith("\xEF\xBB\xBF")) start = start.mid(3).trimmed();
        const QByteArray lower = start.left(64).toLower();
        if (lower.startsWith("<!doctype html") || lower.startsWith("<html")) return QStringLiteral("a web page (HTML)");
        if (start.startsWith('<')) return QStringLiteral("a text file of XML");
        return QStringLiteral("a text file");
    }
    return QString();
}

}  // namespace engine
