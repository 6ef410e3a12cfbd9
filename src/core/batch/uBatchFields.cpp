#include "core/batch/uBatchFields.h"

#include <algorithm>
#include <filesystem>

#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLines.h"

namespace orvanta {

const std::array<TBatchFieldInfo, BatchFieldCount> BatchFields = {{
    {TBatchField::Title, "TITLE", false},
    {TBatchField::Artist, "ARTIST", true},
    {TBatchField::Album, "ALBUM", false},
    {TBatchField::AlbumArtist, "ALBUMARTIST", true},
    {TBatchField::Year, "DATE", false},
    {TBatchField::Track, "TRACKNUMBER", false},
    {TBatchField::Disc, "DISCNUMBER", false},
    {TBatchField::DiscTotal, "DISCTOTAL", false},
    {TBatchField::Genre, "GENRE", true},
    {TBatchField::Composer, "COMPOSER", true},
    {TBatchField::Comment, "COMMENT", false},
}};

const TBatchFieldInfo& BatchFieldInfo(TBatchField Field) {
    return BatchFields[static_cast<std::size_t>(Field)];
}

namespace {

std::string Joined(const std::vector<std::string>& Values) {
    std::string text;
    for (const std::string& value : Values)
        text += (text.empty() ? "" : " / ") + value;
    return text;
}

// "3/12" as its number and its total.
std::pair<std::string, std::string> NumberAndTotal(const std::string& Text) {
    const std::size_t slash = Text.find('/');
    if (slash == std::string::npos)
        return {Text, {}};
    return {Text.substr(0, slash), Text.substr(slash + 1)};
}

// An APIC frame's content (encoding, MIME type, picture type, description, data) as a picture.
std::optional<TPicture> PictureOfApic(std::string_view Content) {
    if (Content.size() < 4)
        return std::nullopt;
    const auto encoding = static_cast<std::uint8_t>(Content[0]);
    const std::size_t mimeEnd = Content.find('\0', 1);
    if (mimeEnd == std::string_view::npos || mimeEnd + 1 >= Content.size())
        return std::nullopt;
    TPicture picture;
    picture.Mime = Content.substr(1, mimeEnd - 1);
    picture.Type = static_cast<std::uint8_t>(Content[mimeEnd + 1]);
    const std::string_view rest = Content.substr(mimeEnd + 2);
    const std::size_t unit = (encoding == 1 || encoding == 2) ? 2 : 1;
    std::size_t end = 0;
    while (end + unit <= rest.size() && !(rest[end] == 0 && (unit == 1 || rest[end + 1] == 0)))
        end += unit;
    if (end + unit > rest.size())
        return std::nullopt;
    picture.Data = rest.substr(end + unit);
    return picture;
}

bool ReadMp3(const std::string& Path, TBatchFile& File) {
    TMPEGaudio audio;
    if (!audio.Analyse(Path))
        return false;
    const TID3v2& v2 = audio.ID3v2();
    const bool useV2 = v2.Present() || !audio.ID3v1().Present();
    const auto set = [&File](TBatchField Field, std::string Value) {
        File.Values[static_cast<std::size_t>(Field)] = std::move(Value);
    };
    const std::pair<TBatchField, TTagField> texts[] = {
        {TBatchField::Title, TTagField::Title},     {TBatchField::Artist, TTagField::Artist},
        {TBatchField::Album, TTagField::Album},     {TBatchField::Year, TTagField::Year},
        {TBatchField::Genre, TTagField::Genre},     {TBatchField::Composer, TTagField::Composer},
        {TBatchField::Comment, TTagField::Comment},
    };
    if (!useV2) {
        const TID3v1& v1 = audio.ID3v1();
        for (const auto& [batch, field] : texts)
            if (FieldInfo(field).InV1())
                set(batch, v1.Text(field));
        set(TBatchField::Genre, v1.GenreName());
        set(TBatchField::Track, v1.Track() ? std::to_string(v1.Track()) : std::string());
        return true;
    }
    for (const auto& [batch, field] : texts)
        set(batch, v2.Text(field));
    set(TBatchField::AlbumArtist, v2.AlbumArtist());
    set(TBatchField::Track, NumberAndTotal(v2.TrackText()).first);
    auto [disc, total] = NumberAndTotal(v2.DiscText());
    set(TBatchField::Disc, std::move(disc));
    set(TBatchField::DiscTotal, std::move(total));
    TFileSource source;
    if (!source.Open(Path))
        return false;
    for (const id3frames::TFrameV3& frame : ReadTagFrames(source))
        if (frame.Id == "APIC" && !(frame.Flags1 & 0xC0)) // neither compressed nor encrypted
            if (std::optional<TPicture> picture = PictureOfApic(frame.Content))
                File.Pictures.push_back(std::move(*picture));
    return true;
}

} // namespace

bool ReadBatchFile(const std::string& Path, TBatchFile& File, std::string& Error) {
    File = {};
    File.Path = Path;
    File.Format = SniffFile(Path);
    if (File.Format == TAudioFormat::MP3 || File.Format == TAudioFormat::Unknown) {
        File.Format = TAudioFormat::MP3;
        if (ReadMp3(Path, File))
            return true;
        Error = "Error reading file.\r\n" + Path;
        return false;
    }
    TAudioInfo info;
    if (!ReadAudioFile(Path, info, true)) {
        Error = "Error reading file.\r\n" + Path;
        return false;
    }
    for (const TBatchFieldInfo& field : BatchFields)
        File.Values[static_cast<std::size_t>(field.Id)] = Joined(TagValues(info.Tags, field.Key));
    File.Pictures = std::move(info.Pictures);
    return true;
}

TSharedValue SharedValue(const std::vector<TBatchFile>& Files, TBatchField Field) {
    if (Files.empty())
        return {};
    const std::string& first = Files.front().Value(Field);
    for (const TBatchFile& file : Files)
        if (file.Value(Field) != first)
            return {{}, true};
    return {first, false};
}

const TPicture* ShownCover(const std::vector<TPicture>& Pictures) {
    const auto front = std::find_if(Pictures.begin(), Pictures.end(),
                                    [](const TPicture& Picture) { return Picture.Type == 3; });
    if (front != Pictures.end())
        return &*front;
    return Pictures.empty() ? nullptr : &Pictures.front();
}

TSharedCover SharedCover(const std::vector<TBatchFile>& Files) {
    TSharedCover shared;
    for (std::size_t i = 0; i < Files.size(); ++i) {
        const TPicture* cover = ShownCover(Files[i].Pictures);
        const bool same = i == 0
                              ? true
                              : (cover == nullptr) == (shared.Kind == TSharedCover::TKind::None) &&
                                    (!cover || cover->Data == shared.Picture.Data);
        if (!same)
            return {TSharedCover::TKind::Various, {}};
        if (i == 0 && cover) {
            shared.Kind = TSharedCover::TKind::Shared;
            shared.Picture = *cover;
        }
    }
    return shared;
}

std::vector<TPicture> WithCover(const std::vector<TPicture>& Pictures,
                                const std::optional<TPicture>& Cover) {
    const TPicture* shown = ShownCover(Pictures);
    std::vector<TPicture> result;
    bool placed = false;
    for (const TPicture& picture : Pictures) {
        if (&picture != shown && picture.Type != 3) {
            result.push_back(picture);
            continue;
        }
        // The new cover takes the place of the old one.
        if (Cover && !placed)
            result.push_back(*Cover);
        placed = true;
    }
    if (Cover && !placed)
        result.insert(result.begin(), *Cover);
    return result;
}

TBatchPlan PlanBatchEdits(const std::vector<TBatchFile>& Files, const TBatchEdits& Edits) {
    TBatchPlan plan;
    for (const TBatchFile& file : Files) {
        TBatchItem item;
        item.Path = file.Path;
        for (const auto& [field, text] : Edits.Fields) {
            if (file.Value(field) == text)
                continue;
            const TBatchFieldInfo& info = BatchFieldInfo(field);
            item.Changes.Fields[std::string(info.Key)] = text.empty() ? std::vector<std::string>()
                                                         : info.Several
                                                             ? SplitJoinedValues(text)
                                                             : std::vector<std::string>{text};
        }
        if (Edits.Cover) {
            std::vector<TPicture> pictures = WithCover(file.Pictures, *Edits.Cover);
            if (pictures != file.Pictures)
                item.Changes.Pictures = std::move(pictures);
        }
        if (item.Edits())
            plan.push_back(std::move(item));
    }
    return plan;
}

std::optional<TPicture> CoverFromImage(std::string Bytes) {
    TPicture picture;
    picture.Mime = MimeOfData(Bytes);
    if (picture.Mime != "image/jpeg" && picture.Mime != "image/png")
        return std::nullopt;
    picture.Type = 3;
    picture.Data = std::move(Bytes);
    return picture;
}

std::string BatchHomeOf(const std::string& LibraryFile) {
    const std::filesystem::path folder = std::filesystem::path(LibraryFile).parent_path();
    if (folder.filename() == "Data")
        return folder.parent_path().string();
    return folder.string();
}

} // namespace orvanta
