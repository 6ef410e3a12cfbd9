#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace orvanta {

// The local files and folders of a drag from a file manager (text/uri-list), in the order
// dragged; empty when it carries none.
QStringList DroppedPaths(const QMimeData* Data);

// Lets a widget take files and folders dragged from a file manager: the drag is accepted
// while it carries local paths, and a drop hands them over with the point it landed on (in
// the widget's coordinates).
class TFileDrop : public QObject {
public:
    using TOnDrop = std::function<void(const QStringList& Paths, const QPoint& At)>;
    TFileDrop(QWidget* Target, TOnDrop OnDrop);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TOnDrop FOnDrop;
};

} // namespace orvanta
