#pragma once

// A tag as lines of key and value, one per value, which the tag editor's fields and its table
// both change; a save writes the keys whose values differ from the lines as read.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

// The values of a text that joins them by " / ", as the library and the editor's fields show
// several values of one field.
std::vector<std::string> SplitJoinedValues(std::string_view Text);

class TTagLines {
public:
    // Lines as read: the baseline of the changes, and what is edited.
    void Reset(TTagEntries Lines);

    const TTagEntries& Lines() const { return FLines; }
    const TTagEntries& ReadLines() const { return FReadLines; }
    // Keys are upper-cased; a line with an empty key is left out of the changes.
    void SetLine(std::size_t Row, std::string_view Key, std::string_view Value);
    void AddLine(std::string_view Key, std::string_view Value);
    void RemoveLine(std::size_t Row);

    // The values of Key joined by " / ", as one field of the editor shows them.
    std::string FieldText(std::string_view Key) const;
    // Replaces the lines of Key by Text, split at " / " for a key the library keeps several
    // values of (ARTIST, ALBUMARTIST, GENRE, COMPOSER); an empty text removes them. The first
    // line keeps its place.
    void SetFieldText(std::string_view Key, std::string_view Text);

    // A number and its total (TRACKNUMBER and TRACKTOTAL, DISCNUMBER and DISCTOTAL): kept in
    // two fields, or as "1/2" in the number's, which a change keeps so.
    std::string Number(std::string_view NumberKey) const;
    std::string Total(std::string_view NumberKey, std::string_view TotalKey) const;
    void SetNumber(std::string_view NumberKey, std::string_view TotalKey, std::string_view Number,
                   std::string_view Total);

    // The keys whose values differ from the lines as read, each with its new values (none
    // removes the key).
    std::map<std::string, std::vector<std::string>> ChangedKeys() const;

private:
    TTagEntries FReadLines;
    TTagEntries FLines;
};

} // namespace orvanta
