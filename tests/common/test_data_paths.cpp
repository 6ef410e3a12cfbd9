#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/uDataPaths.h"
#include "common/uJpegImage.h"
#include "support/TempDir.h"

using namespace orvanta;

TEST(ResolveAppPath, HomeVariableWinsAndLosesTrailingSeparator) {
    test::TempDir dir;
    EXPECT_EQ(ResolveAppPath(dir.str(), "/tmp/home/", "/user"), "/tmp/home");
    EXPECT_EQ(ResolveAppPath(dir.str(), "", "/user"), dir.str());
    EXPECT_EQ(ResolveAppPath(dir.str(), nullptr, "/user"), dir.str());
}

TEST(ResolveAppPath, UnwritableExecutableFolderFallsBackToUserData) {
    EXPECT_EQ(ResolveAppPath("/no/such/folder", nullptr, "/home/u/.local/share/Orvanta"),
              "/home/u/.local/share/Orvanta");
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

TEST(DecodeJpeg, SplashPictureDecodes) {
    std::ifstream in(std::string(ORVANTA_RESOURCES) + "/splash.jpg", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const TRgbImage image = DecodeJpeg(bytes);
    EXPECT_EQ(image.Width, 440);
    EXPECT_EQ(image.Height, 195);
    EXPECT_EQ(image.Rgb.size(), 440u * 195u * 3u);
}

TEST(DecodeJpeg, GarbageAndTruncationGiveEmptyImage) {
    EXPECT_TRUE(DecodeJpeg("").IsEmpty());
    EXPECT_TRUE(DecodeJpeg("not a jpeg at all").IsEmpty());
    std::ifstream in(std::string(ORVANTA_RESOURCES) + "/splash.jpg", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 100u);
    // A cut picture must not crash; libjpeg may still deliver a padded image.
    (void)DecodeJpeg(std::string_view(bytes).substr(0, 100));
}
