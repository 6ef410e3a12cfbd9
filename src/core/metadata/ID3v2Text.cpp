#include "core/metadata/ID3v2Text.h"

#include "core/metadata/ID3v1.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <charconv>

namespace orvanta::id3text {

namespace {

// The name of a genre reference: a number of the ID3v1 table, "RX" or "CR". Empty when the
// text is none of these.
std::string_view GenreReference(std::string_view Ref) {
    if (Ref == "RX")
        return "Remix";
    if (Ref == "CR")
        return "Cover";
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(Ref.data(), Ref.data() + Ref.size(), number);
    if (Ref.empty() || error != std::errc() || end != Ref.data() + Ref.size() ||
        number >= GenreCount)
        return {};
    return GenreNames[number];
}

// One genre value: "Pop", "(13)", "(13)Pop" (the text refines the reference and wins), "13"
// (version 4), "(RX)", "((text" (an escaped parenthesis).
void AppendGenre(std::string& Out, std::string_view Value) {
    if (const std::string_view name = GenreReference(Value); !name.empty()) {
        Out += name;
        return;
    }
    std::string names;
    while (Value.size() > 1 && Value[0] == '(' && Value[1] != '(') {
        const std::size_t close = Value.find(')');
        if (close == std::string_view::npos)
            break;
        const std::string_view name = GenreReference(Value.substr(1, close - 1));
        if (name.empty())
            break;
        if (!names.empty())
            names += " / ";
        names += name;
        Value.remove_prefix(close + 1);
    }
    if (Value.starts_with("(("))
        Value.remove_prefix(1);
    Out += Value.empty() ? std::string_view(names) : Value;
}

} // namespace

bool IsTwoByteEncoding(std::uint8_t Encoding) {
    return Encoding == 1 || Encoding == 2;
}

// Text of a frame's content: encoding byte, then the text up to the zero fill. Written into
// Out, whose memory is reused.
void DecodeText(std::string& Out, std::string_view Content) {
    Out.clear();
    if (Content.empty())
        return;
    const auto encoding = static_cast<std::uint8_t>(Content[0]);
    std::string_view body = Content.substr(1);
    if (IsTwoByteEncoding(encoding)) {
        bool bigEndian = encoding == 2;
        if (body.size() >= 2) {
            const auto a = static_cast<std::uint8_t>(body[0]);
            const auto b = static_cast<std::uint8_t>(body[1]);
            if ((a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF)) {
                bigEndian = a == 0xFE;
                body.remove_prefix(2);
            }
        }
        tagtext::AppendUtf16AsUtf8(Out, body, bigEndian);
    } else if (encoding == 3) {
        tagtext::AppendSanitizedUtf8(Out, tagtext::TrimControl(body, true));
    } else {
        tagtext::AppendLatin1AsUtf8(Out, tagtext::TrimControl(Content, true));
    }
    tagtext::TrimControlInPlace(Out, true);
}

// Version 4 text frames may hold several values, each ended by a terminator: they are shown
// joined by " / ". Empty values (the zero fill among them) are left out.
void DecodeValues(std::string& Out, std::string_view Content, bool Multi,
                  std::vector<std::string>* Values) {
    if (Values)
        Values->clear();
    if (!Multi || Content.empty()) {
        DecodeText(Out, Content);
        return;
    }
    Out.clear();
    std::size_t count = 0;
    const char encoding = Content[0];
    const std::size_t unit = IsTwoByteEncoding(std::uint8_t(encoding)) ? 2 : 1;
    std::string_view rest = Content.substr(1);
    std::string piece;
    std::string value;
    // A UTF-16 value without its own byte-order mark keeps the order of the first one.
    std::string bom;
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end + unit <= rest.size() && !(rest[end] == 0 && (unit == 1 || rest[end + 1] == 0)))
            end += unit;
        std::string_view text = rest.substr(0, std::min(end, rest.size()));
        rest.remove_prefix(std::min(end + unit, rest.size()));
        piece.assign(1, encoding);
        if (encoding == 1) {
            if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
                bom = text.substr(0, 2);
            else
                piece += bom;
        }
        piece.append(text);
        DecodeText(value, piece);
        if (value.empty())
            continue;
        if (Values) {
            // The first is kept aside until a second shows there are several.
            if (++count == 2)
                Values->emplace_back(Out);
            if (count >= 2)
                Values->push_back(value);
        }
        if (!Out.empty())
            Out += " / ";
        Out += value;
    }
}

void TextOrFallback(std::string& Out, std::string_view First, std::string_view Second, bool Multi,
                    std::vector<std::string>* Values) {
    DecodeValues(Out, First, Multi, Values);
    if (Out.empty())
        DecodeValues(Out, Second, Multi, Values);
}

// The track number of a decoded text such as "7" or "7/12"; 0 when there is none.
std::uint16_t ParseTrack(std::string_view Text) {
    std::string_view number = Text;
    if (const auto slash = number.find('/'); slash != std::string_view::npos)
        number = number.substr(0, slash);
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size())
        return 0;
    return static_cast<std::uint16_t>(value);
}

// The year frame, else the year of the recording time, else of the release time.
void DecodeYear(std::string& Out, std::string_view Year, std::string_view Recorded,
                std::string_view Released) {
    DecodeText(Out, Year);
    if (!Out.empty())
        return;
    DecodeText(Out, Recorded);
    if (Out.empty())
        DecodeText(Out, Released);
    Out.resize(tagtext::FirstChars(Out, 4).size());
}

void DecodeGenre(std::string& Out, std::string_view Content, bool Multi,
                 std::vector<std::string>* Values) {
    std::string values;
    std::vector<std::string> several;
    DecodeValues(values, Content, Multi, Values ? &several : nullptr);
    Out.clear();
    std::string_view rest = values;
    while (true) {
        const std::size_t split = rest.find(" / ");
        AppendGenre(Out, rest.substr(0, split));
        if (split == std::string_view::npos)
            break;
        Out += " / ";
        rest.remove_prefix(split + 3);
    }
    if (!Values)
        return;
    Values->clear();
    // Each value of the frame, and each of a value's references, is one genre; nothing else
    // splits it.
    if (several.empty()) {
        if (!values.starts_with('('))
            return; // one genre
        several.push_back(values);
    }
    for (const std::string& value : several) {
        std::string_view refs = value;
        bool allRefs = !refs.empty() && refs.front() == '(';
        std::vector<std::string> names;
        while (allRefs && !refs.empty()) {
            const std::size_t close = refs.find(')');
            const std::string_view name = close == std::string_view::npos || refs.front() != '('
                                              ? std::string_view()
                                              : GenreReference(refs.substr(1, close - 1));
            allRefs = !name.empty();
            if (allRefs) {
                names.emplace_back(name);
                refs.remove_prefix(close + 1);
            }
        }
        if (allRefs) {
            Values->insert(Values->end(), names.begin(), names.end());
            continue;
        }
        std::string genre;
        AppendGenre(genre, value);
        if (!genre.empty())
            Values->push_back(std::move(genre));
    }
    if (Values->size() < 2)
        Values->clear();
}

// Comment and link frames: encoding, [language,] description, separator, value. The value of a
// link frame is always single-byte text.
void DecodeDescribedText(std::string& Out, std::string_view Content, bool HasLanguage,
                         bool Latin1Value) {
    Out.clear();
    if (Content.empty())
        return;
    const char encoding = Content[0];
    const std::size_t separator = IsTwoByteEncoding(std::uint8_t(encoding)) ? 2 : 1;
    std::string_view rest =
        Content.substr(std::min<std::size_t>(Content.size(), HasLanguage ? 4 : 1));
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i + separator <= rest.size(); i += separator)
        if (rest[i] == 0 && (separator == 1 || rest[i + 1] == 0)) {
            found = i;
            break;
        }
    rest.remove_prefix(found != std::string_view::npos ? found + separator : separator - 1);
    std::string value(1, Latin1Value ? '\0' : encoding);
    value.append(rest);
    DecodeText(Out, value);
}

void DecodeUserTextDescription(std::string& Out, std::string_view Content) {
    const std::size_t step = !Content.empty() && IsTwoByteEncoding(Content[0]) ? 2 : 1;
    std::size_t end = 1;
    while (end + step <= Content.size() && (Content[end] != 0 || Content[end + step - 1] != 0))
        end += step;
    DecodeText(Out, Content.substr(0, std::min(end, Content.size())));
}

// True for a comment frame's content (any version) whose description is empty.
bool IsPlainCommentContent(std::string_view Content) {
    if (Content.size() < 5)
        return Content.size() == 4;
    std::string_view description = Content.substr(4);
    if (!IsTwoByteEncoding(std::uint8_t(Content[0])))
        return description[0] == '\0';
    if (description.starts_with("\xFF\xFE") || description.starts_with("\xFE\xFF"))
        description.remove_prefix(2);
    return description.size() < 2 || (description[0] == '\0' && description[1] == '\0');
}

} // namespace orvanta::id3text
