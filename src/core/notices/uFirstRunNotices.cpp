#include "core/notices/uFirstRunNotices.h"

#include <string_view>

namespace orvanta {

TFirstRunNotices::TFirstRunNotices(TSaveFirstRun SaveFirstRun, TNoticeSites Sites)
    : saveFirstRun_(std::move(SaveFirstRun)), sites_(std::move(Sites)),
      FLiveUpdate(std::make_unique<TLiveUpdate>()) {
    FLiveUpdate->Port = sites_.Port;
    FLiveUpdate->OnError = [this](const std::string& Name) { NoticeFailed(Name); };
    FLiveUpdate->OnComplete = [this](const std::string& Name, const std::string& Text) {
        NoticeDone(Name, Text);
    };
}

TFirstRunNotices::~TFirstRunNotices() {
    FLiveUpdate.reset();
}

void TFirstRunNotices::FormActivate(bool FirstRun) {
    if (activated_)
        return;
    activated_ = true;
    StartNotices(FirstRun);
}

void TFirstRunNotices::StartNotices(bool FirstRun) {
    if (!FirstRun)
        return;
    FLiveUpdate->Fetch("firstrun", "http://" + sites_.FirstRunHost + web::FirstRunPath);
    FLiveUpdate->Fetch("allfirstrun", "http://" + sites_.AllFirstRunHost + web::AllFirstRunPath);
}

void TFirstRunNotices::NoticeDone(const std::string& Name, const std::string& Text) {
    if (Name == "firstrun" && AnswerClearsFirstRun(Text) && saveFirstRun_)
        saveFirstRun_(false);
}

void TFirstRunNotices::NoticeFailed(const std::string&) {
    // FirstRun stays set, so both notices are asked for again at the next start.
}

bool TFirstRunNotices::AnswerClearsFirstRun(const std::string& Text) {
    const auto blank = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    };
    std::string_view answer(Text);
    while (!answer.empty() && blank(answer.front()))
        answer.remove_prefix(1);
    while (!answer.empty() && blank(answer.back()))
        answer.remove_suffix(1);
    return answer == "f";
}

} // namespace orvanta
