#pragma once

// The rows of a batch tool's preview, as a table that makes the text of the rows in view only:
// a tool previews thousands of files again at each key typed into its pattern.
#include <QAbstractTableModel>

#include "core/batch/uBatchTools.h"

namespace orvanta {

class TPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ColFile, ColField, ColOld, ColNew, ColProblem, Columns };

    explicit TPreviewModel(QObject* Parent = nullptr) : QAbstractTableModel(Parent) {}

    // Shows a plan's preview rows, or its error alone in the Problem column.
    void Show(std::vector<TPreviewRow> Rows, const std::string& Error);
    // Empties the table and hands over its rows.
    std::vector<TPreviewRow> TakeRows();

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

private:
    std::vector<TPreviewRow> FRows;
};

} // namespace orvanta
