#pragma once

// What the tag editor's files share about its text boxes.
#include <QLineEdit>
#include <QString>
#include <algorithm>
#include <string>
#include <string_view>

namespace orvanta::tagboxes {

inline QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters of code 0x20 or below are cut from both ends, nothing else.
inline std::string trimmed(const QString& text) {
    const std::string utf8 = text.toStdString();
    std::size_t begin = 0;
    std::size_t end = utf8.size();
    while (begin < end && static_cast<unsigned char>(utf8[begin]) <= 0x20)
        ++begin;
    while (end > begin && static_cast<unsigned char>(utf8[end - 1]) <= 0x20)
        --end;
    return utf8.substr(begin, end - begin);
}

inline const char* const LimitProperty = "typingLimit";

// The limit applies to typing: a longer loaded text stays whole, and the box closes in on the
// limit as the user shortens it.
inline void setLimit(QLineEdit* box, int limit) {
    box->setProperty(LimitProperty, limit);
    box->setMaxLength(std::max({limit, int(box->text().size()), 1}));
}

// A loaded text is shown whole.
inline void showWhole(QLineEdit* box, const QString& text, int limit) {
    box->setMaxLength(std::max({limit, int(text.size()), 1}));
    box->setText(text);
    setLimit(box, limit);
}

} // namespace orvanta::tagboxes
