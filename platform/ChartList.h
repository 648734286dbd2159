#pragma once

#include <QString>

class QTreeWidget;

namespace platform {

// The chart list's rows (ChartRow) over the list view: sheet name in column 1 (the row's own
// text, carrying the check box), chart name in column 2, chart index in column 3. Rows are
// addressed by 1-based position from the top. Reading or writing a position outside 1 to
// count() throws Failure("Index out of bounds"). The list widget is lent, not owned.
class ChartList {
public:
    enum Column { kSheetName = 0, kChartName = 1, kChartIndex = 2 };

    explicit ChartList(QTreeWidget* list) : m_list(list) {}

    int count() const;
    // Appends a row whose text is sheetName, unchecked, with empty cells; returns its position.
    int append(const QString& sheetName);
    QString sheetName(int position) const;
    QString chartName(int position) const;
    QString chartIndex(int position) const;
    bool checked(int position) const;
    void setChartName(int position, const QString& name);
    void setChartIndex(int position, const QString& index);
    void setChecked(int position, bool on);
    void scrollTo(int position);
    void clear();

private:
    QTreeWidget* m_list;
};

}  // namespace platform
