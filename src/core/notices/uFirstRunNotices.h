#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/common/uDataPaths.h"
#include "core/notices/uTLiveUpdate.h"

namespace orvanta {

// Where the two first-run notices are fetched from; tests point them at a loopback server.
struct TNoticeSites {
    std::string FirstRunHost = web::HomeHost;
    std::string AllFirstRunHost = web::NoticeHost;
    int Port = 80;
};

// The main window's side of the first-run notices: it owns the fetcher, sends "firstrun" and
// "allfirstrun" on the first activation while FirstRun is set, and turns FirstRun off (through
// SaveFirstRun, called on a download thread) when "firstrun" answers "f".
//
// Destroying it while a download runs returns within about a second, and no handler runs once
// the destructor has returned.
class TFirstRunNotices {
public:
    // Must store and save the setting at once; runs on a download thread and must not wait for
    // the main thread, which may be in the destructor waiting for it.
    using TSaveFirstRun = std::function<void(bool FirstRun)>;

    explicit TFirstRunNotices(TSaveFirstRun SaveFirstRun, TNoticeSites Sites = {});
    ~TFirstRunNotices();
    TFirstRunNotices(const TFirstRunNotices&) = delete;
    TFirstRunNotices& operator=(const TFirstRunNotices&) = delete;

    // The main window's activation: only the first one starts the notices.
    void FormActivate(bool FirstRun);
    void StartNotices(bool FirstRun);
    void NoticeDone(const std::string& Name, const std::string& Text);
    void NoticeFailed(const std::string& Name);

    // True when the answer, without leading and trailing blanks and control characters, is "f".
    static bool AnswerClearsFirstRun(const std::string& Text);

    TLiveUpdate& LiveUpdate() { return *FLiveUpdate; }

private:
    TSaveFirstRun saveFirstRun_;
    TNoticeSites sites_;
    bool activated_ = false;
    // Last, so it goes first: its teardown must end before the handlers' targets go.
    std::unique_ptr<TLiveUpdate> FLiveUpdate;
};

} // namespace orvanta
