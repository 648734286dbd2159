#include "ChartList.h"

#include "Failure.h"

#include <QTreeWidget>

namespace platform {

namespace {

QTreeWidgetItem* rowAt(QTreeWidget* list, int position) {
    if (position < 1 || position > list->topLevelItemCount()) {
        throw Failure(runtime::kIndexOutOfBounds);
    }
    return list->topLevelItem(position - 1);
}

}  // namespace

int ChartList::count() const { return m_list->topLevelItemCount(); }

int ChartList::append(const QString& sheetName) {
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(kSheetName, sheetName);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kSheetName, Qt::Unchecked);
    return m_list->topLevelItemCount();
}

QString ChartList::sheetName(int position) const {
    return rowAt(m_list, position)->text(kSheetName);
}

QString ChartList::chartName(int position) const {
    return rowAt(m_list, position)->text(kChartName);
}

QString ChartList::chartIndex(int position) const {
    return rowAt(m_list, position)->text(kChartIndex);
}

bool ChartList::checked(int position) const {
    return rowAt(m_list, position)->checkState(kSheetName) == Qt::Checked;
}

void ChartList::setChartName(int position, const QString& name) {
    rowAt(m_list, position)->setText(kChartName, name);
}

void ChartList::setChartIndex(int position, const QString& index) {
    rowAt(m_list, position)->setText(kChartIndex, index);
}

void ChartList::setChecked(int position, bool on) {
    rowAt(m_list, position)->setCheckState(kSheetName, on ? Qt::Checked : Qt::Unchecked);
}

void ChartList::scrollTo(int position) { m_list->scrollToItem(rowAt(m_list, position)); }

void ChartList::clear() { m_list->clear(); }

}  // namespace platform
