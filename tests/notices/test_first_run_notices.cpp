#include <algorithm>
#include <gtest/gtest.h>

#include "core/common/uDataPaths.h"
#include "core/notices/uFirstRunNotices.h"
#include "notices/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

using orvanta::TFirstRunNotices;
using orvanta::TNoticeSites;
using orvanta::test::LoopbackConnection;
using orvanta::test::LoopbackHttpServer;
using orvanta::test::RequestPath;
using namespace std::chrono_literals;
namespace web = orvanta::web;

namespace {

// The setting as the main window keeps it, saved by the notices from a download thread.
struct Setting {
    std::mutex lock;
    bool firstRun = true;
    int saves = 0;
    TFirstRunNotices::TSaveFirstRun saver() {
        return [this](bool value) {
            std::lock_guard guard(lock);
            firstRun = value;
            ++saves;
        };
    }
};

// Serves the two notices with the given answers.
struct NoticeServer {
    std::string firstRunAnswer;
    std::string allFirstRunAnswer = "f";
    LoopbackHttpServer server{[this](LoopbackConnection& c, const std::string& request) {
        const std::string path = RequestPath(request);
        if (path == web::FirstRunPath)
            c.send(LoopbackHttpServer::reply(200, firstRunAnswer));
        else if (path == web::AllFirstRunPath)
            c.send(LoopbackHttpServer::reply(200, allFirstRunAnswer));
        else
            c.send(LoopbackHttpServer::reply(404, "not here"));
    }};
    explicit NoticeServer(std::string answer) : firstRunAnswer(std::move(answer)) {}
    TNoticeSites sites() const { return {"127.0.0.1", "localhost", server.port()}; }
};

// Runs the first activation against a server answering "firstrun" with Answer.
void Activate(Setting& setting, NoticeServer& server) {
    TFirstRunNotices notices(setting.saver(), server.sites());
    notices.FormActivate(true);
    ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));
}

} // namespace

TEST(FirstRunNotices, FirstActivationFetchesBothNotices) {
    NoticeServer site("no");
    Setting setting;
    TFirstRunNotices notices(setting.saver(), site.sites());
    notices.FormActivate(true);
    ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));
    // Later activations send nothing more.
    notices.FormActivate(true);
    ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));

    std::vector<std::string> paths;
    for (const auto& request : site.server.requests())
        paths.push_back(RequestPath(request));
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{web::AllFirstRunPath, web::FirstRunPath}));
    EXPECT_EQ(setting.saves, 0);
}

TEST(FirstRunNotices, NothingIsFetchedOnceFirstRunIsOff) {
    NoticeServer site("f");
    Setting setting;
    TFirstRunNotices notices(setting.saver(), site.sites());
    notices.FormActivate(false);
    // Idle: a fetch started would have ended, its request in the server's hands.
    ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));
    EXPECT_TRUE(site.server.requests().empty());
    EXPECT_EQ(setting.saves, 0);
}

TEST(FirstRunNotices, AnswerFWithBlanksAndLineBreaksClearsAndSaves) {
    for (const std::string& answer :
         std::vector<std::string>{"f", "f\r\n", " \t f \n", std::string("\0f\x7f", 3)}) {
        NoticeServer site(answer);
        Setting setting;
        Activate(setting, site);
        EXPECT_FALSE(setting.firstRun) << answer;
        EXPECT_EQ(setting.saves, 1) << answer;
    }
}

TEST(FirstRunNotices, OtherAnswersChangeNothing) {
    for (const std::string& answer : std::vector<std::string>{"F", "false", "", "f f", "ff"}) {
        NoticeServer site(answer);
        Setting setting;
        Activate(setting, site);
        EXPECT_TRUE(setting.firstRun) << answer;
        EXPECT_EQ(setting.saves, 0) << answer;
    }
}

TEST(FirstRunNotices, FailedDownloadsChangeNothing) {
    // Every notice fails: the sites cannot be reached.
    Setting unreachable;
    {
        TFirstRunNotices notices(unreachable.saver(),
                                 {"127.0.0.1", "127.0.0.1", orvanta::test::UnusedLoopbackPort()});
        notices.FormActivate(true);
        ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));
    }
    EXPECT_TRUE(unreachable.firstRun);
    EXPECT_EQ(unreachable.saves, 0);

    // "f" cut short of its announced length is a failed download, not an answer.
    LoopbackHttpServer cutShort([](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nf");
    });
    Setting partial;
    {
        TFirstRunNotices notices(partial.saver(), {"127.0.0.1", "127.0.0.1", cutShort.port()});
        notices.FormActivate(true);
        ASSERT_TRUE(notices.LiveUpdate().WaitIdle(5s));
    }
    EXPECT_TRUE(partial.firstRun);
}

TEST(FirstRunNotices, OnlyTheFirstRunNoticeCounts) {
    // "allfirstrun" answering "f" is ignored.
    NoticeServer site("x");
    Setting setting;
    Activate(setting, site);
    EXPECT_TRUE(setting.firstRun);
    EXPECT_EQ(site.server.requests().size(), 2u);
}

TEST(FirstRunNotices, ClosingWhileAnAnswerIsStalledIsQuickAndNeverSaves) {
    std::atomic<int> closedByClient{0};
    LoopbackHttpServer stalled([&](LoopbackConnection& c, const std::string&) {
        c.send("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\n");
        if (c.holdUntilClientCloses())
            ++closedByClient;
    });
    auto setting = std::make_unique<Setting>();
    auto notices = std::make_unique<TFirstRunNotices>(
        setting->saver(), TNoticeSites{"127.0.0.1", "127.0.0.1", stalled.port()});
    notices->FormActivate(true);
    ASSERT_TRUE(stalled.waitForRequests(2, 5s));

    // Only the close ends the fetches: the stalled peer would hold them for the stall timeout.
    EXPECT_TRUE(orvanta::test::EndsWithin([&] { notices.reset(); }));
    EXPECT_EQ(setting->saves, 0);
    setting.reset();
    EXPECT_TRUE(orvanta::test::WaitUntil([&] { return closedByClient == 2; }));
}
