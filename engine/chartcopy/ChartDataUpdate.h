#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// What bringing a chart's data up to date changed, for the report of a refresh.
struct ChartDataChange {
    int values = 0;         // value points (values, x and y values, bubble sizes) now different
    int categories = 0;     // category points now different
    int seriesNames = 0;    // series whose name changed
    int seriesAdded = 0;
    int seriesRemoved = 0;
    int numberFormats = 0;  // caches whose number formats changed
    int titles = 0;         // a title read from a cell that now reads otherwise
    // The workbook's chart has other chart groups (kinds) than the deck's, or a markup the
    // deck's cannot take series from: its data cannot be updated in place.
    bool structureChanged = false;

    bool any() const {
        return values || categories || seriesNames || seriesAdded || seriesRemoved || numberFormats || titles;
    }
    // "12 values, 1 series added"; "unchanged" when nothing changed.
    QString text() const;
};

// The data of a deck's chart part brought up to date from the same chart as a copy would paste
// it now (fresh): each series of the deck's chart is matched with one of fresh's in the same
// chart group (by name and name formula, then name, then name formula, then value formula,
// then in order) and takes fresh's name, categories and values (formulas and caches with their
// number formats); every other element of the deck's series (fill, line, markers, labels, point
// overrides, trend lines) is kept, so formatting edits made in the deck stay. Series of fresh
// that match none are added with fresh's look, series of the deck that match none are removed,
// and the series follow fresh's order. A title read from a cell is updated the same way.
//
// When the chart groups differ, change->structureChanged is set and deckXml is returned as it
// was. Throws DocumentError naming file and part when either part is malformed or no chart.
QByteArray updateChartData(const QByteArray& deckXml, const QByteArray& freshXml, const QString& file,
                           const QString& part, ChartDataChange* change);

}  // namespace engine
