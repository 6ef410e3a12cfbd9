#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace orvanta::test {

// Drops local paths on Target at At, as a file manager does; true when the drop was taken.
inline bool DropFiles(QWidget* Target, QPoint At, const QStringList& Paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : Paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(At, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(At), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &drop);
    return drop.isAccepted();
}

} // namespace orvanta::test
