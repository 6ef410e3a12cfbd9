// The pictures of an MP3's ID3v2 tag (APIC frames), read for a batch's journal and written by
// a save that is given a picture list.
#include "core/metadata/ID3v2.h"
#include "core/metadata/uTagText.h"

namespace orvanta {

namespace {

// Where the text that starts at Pos ends (its terminator's first byte), for encoding Encoding.
std::size_t TextEnd(std::string_view Content, std::size_t Pos, std::uint8_t Encoding) {
    if (Encoding == 1 || Encoding == 2) {
        for (std::size_t i = Pos; i + 1 < Content.size(); i += 2)
            if (Content[i] == '\0' && Content[i + 1] == '\0')
                return i;
        return std::string_view::npos;
    }
    return Content.find('\0', Pos);
}

std::string DecodeDescription(std::string_view Bytes, std::uint8_t Encoding) {
    switch (Encoding) {
    case 0:
        return tagtext::Latin1ToUtf8(Bytes);
    case 1: {
        const bool big = Bytes.size() >= 2 && Bytes[0] == '\xFE' && Bytes[1] == '\xFF';
        if (Bytes.size() >= 2 && (big || (Bytes[0] == '\xFF' && Bytes[1] == '\xFE')))
            Bytes.remove_prefix(2);
        return tagtext::Utf16ToUtf8(Bytes, big);
    }
    case 2:
        return tagtext::Utf16ToUtf8(Bytes, true);
    default:
        return std::string(Bytes);
    }
}

} // namespace

std::vector<TPicture> PicturesOfFrames(const std::vector<id3frames::TFrameV3>& Frames) {
    std::vector<TPicture> pictures;
    for (const id3frames::TFrameV3& frame : Frames) {
        if (frame.Id != "APIC" || frame.Content.empty())
            continue;
        const std::string_view content = frame.Content;
        const auto encoding = static_cast<std::uint8_t>(content[0]);
        const std::size_t mimeEnd = content.find('\0', 1);
        if (mimeEnd == std::string_view::npos || mimeEnd + 2 > content.size())
            continue;
        TPicture picture;
        picture.Mime = tagtext::Latin1ToUtf8(content.substr(1, mimeEnd - 1));
        picture.Type = static_cast<std::uint8_t>(content[mimeEnd + 1]);
        const std::size_t descriptionEnd = TextEnd(content, mimeEnd + 2, encoding);
        if (descriptionEnd == std::string_view::npos)
            continue;
        picture.Description =
            DecodeDescription(content.substr(mimeEnd + 2, descriptionEnd - mimeEnd - 2), encoding);
        picture.Data = content.substr(descriptionEnd + (encoding == 1 || encoding == 2 ? 2 : 1));
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

std::string PictureFrameContent(const TPicture& Picture) {
    const bool wide = !tagtext::FitsLatin1(Picture.Description);
    std::string content(1, wide ? '\1' : '\0');
    content +=
        tagtext::Utf8ToLatin1(Picture.Mime.empty() ? MimeOfData(Picture.Data) : Picture.Mime);
    content += '\0';
    content += static_cast<char>(Picture.Type & 0xFF);
    if (wide)
        content += std::string("\xFF\xFE", 2) + tagtext::Utf8ToUtf16LE(Picture.Description) +
                   std::string(2, '\0');
    else
        content += tagtext::Utf8ToLatin1(Picture.Description) + '\0';
    return content + Picture.Data;
}

} // namespace orvanta
