#pragma once

class QHeaderView;
class QSettings;
class QString;

namespace orvanta {

// A list's columns kept between runs as the header stores them. Settings written by older
// versions held only the widths, as a list under WidthsKey; they are read while Key is absent,
// and dropped once Key is written.
void SaveColumns(const QHeaderView& Header, QSettings& Settings, const QString& Key,
                 const QString& WidthsKey);
void RestoreColumns(QHeaderView& Header, const QSettings& Settings, const QString& Key,
                    const QString& WidthsKey);

} // namespace orvanta
