#include "core/batch/uBatchFields.h"

#include <algorithm>
#include <filesystem>

#include "core/metadata/uTagLines.h"
#include "core/metadata/uTagWriteAny.h"

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

} // namespace

bool ReadBatchFile(const std::string& Path, TBatchFile& File, std::string& Error) {
    std::vector<std::string> keys;
    for (const TBatchFieldInfo& field : BatchFields)
        keys.emplace_back(field.Key);
    TTagState state;
    if (!ReadTagState(Path, keys, true, state, Error))
        return false;
    File = {};
    File.Path = Path;
    File.Format = state.Format;
    for (const TBatchFieldInfo& field : BatchFields)
        File.Values[static_cast<std::size_t>(field.Id)] =
            Joined(state.Fields[keys[static_cast<std::size_t>(field.Id)]]);
    File.Pictures = std::move(state.Pictures);
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

TBatchPlan PlanBatchEdits(const std::vector<TBatchFile>& Files, const TBatchEdits& Edits,
                          std::size_t Most) {
    TBatchPlan plan;
    for (const TBatchFile& file : Files) {
        if (plan.size() == Most)
            break;
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
