#include "core/metadata/uFormatTagEdit.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uFlacFile.h"
#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"

namespace orvanta {

namespace {

// The fields the library keeps as several values; an editor's field shows them joined.
bool HoldsSeveral(std::string_view Key) {
    return Key == "ARTIST" || Key == "ALBUMARTIST" || Key == "GENRE" || Key == "COMPOSER";
}

std::string Upper(std::string_view Text) {
    std::string upper(Text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

} // namespace

bool ReadAudioFile(const std::string& Path, TAudioInfo& Info, bool WithPictures,
                   std::int64_t* ID3v2Bytes) {
    if (ID3v2Bytes)
        *ID3v2Bytes = 0;
    TFileSource source;
    if (!source.Open(Path))
        return false;
    const TAudioFormat format =
        SniffFormat(source, std::filesystem::path(Path).extension().string());
    if (format == TAudioFormat::MP3 || format == TAudioFormat::Unknown)
        return false;
    // Our readers are the fast path; a file they find faulty gets TagLib's chance too.
    TAudioInfo info;
    const bool read = format == TAudioFormat::FLAC
                          ? ReadFlac(source, info, WithPictures, ID3v2Bytes)
                      : format == TAudioFormat::OggVorbis || format == TAudioFormat::Opus
                          ? ReadOgg(source, info, WithPictures)
                          : false;
    if (read) {
        info.Format = format;
        Info = std::move(info);
        return true;
    }
    return ReadWithTagLib(Path, format, Info, WithPictures);
}

std::string_view TagKindName(TAudioFormat Format) {
    switch (Format) {
    case TAudioFormat::FLAC:
    case TAudioFormat::OggVorbis:
    case TAudioFormat::Opus:
        return "Vorbis comment";
    case TAudioFormat::M4A:
        return "MP4";
    case TAudioFormat::WavPack:
        return "APEv2";
    case TAudioFormat::MP3:
    case TAudioFormat::WAV:
    case TAudioFormat::AIFF:
        return "ID3v2";
    case TAudioFormat::Unknown:
        break;
    }
    return {};
}

std::vector<std::string> SplitJoinedValues(std::string_view Text) {
    std::vector<std::string> values;
    while (!Text.empty()) {
        const std::size_t split = Text.find(" / ");
        if (split != 0)
            values.emplace_back(Text.substr(0, split));
        if (split == std::string_view::npos)
            break;
        Text.remove_prefix(split + 3);
    }
    return values;
}

bool TFormatTagEdit::Load(const std::string& Path) {
    TAudioInfo info;
    std::int64_t id3 = 0;
    if (!ReadAudioFile(Path, info, true, &id3))
        return false;
    FPath = Path;
    FRead = std::move(info);
    FID3v2Bytes = id3;
    FLines = FRead.Tags;
    FRemoveID3v2 = false;
    return true;
}

void TFormatTagEdit::SetLine(std::size_t Row, std::string_view Key, std::string_view Value) {
    if (Row < FLines.size())
        FLines[Row] = {Upper(Key), std::string(Value)};
}

void TFormatTagEdit::AddLine(std::string_view Key, std::string_view Value) {
    FLines.push_back({Upper(Key), std::string(Value)});
}

void TFormatTagEdit::RemoveLine(std::size_t Row) {
    if (Row < FLines.size())
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Row));
}

std::string TFormatTagEdit::FieldText(std::string_view Key) const {
    std::string text;
    for (const std::string& value : TagValues(FLines, Key))
        if (!value.empty())
            text += (text.empty() ? "" : " / ") + value;
    return text;
}

void TFormatTagEdit::SetFieldText(std::string_view Key, std::string_view Text) {
    std::vector<std::string> values = HoldsSeveral(Key) ? SplitJoinedValues(Text)
                                      : Text.empty()    ? std::vector<std::string>{}
                                                        : std::vector{std::string(Text)};
    const auto first = std::find_if(FLines.begin(), FLines.end(),
                                    [&](const TTagEntry& Line) { return Line.Key == Key; });
    std::size_t at = static_cast<std::size_t>(first - FLines.begin());
    std::erase_if(FLines, [&](const TTagEntry& Line) { return Line.Key == Key; });
    for (std::string& value : values)
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at++),
                      {std::string(Key), std::move(value)});
}

std::string TFormatTagEdit::Number(std::string_view NumberKey) const {
    const std::string text = FieldText(NumberKey);
    return text.substr(0, text.find('/'));
}

std::string TFormatTagEdit::Total(std::string_view NumberKey, std::string_view TotalKey) const {
    if (std::string total = FieldText(TotalKey); !total.empty())
        return total;
    const std::string text = FieldText(NumberKey);
    const std::size_t slash = text.find('/');
    return slash == std::string::npos ? std::string() : text.substr(slash + 1);
}

void TFormatTagEdit::SetNumber(std::string_view NumberKey, std::string_view TotalKey,
                               std::string_view Number, std::string_view Total) {
    const bool joined =
        FieldText(NumberKey).find('/') != std::string::npos && FieldText(TotalKey).empty();
    if (!joined) {
        SetFieldText(NumberKey, Number);
        SetFieldText(TotalKey, Total);
    } else if (Total.empty()) {
        SetFieldText(NumberKey, Number);
    } else {
        SetFieldText(NumberKey,
                     std::string(Number.empty() ? "0" : Number) + "/" + std::string(Total));
    }
}

TTagChanges TFormatTagEdit::Changes() const {
    TTagChanges changes;
    std::set<std::string> keys;
    for (const TTagEntries* lines : {&FRead.Tags, &FLines})
        for (const TTagEntry& line : *lines)
            if (!line.Key.empty())
                keys.insert(line.Key);
    for (const std::string& key : keys) {
        std::vector<std::string> now = TagValues(FLines, key);
        if (now != TagValues(FRead.Tags, key))
            changes.Fields[key] = std::move(now);
    }
    changes.RemoveID3v2 = FRemoveID3v2;
    return changes;
}

bool TFormatTagEdit::Changed() const {
    const TTagChanges changes = Changes();
    return !changes.Fields.empty() || changes.RemoveID3v2;
}

bool TFormatTagEdit::Save(std::string& Error) {
    const TTagChanges changes = Changes();
    if (changes.Fields.empty() && !changes.RemoveID3v2)
        return true;
    if (!WriteTagChanges(FPath, FRead.Format, changes, Error))
        return false;
    // The file as written is the new baseline; a read that fails now keeps the edited lines.
    const TTagEntries edited = FLines;
    if (!Load(FPath)) {
        FRead.Tags = edited;
        FID3v2Bytes = changes.RemoveID3v2 ? 0 : FID3v2Bytes;
    }
    return true;
}

} // namespace orvanta
