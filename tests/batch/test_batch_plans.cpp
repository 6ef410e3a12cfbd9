#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/batch/uBatchTools.h"
#include "support/CliRun.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

namespace orvanta {
namespace {

using test::TempDir;
using TFields = std::map<std::string, std::vector<std::string>>;

// The planned value of each changed key of the first item, or {} when nothing is planned.
std::map<std::string, std::string> plannedFields(const TPlanResult& Result) {
    std::map<std::string, std::string> fields;
    if (!Result.Plan.empty())
        for (const auto& [key, values] : Result.Plan.front().Changes.Fields)
            fields[key] = values.empty() ? "" : values.front();
    return fields;
}

TEST(BatchPlans, TagsFromNames) {
    struct Case {
        std::string Pattern, Path;
        bool Underscores;
        TFields Current;
        std::map<std::string, std::string> Planned;
        std::string Problem;
    };
    const std::vector<Case> cases = {
        {"%track% - %artist% - %title%",
         "/m/03 - Abba - Waterloo.mp3",
         false,
         {},
         {{"TRACKNUMBER", "3"}, {"ARTIST", "Abba"}, {"TITLE", "Waterloo"}},
         ""},
        // The earliest split wins; the last placeholder keeps the rest.
        {"%track% - %artist% - %title%",
         "/m/1 - A - B - C.ogg",
         false,
         {},
         {{"TRACKNUMBER", "1"}, {"ARTIST", "A"}, {"TITLE", "B - C"}},
         ""},
        {"%artist%/%album%/%disc%-%track% %title%",
         "/m/Abba/Arrival/2-01 Dancing Queen.flac",
         false,
         {{"ALBUM", {"Arrival"}}},
         {{"ARTIST", "Abba"},
          {"DISCNUMBER", "2"},
          {"TRACKNUMBER", "1"},
          {"TITLE", "Dancing Queen"}},
         ""},
        {"%artist% - %title%",
         "/m/The_Band - Some_Song.mp3",
         true,
         {},
         {{"ARTIST", "The Band"}, {"TITLE", "Some Song"}},
         ""},
        {"%ignore% - %title%", "/m/x - \xe9t\xe9.mp3", false, {}, {{"TITLE", "\xe9t\xe9"}}, ""},
        {"%track% - %title%", "/m/Intro.mp3", false, {}, {}, "does not match"},
        {"%track% - %title%", "/m/A - B.mp3", false, {}, {}, "does not match"},
        {"%album%/%title%", "Song.mp3", false, {}, {}, "does not match"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        const TPlanResult result =
            PlanTagsFromNames({{c.Path, c.Current}}, {c.Pattern, c.Underscores});
        EXPECT_EQ(plannedFields(result), c.Planned);
        ASSERT_FALSE(result.Preview.empty());
        const std::string& problem = result.Preview.back().Problem;
        EXPECT_TRUE(c.Problem.empty() ? problem.empty()
                                      : problem.find(c.Problem) != std::string::npos);
    }
    EXPECT_NE(PlanTagsFromNames({}, {"%bogus%"}).Error, "");
}

TEST(BatchPlans, NamesFromTags) {
    const TempDir dir;
    const std::string d = dir.str();
    std::filesystem::create_directory(dir.file("\xfe"));
    dir.write("Taken.mp3", "");
    struct Case {
        std::string Pattern, Base;
        std::vector<TBatchSource> Files;
        // The first file's new path, or a part of its problem.
        std::string Expected;
        bool Problem;
    };
    const TFields song = {{"TITLE", {"A/B"}}, {"TRACKNUMBER", {"3/12"}}, {"ARTIST", {"Abba"}}};
    std::string accents;
    for (int i = 0; i < 150; ++i)
        accents += "\xc3\xa9";
    const std::vector<Case> cases = {
        {"%track% - %title%", "", {{d + "/a.mp3", song}}, d + "/03 - A_B.mp3", false},
        {"%artist%/%track% %title%",
         d + "/base/",
         {{d + "/a.flac", song}},
         d + "/base/Abba/03 A_B.flac",
         false},
        {"%title%", "", {{d + "/\xfe/\xff.mp3", {{"TITLE", {"T"}}}}}, d + "/\xfe/T.mp3", false},
        {"%title%",
         "",
         {{d + "/a.mp3", {{"TITLE", {accents}}}}},
         d + "/" + accents.substr(0, 250) + ".mp3",
         false},
        {"%album% - %title%", "", {{d + "/a.mp3", song}}, "%album% is empty", true},
        {"%title%", "", {{d + "/a.mp3", song}, {d + "/b.mp3", song}}, "same name", true},
        {"%title%", "", {{d + "/a.mp3", {{"TITLE", {"Taken"}}}}}, "already has the name", true},
        {"%title%/x", "", {{d + "/a.mp3", {{"TITLE", {".."}}}}}, "refuses", true},
        {"%title%", "", {{d + "/a.mp3", {{"TITLE", {"a\nb"}}}}}, "playlist", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        const TPlanResult result = PlanNamesFromTags(c.Files, {c.Pattern, c.Base, true});
        ASSERT_EQ(result.Preview.size(), c.Files.size());
        const TPreviewRow& row = result.Preview.front();
        if (c.Problem) {
            EXPECT_NE(row.Problem.find(c.Expected), std::string::npos) << row.Problem;
            EXPECT_TRUE(result.Plan.empty());
        } else {
            EXPECT_EQ(row.Problem, "");
            ASSERT_EQ(result.Plan.size(), 1u);
            EXPECT_EQ(result.Plan.front().NewPath, c.Expected);
        }
    }
}

// A name a file of the selection holds on disk is free when that file moves away (a chain, a
// ring); not when it stays, nor when a file outside the selection holds it.
TEST(BatchPlans, NamesTakenWithinTheSelection) {
    const TempDir dir;
    struct Case {
        // Each file's name and title; "out" is a file outside the selection.
        std::vector<std::pair<std::string, std::string>> Files;
        // Per file, its new name or, after "!", a part of its problem.
        std::vector<std::string> Expected;
    };
    const std::vector<Case> cases = {
        {{{"1", "2"}, {"2", "3"}}, {"2", "3"}},
        {{{"1", "2"}, {"2", "1"}}, {"2", "1"}},
        {{{"1", "2"}, {"2", "3"}, {"3", "1"}, {"4", "5"}}, {"2", "3", "1", "5"}},
        {{{"1", "2"}, {"2", "out"}}, {"!already has", "!already has"}},
        {{{"1", "2"}, {"2", ""}}, {"!already has", "!is empty"}},
        {{{"1", "3"}, {"2", "3"}, {"3", "4"}}, {"!same name", "!same name", "4"}},
    };
    for (std::size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE(n);
        const std::string folder = dir.file(std::to_string(n));
        std::filesystem::create_directory(folder);
        // Empty files: the planner reads only the sources, and the disk for names taken.
        std::ofstream(folder + "/out.mp3");
        std::vector<TBatchSource> sources;
        for (const auto& [name, title] : cases[n].Files) {
            std::ofstream(folder + "/" + name + ".mp3");
            sources.push_back({folder + "/" + name + ".mp3", {}});
            if (!title.empty())
                sources.back().Fields["TITLE"] = {title};
        }
        const TPlanResult result = PlanNamesFromTags(sources, {"%title%", "", true});
        ASSERT_EQ(result.Preview.size(), sources.size());
        EXPECT_EQ(result.Plan.size(),
                  static_cast<std::size_t>(std::ranges::count_if(
                      cases[n].Expected, [](const std::string& E) { return E[0] != '!'; })));
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const std::string& expected = cases[n].Expected[i];
            const TPreviewRow& row = result.Preview[i];
            if (expected.starts_with("!"))
                EXPECT_NE(row.Problem.find(expected.substr(1)), std::string::npos) << row.Problem;
            else
                EXPECT_EQ(row.Problem + row.New, folder + "/" + expected + ".mp3");
        }
    }
}

TEST(BatchPlans, Numbering) {
    const std::vector<TBatchSource> files = {
        {"/m/x/1.mp3", {{"ALBUM", {"A"}}}},
        {"/m/x/2.mp3", {{"ALBUM", {"B"}}, {"TRACKNUMBER", {"1"}}}},
        {"/m/y/3.mp3", {{"ALBUM", {"A"}}}},
        {"/m/y/4.mp3", {{"ALBUM", {"B"}}}},
        {"/m/y/5.mp3", {{"ALBUM", {"B"}}}},
    };
    struct Case {
        TNumberingOptions Options;
        std::vector<std::string> Numbers, Totals;
    };
    const std::vector<Case> cases = {
        {{1, false, TNumberRestart::Never, 0}, {"1", "2", "3", "4", "5"}, {}},
        {{5, true, TNumberRestart::Never, 0}, {"5", "6", "7", "8", "9"}, {"9", "9", "9", "9", "9"}},
        {{1, true, TNumberRestart::PerFolder, 0},
         {"1", "2", "1", "2", "3"},
         {"2", "2", "3", "3", "3"}},
        {{1, true, TNumberRestart::PerAlbum, 2},
         {"1", "1", "2", "2", "3"},
         {"2", "3", "2", "3", "3"}},
    };
    for (const Case& c : cases) {
        const TPlanResult result = PlanNumbering(files, c.Options);
        std::vector<std::string> numbers, totals;
        for (const TPreviewRow& row : result.Preview) {
            if (row.Field == "TRACKNUMBER")
                numbers.push_back(row.New);
            if (row.Field == "TRACKTOTAL")
                totals.push_back(row.New);
            if (row.Field == "DISCNUMBER") {
                EXPECT_EQ(row.New, "2");
            }
        }
        EXPECT_EQ(numbers, c.Numbers);
        EXPECT_EQ(totals, c.Totals);
    }
    // The second file already holds 1: unchanged, so not planned.
    EXPECT_EQ(PlanNumbering(files, {}).Plan.size(), 5u);
    EXPECT_EQ(PlanNumbering(files, {1, false, TNumberRestart::PerAlbum, 0}).Plan.size(), 4u);
}

TEST(BatchPlans, CaseAndReplace) {
    struct Case {
        std::string Text;
        TCaseStyle Style;
        std::string Expected;
    };
    const std::vector<Case> cases = {
        {"hello wORLD (live)", TCaseStyle::TitleCase, "Hello World (Live)"},
        {"ÉCOLE d'ÉTÉ", TCaseStyle::SentenceCase, "École d'été"},
        {"ΟΔΟΣ ΣΟΦΙΑΣ", TCaseStyle::Lower, "οδος σοφιας"},
        {"άλφα βήτα", TCaseStyle::TitleCase, "Άλφα Βήτα"},
        {"москва ёлка", TCaseStyle::Upper, "МОСКВА ЁЛКА"},
        {"\xff abc", TCaseStyle::Upper, "\xff ABC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertCase(c.Text, c.Style), c.Expected);

    struct Replace {
        TReplaceOptions Options;
        std::string Value, Expected;
    };
    const std::vector<Replace> replaces = {
        {{{"ARTIST"}, "feat.", "ft.", true, false}, "A FEAT. B feat. C", "A ft. B ft. C"},
        {{{"ARTIST"}, "feat.", "ft.", false, false}, "A FEAT. B", "A FEAT. B"},
        {{{"ARTIST"}, "МИР", "world", true, false}, "мир", "world"},
        {{{"ARTIST"}, "^The (.*)", "$1, The", false, true}, "The Band", "Band, The"},
        {{{"TITLE"}, "a", "b", false, false}, "a", "a"},
    };
    for (const Replace& r : replaces) {
        const TPlanResult result = PlanReplace({{"/m/a.mp3", {{"ARTIST", {r.Value}}}}}, r.Options);
        EXPECT_EQ(plannedFields(result)["ARTIST"], r.Expected == r.Value ? "" : r.Expected);
    }
    EXPECT_NE(PlanReplace({}, {{"TITLE"}, "(", "", false, true}).Error, "");
}

TEST(BatchPlans, CliDryRunWritesNothing) {
    const TempDir dir;
    const std::string tagged =
        dir.write("01 - Alpha.mp3", test::SampleMp3Bytes() + test::id3v1Block("Song", "Band", 0));
    const std::string plain = dir.write("Intro.mp3", test::SampleMp3Bytes());
    const std::string before = test::readAll(tagged);
    const auto fromName =
        test::RunCli(dir.str(), "tag --from-name '%track% - %title%' --dry-run " +
                                    test::shellQuoted(tagged) + " " + test::shellQuoted(plain));
    ASSERT_EQ(fromName.lines().size(), 2u) << fromName.Err;
    EXPECT_EQ(fromName.lines()[0]["fields"],
              (nlohmann::json{{"TRACKNUMBER", "1"}, {"TITLE", "Alpha"}}));
    EXPECT_TRUE(fromName.lines()[1].contains("problem"));
    EXPECT_EQ(fromName.Exit, 1);
    const auto rename = test::RunCli(dir.str(), "rename --pattern '%artist%/%title%' --dry-run " +
                                                    test::shellQuoted(tagged));
    ASSERT_EQ(rename.lines().size(), 1u) << rename.Err;
    EXPECT_EQ(rename.lines()[0]["new_path"], dir.file("Band/Song.mp3"));
    EXPECT_EQ(rename.Exit, 0);
    EXPECT_EQ(test::readAll(tagged), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Band")));
}

} // namespace
} // namespace orvanta
