#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "support/LibraryQueries.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

using namespace orvanta;
using orvanta::test::TempDir;
using orvanta::test::WaitUntil;

namespace {

constexpr int Lane = 1;

// A worker on a library of one row, and a record of what its jobs did.
struct Fixture {
    TempDir dir;
    std::unique_ptr<TLibraryWorker> worker;
    std::mutex lock;
    std::vector<std::string> done;

    Fixture() {
        TMyMediaDB library;
        library.OpenDatabase(dir.file("MyMedia.edb"));
        library.AddMedia({.Directory = "/music",
                          .FileName = "a.mp3",
                          .Stamp = {1},
                          .Title = "A",
                          .Seconds = 1,
                          .Quality = 128});
        worker = std::make_unique<TLibraryWorker>(dir.file("MyMedia.edb"), false);
    }
    void note(const std::string& what) {
        const std::lock_guard<std::mutex> hold(lock);
        done.push_back(what);
    }
    std::vector<std::string> notes() {
        const std::lock_guard<std::mutex> hold(lock);
        return done;
    }
    // A job that waits until Release is set or it is cancelled, and notes which.
    TCancelToken blocker(const std::string& name, std::atomic<bool>& release, int lane = Lane) {
        return worker->Post(
            [this, name, &release](TMyMediaDB&, const TCancelToken& cancel) {
                note(name + " started");
                WaitUntil([&] { return release.load() || cancel.Cancelled(); });
                note(name + (cancel.Cancelled() ? " cancelled" : " ended"));
            },
            lane);
    }
};

} // namespace

TEST(LibraryWorker, RunsJobsInOrderOnItsThreadWithItsOwnConnection) {
    Fixture f;
    const std::thread::id caller = std::this_thread::get_id();
    for (const char* name : {"one", "two", "three"})
        f.worker->Post([&f, name, caller](TMyMediaDB& library, const TCancelToken&) {
            EXPECT_NE(std::this_thread::get_id(), caller);
            EXPECT_TRUE(f.worker->OnWorkerThread());
            f.note(std::string(name) + " " + std::to_string(library.MediaCount()));
        });
    ASSERT_TRUE(WaitUntil([&] { return f.worker->Idle(); }));
    EXPECT_EQ(f.notes(), (std::vector<std::string>{"one 1", "two 1", "three 1"}));
    EXPECT_FALSE(f.worker->OnWorkerThread());
}

TEST(LibraryWorker, ANewerJobOfALaneSupersedesTheOlderOnes) {
    Fixture f;
    std::atomic<bool> release{false};
    f.blocker("first", release);
    ASSERT_TRUE(WaitUntil([&] { return f.notes().size() == 1; }));
    std::atomic<bool> never{false};
    const TCancelToken waiting = f.blocker("waiting", never);
    const TCancelToken other = f.blocker("other lane", release, 2);
    f.blocker("newest", release);
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return f.worker->Idle(); }));
    // The running one was asked to stop, the waiting one never ran, another lane's stayed.
    EXPECT_EQ(f.notes(),
              (std::vector<std::string>{"first started", "first cancelled", "other lane started",
                                        "other lane ended", "newest started", "newest ended"}));
    EXPECT_TRUE(waiting.Cancelled());
    EXPECT_FALSE(other.Cancelled());
}

TEST(LibraryWorker, CancelsOnRequestAndWhenDestroyed) {
    Fixture f;
    std::atomic<bool> never{false};
    f.blocker("lane", never);
    ASSERT_TRUE(WaitUntil([&] { return f.notes().size() == 1; }));
    f.worker->CancelLane(Lane);
    ASSERT_TRUE(WaitUntil([&] { return f.worker->Idle(); }));
    // A job that gives up by throwing ends quietly; a failing one reports its error.
    std::string error;
    f.worker->OnError = [&error](const std::string& text) { error = text; };
    f.worker->Post([](TMyMediaDB&, const TCancelToken&) { throw TJobCancelled(); });
    f.worker->Post([](TMyMediaDB& library, const TCancelToken&) {
        TEasyQuery query;
        TMyMediaDBTestAccess::OpenQuery(library, query, "SELECT nonsense FROM tMedia");
    });
    ASSERT_TRUE(WaitUntil([&] { return f.worker->Idle(); }));
    EXPECT_NE(error.find("nonsense"), std::string::npos);
    f.blocker("held", never, TLibraryWorker::NoLane);
    const TCancelToken queued = f.blocker("queued", never, TLibraryWorker::NoLane);
    ASSERT_TRUE(WaitUntil([&] { return f.notes().size() == 3; }));
    EXPECT_TRUE(test::EndsWithin([&f] { f.worker.reset(); }));
    EXPECT_EQ(f.notes().back(), "held cancelled");
    EXPECT_TRUE(queued.Cancelled());
}
