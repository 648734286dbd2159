#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace engine {

// Where a pasted chart came from, so that the deck can be brought up to date from its workbook
// later. It is kept as user-defined tags of the chart's graphic frame (p:nvPr/p:custDataLst/
// p:tags, a tags part of its own): the place presentation applications keep add-in data of a
// shape on save, and where nobody sees it on the slide. Tag names are upper case with the
// QM_ prefix; other tags of the same part are kept as they are.
//
//   QM_SOURCE_VERSION   "1"
//   QM_WORKBOOK         the workbook's absolute path when the chart was copied (or relinked)
//   QM_WORKBOOK_REL     the same path relative to the deck's folder, set each time the deck is
//                       saved; "" before the first save
//   QM_SHEET            the worksheet's name
//   QM_CHART            the chart object's name on it
//   QM_CHART_INDEX      its 1-based place among the sheet's chart objects
//   QM_SERIES           the ranges the series read (names, categories, values), one a line
//   QM_COPIED           when it was copied or last refreshed, UTC, ISO 8601
//   QM_SOURCE_SIZE      the chart's size in its workbook when it was copied, "CX CY" in EMU;
//                       absent when not known (charts pasted before it was recorded)
struct ChartProvenance {
    QString workbook;
    QString workbookRelative;
    QString sheet;
    QString chart;
    int chartIndex = 0;  // 1-based; 0 when unknown
    QStringList seriesRanges;
    QDateTime copiedAt;
    // The chart's size in the workbook (EMU), 0 x 0 when not known. Writing a provenance without
    // it keeps the size a tags part holds already: a refresh does not forget it.
    qint64 sourceCx = 0;
    qint64 sourceCy = 0;
    bool hasSourceSize() const { return sourceCx > 0 && sourceCy > 0; }
};

// The tags part holding provenance: existing (the frame's tags part, empty for a new one) with
// the provenance tags set and every other tag kept.
QByteArray provenanceTagsXml(const ChartProvenance& provenance, const QByteArray& existing = {});
// The provenance a tags part holds; nothing when it has no QM_WORKBOOK tag or is not a tag
// list. Throws DocumentError naming file and part when the XML is malformed.
std::optional<ChartProvenance> readProvenanceTags(const QByteArray& tagsXml, const QString& file, const QString& part);
// The tags part with QM_WORKBOOK_REL set to relative; nullopt when it already says so or holds
// no provenance.
std::optional<QByteArray> withRelativeWorkbook(const QByteArray& tagsXml, const QString& deckFolder);

// A copy of every chart's provenance for the whole deck, kept as the custom document property
// QM_CHART_SOURCES (docProps/custom.xml, a JSON array): applications that drop shape tags when
// they save (LibreOffice Impress) keep custom document properties, slide order and shape names.
// A frame without tags of its own is matched to its record by slide, frame name and its place
// among the frames of that name on the slide.
struct FrameProvenance {
    int slide = 0;  // 1-based
    QString frame;
    int nth = 1;    // 1-based among the slide's chart frames of that name
    ChartProvenance provenance;
};
// The custom properties part (existing, or a new one when empty) with QM_CHART_SOURCES set to
// these records and every other property kept. Throws DocumentError when existing is malformed.
QByteArray provenanceCustomPropertiesXml(const std::vector<FrameProvenance>& frames, const QByteArray& existing);
// The records a custom properties part holds; none when it has no such property or the property
// does not read as records (a writer may cut long property values short).
std::vector<FrameProvenance> readProvenanceCustomProperties(const QByteArray& xml);

// The target of the external relationship that links a chart to its workbook the office
// applications' way: the workbook's file name when it lies in deckFolder (deck and workbook
// travel together), else its file URI. deckFolder is "" for a deck not saved yet.
QString workbookLinkTarget(const QString& workbook, const QString& deckFolder);

// The ranges a chart part's series read, in document order, each once: the formulas of their
// names, categories, values, x and y values and bubble sizes; of a chartex part (the newer
// kinds), the formulas of its data and series names. Throws like parseXml.
QStringList chartSeriesRanges(const QByteArray& chartXml, const QString& file, const QString& part);

}  // namespace engine
