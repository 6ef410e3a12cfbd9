#include "cli/uCliBatch.h"
#include "cli/uCliCommands.h"
#include "cli/uCliFormats.h"
#include "cli/uCliJson.h"
#include "core/common/uOrderedWork.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uFileBatch.h"
#include "core/metadata/uTagFields.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace orvanta::cli {

namespace {

using nlohmann::json;

const char* VersionName(std::uint8_t VersionCode) {
    switch (VersionCode) {
    case 3:
        return "1";
    case 2:
        return "2";
    default:
        return "2.5";
    }
}

// One file's analysis as a line of JSON, written straight into a string: no document per
// file. Keys come in sorted order, as the JSON library's objects keep them; texts and numbers
// that need care (escapes, invalid UTF-8, floating point) are still spelled by that library.
class TAnalysisLine {
public:
    explicit TAnalysisLine(std::string& Out) : FOut(Out) {}

    // False when the file could not be analysed.
    bool Write(const std::string& Path, const TFileBatch::TFile& File) {
        TMPEGaudio audio;
        TFileSource source;
        const bool opened = source.Adopt(File);
        const TAudioFormat format =
            opened ? SniffFormat(source, std::filesystem::path(Path).extension().string())
                   : TAudioFormat::Unknown;
        if (format != TAudioFormat::MP3 && format != TAudioFormat::Unknown)
            return WriteFormatLine(FOut, Path, source, format);
        const bool analysed = opened && audio.Analyse(source);
        const double duration = audio.DurationSeconds();
        Open();
        Key("analysed");
        Bool(analysed);
        Key("bitrate");
        Number(static_cast<std::uint16_t>(audio.BitRateKbps()));
        Key("duration");
        FOut += json(duration).dump();
        Key("encoder_tag");
        Text(audio.EncoderTag());
        Key("file_bytes");
        Number(audio.FileBytes());
        Key("first_frame");
        FirstFrame(audio.FirstFrame());
        Key("format");
        if (format == TAudioFormat::MP3 || audio.IsValid())
            Text("MP3");
        else
            FOut += "null";
        Key("id3v1");
        ID3v1(audio.ID3v1());
        Key("id3v2");
        ID3v2(audio.ID3v2());
        Key("path");
        Text(Path);
        Key("seconds");
        Number(static_cast<std::int64_t>(std::nearbyint(duration)));
        Key("valid");
        Bool(audio.IsValid());
        Key("vbr");
        Vbr(audio.VBRHeader());
        Close();
        return analysed;
    }

private:
    void Open() {
        FOut += '{';
        FFirst = true;
    }
    void Close() {
        FOut += '}';
        FFirst = false;
    }
    void Key(const char* Name) {
        if (!FFirst)
            FOut += ',';
        FFirst = false;
        FOut += '"';
        FOut += Name;
        FOut += "\":";
    }
    void Bool(bool Value) { FOut += Value ? "true" : "false"; }
    template <class T> void Number(T Value) { FOut += std::to_string(Value); }
    void Text(const std::string& Value) {
        for (const char c : Value)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e ||
                c == '"' || c == '\\') {
                FOut += JsonPathLiteral(Value);
                return;
            }
        FOut += '"';
        FOut += Value;
        FOut += '"';
    }
    void FirstFrame(const FrameHeaderInfo& Frame) {
        if (!Frame.Present) {
            FOut += "null";
            return;
        }
        Open();
        Key("channel_mode");
        Number(static_cast<int>(Frame.ModeCode));
        Key("layer");
        Number(4 - Frame.LayerCode);
        Key("length");
        Number(static_cast<int>(Frame.Length));
        Key("offset");
        Number(Frame.Offset);
        Key("padded");
        Bool(Frame.Padded);
        Key("sample_rate");
        Number(SampleRateHz(Frame));
        Key("version");
        Text(VersionName(Frame.VersionCode));
        Close();
    }
    void Vbr(const VBRData& VBR) {
        if (!VBR.Present) {
            FOut += "null";
            return;
        }
        Open();
        Key("bytes");
        Number(VBR.ByteCount);
        Key("frames");
        Number(VBR.FrameCount);
        Key("marker");
        Text(VBR.Marker);
        Key("quality");
        Number(static_cast<int>(VBR.Quality));
        Close();
    }
    void ID3v1(const TID3v1& Tag) {
        Open();
        Key("album");
        Text(Tag.Album());
        Key("artist");
        Text(Tag.Artist());
        Key("comment");
        Text(Tag.Comment());
        Key("genre");
        Text(Tag.GenreName());
        Key("genre_index");
        Number(static_cast<int>(Tag.GenreIndex()));
        Key("present");
        Bool(Tag.Present());
        Key("title");
        Text(Tag.Title());
        Key("track");
        Number(static_cast<int>(Tag.Track()));
        Key("version");
        Number(static_cast<int>(Tag.Version()));
        Key("year");
        Text(Tag.Year());
        Close();
    }
    void ID3v2(const TID3v2& Tag) {
        Open();
        Key("album");
        Text(Tag.Album());
        Key("artist");
        Text(Tag.Artist());
        Key("comment");
        Text(Tag.Comment());
        Key("composer");
        Text(Tag.Composer());
        Key("copyright");
        Text(Tag.Copyright());
        Key("encoded_by");
        Text(Tag.EncodedBy());
        Key("genre");
        Text(Tag.Genre());
        Key("language");
        Text(Tag.Language());
        Key("present");
        Bool(Tag.Present());
        Key("tag_size");
        Number(Tag.TagSize());
        Key("title");
        Text(Tag.Title());
        Key("track");
        Number(static_cast<int>(Tag.Track()));
        Key("track_text");
        Text(Tag.TrackText());
        Key("user_url");
        Text(Tag.UserURL());
        Key("version");
        Number(static_cast<int>(Tag.Version()));
        Key("year");
        Text(Tag.Year());
        Close();
    }

    std::string& FOut;
    bool FFirst = true;
};

struct TagOptions {
    std::vector<std::string> Files;
    bool V1 = false;
    bool V2 = false;
    // The text fields by TTagField; the track's slot stays empty.
    TFieldArray<std::optional<std::string>> Texts;
    std::optional<int> GenreIndex, Track;
    std::optional<std::string> AlbumArtist, Disc;
    std::vector<std::string> Fields; // KEY=VALUE
};

int Usage(const std::string& Message) {
    std::cerr << Message << "\n";
    return ExitUsage;
}

// Every field the options set, under the common keys. The fields of the editor and --album-artist
// are trimmed as the editor trims them; --field goes last and as given, so that it has the final
// word on its keys. "" or what is wrong with an option.
std::string CollectFields(const TagOptions& O, TFieldValues& Fields) {
    const auto set = [&](const std::string& Key, const std::string& Value) {
        const std::string_view text = tagtext::TrimControl(Value, true);
        Fields[Key] =
            text.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::string(text)};
    };
    for (const TTagFieldInfo& field : TagFields)
        if (const auto& value = O.Texts[FieldIndex(field.Id)])
            set(std::string(CommonKey(field.Id)), *value);
    if (O.Track)
        set("TRACKNUMBER", *O.Track == 0 ? "" : std::to_string(*O.Track));
    if (O.AlbumArtist)
        set("ALBUMARTIST", *O.AlbumArtist);
    if (O.Disc)
        if (std::string error = AddDiscOption(Fields, *O.Disc); !error.empty())
            return error;
    TFieldValues given;
    for (const std::string& option : O.Fields)
        if (std::string error = AddFieldOption(given, option); !error.empty())
            return error;
    for (auto& [key, values] : given)
        Fields[key] = std::move(values);
    return "";
}

// The ID3v1 tag of one MP3 file. The exit code; messages on standard error.
int TagV1(const TagOptions& O, const std::string& File) {
    TMPEGaudio audio;
    if (!audio.Analyse(File)) {
        std::cerr << "Error reading file.\n" << File << "\n";
        return ExitFailed;
    }
    if (!audio.TagWritable(false)) {
        std::cerr << "Invalid MP3 file.\n" << File << "\n";
        return ExitFailed;
    }
    TID3v1& tag = audio.ID3v1();
    for (const TTagFieldInfo& field : TagFields)
        if (const auto& value = O.Texts[FieldIndex(field.Id)])
            tag.SetText(field.Id, *value);
    if (O.Track)
        tag.SetTrack(static_cast<std::uint8_t>(*O.Track));
    if (O.GenreIndex)
        tag.SetGenreIndex(static_cast<std::uint8_t>(*O.GenreIndex));
    if (!tag.StoreTag(File)) {
        std::cerr << "Error writing MP3 tag.\n" << File << "\n";
        if (const std::string note = TFileUtils::HardLinkNote(File); !note.empty())
            std::cerr << note << "\n";
        return ExitFailed;
    }
    return ExitOk;
}

// The options are checked against every file before any is written: a usage error changes
// nothing. The ID3v2 tags and the other formats' tags are then written as one batch.
int RunTag(const TagOptions& O) {
    if (O.Track && (*O.Track < 0 || *O.Track > 65535))
        return Usage("--track is out of range.");
    if (O.GenreIndex && (*O.GenreIndex < 0 || *O.GenreIndex > 255))
        return Usage("--genre-index must be 0 to 255.");
    TFieldValues fields;
    if (const std::string error = CollectFields(O, fields); !error.empty())
        return Usage(error);
    bool anyMP3 = false;
    std::vector<std::string> files, v1Files;
    int result = ExitOk;
    for (const std::string& file : O.Files) {
        if (!TFileUtils::IsRegularFile(file)) {
            std::cerr << TFileUtils::NotRegularFileMessage(file) << "\n";
            result = ExitFailed;
            continue;
        }
        TAudioFormat format = TAudioFormat::Unknown;
        if (TFileSource source; source.Open(file))
            format = SniffFormat(source, std::filesystem::path(file).extension().string());
        // Every other format has one tag, which takes every field: --v1 and --v2 do not apply.
        if (format != TAudioFormat::MP3 && format != TAudioFormat::Unknown) {
            if (O.GenreIndex)
                return Usage("--genre-index is an ID3v1 field.");
            files.push_back(file);
        } else {
            anyMP3 = true;
            (O.V1 ? v1Files : files).push_back(file);
        }
    }
    if (anyMP3) {
        if (O.V1 == O.V2)
            return Usage("Choose exactly one of --v1 and --v2.");
        if (O.V1 && O.Track && *O.Track > 255)
            return Usage("--track is out of range.");
        const bool v2Only = O.AlbumArtist || O.Disc || !O.Fields.empty() ||
                            std::ranges::any_of(TagFields, [&](const TTagFieldInfo& Field) {
                                return !Field.InV1() && O.Texts[FieldIndex(Field.Id)];
                            });
        if (O.V1 && v2Only)
            return Usage("--genre, --composer, --language, --copyright, --album-artist, --disc "
                         "and --field are ID3v2 fields.");
        if (O.V2 && O.GenreIndex)
            return Usage("--genre-index is an ID3v1 field.");
        TID3v2 scratch;
        if (const std::string error = SetID3v2Fields(scratch, fields); !error.empty())
            return Usage(error);
    }
    for (const std::string& file : v1Files)
        if (TagV1(O, file) != ExitOk)
            result = ExitFailed;
    if (files.empty())
        return result;
    TCliBatchTargets targets;
    if (!targets.FinishInterrupted())
        return ExitFailed;
    TBatchPlan plan;
    for (const std::string& file : files)
        plan.push_back({fullPath(file), {fields, std::nullopt, false}, {}});
    const int batch = ReportBatch(RunBatch(plan, targets.Targets(), {}));
    return result == ExitOk ? batch : result;
}

} // namespace

void RegisterAnalyseCommands(CLI::App& App, CommandAction& Chosen) {
    auto files = std::make_shared<std::vector<std::string>>();
    auto jobs = std::make_shared<int>(0);
    CLI::App* analyse =
        App.add_subcommand("analyse", "Print the analysis and tags of audio files as JSON");
    analyse->add_option("FILE", *files, "Audio files")->required();
    analyse
        ->add_option("--jobs", *jobs,
                     "Files read at the same time (output keeps its order); by default 12 when "
                     "the files must come from disk, else one per processor")
        ->check(CLI::Range(1, 256));
    analyse->callback([&Chosen, files, jobs] {
        Chosen = [files, jobs] {
            // Several runs of files are read at once, so that a cold disk has work queued; the
            // lines still come out in the order of the arguments. Every file gets its line; one
            // that could not be read fails the run.
            struct TRun {
                std::string Lines;
                std::vector<std::size_t> Ends; // where each file's line ends
                std::vector<char> Failed;
            };
            const std::size_t runs =
                (files->size() + TFileBatch::MaxFiles - 1) / TFileBatch::MaxFiles;
            const std::function<TRun(std::size_t)> analyseRun = [&](std::size_t r) {
                // One batch per reader: it keeps its ring from run to run.
                thread_local TFileBatch batch;
                const std::size_t first = r * TFileBatch::MaxFiles;
                batch.Open(*files, first, files->size() - first, TFileSource::HeadBytes);
                TRun run;
                run.Lines.reserve(batch.Files().size() * 2048);
                for (std::size_t i = 0; i < batch.Files().size(); ++i) {
                    const bool read =
                        TAnalysisLine(run.Lines).Write((*files)[first + i], batch.Files()[i]);
                    run.Lines += '\n';
                    run.Ends.push_back(run.Lines.size());
                    run.Failed.push_back(read ? 0 : 1);
                }
                batch.Close();
                return run;
            };
            bool allRead = true;
            const std::function<bool(std::size_t, TRun&)> print = [&](std::size_t r, TRun& run) {
                std::size_t from = 0;
                for (std::size_t i = 0; i < run.Failed.size(); ++i) {
                    if (!run.Failed[i])
                        continue;
                    // The error follows its file's line, as when files are read one by one.
                    std::cout.write(run.Lines.data() + from,
                                    static_cast<std::streamsize>(run.Ends[i] - from));
                    from = run.Ends[i];
                    allRead = false;
                    const std::string& path = (*files)[r * TFileBatch::MaxFiles + i];
                    std::cout.flush();
                    std::cerr << (TFileUtils::IsRegularFile(path)
                                      ? "Error reading file.\n" + DisplayPath(path)
                                      : TFileUtils::NotRegularFileMessage(path))
                              << "\n";
                }
                std::cout.write(run.Lines.data() + from,
                                static_cast<std::streamsize>(run.Lines.size() - from));
                return true;
            };
            const int readers = *jobs > 0 ? *jobs : TFileUtils::ReadersFor(*files);
            RunOrdered<TRun>(runs, readers, static_cast<std::size_t>(readers) * 2, analyseRun,
                             print);
            std::cout.flush();
            return allRead ? ExitOk : ExitFailed;
        };
    });

    auto options = std::make_shared<TagOptions>();
    CLI::App* tag =
        App.add_subcommand("tag", "Set fields of files' tags (an MP3's ID3v1 or ID3v2 tag)");
    tag->add_option("FILE", options->Files, "Audio files, each given the same fields")->required();
    tag->add_flag("--v1", options->V1,
                  "Write the ID3v1 tag (MP3; written file by file, not as a batch that undo "
                  "reverses)");
    tag->add_flag("--v2", options->V2, "Write the ID3v2 tag (MP3)");
    // One option per text field, named by its caption; the help lists them in this order.
    const auto text = [&](TTagField Field) {
        const TTagFieldInfo& info = FieldInfo(Field);
        std::string name = "--" + std::string(info.Caption);
        std::ranges::transform(name, name.begin(), [](char c) { return char(std::tolower(c)); });
        const char* help = Field == TTagField::Genre ? "Genre text (MP3: ID3v2 only)"
                           : info.InV1()             ? ""
                                                     : "MP3: ID3v2 only";
        tag->add_option(name, options->Texts[FieldIndex(Field)], help);
    };
    for (const TTagField field :
         {TTagField::Title, TTagField::Artist, TTagField::Album, TTagField::Year, TTagField::Genre})
        text(field);
    tag->add_option("--genre-index", options->GenreIndex, "Genre byte (MP3: ID3v1 only)");
    tag->add_option("--track", options->Track, "0 removes it");
    tag->add_option("--album-artist", options->AlbumArtist, "MP3: ID3v2 only, as TPE2");
    tag->add_option("--disc", options->Disc, "N or N/M (MP3: ID3v2 only, as TPOS)");
    for (const TTagField field :
         {TTagField::Comment, TTagField::Composer, TTagField::Language, TTagField::Copyright})
        text(field);
    tag->add_option("--field", options->Fields,
                    "KEY=VALUE, by the common key (TITLE, ALBUMARTIST, REPLAYGAIN_TRACK_GAIN...); "
                    "repeat a key for more values, KEY= removes it (MP3: ID3v2 only, as its text "
                    "frame or TXXX)")
        ->allow_extra_args(false);
    const TTagFromName fromName = AddTagFromName(*tag);
    tag->callback([&Chosen, options, fromName] {
        Chosen = fromName(options->Files, [options] { return RunTag(*options); });
    });
}

} // namespace orvanta::cli
