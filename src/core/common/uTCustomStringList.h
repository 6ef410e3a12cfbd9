#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// Root of the objects a TCustomStringList owns.
class TObject {
public:
    virtual ~TObject() = default;
};

// An unsorted list of strings, each with an attached object the list owns: the object goes
// with its entry, when the entry is deleted, the list cleared or destroyed. Look-ups ignore the
// case of A-Z; entries may be "name<sep>value" pairs.
class TCustomStringList {
public:
    char NameValueSeparator = '=';

    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Strings(int Index) const { return entries_.at(Index).Text; }
    // Replacing the text keeps the attached object.
    void SetString(int Index, std::string Text) { entries_.at(Index).Text = std::move(Text); }
    // The entry's object (null for none), which the caller put there as a T.
    template <class T> T* ObjectAs(int Index) const {
        return static_cast<T*>(entries_.at(Index).Object.get());
    }

    int Add(std::string Text) { return AddObject(std::move(Text), nullptr); }
    int AddObject(std::string Text, std::unique_ptr<TObject> Object);
    void Delete(int Index);
    void Clear() { entries_.clear(); }

    int IndexOf(std::string_view Text) const;
    int IndexOfName(std::string_view Name) const;
    std::string Names(int Index) const;
    std::string ValueFromIndex(int Index) const;
    std::string Values(std::string_view Name) const;

private:
    struct Entry {
        std::string Text;
        std::unique_ptr<TObject> Object;
    };
    std::vector<Entry> entries_;
};

// Case-insensitive comparison of A-Z only, as every look-up of the system does.
bool SameTextAscii(std::string_view a, std::string_view b);

} // namespace orvanta
