#include "ui/library/uFraMediaState.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListView>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <cstdlib>

#include "ui/common/uColumnState.h"
#include "ui/library/uFraMedia.h"

namespace orvanta {

namespace {
const QString SplitterKey = QStringLiteral("MyMusic/Splitter");
const QString ColumnsKey = QStringLiteral("MyMusic/Columns");
const QString ColumnWidthsKey = QStringLiteral("MyMusic/ColumnWidths");
const QString FilterKindKey = QStringLiteral("MyMusic/FilterKind");
const QString FilterValueKey = QStringLiteral("MyMusic/FilterValue");
const QString SortKey = QStringLiteral("MyMusic/Sort");
} // namespace

void SaveMediaViewState(const TfraMedia& View, QSettings& Settings) {
    Settings.setValue(SplitterKey, View.splMedia->saveState());
    SaveColumns(*View.lvwMedia->horizontalHeader(), Settings, ColumnsKey, ColumnWidthsKey);
    Settings.setValue(FilterKindKey, View.cmbFilter->currentIndex());
    const QModelIndexList selected = View.lstItems->selectionModel()->selectedIndexes();
    Settings.setValue(FilterValueKey,
                      selected.isEmpty() ? QString() : selected.first().data().toString());
    Settings.setValue(SortKey, View.SortState());
}

void RestoreMediaViewState(TfraMedia& View, const QSettings& Settings) {
    View.splMedia->restoreState(Settings.value(SplitterKey).toByteArray());
    QHeaderView* header = View.lvwMedia->horizontalHeader();
    RestoreColumns(*header, Settings, ColumnsKey, ColumnWidthsKey);

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
