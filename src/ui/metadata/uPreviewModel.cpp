#include "ui/metadata/uPreviewModel.h"

#include "core/common/uDisplayUtils.h"
#include "ui/common/uQtPath.h"
#include "ui/metadata/uTagBoxes.h"

namespace orvanta {

void TPreviewModel::Show(std::vector<TPreviewRow> Rows, const std::string& Error) {
    beginResetModel();
    if (Error.empty())
        FRows = std::move(Rows);
    else
        FRows = {TPreviewRow{{}, {}, {}, {}, Error}};
    endResetModel();
}

std::vector<TPreviewRow> TPreviewModel::TakeRows() {
    beginResetModel();
    std::vector<TPreviewRow> rows = std::move(FRows);
    FRows.clear();
    endResetModel();
    return rows;
}

int TPreviewModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TPreviewModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : Columns;
}

QVariant TPreviewModel::data(const QModelIndex& Index, int Role) const {
    if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= rowCount())
        return {};
    const TPreviewRow& line = FRows[std::size_t(Index.row())];
    // A name's bytes need not be UTF-8; a tag's values are.
    const bool name = line.Field == "name";
    switch (Index.column()) {
    case ColFile:
        return line.Path.empty() ? QString() : PathForDisplay(ExtractFileName(line.Path));
    case ColField:
        return tagboxes::fromStd(line.Field);
    case ColOld:
        return name ? PathForDisplay(line.Old) : tagboxes::fromStd(line.Old);
    case ColNew:
        return name ? PathForDisplay(line.New) : tagboxes::fromStd(line.New);
    case ColProblem:
        return tagboxes::fromStd(line.Problem);
    default:
        return {};
    }
}

QVariant TPreviewModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"File", "Field", "Old", "New", "Problem"};
    return Section >= 0 && Section < Columns ? QString::fromLatin1(captions[Section]) : QVariant();
}

} // namespace orvanta
