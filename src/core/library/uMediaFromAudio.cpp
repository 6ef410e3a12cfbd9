#include "core/library/uMediaFromAudio.h"
#include "core/metadata/uReplayGain.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace orvanta {

namespace {

std::vector<std::string> nonEmpty(std::vector<std::string> values) {
    std::erase_if(values, [](const std::string& value) { return value.empty(); });
    return values;
}

std::string joined(const TTagEntries& tags, std::string_view key) {
    return JoinValues(nonEmpty(TagValues(tags, key)));
}

std::string firstOf(const TTagEntries& tags, std::string_view key) {
    for (const TTagEntry& entry : tags)
        if (entry.Key == key && !entry.Value.empty())
            return entry.Value;
    return {};
}

// The first four digits in a row ("2001-05-03", "2001"), else the text's start.
std::string yearOf(const std::string& date) {
    for (std::size_t i = 0; i + 4 <= date.size(); ++i)
        if (std::all_of(date.begin() + static_cast<std::ptrdiff_t>(i),
                        date.begin() + static_cast<std::ptrdiff_t>(i + 4),
                        [](char c) { return c >= '0' && c <= '9'; }))
            return date.substr(i, 4);
    return date.substr(0, 4);
}

// The leading whole number of a text; 0 when there is none or it is out of range.
std::int32_t leadingNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::int32_t value = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    return read.ec == std::errc() && value > 0 ? value : 0;
}

// "3", "3/12": the number, and the total after the slash when there is one.
void numberAndTotal(const std::string& text, std::int32_t& number, std::int32_t& total) {
    number = leadingNumber(text);
    if (const std::size_t slash = text.find('/'); slash != std::string::npos)
        total = leadingNumber(std::string_view(text).substr(slash + 1));
}

} // namespace

std::int32_t TotalOf(std::string_view Text) {
    const std::size_t slash = Text.find('/');
    return slash == std::string_view::npos ? 0 : leadingNumber(Text.substr(slash + 1));
}

std::optional<double> GainValue(std::string_view Text) {
    while (!Text.empty() && Text.front() == ' ')
        Text.remove_prefix(1);
    if (!Text.empty() && Text.front() == '+')
        Text.remove_prefix(1);
    double value = 0;
    const auto read = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (Text.empty() || read.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void FillRecord(const TAudioInfo& Info, TMediaRecord& Record) {
    const TTagEntries& tags = Info.Tags;
    Record.Title = TitleOrFileName(joined(tags, "TITLE"), Record.FullPath());
    Record.Artists = nonEmpty(TagValues(tags, "ARTIST"));
    Record.Artist = JoinValues(Record.Artists);
    Record.Album = joined(tags, "ALBUM");
    Record.Year = yearOf(firstOf(tags, "DATE"));
    Record.Genres = nonEmpty(TagValues(tags, "GENRE"));
    Record.Genre = JoinValues(Record.Genres);
    Record.Language = joined(tags, "LANGUAGE");
    Record.Composers = nonEmpty(TagValues(tags, "COMPOSER"));
    Record.Composer = JoinValues(Record.Composers);
    Record.AlbumArtists = nonEmpty(TagValues(tags, "ALBUMARTIST"));
    Record.Numbers.AlbumArtist = JoinValues(Record.AlbumArtists);

    Record.TrackTotal = 0;
    Record.DiscTotal = 0;
    numberAndTotal(firstOf(tags, "TRACKNUMBER"), Record.Numbers.Track, Record.TrackTotal);
    numberAndTotal(firstOf(tags, "DISCNUMBER"), Record.Numbers.Disc, Record.DiscTotal);
    if (const std::int32_t total = leadingNumber(firstOf(tags, "TRACKTOTAL")); total > 0)
        Record.TrackTotal = total;
    if (const std::int32_t total = leadingNumber(firstOf(tags, "DISCTOTAL")); total > 0)
        Record.DiscTotal = total;

    const auto gain = [&tags](std::string_view key) { return GainValue(firstOf(tags, key)); };
    TReplayGain& replayGain = Record.ReplayGain;
    replayGain = {gain("REPLAYGAIN_TRACK_GAIN"), gain("REPLAYGAIN_TRACK_PEAK"),
                  gain("REPLAYGAIN_ALBUM_GAIN"), gain("REPLAYGAIN_ALBUM_PEAK")};
    if (!replayGain.TrackGain)
        replayGain.TrackGain = R128Gain(firstOf(tags, "R128_TRACK_GAIN"));
    if (!replayGain.AlbumGain)
        replayGain.AlbumGain = R128Gain(firstOf(tags, "R128_ALBUM_GAIN"));

    const TAudioProperties& stream = Info.Properties;
    const double seconds = std::nearbyint(static_cast<double>(stream.Milliseconds) / 1000.0);
    Record.Seconds = seconds <= 0 ? 0
                     : seconds >= std::numeric_limits<std::int32_t>::max()
                         ? std::numeric_limits<std::int32_t>::max()
                         : static_cast<std::int32_t>(seconds);
    Record.Quality = stream.Bitrate;
    Record.SampleRate = stream.SampleRate;
    Record.BitsPerSample = stream.BitsPerSample;
    Record.Channels = stream.Channels;
    Record.Codec = stream.Codec;
    Record.Format = std::string(FormatName(Info.Format));
}

} // namespace orvanta
