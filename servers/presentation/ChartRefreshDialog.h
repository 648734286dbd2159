#pragma once

#include "refresh/DeckRefresh.h"

#include <QDialog>
#include <vector>

class QLabel;
class QTreeWidget;

namespace servers {

// What "Update Charts From Workbooks" did, chart by chart: one row per chart that remembers its
// workbook (slide, chart, source, what changed), under a line that sums it up and says that
// the presentation changes on disk only when saved. Shows results only; it changes nothing.
// Not modal; it deletes itself when closed.
class ChartRefreshDialog : public QDialog {
    Q_OBJECT
public:
    ChartRefreshDialog(const std::vector<refresh::ChartResult>& results, QWidget* parent);

    QTreeWidget* resultList() const { return m_list; }
    QString summary() const;

private:
    QLabel* m_summary = nullptr;
    QTreeWidget* m_list = nullptr;
};

}  // namespace servers
