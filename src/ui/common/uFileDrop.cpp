#include "ui/common/uFileDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "ui/common/uQtPath.h"

namespace orvanta {

QStringList DroppedPaths(const QMimeData* Data) {
    QStringList paths;
    if (Data == nullptr || !Data->hasUrls())
        return paths;
    for (const QUrl& url : Data->urls())
        if (url.isLocalFile()) {
            // The address's own bytes, so a name that is not UTF-8 reaches its file.
            const QByteArray bytes =
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            paths << PathToQString(bytes.toStdString());
        }
    return paths;
}

TFileDrop::TFileDrop(QWidget* Target, TOnDrop OnDrop)
    : QObject(Target), FOnDrop(std::move(OnDrop)) {
    Target->setAcceptDrops(true);
    Target->installEventFilter(this);
}

bool TFileDrop::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(Event);
        if (DroppedPaths(drag->mimeData()).isEmpty())
            return QObject::eventFilter(Watched, Event);
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(Event);
        const QStringList paths = DroppedPaths(drop->mimeData());
        if (paths.isEmpty())
            return QObject::eventFilter(Watched, Event);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        FOnDrop(paths, drop->position().toPoint());
        return true;
    }
    default:
        return QObject::eventFilter(Watched, Event);
    }
}

} // namespace orvanta
