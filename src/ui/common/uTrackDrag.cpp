#include "ui/common/uTrackDrag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace orvanta {

QMimeData* TrackEntriesMime(const std::vector<std::string>& Entries) {
    QByteArray bytes;
    for (const std::string& entry : Entries) {
        if (!bytes.isEmpty())
            bytes.append('\0');
        bytes.append(entry.data(), static_cast<qsizetype>(entry.size()));
    }
    auto* data = new QMimeData;
    data->setData(TrackEntriesMimeType, bytes);
    return data;
}

std::vector<std::string> DroppedTrackEntries(const QMimeData* Data) {
    std::vector<std::string> entries;
    if (Data == nullptr || !Data->hasFormat(TrackEntriesMimeType))
        return entries;
    const QByteArray bytes = Data->data(TrackEntriesMimeType);
    for (const QByteArray& entry : bytes.split('\0'))
        if (!entry.isEmpty())
            entries.push_back(entry.toStdString());
    return entries;
}

TTrackEntriesDrop::TTrackEntriesDrop(QWidget* Target, TOnDrop OnDrop)
    : QObject(Target), FOnDrop(std::move(OnDrop)) {
    Target->setAcceptDrops(true);
    Target->installEventFilter(this);
}

bool TTrackEntriesDrop::eventFilter(QObject* Watched, QEvent* Event) {
    const QEvent::Type type = Event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(Watched, Event);
    auto* drop = static_cast<QDropEvent*>(Event);
    if (!drop->mimeData()->hasFormat(TrackEntriesMimeType))
        return QObject::eventFilter(Watched, Event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        FOnDrop(DroppedTrackEntries(drop->mimeData()), drop->position().toPoint());
    return true;
}

} // namespace orvanta
