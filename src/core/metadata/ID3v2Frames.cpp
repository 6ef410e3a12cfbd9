#include "core/metadata/ID3v2Frames.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace orvanta::id3frames {

namespace {

// Version 2.2 identifiers and their version 2.3 forms. LNK and CRM have none and are dropped.
constexpr std::array<std::pair<std::string_view, std::string_view>, 75> V2Ids = {{
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
    {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
    {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
    {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"},
    {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
    {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSP", "TSOP"}, {"TSA", "TSOA"},
    {"TS2", "TSO2"}, {"TSC", "TSOC"}, {"TDR", "TDRC"}, {"TBO", "TBPM"}, {"PCS", "PCST"},
    {"TID", "TGID"}, {"TDS", "TDES"}, {"GP1", "GRP1"}, {"MVN", "MVNM"}, {"MVI", "MVIN"},
}};

// Version 2.2 names picture formats with three letters; version 2.3 with a MIME type.
std::string PictureMime(std::string_view Format) {
    std::string upper(Format);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    if (upper == "JPG")
        return "image/jpeg";
    if (upper == "PNG")
        return "image/png";
    if (upper == "GIF")
        return "image/gif";
    if (upper == "BMP")
        return "image/bmp";
    return tagtext::Utf8ToLatin1(tagtext::Latin1ToUtf8(Format));
}

std::uint32_t Syncsafe(std::string_view P) {
    std::uint32_t value = 0;
    for (const char c : P.substr(0, 4))
        value = (value << 7) | (static_cast<std::uint8_t>(c) & 0x7F);
    return value;
}

void PutBigEndian(std::string& Out, std::uint32_t Value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        Out += static_cast<char>((Value >> shift) & 0xFF);
}

// Frames whose content begins with a text encoding byte, in ID3v2.4.
bool HasEncodingByte(std::string_view Id) {
    static constexpr std::array<std::string_view, 10> others = {
        "WXXX", "COMM", "USLT", "SYLT", "APIC", "GEOB", "USER", "OWNE", "COMR", "IPLS"};
    return Id[0] == 'T' || std::find(others.begin(), others.end(), Id) != others.end();
}

// Re-encodes a version 4 frame whose text is UTF-16BE or UTF-8 as UTF-16 with a byte-order
// mark, the one Unicode form version 3 knows. Empty when the frame's layout is not known.
std::optional<std::string> ReencodeForV3(std::string_view Id, std::string_view Content) {
    if (Content.empty() || !HasEncodingByte(Id))
        return std::string(Content);
    const auto encoding = static_cast<std::uint8_t>(Content[0]);
    if (encoding != 2 && encoding != 3)
        return std::string(Content);
    // Layout as a list of parts: 'S' encoded text ended by a terminator (or the content),
    // 'L' single-byte text ended by a zero byte, '1'/'3' fixed bytes, 'R' the raw rest,
    // '*' encoded texts to the end.
    std::string_view layout;
    if (Id[0] == 'T')
        layout = "*";
    else if (Id == "COMM" || Id == "USLT")
        layout = "3S*";
    else if (Id == "WXXX")
        layout = "SR";
    else if (Id == "APIC")
        layout = "L1SR";
    else if (Id == "GEOB")
        layout = "LSSR";
    else if (Id == "USER")
        layout = "3*";
    else
        return std::nullopt;
    const std::size_t unit = encoding == 2 ? 2 : 1;
    std::string_view rest = Content.substr(1);
    std::string out(1, '\1');
    const auto encodedString = [&] {
        std::size_t end = 0;
        while (end + unit <= rest.size() && !(rest[end] == 0 && (unit == 1 || rest[end + 1] == 0)))
            end += unit;
        const bool terminated = end + unit <= rest.size();
        const std::string_view raw = rest.substr(0, std::min(end, rest.size()));
        const std::string text =
            encoding == 2 ? tagtext::Utf16ToUtf8(raw, true) : tagtext::SanitizeUtf8(raw);
        out += "\xFF\xFE";
        out += tagtext::Utf8ToUtf16LE(text);
        if (terminated)
            out.append(2, '\0');
        rest.remove_prefix(terminated ? end + unit : rest.size());
    };
    for (const char part : layout) {
        switch (part) {
        case 'S':
            encodedString();
            break;
        case '*':
            while (!rest.empty())
                encodedString();
            break;
        case 'L': {
            const std::size_t end = std::min(rest.find('\0'), rest.size() - 1);
            if (rest.empty())
                return std::nullopt;
            out.append(rest.substr(0, end + 1));
            rest.remove_prefix(end + 1);
            break;
        }
        case '1':
        case '3': {
            const std::size_t n = std::size_t(part - '0');
            if (rest.size() < n)
                return std::nullopt;
            out.append(rest.substr(0, n));
            rest.remove_prefix(n);
            break;
        }
        default: // 'R'
            out.append(rest);
            rest = {};
        }
    }
    return out;
}

std::optional<TFrameV3> FromV2(std::string_view Id, std::string_view Content) {
    const std::string_view id = V3IdOfV2(Id);
    if (id.empty())
        return std::nullopt;
    TFrameV3 frame{std::string(id), 0, 0, {}};
    if (Id == "PIC") {
        // Encoding, three-letter format, picture type, description, image.
        if (Content.size() < 5)
            return std::nullopt;
        const std::string mime = PictureMime(Content.substr(1, 3));
        frame.Content.reserve(Content.size() + mime.size());
        frame.Content.push_back(Content[0]);
        frame.Content.append(mime.data(), mime.size());
        frame.Content.push_back('\0');
        frame.Content.append(Content.data() + 4, Content.size() - 4);
    } else {
        frame.Content = Content;
    }
    return frame;
}

std::optional<TFrameV3> FromV4(std::string_view Id, std::uint8_t Flags0, std::uint8_t Flags1,
                               std::string_view Content) {
    if (Flags0 & 0x40) // tag alter preservation: drop when the tag changes
        return std::nullopt;
    TFrameV3 frame{std::string(Id), 0, 0, {}};
    if (Flags0 & 0x20)
        frame.Flags0 |= 0x40; // file alter preservation
    if (Flags0 & 0x10)
        frame.Flags0 |= 0x20; // read only
    const std::string decoded = (Flags1 & 0x02) ? Resynchronise(Content) : std::string(Content);
    std::string_view data = decoded;
    const auto take = [&](std::size_t Count) {
        const std::string_view part = data.substr(0, Count);
        data.remove_prefix(std::min(Count, data.size()));
        return part;
    };
    const bool grouped = Flags1 & 0x40;
    const bool compressed = Flags1 & 0x08;
    const bool encrypted = Flags1 & 0x04;
    const bool hasLength = Flags1 & 0x01;
    const std::string_view group = grouped ? take(1) : std::string_view();
    const std::string_view method = encrypted ? take(1) : std::string_view();
    const std::string_view length = hasLength ? take(4) : std::string_view();
    if (group.size() != std::size_t(grouped) || method.size() != std::size_t(encrypted) ||
        length.size() != (hasLength ? 4u : 0u))
        return std::nullopt;
    if (compressed || encrypted) {
        // Version 3 keeps the same bytes behind its own flags; text inside cannot be re-encoded.
        if (HasEncodingByte(Id) || (compressed && !hasLength))
            return std::nullopt;
        if (compressed) {
            frame.Flags1 |= 0x80;
            PutBigEndian(frame.Content, Syncsafe(length));
        }
        if (encrypted) {
            frame.Flags1 |= 0x40;
            frame.Content.append(method);
        }
    }
    if (grouped) {
        frame.Flags1 |= 0x20;
        frame.Content.append(group);
    }
    if (compressed || encrypted) {
        frame.Content.append(data);
        return frame;
    }
    const auto text = ReencodeForV3(Id, data);
    if (!text)
        return std::nullopt;
    frame.Content += *text;
    return frame;
}

} // namespace

std::string Resynchronise(std::string_view Bytes) {
    std::string out;
    out.reserve(Bytes.size());
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        out += Bytes[i];
        if (static_cast<unsigned char>(Bytes[i]) == 0xFF && i + 1 < Bytes.size() &&
            Bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

bool DroppedOnChange(std::uint8_t Version, std::uint8_t Flags0) {
    return (Version == 4 && (Flags0 & 0x40)) || (Version == 3 && (Flags0 & 0x80));
}

std::string_view V3IdOfV2(std::string_view Id) {
    for (const auto& [v2, v3] : V2Ids)
        if (v2 == Id)
            return v3;
    return {};
}

std::optional<TFrameV3> ToV3(std::uint8_t Version, std::string_view Id, std::uint8_t Flags0,
                             std::uint8_t Flags1, std::string_view Content) {
    if (Version == 2)
        return FromV2(Id, Content);
    if (Version == 4)
        return FromV4(Id, Flags0, Flags1, Content);
    if (Flags0 & 0x80) // tag alter preservation: drop when the tag changes
        return std::nullopt;
    return TFrameV3{std::string(Id), Flags0, Flags1, std::string(Content)};
}

void AppendFrame(std::string& Out, const TFrameV3& Frame) {
    Out.append(Frame.Id);
    PutBigEndian(Out, static_cast<std::uint32_t>(Frame.Content.size()));
    Out += static_cast<char>(Frame.Flags0);
    Out += static_cast<char>(Frame.Flags1);
    Out.append(Frame.Content);
}

bool IsFrameId(const std::uint8_t* Id, std::size_t Length) {
    return Id[0] >= 'A' && Id[0] <= 'Z' && std::all_of(Id, Id + Length, [](std::uint8_t C) {
               return (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9');
           });
}

bool IsPaddingAt(TByteSource& Source, std::int64_t Pos, std::int64_t End) {
    std::array<std::uint8_t, 256> bytes{};
    const std::int64_t want = std::min<std::int64_t>(End - Pos, std::int64_t(bytes.size()));
    const std::int64_t got = Source.ReadAt(Pos, bytes.data(), std::size_t(want));
    return got == want &&
           std::all_of(bytes.begin(), bytes.begin() + got, [](std::uint8_t b) { return b == 0; });
}

bool LandsWell(TByteSource& Source, std::int64_t Pos, std::int64_t End) {
    if (Pos == End)
        return true;
    if (Pos > End)
        return false;
    if (End - Pos < 10)
        return IsPaddingAt(Source, Pos, End);
    std::uint8_t h[10]{};
    if (Source.ReadAt(Pos, h, 10) != 10)
        return false;
    if (h[0] == 0)
        return IsPaddingAt(Source, Pos, End);
    const std::string_view size(reinterpret_cast<const char*>(h) + 4, 4);
    std::uint32_t plain = 0;
    for (int i = 4; i < 8; ++i)
        plain = (plain << 8) | h[i];
    return IsFrameId(h, 4) && Pos + 10 + std::int64_t(std::min(Syncsafe(size), plain)) <= End;
}

bool IsPlainComment(const TFrameV3& Frame) {
    if (Frame.Id != "COMM" || Frame.Content.size() < 4 || (Frame.Flags1 & 0xC0))
        return false;
    std::string_view description = std::string_view(Frame.Content).substr(4);
    if (Frame.Content[0] != 1)
        return description.empty() || description[0] == '\0';
    if (description.starts_with("\xFF\xFE") || description.starts_with("\xFE\xFF"))
        description.remove_prefix(2);
    return description.size() < 2 || (description[0] == '\0' && description[1] == '\0');
}

} // namespace orvanta::id3frames
