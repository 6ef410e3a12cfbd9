#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Frames.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/ID3v2Walk.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <string>
#include <vector>

namespace orvanta {

namespace {

using namespace id3text;
using namespace id3walk;

// The size a rewritten tag is padded to, so that most later saves fit in place.
constexpr std::int64_t DefaultTagSize = 4096;

// Encoding byte and bytes of a text: single-byte when ISO-8859-1 holds it, else UTF-16.
std::string EncodedText(std::string_view Text, bool& Wide) {
    Wide = !tagtext::FitsLatin1(Text);
    if (!Wide)
        return tagtext::Utf8ToLatin1(Text);
    return std::string("\xFF\xFE", 2) + tagtext::Utf8ToUtf16LE(Text);
}

void AppendFrame(std::string& Out, std::string_view Id, std::string_view Payload) {
    id3frames::AppendFrame(Out, {std::string(Id), 0, 0, std::string(Payload)});
}

// The encoding byte, then the texts apart by the encoding's terminator: the values of a text
// frame, or a user text frame's description and values.
std::string TextsPayload(const std::vector<std::string_view>& Texts) {
    const bool wide = !std::ranges::all_of(Texts, tagtext::FitsLatin1);
    std::string payload(1, wide ? '\1' : '\0');
    for (std::size_t i = 0; i < Texts.size(); ++i) {
        if (i > 0)
            payload.append(wide ? 2 : 1, '\0');
        bool ignored = false;
        payload += wide ? EncodedText(Texts[i], ignored) : tagtext::Utf8ToLatin1(Texts[i]);
    }
    return payload;
}

std::string UserTextDescription(std::string_view Content) {
    std::string text;
    DecodeUserTextDescription(text, Content);
    return text;
}

std::string TextPayload(std::string_view Text) {
    return TextsPayload({Text});
}

std::string CommentPayload(std::string_view Text) {
    bool wide = false;
    const std::string bytes = EncodedText(Text, wide);
    std::string payload(1, wide ? '\1' : '\0');
    payload += "eng";
    // An empty description; in UTF-16 it too begins with a byte-order mark.
    payload += wide ? std::string("\xFF\xFE\0\0", 4) : std::string(1, '\0');
    return payload + bytes;
}

} // namespace

bool TID3v2::StoreTag(const std::string& FileName) {
    keepRead();
    const TEdited now = Edited();
    TFieldArray<bool> changed{};
    for (std::size_t i = 0; i < TagFieldCount; ++i)
        changed[i] = now.Text[i] != FRead.Text[i];
    changed[FieldIndex(TTagField::Track)] = now.Track != FRead.Track;
    // Changed, and now empty.
    const auto cleared = [&](std::size_t Field) { return changed[Field] && FText[Field].empty(); };

    std::string frames;
    std::int64_t oldSize = 0;
    bool hadTag = false;
    {
        TFileSource source;
        TagHeader header;
        if (!source.Open(FileName) || !ReadTagHeader(source, header))
            return false;
        if (std::ranges::find(changed, true) == changed.end() && FFrameTexts.empty() && !FPictures)
            return true; // nothing to change: the file stays as it is, byte for byte
        if (!FReadWhole)
            return false; // what was not read cannot be carried
        hadTag = header.IsID3();
        oldSize = hadTag ? header.TotalTagSize() : 0;

        // The new frames, in the table's order.
        for (const TTagFieldInfo& field : TagFields) {
            const std::size_t i = FieldIndex(field.Id);
            if (!changed[i])
                continue;
            if (field.Id == TTagField::Track) {
                // A new number keeps the track count of "3/12".
                const std::size_t slash = FTrackText.find('/');
                if (FTrack != 0)
                    AppendFrame(
                        frames, field.V2Frame,
                        TextPayload(std::to_string(FTrack) + (slash == std::string::npos
                                                                  ? std::string()
                                                                  : FTrackText.substr(slash))));
            } else if (!FText[i].empty()) {
                AppendFrame(frames, field.V2Frame,
                            field.Id == TTagField::Comment ? CommentPayload(FText[i])
                                                           : TextPayload(FText[i]));
            }
        }
        for (const TFrameTexts& set : FFrameTexts) {
            std::vector<std::string_view> texts(set.Values.begin(), set.Values.end());
            if (set.Id == "TXXX")
                texts.insert(texts.begin(), set.Description);
            if (!set.Values.empty())
                AppendFrame(frames, set.Id, TextsPayload(texts));
        }
        if (FPictures)
            for (const TPicture& picture : *FPictures)
                AppendFrame(frames, "APIC", PictureFrameContent(picture));

        // The frames of a changed field give way to the new one; every other frame stays. A
        // cleared field also loses the frames it may have been read from instead, so that it
        // reads back empty.
        const std::size_t commentField = FieldIndex(TTagField::Comment);
        const bool describedComment = cleared(commentField) && FCommentDescribed;
        std::string describedText;
        const auto replaced = [&](const id3frames::TFrameV3& Frame) {
            const std::string_view id = Frame.Id;
            if (FPictures && id == "APIC")
                return true;
            if (describedComment && id == "COMM" && !(Frame.Flags1 & 0xC0)) {
                DecodeDescribedText(describedText, Frame.Content, true, false);
                if (describedText == FRead.Text[commentField])
                    return true;
            }
            if (changed[commentField] && id3frames::IsPlainComment(Frame))
                return true;
            for (const TFrameTexts& set : FFrameTexts)
                if (id == set.Id) {
                    if (id != "TXXX")
                        return true;
                    if (UpperAscii(UserTextDescription(Frame.Content)) ==
                        UpperAscii(set.Description))
                        return true;
                }
            const auto is = [&](std::string_view Want) { return !Want.empty() && id == Want; };
            return std::ranges::any_of(TagFields, [&](const TTagFieldInfo& Field) {
                const std::size_t i = FieldIndex(Field.Id);
                return Field.Id != TTagField::Comment && changed[i] &&
                       (is(Field.V2Frame) || is(Field.V2AlsoReplaced) ||
                        (cleared(i) && is(Field.V2Fallback)));
            });
        };
        // Then the old tag's other frames, in their old order. A tag that cannot be read whole
        // now is left as it is.
        if (oldSize > 0 &&
            !VisitFramesV3(source, header, oldSize, [&](const id3frames::TFrameV3& Frame) {
                if (!replaced(Frame))
                    id3frames::AppendFrame(frames, Frame);
            })) {
            FReadWhole = false;
            return false;
        }
        if (hadTag && oldSize == 0) {
            FReadWhole = false;
            return false;
        }
    }

    std::int64_t newSize = std::int64_t(HeaderSize) + std::int64_t(frames.size());
    const bool rewrite = !hadTag || oldSize < newSize || oldSize > DefaultTagSize;
    const std::int64_t padding = rewrite ? DefaultTagSize - newSize : oldSize - newSize;
    if (padding > 0)
        newSize += padding;
    if (newSize - std::int64_t(HeaderSize) >= (std::int64_t(1) << 28))
        return false; // beyond what a syncsafe size can hold

    std::string tag = "ID3";
    tag += '\3';
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += static_cast<char>(((newSize - std::int64_t(HeaderSize)) >> shift) & 0x7F);
    tag += frames;
    if (padding > 0)
        tag.append(std::size_t(padding), '\0');

    const bool written = rewrite ? tagfile::RewriteWithPrefix(FileName, tag, oldSize)
                                 : tagfile::WriteAt(FileName, 0, tag);
    // From now on a save compares with what the file holds. The save succeeded whatever the
    // read-back finds: one that fails leaves this object as for a file it could not read.
    if (written)
        static_cast<void>(LoadTag(FileName));
    return written;
}

} // namespace orvanta
