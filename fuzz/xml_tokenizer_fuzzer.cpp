// Fuzz target: the streaming XML tokenizer, fed the input whole and in small pieces; both must
// report the same tokens, also when the handler passes over the content of some elements.

#include "FuzzSupport.h"
#include "engine/workbook/XmlStream.h"

#include <string>

namespace {

class Recorder : public engine::XmlStream::Handler {
public:
    explicit Recorder(bool passOver) : m_passOver(passOver) {}

    bool startElement(std::string_view name, const engine::XmlStream::Attributes& attributes) override {
        // Passes over elements by a rule of their first attribute, so that in a sheet some rows
        // and cells are passed over and some are not (r="1" is, r="2" is not).
        if (m_passOver && attributes.begin() != attributes.end()) {
            const std::string_view first = attributes.begin()->second;
            if (!first.empty() && (static_cast<unsigned char>(first.back()) & 1)) skipContent();
        }
        log += '<';
        log += name;
        for (const auto& [key, value] : attributes) {
            log += ' ';
            log += key;
            log += '=';
            log += value;
        }
        return true;
    }
    bool endElement(std::string_view name) override {
        log += "</";
        log += name;
        return true;
    }
    bool text(std::string_view text) override {
        log += text;
        return true;
    }
    std::string log;

private:
    bool m_passOver;
};

std::string tokens(const QByteArray& bytes, qsizetype piece, bool passOver, bool* ok) {
    Recorder recorder(passOver);
    engine::Limits limits;
    engine::XmlStream stream(recorder, QStringLiteral("fuzz.xlsx"), QStringLiteral("/xl/fuzz.xml"), limits);
    try {
        for (qsizetype at = 0; at < bytes.size(); at += piece) stream.feed(bytes.mid(at, piece));
        stream.finish();
        *ok = true;
    } catch (const engine::DocumentError&) {
        *ok = false;
    }
    return recorder.log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    for (const bool passOver : {false, true}) {
        bool wholeOk = false, piecesOk = false;
        const std::string whole = tokens(bytes, std::max<qsizetype>(bytes.size(), 1), passOver, &wholeOk);
        const std::string pieces = tokens(bytes, 7, passOver, &piecesOk);
        // However the pieces fall, the same document reads the same.
        if (wholeOk != piecesOk || (wholeOk && whole != pieces)) abort();
    }
    return 0;
}
