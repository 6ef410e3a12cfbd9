#pragma once

// Shared by the files of the My Music view only.

#include <QString>
#include <string_view>

namespace orvanta::media_view {

inline const QString AllEntry = QStringLiteral("All");
// Window events run at least this often while a long command works.
constexpr qint64 ResponsiveMs = 30;

inline QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace orvanta::media_view
