#pragma once

#include <functional>

class QAbstractItemView;
class QModelIndex;

namespace orvanta {

// The keys of a list's rows: Return and Enter on the current row do what a double-click on it
// does (Activate), and Shift+F10 opens the row's menu as the Menu key does, through the view's
// customContextMenuRequested at the current row (in the viewport's coordinates).
void AddRowKeys(QAbstractItemView& View, std::function<void(const QModelIndex& Row)> Activate);

} // namespace orvanta
