#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;

namespace orvanta {

// Library rows dragged onto a playlist: their track entries (path, "*", seconds) as bytes,
// NUL between them, since a path is bytes that need not be UTF-8 and never holds NUL.
inline const QString TrackEntriesMimeType = QStringLiteral("application/x-orvanta-track-entries");

// A new drag's data holding Entries.
QMimeData* TrackEntriesMime(const std::vector<std::string>& Entries);
// The entries a drag carries; empty when it carries none of ours.
std::vector<std::string> DroppedTrackEntries(const QMimeData* Data);

// Lets a widget take dragged library rows: the drag is accepted while it carries entries, and
// a drop hands them over with the point it landed on (in the widget's coordinates).
class TTrackEntriesDrop : public QObject {
public:
    using TOnDrop = std::function<void(const std::vector<std::string>& Entries, const QPoint& At)>;
    TTrackEntriesDrop(QWidget* Target, TOnDrop OnDrop);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TOnDrop FOnDrop;
};

} // namespace orvanta
