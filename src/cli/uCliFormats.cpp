#include "cli/uCliFormats.h"

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/ID3v2Text.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uTagFile.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace orvanta::cli {

namespace {

using nlohmann::json;

} // namespace

bool WriteFormatLine(std::string& Out, const std::string& Path, TByteSource& Source,
                     TAudioFormat Format) {
    TAudioInfo info;
    const bool analysed = ReadAudioInfo(Source, Format, info, true);
    json tags = json::object();
    for (const TTagEntry& entry : info.Tags)
        tags[entry.Key].push_back(entry.Value);
    json pictures = json::array();
    for (const TPicture& picture : info.Pictures)
        pictures.push_back(
            {{"type", picture.Type}, {"mime", picture.Mime}, {"size", picture.Data.size()}});
    const TAudioProperties& p = info.Properties;
    Out += JsonLine({{"analysed", analysed},
                     {"file_bytes", Source.Size()},
                     {"format", std::string(FormatName(Format))},
                     {"path", Path},
                     {"pictures", pictures},
                     {"properties",
                      {{"seconds", static_cast<double>(p.Milliseconds) / 1000.0},
                       {"bitrate", p.Bitrate},
                       {"sampleRate", p.SampleRate},
                       {"bitsPerSample", p.BitsPerSample},
                       {"channels", p.Channels},
                       {"codec", p.Codec}}},
                     {"tags", tags}});
    return analysed;
}

} // namespace orvanta::cli
