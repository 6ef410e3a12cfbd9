#include "core/metadata/uMp4File.h"
#include "core/metadata/uAudioInfo.h"

#include "core/metadata/uMp4Items.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"
#include "core/metadata/uTagText.h"
#include "core/metadata/uXiphComment.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include <taglib/id3v1genres.h>

namespace orvanta {

namespace {

using namespace mp4;

// Real files nest five or six levels; deeper is a corrupt or hostile file.
constexpr int MaxDepth = 32;
// A long fragmented file holds some ten thousand atoms.
constexpr std::size_t MaxAtoms = 1 << 18;
// An ilst item larger than this is no tag a library shows.
constexpr std::int64_t MaxItemBytes = 16 << 20;
// How much one read past the source's cached pages fetches: a movie atom's headers lie a few
// kilobytes apart, around the sample tables they pass over.
constexpr std::size_t WindowBytes = 65536;

constexpr std::string_view FreeFormPrefix = "----:com.apple.iTunes:";

// The atoms whose body is a list of atoms.
constexpr std::array<std::string_view, 11> Containers = {
    "moov", "udta", "mdia", "meta", "ilst", "stbl", "minf", "moof", "traf", "trak", "stsd"};

// The data types of an item's values.
constexpr std::int32_t TypeImplicit = 0;
constexpr std::int32_t TypeUtf8 = 1;
constexpr std::int32_t TypeGif = 12;
constexpr std::int32_t TypeJpeg = 13;
constexpr std::int32_t TypePng = 14;
constexpr std::int32_t TypeBmp = 27;

// Big-endian numbers in a run of bytes. A number cut short by the end is made of the bytes
// there are, one past the end is 0: a damaged item reads as TagLib reads it.
struct TBytes {
    std::string_view Data;

    std::uint64_t Number(std::size_t At, std::size_t Width) const {
        if (At >= Data.size())
            return 0;
        std::uint64_t value = 0;
        for (std::size_t i = At; i < At + std::min(Width, Data.size() - At); ++i)
            value = value << 8 | static_cast<std::uint8_t>(Data[i]);
        return value;
    }
    std::uint32_t U32(std::size_t At) const { return std::uint32_t(Number(At, 4)); }
    std::int16_t S16(std::size_t At) const { return std::int16_t(std::uint16_t(Number(At, 2))); }
    std::int64_t S64(std::size_t At) const { return std::int64_t(Number(At, 8)); }
    char At(std::size_t At) const { return At < Data.size() ? Data[At] : '\0'; }
    bool Has(std::string_view Text, std::size_t At) const {
        return At <= Data.size() && Data.substr(At, Text.size()) == Text;
    }
    // At most Count bytes from At, all that are left for a negative Count.
    std::string_view Mid(std::size_t At, std::int64_t Count) const {
        if (At > Data.size())
            return {};
        return Data.substr(At, Count < 0 ? std::string_view::npos : std::size_t(Count));
    }
};

// Text stored as UTF-8; a malformed value reads as empty, as TagLib reads it.
std::string Utf8Text(std::string_view Bytes) {
    std::size_t i = 0;
    while (i < Bytes.size()) {
        const auto c = static_cast<std::uint8_t>(Bytes[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > Bytes.size())
            return {};
        std::uint32_t code = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto b = static_cast<std::uint8_t>(Bytes[i + k]);
            if ((b & 0xC0) != 0x80)
                return {};
            code = code << 6 | (b & 0x3F);
        }
        constexpr std::array<std::uint32_t, 5> least = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return {};
        i += n;
    }
    return std::string(Bytes);
}

// A double to int as the x86 conversion TagLib's arithmetic relies on gives it.
std::int32_t ToInt(double Value) {
    return Value >= 2147483648.0 || Value < -2147483648.0 || Value != Value ? INT32_MIN
                                                                            : std::int32_t(Value);
}

struct TAtom {
    std::array<char, 4> Name{};
    std::int64_t Offset = 0;
    std::int64_t Length = 0;
    int HeaderBytes = 8;
    int FirstChild = -1;
    int NextSibling = -1;
    // The start of a handler, media header or sample description, kept as it is passed.
    int Kept = -1;

    bool Is(std::string_view Other) const { return std::string_view(Name.data(), 4) == Other; }
};

class TMp4Reader {
public:
    TMp4Reader(TByteSource& Source, std::string* Error)
        : FSource(Source), FSize(Source.Size()), FError(Error) {}

    bool Read(TAudioInfo& Info, bool WithPictures);

private:
    bool fail(std::string Why) {
        if (FError)
            *FError = std::move(Why);
        return false;
    }
    std::string atomName(std::int64_t At) const { return "at offset " + std::to_string(At); }

    // Count bytes at Offset (fewer at the end of the file) into Out; false on a read error.
    // Reads inside the top-level atom being read go through a window read ahead up to its end.
    bool read(std::int64_t Offset, std::size_t Count, std::string& Out);
    const std::string& kept(int Atom) const {
        static const std::string none;
        const int i = FAtoms[std::size_t(Atom)].Kept;
        return i < 0 ? none : FKept[std::size_t(i)];
    }
    bool parseList(std::int64_t From, std::int64_t End, int Parent, int Depth, bool TopLevel);
    int child(int Parent, std::string_view Name) const;
    int path(int From, std::initializer_list<std::string_view> Names) const;

    bool readProperties(int Moov, TAudioProperties& Properties);
    bool readTags(int Ilst, TAudioInfo& Info, bool WithPictures);

    TByteSource& FSource;
    std::int64_t FSize;
    std::string* FError;
    std::vector<TAtom> FAtoms;
    // The top-level atoms are the children of this root.
    int FRoot = -1;
    // The total length of the mdat atoms, for a bit rate the stream does not tell.
    std::int64_t FMediaBytes = 0;
    std::vector<std::string> FKept;
    // The end of the top-level atom being read; 0 outside one.
    std::int64_t FLimit = 0;
    std::unique_ptr<char[]> FWindow;
    std::int64_t FWindowAt = -1;
    std::size_t FWindowSize = 0;
};

bool TMp4Reader::read(std::int64_t Offset, std::size_t Count, std::string& Out) {
    Count = std::size_t(std::clamp<std::int64_t>(FSize - Offset, 0, std::int64_t(Count)));
    Out.resize(Count);
    const std::int64_t end = Offset + std::int64_t(Count);
    // The source's cached head serves its range, and a long read needs no window.
    if (end <= std::int64_t(TFileSource::HeadBytes) || Count > WindowBytes / 2 || end > FLimit)
        return FSource.ReadAt(Offset, Out.data(), Count) == std::int64_t(Count);
    if (Offset < FWindowAt || end > FWindowAt + std::int64_t(FWindowSize)) {
        if (!FWindow)
            FWindow.reset(new char[WindowBytes]);
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(WindowBytes), FLimit - Offset));
        if (FSource.ReadAt(Offset, FWindow.get(), want) != std::int64_t(want))
            return false;
        FWindowAt = Offset;
        FWindowSize = want;
    }
    std::copy_n(FWindow.get() + (Offset - FWindowAt), Count, Out.data());
    return true;
}

bool TMp4Reader::parseList(std::int64_t From, std::int64_t End, int Parent, int Depth,
                           bool TopLevel) {
    if (Depth > MaxDepth)
        return fail("atoms nested too deep " + atomName(From));
    std::string header;
    int previous = -1;
    // Fewer than eight bytes after the last top-level atom are padding, not an atom.
    for (std::int64_t at = From; TopLevel ? at + 8 <= End : at < End;) {
        if (FAtoms.size() == MaxAtoms)
            return fail("too many atoms");
        if (End - at < 8 || !read(at, 16, header) || header.size() < 8)
            return fail("atom header cut short " + atomName(at));
        const TBytes h{header};
        TAtom atom;
        std::copy_n(header.data() + 4, 4, atom.Name.data());
        atom.Offset = at;
        atom.Length = h.U32(0);
        const auto name = [&] {
            std::string quoted(1, '\'');
            quoted += tagtext::Latin1ToUtf8({atom.Name.data(), 4});
            return quoted += "' ";
        };
        if (atom.Length == 0) {
            atom.Length = FSize - at; // the last atom, running to the end of the file
        } else if (atom.Length == 1) {
            if (header.size() < 16 || End - at < 16)
                return fail("atom " + name() + "size cut short " + atomName(at));
            atom.Length = h.S64(8);
            atom.HeaderBytes = 16;
        }
        if (atom.Length < atom.HeaderBytes)
            return fail("atom " + name() + "too small " + atomName(at));
        if (atom.Length > End - at)
            return fail(
                "atom " + name() +
                (End == FSize ? "runs past the end of the file " : "runs past its parent ") +
                atomName(at));
        for (const char c : atom.Name)
            if ((c < ' ' || c > '~') && c != '\xA9')
                return fail("atom with an invalid name " + atomName(at));
        if (atom.Is("mdat"))
            FMediaBytes += atom.Length;
        const int index = int(FAtoms.size());
        FAtoms.push_back(atom);
        (previous < 0 ? FAtoms[std::size_t(Parent)].FirstChild
                      : FAtoms[std::size_t(previous)].NextSibling) = index;
        previous = index;
        const std::int64_t end = at + atom.Length;
        if (TopLevel)
            FLimit = end;
        if (atom.Is("hdlr") || atom.Is("mdhd") || atom.Is("stsd")) {
            // Only the first bytes are looked at: a sample description's first entry and the
            // start of its esds.
            FKept.emplace_back();
            if (!read(at, std::size_t(std::min<std::int64_t>(atom.Length, 128)), FKept.back()))
                return fail("read error");
            FAtoms.back().Kept = int(FKept.size()) - 1;
        }
        if (std::find(Containers.begin(), Containers.end(),
                      std::string_view(atom.Name.data(), 4)) != Containers.end()) {
            std::int64_t body = at + atom.HeaderBytes;
            if (atom.Is("meta")) {
                // A meta atom has a version and flags before its children, but QuickTime's
                // does not: its first child follows at once.
                std::string next;
                if (!read(body, std::size_t(std::min<std::int64_t>(8, end - body)), next))
                    return fail("read error");
                const std::string_view type =
                    next.size() == 8 ? std::string_view(next).substr(4) : std::string_view();
                const bool full = type != "hdlr" && type != "ilst" && type != "mhdr" &&
                                  type != "ctry" && type != "lang";
                body += full ? 4 : 0;
            } else if (atom.Is("stsd")) {
                body += 8; // version, flags and the entry count
            }
            if (body > end)
                return fail("atom " + name() + "too small " + atomName(at));
            if (!parseList(body, end, index, Depth + 1, false))
                return false;
        }
        at = end;
        if (TopLevel)
            FLimit = 0;
    }
    return true;
}

int TMp4Reader::child(int Parent, std::string_view Name) const {
    if (Parent < 0)
        return -1;
    for (int i = FAtoms[std::size_t(Parent)].FirstChild; i >= 0;
         i = FAtoms[std::size_t(i)].NextSibling)
        if (FAtoms[std::size_t(i)].Is(Name))
            return i;
    return -1;
}

int TMp4Reader::path(int From, std::initializer_list<std::string_view> Names) const {
    for (const std::string_view name : Names)
        From = child(From, name);
    return From;
}

// The properties of the first sound track, read as TagLib reads them: a track without a
// handler ends the search, and values it does not find stay 0.
bool TMp4Reader::readProperties(int Moov, TAudioProperties& P) {
    int trak = -1;
    for (int i = FAtoms[std::size_t(Moov)].FirstChild; i >= 0 && trak < 0;
         i = FAtoms[std::size_t(i)].NextSibling) {
        if (!FAtoms[std::size_t(i)].Is("trak"))
            continue;
        const int hdlr = path(i, {"mdia", "hdlr"});
        if (hdlr < 0)
            return true;
        if (TBytes{kept(hdlr)}.Has("soun", 16))
            trak = i;
    }
    const int mdhd = path(trak, {"mdia", "mdhd"});
    if (mdhd < 0)
        return true;
    const TBytes header{kept(mdhd)};
    const bool wide = header.At(8) == 1;
    if (header.Data.size() < (wide ? 44u : 32u))
        return true;
    const std::int64_t unit = header.U32(wide ? 28 : 20);
    const std::int64_t length = wide ? header.S64(32) : header.U32(24);
    std::int32_t ms = 0;
    if (unit > 0 && length > 0)
        ms = ToInt(double(length) * 1000.0 / double(unit) + 0.5);
    P.Milliseconds = ms;
    const int stsd = path(trak, {"mdia", "minf", "stbl", "stsd"});
    if (stsd < 0)
        return true;
    const TAtom& sd = FAtoms[std::size_t(stsd)];
    const TBytes d{kept(stsd)};
    const auto mediaRate = [&] { return ms > 0 ? std::int32_t(FMediaBytes * 8 / ms) : 0; };
    if (d.Has("mp4a", 20)) {
        P.Codec = "AAC";
        P.Channels = d.S16(40);
        P.SampleRate = std::int32_t(d.U32(46));
        if (d.Has("esds", 56) && d.At(64) == 0x03) {
            std::size_t pos = 65;
            pos += d.Has("\x80\x80\x80", pos) ? 3 : 0;
            pos += 4;
            if (d.At(pos) == 0x04) {
                pos += 1;
                pos += d.Has("\x80\x80\x80", pos) ? 3 : 0;
                pos += 10;
                const std::uint32_t average = d.U32(pos);
                P.Bitrate = average != 0 || ms <= 0
                                ? ToInt(double(std::uint32_t(average + 500)) / 1000.0 + 0.5)
                                : mediaRate();
            }
        }
    } else if (d.Has("alac", 20) && sd.Length == 88 && d.Has("alac", 56)) {
        P.Codec = "ALAC";
        P.BitsPerSample = static_cast<signed char>(d.At(69));
        P.Channels = static_cast<signed char>(d.At(73));
        P.Bitrate = ToInt(double(d.U32(80)) / 1000.0 + 0.5);
        P.SampleRate = std::int32_t(d.U32(84));
        if (P.Bitrate == 0 && ms > 0)
            P.Bitrate = mediaRate();
    }
    return true;
}

struct TData {
    std::int32_t Type = 0;
    std::string_view Bytes;
};

// The data atoms of an item (after "mean" and "name" for a free-form one); a malformed one
// ends the list. Of the data atoms, only those of type Wanted (any for -1) are kept.
std::vector<TData> ItemData(std::string_view Body, std::int32_t Wanted, bool FreeForm) {
    const TBytes b{Body};
    std::vector<TData> list;
    std::size_t pos = 0;
    for (int i = 0; pos < Body.size(); ++i) {
        const auto length = std::int32_t(b.U32(pos));
        if (length < 12)
            break;
        const std::string_view name = b.Mid(pos + 4, 4);
        const auto type = std::int32_t(b.U32(pos + 8));
        if (FreeForm && i < 2) {
            if (name != (i == 0 ? "mean" : "name"))
                break;
            list.push_back({type, b.Mid(pos + 12, length - 12)});
        } else {
            if (name != "data")
                break;
            if (Wanted == -1 || type == Wanted)
                list.push_back({type, b.Mid(pos + 16, length - 16)});
        }
        pos += std::size_t(length);
    }
    return list;
}

bool TMp4Reader::readTags(int Ilst, TAudioInfo& Info, bool WithPictures) {
    struct TItem {
        std::string_view Property; // empty for a free-form item TagLib has no name for
        std::vector<std::string> Values;
    };
    // Item name (in UTF-8) to its field, the first atom of a name winning, in the order of
    // TagLib's map of items and so of its property map.
    std::map<std::string, TItem> items;
    bool haveCovers = false;
    std::string body;
    for (int i = FAtoms[std::size_t(Ilst)].FirstChild; i >= 0;
         i = FAtoms[std::size_t(i)].NextSibling) {
        const TAtom& atom = FAtoms[std::size_t(i)];
        const std::string_view atomName(atom.Name.data(), 4);
        const bool freeForm = atomName == "----";
        const TItemName* known = freeForm ? nullptr : ItemNamed(atomName);
        if (!freeForm && !known)
            continue; // an item no field is read from
        const TKind kind = known ? known->Kind : Text;
        if (kind == Covers && (!WithPictures || haveCovers))
            continue;
        if (atom.HeaderBytes != 8 || atom.Length - 8 > MaxItemBytes)
            return fail("ilst item '" + tagtext::Latin1ToUtf8(atomName) +
                        "' too large or of an unusual form");
        if (!read(atom.Offset + 8, std::size_t(atom.Length - 8), body))
            return fail("read error");
        if (kind == Covers) {
            for (const TData& data : ItemData(body, -1, false)) {
                const std::int32_t t = data.Type;
                if (t != TypeJpeg && t != TypePng && t != TypeBmp && t != TypeGif &&
                    t != TypeImplicit)
                    continue;
                TPicture picture;
                picture.Data = std::string(data.Bytes);
                picture.Mime = MimeOfData(picture.Data);
                Info.Pictures.push_back(std::move(picture));
                haveCovers = true;
            }
            continue;
        }
        const std::vector<TData> data =
            ItemData(body, !freeForm && kind == Text ? TypeUtf8 : -1, freeForm);
        std::string name = tagtext::Latin1ToUtf8(atomName);
        TItem item{known ? known->Property : std::string_view(), {}};
        std::vector<std::string>& values = item.Values;
        if (freeForm) {
            if (data.size() < 3)
                continue;
            name = "----:" + Utf8Text(data[0].Bytes) + ":" + Utf8Text(data[1].Bytes);
            item.Property = FreeFormProperty(name);
            // Values of another type than text are kept, as TagLib keeps them, but read as
            // no text.
            if (data[2].Type == TypeUtf8)
                for (std::size_t k = 2; k < data.size(); ++k)
                    values.push_back(Utf8Text(data[k].Bytes));
        } else if (data.empty()) {
            continue;
        } else if (kind == Text || kind == AnyText) {
            for (const TData& value : data)
                values.push_back(Utf8Text(value.Bytes));
        } else {
            const TBytes first{data[0].Bytes};
            if (kind == Pair) {
                const int total = first.S16(4);
                values.push_back(std::to_string(first.S16(2)) +
                                 (total ? "/" + std::to_string(total) : ""));
            } else if (kind == UInt) {
                values.push_back(std::to_string(std::int32_t(first.U32(0))));
            } else if (kind == Short) {
                values.push_back(std::to_string(first.S16(0)));
            } else if (kind == Genre) {
                const int genre = first.S16(0);
                if (genre <= 0)
                    continue;
                name = "\xC2\xA9gen";
                values.push_back(TagLib::ID3v1::genre(genre - 1).to8Bit(true));
            } else {
                values.push_back(first.At(0) != '\0' ? "1" : "0");
            }
        }
        items.emplace(std::move(name), std::move(item));
    }
    // The fields TagLib names, in the order of their names, then the free-form ones it does
    // not, under their own names unless a field of that name came before.
    std::map<std::string_view, const std::vector<std::string>*> fields;
    std::vector<const std::pair<const std::string, TItem>*> freeForms;
    for (const auto& item : items) {
        if (!item.second.Property.empty())
            fields[item.second.Property] = &item.second.Values;
        else if (item.first.starts_with(FreeFormPrefix))
            freeForms.push_back(&item);
    }
    TTagEntries& tags = Info.Tags;
    for (const auto& [field, values] : fields)
        for (const std::string& value : *values)
            tags.push_back({std::string(field), value});
    for (const auto* item : freeForms) {
        const std::string key = TagKey(std::string_view(item->first).substr(FreeFormPrefix.size()));
        if (TagValues(tags, key).empty())
            for (const std::string& value : item->second.Values)
                tags.push_back({key, value});
    }
    NormalizeTagLibFields(tags);
    return true;
}

bool TMp4Reader::Read(TAudioInfo& Info, bool WithPictures) {
    FAtoms.reserve(64);
    FAtoms.push_back({});
    FRoot = 0;
    if (FSize < 8)
        return fail("too short for an MP4 file");
    if (!parseList(0, FSize, FRoot, 0, true))
        return false;
    const int moov = child(FRoot, "moov");
    if (moov < 0)
        return fail("no movie ('moov') atom");
    Info.Format = TAudioFormat::M4A;
    FLimit = FAtoms[std::size_t(moov)].Offset + FAtoms[std::size_t(moov)].Length;
    if (const int ilst = path(moov, {"udta", "meta", "ilst"});
        ilst >= 0 && !readTags(ilst, Info, WithPictures))
        return false;
    return readProperties(moov, Info.Properties);
}

} // namespace

bool ReadMp4(TByteSource& Source, TAudioInfo& Info, bool WithPictures, std::string* Error) {
    Info = {};
    TMp4Reader reader(Source, Error);
    return reader.Read(Info, WithPictures);
}

} // namespace orvanta
