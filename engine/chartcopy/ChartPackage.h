#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace engine {

// What the spreadsheet's ChartArea.Copy leaves on the clipboard and the presentation's paste
// takes: one chart, self-contained, so that pasting needs no open workbook.
//
//  - parts: the chart part (a classic chart, or a chartex part of the newer kinds) first, then every part it reaches through its relationships (chart
//    style, colours, user-shape drawings and their images...), each under its name in the
//    source workbook, with its content type and its relationships part's bytes (empty when
//    none). Relationship targets inside them are relative, as in the workbook.
//  - theme: the source workbook's theme part (a:theme), so the chart can keep its look.
//  - cells: the values the chart's formulas refer to, under their sheet names and cell
//    addresses, and nothing else of the workbook.
//  - size in EMU, computed from the chart's anchor in its sheet's drawing.
struct ChartPackage {
    struct Part {
        QString name;         // "/xl/charts/chart1.xml"
        QString contentType;  // "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"
        QByteArray data;
        QByteArray rels;      // the part's .rels part, empty when it has none
    };

    struct Cell {
        QString sheet;     // sheet name as in the workbook ("My Sheet")
        int row = 0;       // 0-based
        int column = 0;    // 0-based
        QVariant value;    // double or QString; a null QVariant for an empty cell
        QString numberFormat;  // format code when the cell's number format is not General
    };

    QString sourceFile;  // the workbook path, for messages
    QString sheetName;   // the worksheet that holds the chart
    QString chartName;   // the chart object's name ("Chart 1")
    int chartIndex = -1;  // 0-based place among the sheet's chart objects; -1 when unknown
    std::vector<Part> parts;  // parts[0] is the chart part
    QByteArray theme;         // the workbook's theme part, empty when it has none
    std::vector<Cell> cells;
    qint64 cx = 0;  // EMU
    qint64 cy = 0;
    bool date1904 = false;  // the workbook's date system, for the embedded data
    // The application that wrote the workbook (docProps/app.xml Application and AppVersion;
    // empty when unknown): what the chart's absent elements mean depends on it.
    QString producerApplication;
    QString producerVersion;
    // Set by the copy that read the chart part from its workbook and found every prefix in it
    // declared (requireDeclaredPrefixes), so that a paste of this very package need not walk
    // the part again. Never carried in the clipboard's bytes: a package read from them comes
    // from wherever the clipboard's data came from, and is checked.
    bool prefixesChecked = false;

    const Part& chartPart() const { return parts.front(); }
    // Whether the chart is one of the newer kinds: its part a chartex part (cx:chartSpace).
    bool isChartex() const;
};

inline constexpr const char* kChartContentType = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
inline constexpr const char* kChartexContentType = "application/vnd.ms-office.chartex+xml";

// The kinds of part a chart package carries beside the chart itself: chart style and colours,
// user-shape drawings, theme overrides and pictures, reached through relationships of these
// types. Worksheets, workbooks, embedded packages and anything else a chart's relationships
// may name stay behind: they are not the chart's, and could hold far more of the workbook.
bool chartPackageCarriesRelationship(const QString& relationshipType);
bool chartPackageCarriesContentType(const QString& contentType);
// The one rule for which parts belong to a chart, kept alike by the copy (the collector), the
// clipboard reader and the paste: besides the chart part, a part reached from a part of the
// chart through a relationship of a carried type whose content type is the kind that
// relationship names (chart style part for chart style, picture for picture...). Anything
// else, a second chart or a part of another kind than its relationship says among them, is
// not the chart's.
bool chartPackageCarriesPart(const QString& relationshipType, const QString& contentType);
// Whether a part of the chart of this content type names the targets of its relationships of
// this type by relationship id in its XML: the chart part its user shapes and pictures, a
// user-shapes drawing its pictures. A part that is not the chart's is left behind with its
// relationship; one named so the chart cannot do without.
bool chartPackageNamesPartById(const QString& sourceContentType, const QString& relationshipType);
inline constexpr int kMaxChartPackageParts = 256;

// The clipboard format of a chart package.
inline constexpr const char* kChartPackageMime = "application/x-quillmere-chart-package";

// Bytes of a chart package and back. The bytes may come from any program (the clipboard is
// not ours alone), so fromBytes checks every count, size and name before it allocates or
// places anything: version, part and cell counts within bounds, part names well-formed and
// distinct, part kinds among those above with a chart first, cell positions on a sheet and
// values empty, text, a finite number or a truth value. It throws engine::DocumentError naming
// the clipboard when the data is not a sound chart package.
QByteArray chartPackageToBytes(const ChartPackage& package);
ChartPackage chartPackageFromBytes(const QByteArray& bytes);

// Clipboard data holding a chart package made in this process, so that a paste here takes the
// package itself, without writing it into the clipboard's bytes and reading it back (for a
// chart of many points, as much work as reading its part). Another program asking for the
// package's format gets its bytes, made then and not kept, so that a large chart is not held
// twice while it stays on the clipboard. The package is shared, never changed.
class ChartPackageData : public QMimeData {
public:
    explicit ChartPackageData(std::shared_ptr<const ChartPackage> package);

    const std::shared_ptr<const ChartPackage>& package() const { return m_package; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::shared_ptr<const ChartPackage> m_package;
};

// The package itself when the data is this process's own ChartPackageData; null otherwise.
std::shared_ptr<const ChartPackage> ownChartPackage(const QMimeData& data);
// The chart package clipboard data carries: ownChartPackage, else read from the bytes of
// kChartPackageMime (throws DocumentError as chartPackageFromBytes). Null when the data has no
// chart package.
std::shared_ptr<const ChartPackage> chartPackageOf(const QMimeData& data);

}  // namespace engine
