#include "core/common/uTCustomStringList.h"

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

TCustomStringList::~TCustomStringList() {
    if (OwnsObjects)
        FreeObjects();
}

void TCustomStringList::FreeObjects() {
    for (Entry& entry : entries_) {
        delete entry.Object;
        entry.Object = nullptr;
    }
}

int TCustomStringList::Add(std::string Text) {
    return AddObject(std::move(Text), nullptr);
}

int TCustomStringList::AddObject(std::string Text, TObject* Object) {
    entries_.push_back({std::move(Text), Object});
    return Count() - 1;
}

void TCustomStringList::Delete(int Index) {
    TObject* object = Extract(Index);
    if (OwnsObjects)
        delete object;
}

TObject* TCustomStringList::Extract(int Index) {
    TObject* object = entries_.at(Index).Object;
    entries_.erase(entries_.begin() + Index);
    return object;
}

void TCustomStringList::Clear() {
    if (OwnsObjects)
        FreeObjects();
    entries_.clear();
}

void TCustomStringList::Move(int From, int To) {
    Entry moved = entries_.at(From);
    entries_.erase(entries_.begin() + From);
    entries_.insert(entries_.begin() + To, std::move(moved));
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
