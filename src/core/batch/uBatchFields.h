#pragma once

// The fields the tag dialog edits over several files at once: what each file holds, the value
// they share or "various", and the plan of only the fields the user touched.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/batch/uBatchPlan.h"
#include "core/metadata/uAudioInfo.h"

namespace orvanta {

enum class TBatchField {
    Title,
    Artist,
    Album,
    AlbumArtist,
    Year,
    Track,
    Disc,
    DiscTotal,
    Genre,
    Composer,
    Comment
};
constexpr std::size_t BatchFieldCount = 11;

struct TBatchFieldInfo {
    TBatchField Id;
    // The key a save writes, in the common spelling.
    std::string_view Key;
    // The library keeps several values of it, typed joined by " / ".
    bool Several;
};
extern const std::array<TBatchFieldInfo, BatchFieldCount> BatchFields;
const TBatchFieldInfo& BatchFieldInfo(TBatchField Field);

// One file as the dialog shows it: each field's values joined by " / ", and its pictures.
struct TBatchFile {
    std::string Path;
    TAudioFormat Format = TAudioFormat::Unknown;
    std::array<std::string, BatchFieldCount> Values;
    std::vector<TPicture> Pictures;
    const std::string& Value(TBatchField Field) const {
        return Values[static_cast<std::size_t>(Field)];
    }
};

// Reads the fields and pictures of a file of any format the editor knows (an MP3 file's ID3v2
// tag, else its ID3v1 tag); false with Error naming the file when it cannot.
bool ReadBatchFile(const std::string& Path, TBatchFile& File, std::string& Error);

// What several files hold in one field: the value they all share, or Various.
struct TSharedValue {
    std::string Value;
    bool Various = false;
    bool operator==(const TSharedValue&) const = default;
};
TSharedValue SharedValue(const std::vector<TBatchFile>& Files, TBatchField Field);

// The picture shown as a file's cover: its front cover, else its first picture; null when none.
const TPicture* ShownCover(const std::vector<TPicture>& Pictures);

struct TSharedCover {
    enum class TKind { None, Shared, Various };
    TKind Kind = TKind::None;
    // The cover every file shows, when Shared.
    TPicture Picture;
};
// Files share a cover when each shows the same bytes, or none when none shows any.
TSharedCover SharedCover(const std::vector<TBatchFile>& Files);

// The user's edits: the fields touched with their new texts, and the cover when touched (a
// picture to put in, or nothing to take it out).
struct TBatchEdits {
    std::vector<std::pair<TBatchField, std::string>> Fields;
    std::optional<std::optional<TPicture>> Cover;
    bool Empty() const { return Fields.empty() && !Cover; }
};

// A file's pictures with its shown cover (and every other front cover) replaced by Cover, or
// taken out when Cover is empty; the other pictures keep their order and bytes.
std::vector<TPicture> WithCover(const std::vector<TPicture>& Pictures,
                                const std::optional<TPicture>& Cover);

// One item per file, naming only the touched fields (an empty text removes the field) and,
// when the cover was touched, the file's new picture list; files that would not change are
// left out. At most Most items: the first one tells whether anything changes at all.
TBatchPlan PlanBatchEdits(const std::vector<TBatchFile>& Files, const TBatchEdits& Edits,
                          std::size_t Most = SIZE_MAX);

// A picture read from an image file's bytes as a front cover; empty unless JPEG or PNG.
std::optional<TPicture> CoverFromImage(std::string Bytes);

// The program's home a library file belongs to: the folder above its "Data" folder, else its
// own folder. A batch keeps its journal there.
std::string BatchHomeOf(const std::string& LibraryFile);

} // namespace orvanta
