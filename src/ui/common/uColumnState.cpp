#include "ui/common/uColumnState.h"

#include <QHeaderView>
#include <QSettings>

namespace orvanta {

void SaveColumns(const QHeaderView& Header, QSettings& Settings, const QString& Key,
                 const QString& WidthsKey) {
    Settings.setValue(Key, Header.saveState());
    Settings.remove(WidthsKey);
}

void RestoreColumns(QHeaderView& Header, const QSettings& Settings, const QString& Key,
                    const QString& WidthsKey) {
    // The stored state carries a sort indicator too; the view's own sort decides that one.
    const bool shown = Header.isSortIndicatorShown();
    const int section = Header.sortIndicatorSection();
    const Qt::SortOrder order = Header.sortIndicatorOrder();
    if (Header.restoreState(Settings.value(Key).toByteArray())) {
        Header.setSortIndicator(section, order);
        Header.setSortIndicatorShown(shown);
        return;
    }
    const QVariantList widths = Settings.value(WidthsKey).toList();
    for (int column = 0; column < Header.count() && column < widths.size(); ++column)
        if (const int width = widths[column].toInt(); width > 0)
            Header.resizeSection(column, width);
}

} // namespace orvanta
