#include <gtest/gtest.h>
#include <map>

#include "core/notices/uTLiveUpdate.h"
#include "notices/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

using orvanta::TLiveUpdate;
using orvanta::test::LoopbackConnection;
using orvanta::test::LoopbackHttpServer;
using orvanta::test::RequestPath;
using namespace std::chrono_literals;

namespace {

// What the fetcher's two events reported, gathered from the download threads.
struct Outcomes {
    std::mutex lock;
    std::map<std::string, std::string> completed;
    std::vector<std::string> failed;

    void attach(TLiveUpdate& live) {
        live.OnComplete = [this](const std::string& name, const std::string& text) {
            std::lock_guard guard(lock);
            completed[name] = text;
        };
        live.OnError = [this](const std::string& name) {
            std::lock_guard guard(lock);
            failed.push_back(name);
        };
    }
};

// A door the server's handler waits at until the test opens it.
class Gate {
public:
    void open() {
        {
            std::lock_guard guard(lock_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void wait() {
        std::unique_lock lock(lock_);
        opened_.wait_for(lock, 5s, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
};

std::string Url(const std::string& path) {
    return "http://127.0.0.1" + path;
}

} // namespace

TEST(LiveUpdate, ConcurrentDownloadsCompleteWithTheirWholeTexts) {
    std::string longText;
    for (int i = 0; i < 600; ++i)
        longText += "line " + std::to_string(i) + "\r\n";
    LoopbackHttpServer server([&](LoopbackConnection& c, const std::string& request) {
        if (RequestPath(request) == "/long.txt")
            c.dribble(LoopbackHttpServer::reply(200, longText), 1500, 2ms);
        else
            c.send(LoopbackHttpServer::reply(200, "short"));
    });
    TLiveUpdate live;
    live.Port = server.port();
    Outcomes o;
    o.attach(live);
    live.Fetch("long", Url("/long.txt"));
    live.Fetch("short", Url("/short.txt"));
    ASSERT_TRUE(live.WaitIdle(5s));
    EXPECT_EQ(o.completed["long"], longText);
    EXPECT_EQ(o.completed["short"], "short");
    EXPECT_TRUE(o.failed.empty());
}

TEST(LiveUpdate, FailureDiscardsPartialTextAndNameCanBeFetchedAgain) {
    std::atomic<int> served{0};
    LoopbackHttpServer server([&](LoopbackConnection& c, const std::string&) {
        if (served++ == 0)
            c.send("HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\npartial");
        else
            c.send(LoopbackHttpServer::reply(404, "gone"));
    });
    TLiveUpdate live;
    live.Port = server.port();
    Outcomes o;
    o.attach(live);
    live.Fetch("notice", Url("/n.txt"));
    ASSERT_TRUE(live.WaitIdle(5s));
    EXPECT_EQ(o.failed, std::vector<std::string>{"notice"});
    EXPECT_TRUE(o.completed.empty());

    // An error page with its length is a completed download.
    live.Fetch("notice", Url("/n.txt"));
    ASSERT_TRUE(live.WaitIdle(5s));
    EXPECT_EQ(o.completed["notice"], "gone");
}

TEST(LiveUpdate, UnreachableSiteRaisesOnError) {
    TLiveUpdate live;
    live.Port = orvanta::test::UnusedLoopbackPort();
    Outcomes o;
    o.attach(live);
    live.Fetch("firstrun", Url("/x"));
    ASSERT_TRUE(live.WaitIdle(5s));
    EXPECT_EQ(o.failed, std::vector<std::string>{"firstrun"});
    EXPECT_TRUE(o.completed.empty());
}

TEST(LiveUpdate, SecondFetchOfARunningNameIsIgnored) {
    Gate gate;
    LoopbackHttpServer server([&](LoopbackConnection& c, const std::string& request) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nfirst");
        gate.wait();
        c.send(RequestPath(request) == "/one" ? "-one" : "-two");
    });
    TLiveUpdate live;
    live.Port = server.port();
    Outcomes o;
    o.attach(live);
    live.Fetch("notice", Url("/one"));
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    // Names are compared without regard to case.
    live.Fetch("notice", Url("/two"));
    live.Fetch("NOTICE", Url("/two"));
    gate.open();
    ASSERT_TRUE(live.WaitIdle(5s));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(o.completed, (std::map<std::string, std::string>{{"notice", "first-one"}}));
}

TEST(LiveUpdate, TeardownWhileStalledIsQuickAndSilent) {
    std::atomic<int> closedByClient{0};
    LoopbackHttpServer server([&](LoopbackConnection& c, const std::string& request) {
        if (RequestPath(request) == "/body")
            c.send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc");
        if (c.holdUntilClientCloses())
            ++closedByClient;
    });
    // The handlers write into an object freed right after the fetcher: a late event would
    // touch freed memory.
    auto seen = std::make_unique<std::vector<std::string>>();
    auto live = std::make_unique<TLiveUpdate>();
    live->Port = server.port();
    live->OnComplete = [&seen](const std::string& name, const std::string&) {
        seen->push_back(name);
    };
    live->OnError = [&seen](const std::string& name) { seen->push_back(name); };
    live->Fetch("head", Url("/head"));
    live->Fetch("body", Url("/body"));
    // Both are waiting on the peer (a stop in the middle of a body is InetTerminate's case).
    ASSERT_TRUE(server.waitForRequests(2, 5s));

    // Only the teardown ends them: the stalled peer would hold them for the whole stall timeout.
    EXPECT_TRUE(orvanta::test::EndsWithin([&] { live.reset(); }));
    EXPECT_TRUE(seen->empty());
    seen.reset();
    // The downloads really ended: both connections were closed by the client.
    EXPECT_TRUE(orvanta::test::WaitUntil([&] { return closedByClient == 2; }));
}
