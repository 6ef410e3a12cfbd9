#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// A path is bytes: Linux allows any byte but "/" and NUL in a name, UTF-8 or not. Where a path
// must become text, each byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80 + byte (the convention Python's os.fsencode reverses), so it comes back exactly.

// Appends the code point Code as UTF-8.
void AppendUtf8(std::string& Out, char32_t Code);

// The length of the valid UTF-8 sequence starting at Text[At], or 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view Text, std::size_t At);

// The path as UTF-16, each stray byte as its lone surrogate.
std::u16string PathToUtf16(std::string_view Path);
// The bytes back from PathToUtf16's text.
std::string PathFromUtf16(std::u16string_view Text);

// The path for display: valid UTF-8, each stray byte shown as U+FFFD.
std::string DisplayPath(std::string_view Path);

// The file a dialog meant when it handed back Path with its stray bytes already turned into
// U+FFFD: the one entry of Path's folder that displays the same. Path itself when it exists,
// or when no entry or more than one matches.
std::string FindDisplayedPath(const std::string& Path);

// A JSON string literal (quotes included) holding the bytes: valid UTF-8 as it stands, each
// stray byte as the escaped lone surrogate "\udcXX".
std::string JsonPathLiteral(std::string_view Path);

} // namespace orvanta
