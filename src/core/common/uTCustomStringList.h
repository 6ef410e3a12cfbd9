#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// Root of the objects a TCustomStringList can own.
class TObject {
public:
    virtual ~TObject() = default;
};

// An unsorted list of strings, each with one attached object. While OwnsObjects is true the
// list frees an entry's object when the entry is deleted, when the list is cleared and when the
// list is destroyed. Look-ups ignore the case of A-Z; entries may be "name<sep>value" pairs.
class TCustomStringList {
public:
    TCustomStringList() = default;
    ~TCustomStringList();
    TCustomStringList(const TCustomStringList&) = delete;
    TCustomStringList& operator=(const TCustomStringList&) = delete;

    bool OwnsObjects = true;
    int SortType = 0;
    bool SortUp = true;
    char NameValueSeparator = '=';

    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Strings(int Index) const { return entries_.at(Index).Text; }
    // Replacing the text keeps the attached object.
    void SetString(int Index, std::string Text) { entries_.at(Index).Text = std::move(Text); }
    TObject* Objects(int Index) const { return entries_.at(Index).Object; }
    template <class T> T* ObjectAs(int Index) const { return static_cast<T*>(Objects(Index)); }

    int Add(std::string Text);
    int AddObject(std::string Text, TObject* Object);
    void Delete(int Index);
    void Clear();
    // Detaches the object of an entry without freeing it, and deletes the entry.
    TObject* Extract(int Index);
    void Move(int From, int To);

    int IndexOf(std::string_view Text) const;
    int IndexOfName(std::string_view Name) const;
    std::string Names(int Index) const;
    std::string ValueFromIndex(int Index) const;
    std::string Values(std::string_view Name) const;

private:
    struct Entry {
        std::string Text;
        TObject* Object = nullptr;
    };
    void FreeObjects();
    std::vector<Entry> entries_;
};

// Case-insensitive comparison of A-Z only, as every look-up of the system does.
bool SameTextAscii(std::string_view a, std::string_view b);

} // namespace orvanta
