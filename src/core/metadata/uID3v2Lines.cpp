#include "core/metadata/uID3v2Lines.h"

#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/uTagLines.h"

namespace orvanta {

bool IsTextFrameId(std::string_view Id) {
    return Id.size() == 4 && Id.front() == 'T' && Id != "TXXX" &&
           id3frames::IsFrameId(reinterpret_cast<const std::uint8_t*>(Id.data()), Id.size());
}

TTagEntries ID3v2Lines(TByteSource& Source) {
    TTagEntries lines;
    std::string text;
    for (const id3frames::TFrameV3& frame : ReadTagFrames(Source)) {
        const std::string_view id = frame.Id;
        if (IsTextFrameId(id)) {
            id3text::DecodeValues(text, frame.Content, true);
            for (std::string& value : SplitJoinedValues(text))
                lines.push_back({frame.Id, std::move(value)});
            if (text.empty())
                lines.push_back({frame.Id, {}});
            continue;
        }
        if (id == "COMM" || id == "TXXX" || id == "WXXX")
            id3text::DecodeDescribedText(text, frame.Content, id == "COMM", id == "WXXX");
        else if (id.front() == 'W')
            text = frame.Content.substr(0, frame.Content.find('\0'));
        else {
            text = id == "APIC" ? "(picture, " : "(";
            text += std::to_string(frame.Content.size());
            text += " bytes)";
        }
        lines.push_back({frame.Id, text});
    }
    return lines;
}

} // namespace orvanta
