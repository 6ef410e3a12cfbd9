// The tag editor's table for MP3 files: the frames of the ID3v2 tag, whose text frames are
// edited as lines, or the fields of an ID3v1 tag, shown only.
#include "ui/metadata/uFrmMP3Tag.h"

#include <QStringList>

#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uID3v2Lines.h"
#include "core/metadata/uTagFile.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/metadata/uTagBoxes.h"
#include "ui/metadata/uTagFieldTable.h"

namespace orvanta {

using namespace tagboxes;

namespace {

// The frames the editor's fields write: their lines reach the file through the fields.
bool IsFieldFrame(std::string_view Id) {
    return Id == "TPE2" || Id == "TPOS" ||
           std::ranges::any_of(TagFields,
                               [&](const TTagFieldInfo& Field) { return Field.V2Frame == Id; });
}

std::string upper(std::string_view Text) {
    std::string out(Text);
    for (char& c : out)
        c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    return out;
}

} // namespace

void TfrmMP3Tag::ShowMP3Lines() {
    if (!FUseV2) {
        const TID3v1& tag = FAudio->ID3v1();
        TTagEntries lines;
        for (const TTagFieldInfo& field : TagFields)
            if (field.InV1())
                lines.push_back({upper(field.Caption), tag.Text(field.Id)});
        lines.push_back({"TRACK", std::to_string(tag.Track())});
        lines.push_back({"GENRE", tag.GenreName()});
        tblFields->SetEditable(false);
        tblFields->ShowLines(lines);
        return;
    }
    TFileSource source;
    if (!FID3v2Lines)
        FID3v2Lines = std::make_unique<TTagLines>();
    FID3v2Lines->Reset(source.Open(PathFromQString(FullPath())) ? ID3v2Lines(source)
                                                                : TTagEntries{});
    tblFields->SetEditable(
        true, [](const std::string& Key) { return Key.empty() || IsTextFrameId(Key); });
    tblFields->ShowLines(FID3v2Lines->Lines());
}

bool TfrmMP3Tag::TakeChangedFrames(TID3v2& Tag) {
    if (!FID3v2Lines)
        return true;
    QStringList refused;
    std::vector<std::pair<std::string, std::string>> frames;
    for (const auto& [id, values] : FID3v2Lines->ChangedKeys()) {
        if (IsFieldFrame(id))
            continue;
        if (!IsTextFrameId(id)) {
            refused << fromStd(id);
            continue;
        }
        // Version 3 keeps one text per frame: several values are joined as the reader shows them.
        std::string text;
        for (const std::string& value : values)
            if (!value.empty())
                text += (text.empty() ? "" : " / ") + value;
        frames.emplace_back(id, std::move(text));
    }
    if (!refused.isEmpty()) {
        FPrompts.Information(
            QStringLiteral("An ID3v2 tag takes only text frames (T...) as lines: %1.\r\n")
                .arg(refused.join(QStringLiteral(", "))) +
            PathForDisplay(PathFromQString(FullPath())));
        return false;
    }
    for (const auto& [id, text] : frames)
        Tag.SetFrameText(id, text);
    return true;
}

} // namespace orvanta
