// The structure-aware mutator of the clipboard's chart package: the input is read as a package,
// one of its pieces is changed (the chart part or a related part edited as XML, a part added,
// dropped or retyped, a cell or the size changed) and the package is written again, so that
// mutations reach the paste instead of dying in the package reader's checks. Inputs that are
// no package are mutated as bytes.

#include "XmlMutator.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

const char* const kContentTypes[] = {
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml",
    "application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml",
    "application/vnd.openxmlformats-officedocument.themeOverride+xml",
    "application/vnd.ms-office.chartstyle+xml",
    "application/vnd.ms-office.chartcolorstyle+xml",
    "image/png",
    "image/svg+xml",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
};

const char* const kPartNames[] = {
    "/xl/charts/chart1.xml", "/xl/charts/chart2.xml", "/xl/drawings/drawing1.xml", "/xl/media/image1.png",
    "/xl/charts/style1.xml", "/xl/charts/colors1.xml", "/xl/theme/themeOverride1.xml", "/xl/charts/../x.xml",
    "/XL/CHARTS/CHART1.XML", "/[Content_Types].xml",
};

bool editXml(QByteArray& bytes, size_t maxSize, std::minstd_rand& random, const fuzzmutate::Vocabulary& vocabulary) {
    std::string xml(bytes.constData(), size_t(bytes.size()));
    if (!fuzzmutate::mutateXml(xml, maxSize, random, vocabulary)) return false;
    bytes = QByteArray(xml.data(), qsizetype(xml.size()));
    return true;
}

QVariant oddValue(std::minstd_rand& random) {
    switch (random() % 6) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return std::numeric_limits<double>::infinity();
    case 2: return 1e308;
    case 3: return QString(int(random() % 40000), QChar(u'x'));
    case 4: return QVariant();
    default: return double(int64_t(random()) - int64_t(random()));
    }
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    engine::ChartPackage package;
    try {
        if (random() % 8 == 0) return LLVMFuzzerMutate(data, size, maxSize);
        package = engine::chartPackageFromBytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const engine::DocumentError&) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    auto& parts = package.parts;
    engine::ChartPackage::Part& part = parts[random() % parts.size()];
    fuzzmutate::Vocabulary relationships{{"Relationships", "Relationship"}, {"Id", "Type", "Target", "TargetMode"}};
    bool changed = true;
    switch (random() % 12) {
    case 0:
    case 1:
    case 2:
    case 3:  // the chart part
        changed = editXml(parts.front().data, maxSize, random, fuzzmutate::chartVocabulary());
        break;
    case 4: {  // another part, with its own names
        fuzzmutate::Vocabulary vocabulary = fuzzmutate::chartVocabulary();
        fuzzmutate::harvest(part.data.toStdString(), vocabulary);
        changed = editXml(part.data, maxSize, random, vocabulary);
        break;
    }
    case 5:  // the relationships of a part
        fuzzmutate::harvest(part.rels.toStdString(), relationships);
        changed = editXml(part.rels, maxSize, random, relationships);
        break;
    case 6:  // a part added as a copy under another name and kind
        parts.push_back(part);
        parts.back().name = QString::fromLatin1(kPartNames[random() % std::size(kPartNames)]);
        parts.back().contentType = QString::fromLatin1(kContentTypes[random() % std::size(kContentTypes)]);
        break;
    case 7:  // a part dropped, or retyped
        if (parts.size() > 1 && random() % 2) parts.erase(parts.begin() + qsizetype(&part - parts.data()));
        else part.contentType = QString::fromLatin1(kContentTypes[random() % std::size(kContentTypes)]);
        break;
    case 8:  // a cell's value, place or sheet
        if (package.cells.empty()) {
            package.cells.push_back({package.sheetName, 0, 0, 1.0, {}});
        } else {
            auto& cell = package.cells[random() % package.cells.size()];
            switch (random() % 4) {
            case 0: cell.value = oddValue(random); break;
            case 1: cell.row = int(random() % 2 ? random() : random() % 1048577); break;
            case 2: cell.column = int(random() % 16385); break;
            default: cell.sheet = random() % 2 ? cell.sheet.toUpper() : QStringLiteral("'Other'!"); break;
            }
        }
        break;
    case 9:  // the size
        package.cx = random() % 2 ? qint64(random()) * qint64(random() % 64) : 0;
        package.cy = random() % 2 ? qint64(random()) : 1;
        break;
    case 10:  // the source's theme
        changed = editXml(package.theme, maxSize, random, fuzzmutate::chartVocabulary());
        break;
    default:  // a part's bytes
        changed = false;
        break;
    }
    if (!changed) return LLVMFuzzerMutate(data, size, maxSize);
    const QByteArray bytes = engine::chartPackageToBytes(package);
    if (size_t(bytes.size()) > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    return size_t(bytes.size());
}
