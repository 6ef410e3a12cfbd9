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
// How many columns the saved state knew; the list had 9 before any more were added.
const QString ColumnCountKey = QStringLiteral("MyMusic/ColumnCount");
constexpr int FirstColumnCount = 9;
const QString FilterKindKey = QStringLiteral("MyMusic/FilterKind");
const QString FilterValueKey = QStringLiteral("MyMusic/FilterValue");
const QString SortKey = QStringLiteral("MyMusic/Sort");
} // namespace

void SaveMediaViewState(const TfraMedia& View, QSettings& Settings) {
    Settings.setValue(SplitterKey, View.splMedia->saveState());
    SaveColumns(*View.lvwMedia->horizontalHeader(), Settings, ColumnsKey, ColumnWidthsKey);
    Settings.setValue(ColumnCountKey, View.lvwMedia->horizontalHeader()->count());
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
    // A state saved before a column existed shows it: such columns start hidden.
    for (int column = Settings.value(ColumnCountKey, FirstColumnCount).toInt();
         column < header->count(); ++column)
        header->setSectionHidden(column, true);

    // Applied as the lists arrive: a kind the box does not have keeps the one shown.
    const int kind = Settings.value(FilterKindKey, 0).toInt();
    const int sort = Settings.value(SortKey, 0).toInt();
    const int column = std::abs(sort);
    View.RestoreChoice(kind > 0 && kind < View.cmbFilter->count() ? kind : -1,
                       Settings.value(FilterValueKey).toString(),
                       column < 1 || column > header->count() ? 0 : sort);
}

} // namespace orvanta
