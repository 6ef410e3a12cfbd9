#pragma once

#include <string_view>

// The names of the ilst items an MP4 reader gives fields from, as TagLib's property map names
// them, so that a file reads the same through it as through TagLib.
namespace orvanta::mp4 {

// How TagLib reads an item of a name, and so how its value is shown.
enum TKind { Text, AnyText, Pair, Bool, Short, UInt, Genre, Covers };

struct TItemName {
    std::string_view Atom; // as the file spells it, in ISO-8859-1
    std::string_view Property;
    TKind Kind;
};

// The item of an atom name (four bytes, as the file spells them); null for one TagLib's property
// map leaves out.
const TItemName* ItemNamed(std::string_view Atom);

// TagLib's name for a free-form item ("----:com.apple.iTunes:ARTISTS"); empty when it has none.
std::string_view FreeFormProperty(std::string_view Name);

} // namespace orvanta::mp4
