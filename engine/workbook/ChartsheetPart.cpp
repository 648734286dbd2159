#include "ChartsheetPart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "engine/package/Xml.h"

namespace engine {

namespace {

using xml::Ns;

struct PaperInches {
    int number;
    double width;
    double height;
};

constexpr double kMillimetre = 1 / 25.4;

// The paper sizes (ST_PaperSize numbers) a chart sheet is commonly printed on, portrait.
constexpr PaperInches kPaperSizes[] = {
    {1, 8.5, 11},                                // Letter
    {2, 8.5, 11},                                // Letter small
    {3, 11, 17},                                 // Tabloid
    {4, 17, 11},                                 // Ledger
    {5, 8.5, 14},                                // Legal
    {6, 5.5, 8.5},                               // Statement
    {7, 7.25, 10.5},                             // Executive
    {8, 297 * kMillimetre, 420 * kMillimetre},   // A3
    {9, 210 * kMillimetre, 297 * kMillimetre},   // A4
    {10, 210 * kMillimetre, 297 * kMillimetre},  // A4 small
    {11, 148 * kMillimetre, 210 * kMillimetre},  // A5
    {12, 250 * kMillimetre, 353 * kMillimetre},  // B4
    {13, 176 * kMillimetre, 250 * kMillimetre},  // B5
    {14, 8.5, 13},                               // Folio
    {15, 215 * kMillimetre, 275 * kMillimetre},  // Quarto
    {16, 10, 14},                                // 10 x 14 in
    {17, 11, 17},                                // 11 x 17 in
    {18, 8.5, 11},                               // Note
};

// A length of ST_PositiveUniversalMeasure ("210mm", "8.5in", "21cm", "612pt"); 0 when it is none.
double lengthInInches(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || value <= 0) return 0;
    const std::string_view unit(end, size_t(text.data() + text.size() - end));
    if (unit == "in") return value;
    if (unit == "mm") return value * kMillimetre;
    if (unit == "cm") return value * 10 * kMillimetre;
    if (unit == "pt") return value / 72;
    if (unit == "pc") return value / 6;
    if (unit == "pi") return value / 6;
    return 0;
}

// Nothing larger than this is a page; a length past it is taken as the default.
constexpr double kLargestPaperInches = 200;

}  // namespace

std::pair<qint64, qint64> ChartsheetPage::printableSize() const {
    const double width = landscape ? std::max(paperWidthInches, paperHeightInches)
                                   : std::min(paperWidthInches, paperHeightInches);
    const double height = landscape ? std::min(paperWidthInches, paperHeightInches)
                                    : std::max(paperWidthInches, paperHeightInches);
    const auto margin = [](double inches, double across) {
        return std::clamp(inches, 0.0, across / 2);
    };
    const double printableWidth = width - margin(leftInches, width) - margin(rightInches, width);
    const double printableHeight =
        height - margin(topInches, height) - margin(bottomInches, height);
    constexpr double kEmuPerInch = 914400;
    return {qint64(std::llround(printableWidth * kEmuPerInch)),
            qint64(std::llround(printableHeight * kEmuPerInch))};
}

ChartsheetPage readChartsheetPage(const PackageReader& package, const QString& part) {
    const QString file = package.fileName();
    pugi::xml_document doc;
    parseXml(doc, package.read(part), file, part, package.limits());
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, Ns::S, "chartsheet")) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("not a chart sheet part (root <%1>)")
                                .arg(QString::fromUtf8(root.name())));
    }
    ChartsheetPage page;
    const pugi::xml_node setup = xml::child(root, Ns::S, Ns::S, "pageSetup");
    const int paperSize = setup.attribute("paperSize").as_int(1);
    for (const PaperInches& paper : kPaperSizes) {
        if (paper.number == paperSize) {
            page.paperWidthInches = paper.width;
            page.paperHeightInches = paper.height;
        }
    }
    const double width = lengthInInches(setup.attribute("paperWidth").value());
    const double height = lengthInInches(setup.attribute("paperHeight").value());
    if (width > 0 && height > 0 && width <= kLargestPaperInches && height <= kLargestPaperInches) {
        page.paperWidthInches = width;
        page.paperHeightInches = height;
    }
    page.landscape = std::string_view(setup.attribute("orientation").value()) != "portrait";

    const pugi::xml_node margins = xml::child(root, Ns::S, Ns::S, "pageMargins");
    const auto marginOf = [&](const char* name, double fallback) {
        const double inches = xml::toDouble(margins.attribute(name), fallback);
        return std::isfinite(inches) && inches >= 0 && inches <= kLargestPaperInches ? inches
                                                                                     : fallback;
    };
    page.leftInches = marginOf("left", page.leftInches);
    page.rightInches = marginOf("right", page.rightInches);
    page.topInches = marginOf("top", page.topInches);
    page.bottomInches = marginOf("bottom", page.bottomInches);
    return page;
}

}  // namespace engine
