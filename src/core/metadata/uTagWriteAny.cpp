#include "core/metadata/uTagWriteAny.h"

#include "core/common/uTFileUtils.h"
#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLines.h"

#include <sys/stat.h>

namespace orvanta {

namespace {

bool IsNumberKey(std::string_view Key) {
    return Key == "TRACKNUMBER" || Key == "TRACKTOTAL" || Key == "DISCNUMBER" || Key == "DISCTOTAL";
}

// A number as a tag may spell it: "03" is 3, and "3/12" is 3 with its total.
std::string WithoutLeadingZeros(std::string_view Text) {
    Text = Text.substr(0, Text.find('/'));
    while (Text.size() > 1 && Text.front() == '0')
        Text.remove_prefix(1);
    return std::string(Text);
}

std::vector<std::string> OneOrNone(const std::string& Text) {
    return Text.empty() ? std::vector<std::string>{} : std::vector<std::string>{Text};
}

// "3/12": the part before the slash, or after it.
std::vector<std::string> NumberPart(const std::string& Text, bool Total) {
    const std::size_t slash = Text.find('/');
    if (Total)
        return slash == std::string::npos ? std::vector<std::string>{}
                                          : OneOrNone(Text.substr(slash + 1));
    return OneOrNone(Text.substr(0, slash));
}

// The values of Key in an MP3's ID3v2 tag, read as SetID3v2Fields writes them.
std::vector<std::string> MP3Values(const TID3v2& Tag,
                                   const std::vector<id3frames::TFrameV3>& Frames,
                                   const std::string& Key) {
    if (Key == "TRACKNUMBER" || Key == "TRACKTOTAL")
        return NumberPart(Tag.TrackText(), Key == "TRACKTOTAL");
    if (Key == "DISCNUMBER" || Key == "DISCTOTAL")
        return NumberPart(Tag.DiscText(), Key == "DISCTOTAL");
    const auto several = [](const std::vector<std::string>& Values, const std::string& Text) {
        return Values.empty() ? OneOrNone(Text) : Values;
    };
    if (const std::optional<TTagField> field = FieldOfKey(Key)) {
        const TID3v2::TValues& values = Tag.Values();
        switch (*field) {
        case TTagField::Artist:
            return several(values.Artists, Tag.Artist());
        case TTagField::Genre:
            return several(values.Genres, Tag.Genre());
        case TTagField::Composer:
            return several(values.Composers, Tag.Composer());
        default:
            return OneOrNone(Tag.Text(*field));
        }
    }
    if (Key == "ALBUMARTIST")
        return several(Tag.Values().AlbumArtists, Tag.AlbumArtist());
    const std::string_view id = FrameOfKey(Key);
    std::vector<std::string> result;
    std::string text;
    for (const id3frames::TFrameV3& frame : Frames) {
        if (frame.Id != id)
            continue;
        if (id == "TXXX") {
            id3text::DecodeUserTextDescription(text, frame.Content);
            if (UpperAscii(text) != Key)
                continue;
            id3text::DecodeDescribedText(text, frame.Content, false, false);
            result.push_back(text);
            continue;
        }
        std::vector<std::string> values;
        id3text::DecodeValues(text, frame.Content, true, &values);
        if (values.empty() && !text.empty())
            values.push_back(text);
        result.insert(result.end(), values.begin(), values.end());
    }
    return result;
}

bool ReadMP3State(const std::string& Path, const std::vector<std::string>& Keys, bool WithPictures,
                  TTagState& State) {
    TID3v2 tag;
    TFileSource source;
    if (!source.Open(Path) || !tag.LoadTag(source) || !tag.ReadWhole())
        return false;
    TFileSource again;
    if (!again.Open(Path))
        return false;
    const std::vector<id3frames::TFrameV3> frames = ReadTagFrames(again);
    for (const std::string& key : Keys)
        State.Fields[key] = MP3Values(tag, frames, key);
    if (WithPictures)
        State.Pictures = PicturesOfFrames(frames);
    return true;
}

bool HasOtherLinks(const std::string& Path) {
    struct stat status {};
    return ::stat(Path.c_str(), &status) == 0 && status.st_nlink > 1;
}

// A Vorbis comment may hold "3/12" as the number: a new number keeps its total, as an ID3v2
// save keeps it, unless the total is given too.
void KeepJoinedTotals(TFieldValues& Wanted, const TFieldValues& Old) {
    for (const std::string name : {"TRACK", "DISC"}) {
        const auto number = Wanted.find(name + "NUMBER");
        const auto old = Old.find(name + "NUMBER");
        if (number == Wanted.end() || number->second.size() != 1 ||
            number->second.front().find('/') != std::string::npos ||
            Wanted.contains(name + "TOTAL") || old == Old.end() || old->second.size() != 1 ||
            old->second.front().find('/') == std::string::npos)
            continue;
        number->second.front() += old->second.front().substr(old->second.front().find('/'));
    }
}

} // namespace

std::vector<std::string> ChangedKeys(const TTagChanges& Changes) {
    std::vector<std::string> keys;
    for (const auto& [key, values] : Changes.Fields)
        keys.push_back(key);
    return keys;
}

bool SameTagValues(const std::string& Key, const std::vector<std::string>& Values,
                   const std::vector<std::string>& Wanted) {
    if (!IsNumberKey(Key) || Values.size() != Wanted.size())
        return Values == Wanted;
    for (std::size_t i = 0; i < Values.size(); ++i)
        if (WithoutLeadingZeros(Values[i]) != WithoutLeadingZeros(Wanted[i]))
            return false;
    return true;
}

bool ReadTagState(const std::string& Path, const std::vector<std::string>& Keys, bool WithPictures,
                  TTagState& State, std::string& Error) {
    State = {};
    if (!TFileUtils::IsRegularFile(Path)) {
        Error = TFileUtils::NotRegularFileMessage(Path);
        return false;
    }
    State.Format = SniffFile(Path);
    if (State.Format == TAudioFormat::MP3 || State.Format == TAudioFormat::Unknown) {
        State.Format = TAudioFormat::MP3;
        if (ReadMP3State(Path, Keys, WithPictures, State))
            return true;
        Error = TagNotWholeMessage(Path);
        return false;
    }
    TAudioInfo info;
    TFileSource source;
    if (!source.Open(Path) || !ReadAudioInfo(source, State.Format, info, WithPictures)) {
        Error = "Error reading file.\n" + Path;
        return false;
    }
    for (const std::string& key : Keys)
        State.Fields[key] = TagValues(info.Tags, key);
    State.Pictures = std::move(info.Pictures);
    return true;
}

TTagWrite WriteTagChangesAny(const std::string& Path, const TTagChanges& Changes,
                             std::string& Error) {
    TTagState state;
    if (!ReadTagState(Path, ChangedKeys(Changes), Changes.Pictures.has_value(), state, Error))
        return TTagWrite::Failed;
    TTagChanges changes;
    changes.RemoveID3v2 = Changes.RemoveID3v2;
    TFieldValues wanted = Changes.Fields;
    if (state.Format != TAudioFormat::MP3)
        KeepJoinedTotals(wanted, state.Fields);
    // A key that already holds these values is left alone, so that a file whose fields all stay
    // is not written at all.
    for (auto& [key, values] : wanted)
        if (!SameTagValues(key, state.Fields[key], values))
            changes.Fields[key] = std::move(values);
    if (Changes.Pictures && *Changes.Pictures != state.Pictures)
        changes.Pictures = Changes.Pictures;
    if (changes.Fields.empty() && !changes.Pictures && !changes.RemoveID3v2)
        return TTagWrite::Unchanged;
    if (HasOtherLinks(Path)) {
        Error = "Error writing tag.\n" + Path + "\n" + TFileUtils::HardLinkNote(Path);
        return TTagWrite::Failed;
    }
    if (state.Format != TAudioFormat::MP3)
        return WriteTagChanges(Path, state.Format, changes, Error) ? TTagWrite::Written
                                                                   : TTagWrite::Failed;
    TMPEGaudio audio;
    if (!audio.Analyse(Path) || !audio.TagWritable(true)) {
        Error = "Invalid MP3 file.\n" + Path;
        return TTagWrite::Failed;
    }
    TID3v2& tag = audio.ID3v2();
    if (!tag.ReadWhole()) {
        Error = TagNotWholeMessage(Path);
        return TTagWrite::Failed;
    }
    if (std::string error = SetID3v2Fields(tag, changes.Fields); !error.empty()) {
        Error = error + "\n" + Path;
        return TTagWrite::Failed;
    }
    if (changes.Pictures)
        tag.SetPictures(*changes.Pictures);
    if (!tag.StoreTag(Path)) {
        Error = (tag.ReadWhole() ? "Error writing MP3 tag.\n" + Path : TagNotWholeMessage(Path));
        return TTagWrite::Failed;
    }
    return TTagWrite::Written;
}

} // namespace orvanta
