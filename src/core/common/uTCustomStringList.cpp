#include "core/common/uTCustomStringList.h"

#include <cassert>

namespace orvanta {

namespace {
char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

int TCustomStringList::AddObject(std::string Text, std::unique_ptr<TObject> Object) {
    entries_.push_back({std::move(Text), std::move(Object)});
    return Count() - 1;
}

void TCustomStringList::Delete(int Index) {
    assert(Index >= 0 && Index < Count());
    entries_.erase(entries_.begin() + Index);
}

int TCustomStringList::IndexOf(std::string_view Text) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(entries_[i].Text, Text))
            return i;
    return -1;
}

std::string TCustomStringList::Names(int Index) const {
    const std::string& text = Strings(Index);
    const auto separator = text.find(NameValueSeparator);
    return separator == std::string::npos ? std::string() : text.substr(0, separator);
}

std::string TCustomStringList::ValueFromIndex(int Index) const {
    const std::string& text = Strings(Index);
    const auto separator = text.find(NameValueSeparator);
    return separator == std::string::npos ? std::string() : text.substr(separator + 1);
}

int TCustomStringList::IndexOfName(std::string_view Name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Names(i), Name) &&
            entries_[i].Text.find(NameValueSeparator) != std::string::npos)
            return i;
    return -1;
}

std::string TCustomStringList::Values(std::string_view Name) const {
    const int index = IndexOfName(Name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

} // namespace orvanta
