#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// Texts the library keeps beside the tags so that ordering and searching are index walks.

// Lower case with accents and other marks taken off ("Ágætis" gives "agaetis"), for Latin,
// Greek and Cyrillic letters; other characters pass unchanged.
std::string FoldText(std::string_view Text);

// Lower case, accents kept.
std::string LowerText(std::string_view Text);

// A key whose byte order is the order people expect: letter case and accents decide only
// between otherwise equal texts, and numbers compare by value ("Track 2" before "Track 10").
// Two texts have the same key exactly when they differ only in letter case. Equal keys keep
// the order they come in.
std::string SortKey(std::string_view Text);

// The folded words of what was typed into a search box.
std::vector<std::string> SearchWords(std::string_view Typed);

// A GLOB pattern matching the keys (of SortKey) that contain the folded Word.
std::string KeyPattern(std::string_view Word);

} // namespace orvanta
