#include "core/metadata/uTagLibWrite.h"

#include "core/common/uAtomicReplace.h"
#include "core/common/uFileDescriptor.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/uFormatPictures.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>

namespace orvanta {

namespace {

bool CopyContent(int From, int To) {
    std::vector<char> buffer(1 << 16);
    for (std::int64_t offset = 0;;) {
        const std::int64_t got = tagfile::ReadAt(From, offset, buffer.data(), buffer.size());
        if (got <= 0)
            return got == 0;
        for (std::int64_t put = 0; put < got;) {
            const ssize_t n =
                ::pwrite(To, buffer.data() + put, std::size_t(got - put), offset + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            put += n;
        }
        offset += got;
    }
}

bool KeepsTotalsApart(TAudioFormat Format) {
    return Format == TAudioFormat::FLAC || Format == TAudioFormat::OggVorbis ||
           Format == TAudioFormat::Opus;
}

std::string First(const std::vector<std::string>& Values) {
    return Values.empty() ? std::string() : Values.front();
}

// MP4, APE and ID3v2 hold a number and its total in one field ("3/12"): a change of either
// becomes a change of that field, the other half taken from the file.
void JoinTotal(std::map<std::string, std::vector<std::string>>& Fields,
               const TagLib::PropertyMap& Old, const std::string& NumberKey,
               const std::string& TotalKey) {
    const auto number = Fields.find(NumberKey);
    const auto total = Fields.find(TotalKey);
    if (number == Fields.end() && total == Fields.end())
        return;
    const TagLib::String key(NumberKey);
    const std::string old =
        Old.contains(key) && !Old[key].isEmpty() ? taglib::Utf8(Old[key].front()) : "";
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

std::string Joined(const TagLib::PropertyMap& Map) {
    std::string keys;
    for (const auto& entry : Map)
        keys += (keys.empty() ? "" : ", ") + taglib::Utf8(entry.first);
    return keys;
}

// Applies Changes to the open copy; "" or why it could not.
std::string Apply(TagLib::File& File, TAudioFormat Format, const TTagChanges& Changes) {
    if (!Changes.Fields.empty()) {
        TagLib::PropertyMap properties = File.properties();
        auto fields = Changes.Fields;
        if (!KeepsTotalsApart(Format)) {
            JoinTotal(fields, properties, "TRACKNUMBER", "TRACKTOTAL");
            JoinTotal(fields, properties, "DISCNUMBER", "DISCTOTAL");
        }
        for (const auto& [key, values] : fields) {
            const TagLib::String name = taglib::FromUtf8(key).upper();
            if (values.empty()) {
                properties.erase(name);
                continue;
            }
            TagLib::StringList list;
            for (const std::string& value : values)
                list.append(taglib::FromUtf8(value));
            properties.replace(name, list);
        }
        // TagLib leaves the fields that kept their values alone and reports what the
        // format's tag cannot hold.
        const TagLib::PropertyMap refused = File.setProperties(properties);
        if (!refused.isEmpty())
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
    if (!CopyContent(source.Get(), replace.Fd()))
        return fail(std::strerror(errno));
    {
        // TagLib closes the descriptor it is given; the copy's own stays for the commit.
        TagLib::FileStream stream(::dup(replace.Fd()), false);
        if (!stream.isOpen() || stream.readOnly())
            return fail("the copy could not be opened");
        const std::unique_ptr<TagLib::File> file = taglib::Open(stream, Format, true);
        if (!file)
            return fail("not a readable " + std::string(FormatName(Format)) + " file");
        if (const std::string why = Apply(*file, Format, Changes); !why.empty())
            return fail(why);
    }
    if (!replace.Commit())
        return fail(std::strerror(errno));
    return true;
}

} // namespace orvanta
