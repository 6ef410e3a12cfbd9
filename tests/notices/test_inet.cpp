#include <curl/curl.h>
#include <gtest/gtest.h>

#include "core/notices/uTInet.h"
#include "notices/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

using orvanta::TInet;
using orvanta::test::LoopbackConnection;
using orvanta::test::LoopbackHttpServer;
using namespace std::chrono_literals;

namespace {

// Records every event of one download, in order, as it happens on the download thread.
struct Recorder {
    std::mutex lock;
    std::vector<std::string> events;
    std::string body;
    std::size_t longestChunk = 0;
    bool onMainThread = false;
    std::thread::id mainThread = std::this_thread::get_id();

    void attach(TInet& inet) {
        inet.OnError = [this](const std::string& name, std::uint32_t code) {
            log(name + " error " + std::to_string(code));
        };
        inet.OnHeaders = [this](const std::string& name, std::int32_t status, std::int32_t length) {
            log(name + " headers " + std::to_string(status) + " " + std::to_string(length));
        };
        inet.OnData = [this](const std::string&, const std::string& chunk) {
            std::lock_guard guard(lock);
            if (events.empty() || events.back() != "data")
                events.push_back("data");
            body += chunk;
            longestChunk = std::max(longestChunk, chunk.size());
            onMainThread |= std::this_thread::get_id() == mainThread;
        };
        inet.OnFailed = [this](const std::string& name) { log(name + " failed"); };
        inet.OnDone = [this](const std::string& name) { log(name + " done"); };
    }
    void log(const std::string& event) {
        std::lock_guard guard(lock);
        events.push_back(event);
        onMainThread |= std::this_thread::get_id() == mainThread;
    }
};

using Events = std::vector<std::string>;

// Runs one download of the path on the server's port to its end.
void Download(Recorder& recorder, int port, const std::string& path,
              const std::string& userAgent = "", const std::string& referrer = "") {
    TInet inet("n");
    inet.Port = port;
    inet.StallTimeout = 2s;
    recorder.attach(inet);
    ASSERT_TRUE(inet.Start("http://127.0.0.1" + path, userAgent, referrer));
    inet.WaitFor();
    EXPECT_FALSE(inet.Busy());
}

std::string AllByteValues(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

} // namespace

TEST(InetAddress, SplitsHostAndPath) {
    EXPECT_EQ(TInet::HostOf("http://www.example.org/a/b.txt"), "www.example.org");
    EXPECT_EQ(TInet::PathOf("http://www.example.org/a/b.txt"), "a/b.txt");
    EXPECT_EQ(TInet::HostOf("HTTP://Host/x"), "Host");
    EXPECT_EQ(TInet::PathOf("HtTp://Host/x"), "x");
    // Without the scheme the address splits the same way.
    EXPECT_EQ(TInet::HostOf("www.example.org/a/b.txt"), "www.example.org");
    EXPECT_EQ(TInet::PathOf("www.example.org/a/b.txt"), "a/b.txt");
    // Only the slash after the host, or none at all: an empty path.
    EXPECT_EQ(TInet::HostOf("http://host/"), "host");
    EXPECT_EQ(TInet::PathOf("http://host/"), "");
    EXPECT_EQ(TInet::HostOf("host"), "host");
    EXPECT_EQ(TInet::PathOf("host"), "");
    // A port or user part is not recognised.
    EXPECT_EQ(TInet::HostOf("http://user@host:8080/p"), "user@host:8080");
    EXPECT_EQ(TInet::HostOf("https://host/p"), "https:");
}

TEST(InetRequest, SendsHttp10GetWithAgentAndNoCache) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string&) {
        c.send(LoopbackHttpServer::reply(200, "ok"));
    });
    Recorder plain;
    Download(plain, server.port(), "/tessolin/data/firstrun.txt");
    Recorder custom;
    Download(custom, server.port(), "/x", "Agent/1.0", "http://referrer.example/");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string& first = requests[0];
    EXPECT_EQ(first.rfind("GET /tessolin/data/firstrun.txt HTTP/1.0\r\n", 0), 0u) << first;
    EXPECT_NE(first.find("\r\nUser-Agent: " + std::string(TInet::DefaultUserAgent) + "\r\n"),
              std::string::npos);
    EXPECT_NE(first.find("\r\nHost: 127.0.0.1"), std::string::npos);
    EXPECT_NE(first.find("\r\nPragma: no-cache\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\nCache-Control: no-cache\r\n"), std::string::npos);
    EXPECT_EQ(first.find("Accept:"), std::string::npos);
    EXPECT_EQ(first.find("Referer:"), std::string::npos);

    const std::string& second = requests[1];
    EXPECT_EQ(second.rfind("GET /x HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(second.find("\r\nUser-Agent: Agent/1.0\r\n"), std::string::npos);
    EXPECT_NE(second.find("\r\nReferer: http://referrer.example/\r\n"), std::string::npos);
}

TEST(InetDownload, DeliversBinaryBodyInChunksOnTheDownloadThread) {
    const std::string body = AllByteValues(5000);
    LoopbackHttpServer server([&](LoopbackConnection& c, const std::string&) {
        // Odd piece sizes, so reads end in the middle of a 1024-byte chunk.
        c.dribble(LoopbackHttpServer::reply(200, body), 777, 5ms);
    });
    Recorder r;
    Download(r, server.port(), "/bin");
    EXPECT_EQ(r.events, (Events{"n headers 200 5000", "data", "n done"}));
    EXPECT_EQ(r.body, body);
    EXPECT_LE(r.longestChunk, TInet::ChunkSize);
    EXPECT_FALSE(r.onMainThread);
}

TEST(InetDownload, ErrorPageWithLengthCompletes) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string&) {
        c.send(LoopbackHttpServer::reply(404, "<h1>Not Found</h1>"));
    });
    Recorder r;
    Download(r, server.port(), "/missing.txt");
    EXPECT_EQ(r.events, (Events{"n headers 404 18", "data", "n done"}));
    EXPECT_EQ(r.body, "<h1>Not Found</h1>");
}

TEST(InetDownload, RedirectReportsOnlyTheFinalReply) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string& request) {
        if (orvanta::test::RequestPath(request) == "/old")
            c.send(LoopbackHttpServer::reply(302, "moved", true, "Location: /new\r\n"));
        else
            c.send(LoopbackHttpServer::reply(200, "new text"));
    });
    Recorder r;
    Download(r, server.port(), "/old");
    EXPECT_EQ(r.events, (Events{"n headers 200 8", "data", "n done"}));
    EXPECT_EQ(r.body, "new text");
}

TEST(InetDownload, BodyShorterThanLengthFailsAfterItsData) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'x'));
    });
    Recorder r;
    Download(r, server.port(), "/short");
    EXPECT_EQ(r.events, (Events{"n headers 200 100", "data", "n failed"}));
    EXPECT_EQ(r.body, std::string(40, 'x'));
}

TEST(InetDownload, MissingContentLengthCountsAsZero) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string& request) {
        const bool empty = orvanta::test::RequestPath(request) == "/empty";
        c.send(LoopbackHttpServer::reply(200, empty ? "" : "abc", false));
    });
    const std::string notFound = std::to_string(TInet::ErrorHeaderNotFound);
    Recorder withBody;
    Download(withBody, server.port(), "/text");
    EXPECT_EQ(withBody.events,
              (Events{"n error " + notFound, "n headers 200 0", "data", "n failed"}));
    EXPECT_EQ(withBody.body, "abc");

    Recorder empty;
    Download(empty, server.port(), "/empty");
    EXPECT_EQ(empty.events, (Events{"n error " + notFound, "n headers 200 0", "n done"}));
}

TEST(InetDownload, LengthThatIsNotANumberCountsAsZero) {
    LoopbackHttpServer server([](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n");
    });
    Recorder r;
    Download(r, server.port(), "/big");
    EXPECT_EQ(r.events.front(), "n headers 200 0");
}

TEST(InetFailure, ServerThatNeverAnswersTimesOut) {
    LoopbackHttpServer server(
        [](LoopbackConnection& c, const std::string&) { c.holdUntilClientCloses(); });
    Recorder r;
    TInet inet("n");
    inet.Port = server.port();
    inet.StallTimeout = 300ms;
    r.attach(inet);
    ASSERT_TRUE(inet.Start("127.0.0.1/never", "", ""));
    inet.WaitFor();
    EXPECT_EQ(r.events,
              (Events{"n error " + std::to_string(CURLE_OPERATION_TIMEDOUT), "n failed"}));
}

TEST(InetFailure, UnreachablePortRaisesErrorThenFailed) {
    Recorder r;
    Download(r, orvanta::test::UnusedLoopbackPort(), "/x");
    EXPECT_EQ(r.events, (Events{"n error " + std::to_string(CURLE_COULDNT_CONNECT), "n failed"}));
}

TEST(InetTerminate, StopsAStalledDownloadAtOnce) {
    std::atomic<bool> clientClosed{false};
    for (const bool afterHeaders : {false, true}) {
        clientClosed = false;
        LoopbackHttpServer server([&](LoopbackConnection& c, const std::string&) {
            if (afterHeaders)
                c.send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc");
            clientClosed = c.holdUntilClientCloses();
        });
        Recorder r;
        auto inet = std::make_unique<TInet>("n");
        inet->Port = server.port();
        r.attach(*inet);
        ASSERT_TRUE(inet->Start("127.0.0.1/stall", "", ""));
        ASSERT_TRUE(server.waitForRequests(1, 5s));
        // Stalled: waiting for an answer, or for the rest of a body it has begun to read.
        ASSERT_TRUE(orvanta::test::WaitUntil([&] {
            std::lock_guard guard(r.lock);
            return !afterHeaders || (!r.events.empty() && r.events.back() == "data");
        }));
        // Only the stop ends it: the stalled peer would hold it for the whole stall timeout.
        EXPECT_TRUE(orvanta::test::EndsWithin([&] {
            inet->Terminate();
            inet->WaitFor();
        }));
        // A stop request is no failed call: no error, just the failed end.
        if (afterHeaders)
            EXPECT_EQ(r.events, (Events{"n headers 200 10", "data", "n failed"}));
        else
            EXPECT_EQ(r.events, (Events{"n failed"}));
        inet.reset();
        EXPECT_TRUE(orvanta::test::WaitUntil([&] { return clientClosed.load(); }));
    }
}
