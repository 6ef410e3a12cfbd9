#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/common/uDataPaths.h"
#include "core/common/uJpegImage.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

using namespace orvanta;

TEST(ResolveAppPath, VariableThenPortableCopyThenUserData) {
    test::TempDir dir;
    const std::string plain = dir.file("plain"), marked = dir.file("marked"), old = dir.file("old");
    for (const std::string& folder : {plain, marked, old + "/Data"})
        std::filesystem::create_directories(folder);
    dir.write("marked/portable", "");
    dir.write("old/Data/MyMedia.edb", "");
    struct Case {
        std::string ExeDir;
        const char* Variable;
        std::string Expected;
        bool SettingsInHome;
    };
    for (const Case& c :
         {Case{plain, "/tmp/home/", "/tmp/home", true}, Case{plain, "", "/user", false},
          Case{plain, nullptr, "/user", false}, Case{marked + "/", nullptr, marked, true},
          Case{old, "", old, true}, Case{"/no/such/folder", nullptr, "/user", false}}) {
        EXPECT_EQ(ResolveAppPath(c.ExeDir, c.Variable, "/user/"), c.Expected) << c.ExeDir;
        EXPECT_EQ(SettingsInHome(c.ExeDir, c.Variable), c.SettingsInHome) << c.ExeDir;
    }
}

// orvanta-cli copied into a folder of its own, run with HOME pointing at a temporary folder.
TEST(ResolveAppPath, CliFindsItsLibraryByTheSameRule) {
    test::TempDir dir;
    const std::string bin = dir.file("bin");
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(ORVANTA_CLI_PATH, bin + "/orvanta-cli");
    const std::string mp3 = test::makeMp3(dir, "a.mp3", 0.3);
    ASSERT_FALSE(mp3.empty());
    const auto run = [&](const std::string& environment, const std::string& arguments) {
        const std::string command =
            "env -u ORVANTA_HOME -u XDG_DATA_HOME HOME=" + test::shellQuoted(dir.file("user")) +
            " " + environment + " " + test::shellQuoted(bin + "/orvanta-cli") + " " + arguments +
            " 2>/dev/null";
        return test::Capture(command);
    };
    const std::string add = "library add " + test::shellQuoted(mp3);
    const std::string userLibrary = dir.file("user/.local/share/Orvanta/Data/MyMedia.edb");
    run("", add);
    EXPECT_TRUE(std::filesystem::exists(userLibrary));
    EXPECT_FALSE(std::filesystem::exists(bin + "/Data"));
    run("XDG_DATA_HOME=" + test::shellQuoted(dir.file("xdg")), add);
    EXPECT_TRUE(std::filesystem::exists(dir.file("xdg/Orvanta/Data/MyMedia.edb")));

    // A library an earlier version left beside the executable keeps being used.
    std::filesystem::remove(userLibrary);
    run("ORVANTA_HOME=" + test::shellQuoted(bin), add);
    EXPECT_NE(run("", "library list").find("a.mp3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(userLibrary));
}

TEST(DataLocations, BuiltFromAppPath) {
    const std::string saved = AppPath;
    AppPath = "/opt/orvanta";
    EXPECT_EQ(DataFolder(), "/opt/orvanta/Data");
    EXPECT_EQ(MediaDatabaseFile(), "/opt/orvanta/Data/MyMedia.edb");
    EXPECT_EQ(PlayListsFolder(), "/opt/orvanta/Playlists");
    AppPath = saved;
}

TEST(ForceFolder, MakesOneLevelOnly) {
    test::TempDir dir;
    EXPECT_TRUE(ForceFolder(dir.file("Data")));
    EXPECT_TRUE(ForceFolder(dir.file("Data")));
    EXPECT_FALSE(ForceFolder(dir.file("a/b")));
}

// The splash decodes whole; garbage gives no image, and a cut picture must not crash (libjpeg
// may still deliver a padded image).
TEST(DecodeJpeg, SplashDecodesAndGarbageGivesNoImage) {
    std::ifstream in(std::string(ORVANTA_RESOURCES) + "/splash.jpg", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const TRgbImage image = DecodeJpeg(bytes);
    EXPECT_EQ(image.Width, 440);
    EXPECT_EQ(image.Height, 195);
    EXPECT_EQ(image.Rgb.size(), 440u * 195u * 3u);
    EXPECT_TRUE(DecodeJpeg("").IsEmpty());
    EXPECT_TRUE(DecodeJpeg("not a jpeg at all").IsEmpty());
    (void)DecodeJpeg(std::string_view(bytes).substr(0, 100));
}
