#include "library/uFraMediaState.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListView>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <cstdlib>

#include "library/uFraMedia.h"

namespace orvanta {

namespace {
const QString SplitterKey = QStringLiteral("MyMusic/Splitter");
const QString ColumnsKey = QStringLiteral("MyMusic/ColumnWidths");
const QString FilterKindKey = QStringLiteral("MyMusic/FilterKind");
const QString FilterValueKey = QStringLiteral("MyMusic/FilterValue");
const QString SortKey = QStringLiteral("MyMusic/Sort");
} // namespace

void SaveMediaViewState(const TfraMedia& View, QSettings& Settings) {
    Settings.setValue(SplitterKey, View.splMedia->saveState());
    QVariantList widths;
    const QHeaderView* header = View.lvwMedia->horizontalHeader();
    for (int column = 0; column < header->count(); ++column)
        widths << header->sectionSize(column);
    Settings.setValue(ColumnsKey, widths);
    Settings.setValue(FilterKindKey, View.cmbFilter->currentIndex());
    const QModelIndexList selected = View.lstItems->selectionModel()->selectedIndexes();
    Settings.setValue(FilterValueKey,
                      selected.isEmpty() ? QString() : selected.first().data().toString());
    Settings.setValue(SortKey, View.SortState());
}

void RestoreMediaViewState(TfraMedia& View, const QSettings& Settings) {
    View.splMedia->restoreState(Settings.value(SplitterKey).toByteArray());
    const QVariantList widths = Settings.value(ColumnsKey).toList();
    QHeaderView* header = View.lvwMedia->horizontalHeader();
    for (int column = 0; column < header->count() && column < widths.size(); ++column)
        if (const int width = widths[column].toInt(); width > 0)
            header->resizeSection(column, width);

    const int kind = Settings.value(FilterKindKey, 0).toInt();
    if (kind > 0 && kind < View.cmbFilter->count())
        View.cmbFilter->setCurrentIndex(kind); // lists the kind's values, the first chosen
    const QString value = Settings.value(FilterValueKey).toString();
    if (const int row = View.FilterItems().indexOf(value); row > 0)
        View.SelectFilterItem(row);

    // Each column click sorts ascending first, then flips the direction.
    const int sort = Settings.value(SortKey, 0).toInt();
    const int column = std::abs(sort);
    if (column < 1 || column > header->count())
        return;
    if (std::abs(View.SortState()) != column)
        View.lvwMediaColumnClick(column - 1);
    if (View.SortState() != sort)
        View.lvwMediaColumnClick(column - 1);
}

} // namespace orvanta
