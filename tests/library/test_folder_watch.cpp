#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/library/uFolderWatch.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvanta;

namespace {

// The folders a watch handed over, as they arrive on its thread.
struct THanded {
    std::mutex Lock;
    std::multiset<std::string> Folders;
    TFolderWatch::TBatch Sink() {
        return [this](std::vector<std::string> Batch) {
            std::lock_guard lock(Lock);
            Folders.insert(Batch.begin(), Batch.end());
        };
    }
    std::size_t Count(const std::string& Folder) {
        std::lock_guard lock(Lock);
        return Folders.count(Folder);
    }
};

} // namespace

TEST(FolderWatch, PastItsWatchesAFolderIsLookedAtInstead) {
    test::TempDir dir;
    const std::string watched = dir.file("a"), polled = dir.file("b");
    std::filesystem::create_directories(watched);
    std::filesystem::create_directories(polled);
    THanded handed;
    TFolderWatch watch(handed.Sink(), {.Quiet = std::chrono::milliseconds(100),
                                       .PollEvery = std::chrono::milliseconds(300),
                                       .MaxWatches = 1});
    watch.Follow({watched, polled + "/"});
    EXPECT_EQ(watch.Watched(), 1u);
    EXPECT_EQ(watch.Polled(), std::vector<std::string>{polled});
    // The polled folder is handed over again and again, the watched one once it changed.
    EXPECT_TRUE(test::WaitUntil([&] { return handed.Count(polled) >= 2; }));
    EXPECT_EQ(handed.Count(watched), 0u);
    dir.write("a/one.mp3", "x");
    EXPECT_TRUE(test::WaitUntil([&] { return handed.Count(watched) == 1; }));
    // Following fewer folders frees the watch for another.
    watch.Follow({polled});
    EXPECT_EQ(watch.Watched(), 1u);
    EXPECT_TRUE(watch.Polled().empty());
}

TEST(FolderWatch, AFileBeingWrittenHoldsItsFolderUntilClosed) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("a"));
    const std::string folder = dir.file("a");
    THanded handed;
    TFolderWatch watch(handed.Sink(), {.Quiet = std::chrono::milliseconds(100)});
    watch.Follow({folder});
    const int fd = ::open(dir.file("a/big.mp3").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "part", 4), 4);
    // Well past the quiet time, the folder still waits for the file.
    EXPECT_FALSE(
        test::WaitUntil([&] { return handed.Count(folder) > 0; }, std::chrono::milliseconds(600)));
    ::close(fd);
    EXPECT_TRUE(test::WaitUntil([&] { return handed.Count(folder) == 1; }));
}
