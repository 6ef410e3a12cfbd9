#include "metadata/Mutagen.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>
#include <sstream>

namespace orvanta {
namespace {

using nlohmann::json;
using test::TempDir;

// Standard output then standard error of orvanta-cli.
std::string Cli(const std::string& Arguments, int* Exit = nullptr) {
    const test::CliRun run = test::RunCli("", Arguments);
    if (Exit)
        *Exit = run.Exit;
    return run.Out + run.Err;
}

std::vector<json> Lines(const std::string& Output) {
    std::vector<json> out;
    std::istringstream in(Output);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with('{')) // messages on standard error are not results
            out.push_back(json::parse(line));
    return out;
}

TEST(CliAnalyse, OneLinePerFileWithTheDocumentedKeys) {
    TempDir dir;
    const std::string vbr = test::MP3Fixtures::Get().CopyTo(dir, "vbr");
    int exit = -1;
    const auto lines = Lines(Cli("analyse '" + vbr + "' '" + dir.file("gone.mp3") + "'", &exit));
    EXPECT_EQ(exit, 1); // a file could not be read, yet each got its line
    ASSERT_EQ(lines.size(), 2u);
    const json& a = lines[0];
    std::vector<std::string> keys;
    for (const auto& item : a.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"analysed", "bitrate", "duration", "encoder_tag",
                                              "file_bytes", "first_frame", "format", "id3v1",
                                              "id3v2", "path", "seconds", "valid", "vbr"}));
    EXPECT_TRUE(a["analysed"].get<bool>());
    EXPECT_TRUE(a["valid"].get<bool>());
    EXPECT_EQ(a["format"], "MP3");
    EXPECT_TRUE(lines[1]["format"].is_null());
    EXPECT_EQ(a["seconds"], 2);
    EXPECT_EQ(a["first_frame"]["version"], "1");
    EXPECT_EQ(a["first_frame"]["layer"], 3);
    EXPECT_EQ(a["first_frame"]["sample_rate"], 44100);
    EXPECT_EQ(a["vbr"]["marker"], "Xing");
    EXPECT_EQ(a["id3v1"].size(), 10u);
    EXPECT_EQ(a["id3v2"].size(), 16u);
    EXPECT_FALSE(lines[1]["analysed"].get<bool>());
    EXPECT_TRUE(lines[1]["first_frame"].is_null());
    EXPECT_TRUE(lines[1]["vbr"].is_null());
    Cli("analyse", &exit);
    EXPECT_EQ(exit, 2);
}

// Files read at once print exactly what one reader prints, in the order of the arguments.
TEST(CliAnalyse, ParallelOutputIsTheSerialOutput) {
    TempDir dir;
    std::string arguments;
    for (int i = 0; i < 60; ++i) {
        const char* kinds[] = {"vbr", "mono22", "gone"};
        const std::string kind = kinds[i % 3];
        const std::string path = dir.file(std::to_string(i) + kind + ".mp3");
        if (kind != "gone")
            std::filesystem::copy_file(test::MP3Fixtures::Get().Path(kind), path);
        arguments += " '" + path + "'";
    }
    const std::string serial = Cli("analyse --jobs 1" + arguments);
    EXPECT_EQ(Lines(serial).size(), 60u);
    EXPECT_EQ(Cli("analyse --jobs 16" + arguments), serial);
    EXPECT_EQ(Cli("analyse" + arguments), serial);
}

TEST(CliTag, WritesEachTagAndKeepsTheAudio) {
    TempDir dir;
    const std::string file = test::MP3Fixtures::Get().CopyTo(dir, "sox");
    const std::string audio = test::AudioBytes(file);
    int exit = -1;
    Cli("tag '" + file +
            "' --v2 --title 'Quote \" and \\ back' --artist 'Åsa ☃' --album A "
            "--year 2020 --genre Jazz --track 4 --comment Nice --composer C --language deu "
            "--copyright X",
        &exit);
    ASSERT_EQ(exit, 0);
    Cli("tag '" + file + "' --v1 --title 'V1 Títle' --genre-index 8 --track 9", &exit);
    ASSERT_EQ(exit, 0);
    EXPECT_EQ(test::AudioBytes(file), audio);

    const json read = test::Mutagen(file);
    EXPECT_EQ(read["frames"]["TIT2"], "Quote \" and \\ back");
    EXPECT_EQ(read["frames"]["TPE1"], "Åsa ☃");
    EXPECT_EQ(read["frames"]["TCON"], "Jazz");
    EXPECT_EQ(read["frames"]["TRCK"], "4");
    EXPECT_EQ(read["frames"]["COMM"], "Nice");
    EXPECT_EQ(read["frames"]["TLAN"], "deu");
    EXPECT_EQ(read["v1"]["TIT2"], "V1 Títle");
    EXPECT_EQ(read["v1"]["TRCK"], "9");

    const json a = Lines(Cli("analyse '" + file + "'"))[0];
    EXPECT_EQ(a["id3v2"]["artist"], "Åsa ☃");
    EXPECT_EQ(a["id3v2"]["tag_size"], 4096);
    EXPECT_EQ(a["id3v1"]["genre"], "Jazz");
    EXPECT_EQ(a["id3v1"]["track"], 9);

    // Setting one field keeps the others that were read.
    Cli("tag '" + file + "' --v2 --album B", &exit);
    EXPECT_EQ(Lines(Cli("analyse '" + file + "'"))[0]["id3v2"]["composer"], "C");
}

// The tool saves as the window does: a tag not read whole is left as it is, and a tag with no
// audio behind it is read and saved.
TEST(CliTag, TagsAsOtherProgramsWriteThem) {
    TempDir dir;
    const std::string audio = test::AudioBytes(test::MP3Fixtures::Get().Path("cbr"));
    int exit = -1;
    const std::string unread =
        test::Tag(3, test::Frame(3, "TIT2", test::Text("T")) + "\x01junk" + std::string(30, 'j')) +
        audio;
    const std::string misread = dir.write("m.mp3", unread);
    EXPECT_EQ(Cli("tag '" + misread + "' --v2 --title X", &exit),
              "The tag of " + misread + " could not be read entirely; it was left as it is.\n");
    EXPECT_EQ(exit, 1);
    EXPECT_EQ(test::readAll(misread), unread);

    const std::string bare =
        dir.write("b.mp3", test::Tag(3, test::Frame(3, "TIT2", test::Text("T")), 200));
    EXPECT_EQ(Lines(Cli("analyse '" + bare + "'"))[0]["id3v2"]["title"], "T");
    Cli("tag '" + bare + "' --v2 --title X", &exit);
    EXPECT_EQ(exit, 0);
    EXPECT_EQ(test::Mutagen(bare)["frames"]["TIT2"], "X");

    // Without audio and without a tag to replace, nothing is written into the file.
    const std::string noise = dir.write("n.mp3", std::string(3000, '\x01'));
    EXPECT_EQ(Cli("tag '" + noise + "' --v2 --title X", &exit),
              "Invalid MP3 file.\n" + noise + "\n");
    EXPECT_EQ(exit, 1);
    EXPECT_EQ(test::readAll(noise), std::string(3000, '\x01'));
}

TEST(CliTag, WrongArgumentsAndFailedWrites) {
    TempDir dir;
    const std::string file = test::MP3Fixtures::Get().CopyTo(dir, "cbr");
    const std::string before = test::readAll(file);
    int exit = -1;
    Cli("tag '" + file + "' --title x", &exit);
    EXPECT_EQ(exit, 2);
    Cli("tag '" + file + "' --v1 --v2", &exit);
    EXPECT_EQ(exit, 2);
    Cli("tag '" + file + "' --v1 --composer x", &exit);
    EXPECT_EQ(exit, 2);
    Cli("tag '" + file + "' --v1 --track 300", &exit);
    EXPECT_EQ(exit, 2);
    EXPECT_EQ(test::readAll(file), before);

    // The rewrite runs into a file size limit: the message, exit 1, the file as it was.
    const TempDir home;
    const std::string out = test::Capture("sh -c \"trap '' XFSZ; ulimit -f 8; ORVANTA_HOME='" +
                                              home.str() + "' exec '" + ORVANTA_CLI_PATH +
                                              "' tag '" + file + "' --v2 --title Big\" 2>&1",
                                          &exit);
    EXPECT_EQ(exit, 1);
    EXPECT_EQ(out, "Error writing MP3 tag.\n" + file + "\n");
    EXPECT_EQ(test::readAll(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    Cli("tag '" + dir.file("none.mp3") + "' --v2 --title x", &exit);
    EXPECT_EQ(exit, 1);
}

} // namespace
} // namespace orvanta
