#pragma once

class QSettings;

namespace orvanta {

class TfraMedia;

// What the user arranged in My Music, kept between runs: the splitter, the column widths, the
// filter kind and value, and the sort column and direction.
void SaveMediaViewState(const TfraMedia& View, QSettings& Settings);
// Applied once the library is listed; a filter value that is gone leaves the first one chosen.
void RestoreMediaViewState(TfraMedia& View, const QSettings& Settings);

} // namespace orvanta
