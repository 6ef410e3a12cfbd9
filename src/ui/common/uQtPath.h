#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "core/common/uPathText.h"

namespace orvanta {

// Paths cross into Qt as text that keeps every byte (stray bytes as lone surrogates, see
// uPathText), never through QFile::decodeName, which turns them into U+FFFD for good.
inline QString PathToQString(std::string_view Path) {
    const std::u16string text = PathToUtf16(Path);
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline std::string PathFromQString(const QString& Text) {
    return PathFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(Text.utf16()),
                                             static_cast<std::size_t>(Text.size())));
}

// A path for the eye: stray bytes shown as U+FFFD.
inline QString PathForDisplay(std::string_view Path) {
    return QString::fromStdString(DisplayPath(Path));
}

} // namespace orvanta
