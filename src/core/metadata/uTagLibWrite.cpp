#include "core/metadata/uTagLibWrite.h"

#include "core/common/uAtomicReplace.h"
#include "core/common/uFileDescriptor.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/uFlacFile.h"
#include "core/metadata/uFormatPictures.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/apetag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

namespace orvanta {

namespace {

// Moves the Count bytes of the file at From (its whole content) Shift bytes on, from the end
// back, so that nothing is overwritten before it is read.
bool ShiftContent(int Fd, std::int64_t Count, std::int64_t Shift) {
    std::vector<char> buffer(1 << 16);
    for (std::int64_t end = Count; end > 0;) {
        const std::int64_t begin = std::max<std::int64_t>(0, end - std::int64_t(buffer.size()));
        const std::size_t length = std::size_t(end - begin);
        if (tagfile::ReadAt(Fd, begin, buffer.data(), length) != std::int64_t(length))
            return false;
        if (!tagfile::WriteAllAt(Fd, begin + Shift, {buffer.data(), length}))
            return false;
        end = begin;
    }
    return true;
}

// Writes the first Count bytes of From over the start of To.
bool CopyPrefix(int From, int To, std::int64_t Count) {
    std::string bytes(std::size_t(Count), '\0');
    if (tagfile::ReadAt(From, 0, bytes.data(), bytes.size()) != Count)
        return false;
    return tagfile::WriteAllAt(To, 0, bytes);
}

using TFields = std::map<std::string, std::vector<std::string>>;

bool KeepsTotalsApart(TAudioFormat Format) {
    return Format == TAudioFormat::FLAC || Format == TAudioFormat::OggVorbis ||
           Format == TAudioFormat::Opus;
}

std::string First(const std::vector<std::string>& Values) {
    return Values.empty() ? std::string() : Values.front();
}

// MP4, APE and ID3v2 hold a number and its total in one field ("3/12"): a change of either
// becomes a change of that field, the other half taken from the file.
void JoinTotal(TFields& Fields, const TagLib::PropertyMap& Old, const std::string& NumberKey,
               const std::string& TotalKey) {
    const auto number = Fields.find(NumberKey);
    const auto total = Fields.find(TotalKey);
    if (number == Fields.end() && total == Fields.end())
        return;
    const auto found = Old.find(TagLib::String(NumberKey));
    const std::string old = found != Old.end() && !found->second.isEmpty()
                                ? taglib::Utf8(found->second.front())
                                : std::string();
    const auto slash = old.find('/');
    const std::string newNumber =
        number != Fields.end() ? First(number->second) : old.substr(0, slash);
    const std::string newTotal = total != Fields.end()        ? First(total->second)
                                 : slash == std::string::npos ? std::string()
                                                              : old.substr(slash + 1);
    if (total != Fields.end())
        Fields.erase(total);
    if (newTotal.empty())
        Fields[NumberKey] =
            newNumber.empty() ? std::vector<std::string>{} : std::vector<std::string>{newNumber};
    else
        Fields[NumberKey] = {(newNumber.empty() ? "0" : newNumber) + "/" + newTotal};
}

std::string Joined(const std::vector<std::string>& Keys) {
    std::string joined;
    for (const std::string& key : Keys)
        joined += (joined.empty() ? "" : ", ") + key;
    return joined;
}

TagLib::StringList StringList(const std::vector<std::string>& Values) {
    TagLib::StringList list;
    for (const std::string& value : Values)
        list.append(taglib::FromUtf8(value));
    return list;
}

// A Vorbis comment field name is printable ASCII without "=" (Vorbis I 5.2.3); an APE item key
// has 2 to 255 printable ASCII characters (APEv2 item key).
bool IsKeyOf(TAudioFormat Format, const std::string& Key) {
    const bool ape = Format == TAudioFormat::WavPack;
    if (Key.empty() || (ape && (Key.size() < 2 || Key.size() > 255)))
        return false;
    return std::all_of(Key.begin(), Key.end(), [&](char c) {
        return c >= 0x20 && c <= (ape ? 0x7E : 0x7D) && (ape || c != '=');
    });
}

// The names a field may have in the file, the usual one first: APE's own names for some
// fields, then the spellings of other taggers.
std::vector<std::string> Spellings(TAudioFormat Format, const std::string& Key) {
    std::vector<std::string> names{Key};
    if (Format == TAudioFormat::WavPack) {
        static const std::map<std::string, std::string> ape = {
            {"TRACKNUMBER", "TRACK"}, {"DISCNUMBER", "DISC"}, {"DATE", "YEAR"}};
        if (const auto it = ape.find(Key); it != ape.end())
            names.insert(names.begin(), it->second);
    }
    for (const std::string_view alias : taglib::KeyAliases(Key))
        names.emplace_back(alias);
    return names;
}

// Vorbis comments: each change replaces the fields of its key, under the spelling the file
// already uses; the other fields stay as they are.
void EditXiph(TagLib::Ogg::XiphComment& Comment, const TFields& Fields) {
    for (const auto& [key, values] : Fields) {
        std::string target;
        for (const std::string& name : Spellings(TAudioFormat::FLAC, key)) {
            const TagLib::String field(name);
            if (!Comment.contains(field))
                continue;
            if (target.empty())
                target = name;
            Comment.removeFields(field);
        }
        for (const std::string& value : values)
            Comment.addField(target.empty() ? key : target, taglib::FromUtf8(value), false);
    }
}

// APE items are found without regard to case; a replaced item keeps its key's spelling.
void EditApe(TagLib::APE::Tag& Tag, const TFields& Fields) {
    for (const auto& [key, values] : Fields) {
        const std::vector<std::string> names = Spellings(TAudioFormat::WavPack, key);
        TagLib::String target;
        std::vector<TagLib::String> present;
        for (const auto& [upper, item] : Tag.itemListMap())
            if (item.type() == TagLib::APE::Item::Text &&
                std::find(names.begin(), names.end(), taglib::Utf8(upper)) != names.end()) {
                present.push_back(item.key());
                if (target.isEmpty())
                    target = item.key();
            }
        for (const TagLib::String& old : present)
            Tag.removeItem(old);
        if (target.isEmpty())
            target = TagLib::String(names.front());
        if (!values.empty())
            Tag.setItem(target, TagLib::APE::Item(target, StringList(values)));
    }
}

void Merge(TagLib::PropertyMap& Properties, const TFields& Fields) {
    for (const auto& [key, values] : Fields) {
        if (values.empty())
            Properties.erase(TagLib::String(key));
        else
            Properties.replace(TagLib::String(key), StringList(values));
    }
}

// The INFO fields of a RIFF file (RIFF MCI 1991, "INFO list chunk") that hold common keys; TagLib
// would rewrite them all, the track "3/12" as "3".
void EditInfo(TagLib::RIFF::Info::Tag& Info, const TFields& Fields) {
    static const std::map<std::string, std::vector<const char*>> ids = {
        {"TITLE", {"INAM"}},
        {"ARTIST", {"IART"}},
        {"ALBUM", {"IPRD"}},
        {"DATE", {"ICRD"}},
        {"GENRE", {"IGNR"}},
        {"COMMENT", {"ICMT"}},
        {"TRACKNUMBER", {"IPRT", "ITRK"}}};
    for (const auto& [key, values] : Fields) {
        const auto field = ids.find(key);
        if (field == ids.end())
            continue;
        // The file's own id of the field, else the first.
        TagLib::ByteVector id(field->second.front());
        for (const char* other : field->second)
            if (!Info.fieldText(other).isEmpty())
                id = other;
        if (values.empty())
            Info.removeField(id);
        else
            Info.setFieldText(id, taglib::FromUtf8(values.front()));
    }
}

// MP4 fields that TagLib names go through its property map, which leaves the fields whose
// values did not change alone; a free-form field TagLib has no name for (ReplayGain's) is
// changed as the atom the file has.
void EditMp4(TagLib::MP4::File& File, TagLib::PropertyMap& Properties, TFields& Fields) {
    TagLib::MP4::Tag* tag = File.tag();
    for (const TagLib::String& atom : Properties.unsupportedData()) {
        const std::string name = taglib::Utf8(atom);
        if (tag == nullptr || !name.starts_with(taglib::FreeFormPrefix))
            continue;
        const auto field = Fields.find(
            taglib::Utf8(taglib::FromUtf8(name.substr(taglib::FreeFormPrefix.size())).upper()));
        if (field == Fields.end())
            continue;
        if (field->second.empty())
            tag->removeItem(atom);
        else
            tag->setItem(atom, TagLib::MP4::Item(StringList(field->second)));
        Fields.erase(field);
    }
    // A ReplayGain field the file does not have yet becomes an iTunes free-form atom, as
    // other taggers write it.
    for (auto field = Fields.begin(); tag != nullptr && field != Fields.end();) {
        if (!field->first.starts_with("REPLAYGAIN_")) {
            ++field;
            continue;
        }
        if (!field->second.empty())
            tag->setItem(taglib::FromUtf8(std::string(taglib::FreeFormPrefix) + field->first),
                         TagLib::MP4::Item(StringList(field->second)));
        field = Fields.erase(field);
    }
}

// Applies Changes to the open copy; "" or why it could not. StripID3v2 leaves a FLAC file's
// ID3v2 tag out of the copy.
std::string Apply(TagLib::File& File, TAudioFormat Format, const TTagChanges& Changes,
                  bool StripID3v2) {
    TFields fields;
    for (const auto& [key, values] : Changes.Fields)
        fields[taglib::Utf8(taglib::FromUtf8(key).upper())] = values;
    TagLib::PropertyMap properties = File.properties();
    std::vector<std::string> refused;
    if (!KeepsTotalsApart(Format)) {
        JoinTotal(fields, properties, "TRACKNUMBER", "TRACKTOTAL");
        JoinTotal(fields, properties, "DISCNUMBER", "DISCTOTAL");
    }
    if (Format == TAudioFormat::M4A)
        EditMp4(static_cast<TagLib::MP4::File&>(File), properties, fields);
    for (const auto& entry : fields)
        if ((KeepsTotalsApart(Format) || Format == TAudioFormat::WavPack) &&
            !IsKeyOf(Format, entry.first))
            refused.push_back(entry.first);
    if (!refused.empty())
        return std::string(FormatName(Format)) + " tags cannot hold " + Joined(refused);
    if (Format == TAudioFormat::FLAC) {
        auto& flac = static_cast<TagLib::FLAC::File&>(File);
        EditXiph(*flac.xiphComment(true), fields);
        if (StripID3v2)
            flac.strip(TagLib::FLAC::File::ID3v2);
    } else if (Format == TAudioFormat::OggVorbis || Format == TAudioFormat::Opus) {
        EditXiph(*static_cast<TagLib::Ogg::XiphComment*>(File.tag()), fields);
    } else if (Format == TAudioFormat::WavPack) {
        EditApe(*static_cast<TagLib::WavPack::File&>(File).APETag(true), fields);
    } else if (!fields.empty()) {
        // TagLib leaves the fields that kept their values alone and hands back what the
        // format's tag cannot hold.
        Merge(properties, fields);
        TagLib::PropertyMap left;
        if (Format == TAudioFormat::WAV) {
            // A WAV file's ID3v2 tag (begun from its INFO fields when it has none) takes
            // every field; an INFO chunk gets the changes it has a field for.
            auto& wav = static_cast<TagLib::RIFF::WAV::File&>(File);
            if (wav.hasInfoTag())
                EditInfo(*wav.InfoTag(), fields);
            left = wav.ID3v2Tag()->setProperties(properties);
        } else {
            left = File.setProperties(properties);
        }
        for (const auto& entry : left)
            refused.push_back(taglib::Utf8(entry.first));
        if (!refused.empty())
            return std::string(FormatName(Format)) + " tags cannot hold " + Joined(refused);
    }
    if (Changes.Pictures)
        taglib::WritePictures(File, Format, *Changes.Pictures);
    return File.save() ? "" : "TagLib could not write the tag";
}

} // namespace

bool WriteTagChanges(const std::string& Path, TAudioFormat Format, const TTagChanges& Changes,
                     std::string& Error) {
    const auto fail = [&](const std::string& Why) {
        Error = "Could not save the tag of " + Path + ": " + Why;
        return false;
    };
    if (Format == TAudioFormat::MP3 || Format == TAudioFormat::Unknown)
        return fail("not a format TagLib writes here");
    if (!TFileUtils::IsRegularFile(Path))
        return fail(TFileUtils::NotRegularFileMessage(Path));
    if (Changes.Fields.empty() && !Changes.Pictures && !Changes.RemoveID3v2)
        return true; // nothing to change: the file stays as it is, byte for byte
    TAtomicReplace replace(Path);
    TFileDescriptor source(::open(replace.Target().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!source.IsOpen())
        return fail(std::strerror(errno));
    // Refuse early what the rename would refuse late: a file we may not change.
    if (::access(replace.Target().c_str(), W_OK) != 0)
        return fail(std::strerror(errno));
    if (!replace.Begin())
        return fail(errno == EMLINK ? TFileUtils::HardLinkNote(replace.Target())
                                    : std::string(std::strerror(errno)));
    if (!tagfile::CopyRest(source.Get(), 0, replace.Fd(), 0))
        return fail(std::strerror(errno));
    // TagLib renders a FLAC file's ID3v2 tag anew, as version 4: one that stays keeps its bytes,
    // left out of TagLib's save and put back before the stream afterwards.
    std::int64_t keptID3v2 = 0;
    if (Format == TAudioFormat::FLAC && !Changes.RemoveID3v2) {
        TFileSource flac;
        TAudioInfo info;
        if (!flac.Open(replace.Target()) || !ReadFlac(flac, info, false, &keptID3v2))
            keptID3v2 = 0;
    }
    {
        // TagLib closes the descriptor it is given; the copy's own stays for the commit.
        TagLib::FileStream stream(::dup(replace.Fd()), false);
        if (!stream.isOpen() || stream.readOnly())
            return fail("the copy could not be opened");
        const std::unique_ptr<TagLib::File> file = taglib::Open(stream, Format, true);
        if (!file)
            return fail("not a readable " + std::string(FormatName(Format)) + " file");
        if (const std::string why =
                Apply(*file, Format, Changes, Changes.RemoveID3v2 || keptID3v2 > 0);
            !why.empty())
            return fail(why);
    }
    if (keptID3v2 > 0) {
        struct stat copy {};
        if (::fstat(replace.Fd(), &copy) != 0 ||
            !ShiftContent(replace.Fd(), copy.st_size, keptID3v2) ||
            !CopyPrefix(source.Get(), replace.Fd(), keptID3v2))
            return fail(std::strerror(errno));
    }
    if (!replace.Commit())
        return fail(std::strerror(errno));
    return true;
}

} // namespace orvanta
