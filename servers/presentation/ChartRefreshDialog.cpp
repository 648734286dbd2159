#include "servers/presentation/ChartRefreshDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace servers {

namespace {

QString refreshSummaryOf(const std::vector<refresh::ChartResult>& results) {
    if (results.empty()) return QStringLiteral("No chart of this presentation came from a workbook.");
    int updated = 0, current = 0, missing = 0;
    for (const refresh::ChartResult& r : results) {
        if (r.outcome == refresh::ChartResult::Outcome::Updated) ++updated;
        else if (r.outcome == refresh::ChartResult::Outcome::Unchanged) ++current;
        else ++missing;
    }
    QString text = QStringLiteral("%1 updated, %2 unchanged, %3 not updated.").arg(updated).arg(current).arg(missing);
    if (updated > 0) text += QStringLiteral(" The file changes when you save the presentation.");
    return text;
}

}  // namespace

ChartRefreshDialog::ChartRefreshDialog(const std::vector<refresh::ChartResult>& results, QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("chartRefreshDialog"));
    setWindowTitle(QStringLiteral("Update Charts From Workbooks"));
    resize(760, 360);
    m_summary = new QLabel(refreshSummaryOf(results), this);
    m_summary->setWordWrap(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("chartRefreshResults"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Slide"), QStringLiteral("Chart"), QStringLiteral("Source"), QStringLiteral("Result")});
    for (const refresh::ChartResult& r : results) {
        auto* row = new QTreeWidgetItem(m_list, {QString::number(r.slide), r.chart, r.source, r.what});
        row->setToolTip(3, r.what);
        if (!r.workbook.isEmpty()) row->setToolTip(2, r.workbook);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

QString ChartRefreshDialog::summary() const {
    return m_summary->text();
}

}  // namespace servers
