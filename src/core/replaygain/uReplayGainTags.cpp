#include "core/replaygain/uReplayGainTags.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibWrite.h"

namespace orvanta {

namespace {

using TFieldMap = std::map<std::string, std::vector<std::string>>;

std::string Formatted(const char* Format, double Value) {
    char text[64];
    std::snprintf(text, sizeof text, Format, Value);
    return text;
}

TFieldMap ReplayGainFields(const TMeasuredGain& Values) {
    TFieldMap fields = {{"REPLAYGAIN_TRACK_GAIN", {GainText(Values.TrackGain)}},
                        {"REPLAYGAIN_TRACK_PEAK", {PeakText(Values.TrackPeak)}}};
    if (Values.AlbumGain)
        fields["REPLAYGAIN_ALBUM_GAIN"] = {GainText(*Values.AlbumGain)};
    if (Values.AlbumPeak)
        fields["REPLAYGAIN_ALBUM_PEAK"] = {PeakText(*Values.AlbumPeak)};
    return fields;
}

// Opus players take R128_* relative to the header's output gain; a REPLAYGAIN_* field of the
// same scope would be taken first, so it goes.
TFieldMap OpusFields(const TMeasuredGain& Values) {
    TFieldMap fields = {{"R128_TRACK_GAIN", {R128Text(Values.TrackGain)}},
                        {"REPLAYGAIN_TRACK_GAIN", {}},
                        {"REPLAYGAIN_TRACK_PEAK", {}}};
    if (Values.AlbumGain) {
        fields["R128_ALBUM_GAIN"] = {R128Text(*Values.AlbumGain)};
        fields["REPLAYGAIN_ALBUM_GAIN"] = {};
        fields["REPLAYGAIN_ALBUM_PEAK"] = {};
    }
    return fields;
}

// The values of the ID3v2 user text frames (TXXX) at the start of the file, by description in
// upper case.
TFieldMap UserTexts(const std::string& Path) {
    TFieldMap texts;
    TFileSource source;
    if (!source.Open(Path))
        return texts;
    std::string value;
    for (const id3frames::TFrameV3& frame : ReadTagFrames(source)) {
        if (frame.Id != "TXXX" || frame.Content.empty())
            continue;
        // The description: the text before the first terminator of its encoding.
        const std::string_view content = std::string_view(frame.Content).substr(1);
        const bool wide = id3text::IsTwoByteEncoding(static_cast<std::uint8_t>(frame.Content[0]));
        std::string description;
        if (wide) {
            id3text::DecodeText(description, frame.Content);
        } else {
            description = content.substr(0, content.find('\0'));
        }
        id3text::DecodeDescribedText(value, frame.Content, false, false);
        texts[UpperAscii(description)].push_back(value);
    }
    return texts;
}

bool WriteID3v2(const std::string& Path, const TFieldMap& Wanted, bool& Changed,
                std::string& Error) {
    const TFieldMap present = UserTexts(Path);
    TID3v2 tag;
    if (!tag.LoadTag(Path)) {
        Error = "Error reading file.";
        return false;
    }
    for (const auto& [key, values] : Wanted) {
        const auto found = present.find(key);
        if (found == present.end() ? values.empty() : found->second == values)
            continue;
        tag.SetFrameTexts("TXXX", key, values);
        Changed = true;
    }
    if (!Changed)
        return true;
    if (!tag.StoreTag(Path)) {
        Error = tag.ReadWhole() ? "Error writing MP3 tag."
                                : "The tag holds frames that could not be read; it was left alone.";
        Changed = false;
        return false;
    }
    return true;
}

bool WriteOther(const std::string& Path, TAudioFormat Format, const TFieldMap& Wanted,
                bool& Changed, std::string& Error) {
    TAudioInfo info;
    if (!ReadAudioFile(Path, info, false)) {
        Error = "Error reading file.";
        return false;
    }
    TTagChanges changes;
    for (const auto& [key, values] : Wanted)
        if (TagValues(info.Tags, key) != values)
            changes.Fields[key] = values;
    if (changes.Fields.empty())
        return true;
    if (!WriteTagChanges(Path, Format, changes, Error))
        return false;
    Changed = true;
    return true;
}

} // namespace

double GainOf(double Loudness) {
    return ReplayGainReference - Loudness;
}

std::string GainText(double Gain) {
    // No "-0.00 dB".
    return Formatted("%.2f dB", std::abs(Gain) < 0.005 ? 0.0 : Gain);
}

std::string PeakText(double Peak) {
    return Formatted("%.6f", Peak);
}

std::string R128Text(double Gain) {
    const double q78 = std::round((Gain + R128Reference - ReplayGainReference) * 256);
    return std::to_string(static_cast<int>(std::clamp(q78, -32768.0, 32767.0)));
}

bool WriteGainTags(const std::string& Path, const TMeasuredGain& Values, bool& Changed,
                   std::string& Error) {
    Changed = false;
    Error.clear();
    const TAudioFormat format = SniffFile(Path);
    switch (format) {
    case TAudioFormat::MP3:
        return WriteID3v2(Path, ReplayGainFields(Values), Changed, Error);
    case TAudioFormat::Opus:
        return WriteOther(Path, format, OpusFields(Values), Changed, Error);
    case TAudioFormat::Unknown:
        Error = "Not an audio file of a format whose tags can be written.";
        return false;
    default:
        return WriteOther(Path, format, ReplayGainFields(Values), Changed, Error);
    }
}

} // namespace orvanta
