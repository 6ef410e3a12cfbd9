#include "core/notices/uTInet.h"

#include <charconv>
#include <curl/curl.h>
#include <system_error>

#include "core/common/uTCustomStringList.h"

namespace orvanta {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
    return Text.size() >= Prefix.size() && SameTextAscii(Text.substr(0, Prefix.size()), Prefix);
}

std::string_view Trim(std::string_view Text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!Text.empty() && blank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && blank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

// A header value that is not a 32-bit decimal number counts as 0.
std::int32_t ToInt32(std::string_view Text) {
    if (!Text.empty() && Text.front() == '+')
        Text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (error != std::errc() || end != Text.data() + Text.size() || Text.empty())
        return 0;
    return value;
}

} // namespace

struct TInet::Transfer {
    CURL* Easy = nullptr;
    bool HeadersRaised = false;
    bool HasContentLength = false;
    bool HasLocation = false;
    std::string ContentLengthText;
    std::int32_t ContentLength = 0;
    std::int64_t ByteCount = 0;
    std::chrono::steady_clock::time_point LastActivity = std::chrono::steady_clock::now();
};

TInet::TInet(std::string Name) : Name(std::move(Name)) {}

TInet::~TInet() {
    if (thread_.joinable()) {
        Terminate();
        thread_.join();
    }
}

std::string TInet::HostOf(const std::string& URL) {
    std::string_view rest(URL);
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    return std::string(rest.substr(0, rest.find('/')));
}

std::string TInet::PathOf(const std::string& URL) {
    std::string_view rest(URL);
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    const auto slash = rest.find('/');
    return slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash + 1));
}

bool TInet::Start(const std::string& URL, const std::string& UserAgent,
                  const std::string& Referrer) {
    if (started_)
        return false;
    started_ = true;
    url_ = URL;
    userAgent_ = UserAgent.empty() ? DefaultUserAgent : UserAgent;
    referrer_ = Referrer;
    InitCurlOnce();
    // The body waits for this lock, so a self-freeing thread cannot end before it is detached.
    std::lock_guard started(wakeLock_);
    try {
        thread_ = std::thread([this] {
            { std::lock_guard wait(wakeLock_); }
            Execute();
        });
    } catch (const std::system_error&) {
        return false;
    }
    if (FreeOnTerminate)
        thread_.detach();
    return true;
}

void TInet::Terminate() {
    terminated_.store(true);
    std::lock_guard guard(wakeLock_);
    if (multi_)
        curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void TInet::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TInet::RaiseHeaders(Transfer& T) {
    T.HeadersRaised = true;
    long status = 0;
    curl_easy_getinfo(T.Easy, CURLINFO_RESPONSE_CODE, &status);
    if (T.HasContentLength) {
        T.ContentLength = ToInt32(T.ContentLengthText);
    } else {
        T.ContentLength = 0;
        if (OnError)
            OnError(Name, ErrorHeaderNotFound);
    }
    if (OnHeaders)
        OnHeaders(Name, static_cast<std::int32_t>(status), T.ContentLength);
}

std::size_t TInet::HeaderCallback(char* Data, std::size_t Size, std::size_t Count, void* UserData) {
    auto* self = static_cast<TInet*>(UserData);
    auto& t = *self->transfer_;
    const std::size_t total = Size * Count;
    const std::string_view line(Data, total);
    t.LastActivity = std::chrono::steady_clock::now();
    if (StartsWithNoCase(line, "HTTP/")) {
        // A new response (an interim one or one after a redirect) brings its own headers.
        t.HasContentLength = false;
        t.HasLocation = false;
        t.ContentLengthText.clear();
    } else if (StartsWithNoCase(line, "Location:")) {
        t.HasLocation = true;
    } else if (StartsWithNoCase(line, "Content-Length:")) {
        t.HasContentLength = true;
        t.ContentLengthText = std::string(Trim(line.substr(15)));
    } else if (Trim(line).empty() && !t.HeadersRaised) {
        long status = 0;
        curl_easy_getinfo(t.Easy, CURLINFO_RESPONSE_CODE, &status);
        // libcurl follows a redirect itself; only the last reply is reported.
        const bool interim = status / 100 == 1;
        const bool followed = status / 100 == 3 && t.HasLocation;
        if (!interim && !followed)
            self->RaiseHeaders(t);
    }
    return total;
}

std::size_t TInet::WriteCallback(char* Data, std::size_t Size, std::size_t Count, void* UserData) {
    auto* self = static_cast<TInet*>(UserData);
    auto& t = *self->transfer_;
    const std::size_t total = Size * Count;
    t.LastActivity = std::chrono::steady_clock::now();
    if (!t.HeadersRaised)
        self->RaiseHeaders(t);
    for (std::size_t offset = 0; offset < total; offset += ChunkSize) {
        // Returning less than was given makes libcurl abort the transfer.
        if (self->terminated_.load())
            return offset;
        const std::size_t length = std::min(ChunkSize, total - offset);
        t.ByteCount += static_cast<std::int64_t>(length);
        if (self->OnData)
            self->OnData(self->Name, std::string(Data + offset, length));
    }
    return total;
}

void TInet::Execute() {
    busy_.store(true);
    Transfer t;
    transfer_ = &t;
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    curl_slist* headers = nullptr;
    bool complete = false;
    if (!easy || !multi) {
        if (OnError)
            OnError(Name, CURLE_FAILED_INIT);
    } else {
        t.Easy = easy;
        const std::string address = "http://" + HostOf(url_) + "/" + PathOf(url_);
        // No Accept header, and never an answer from a cache.
        headers = curl_slist_append(headers, "Accept:");
        headers = curl_slist_append(headers, "Pragma: no-cache");
        headers = curl_slist_append(headers, "Cache-Control: no-cache");
        curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
        curl_easy_setopt(easy, CURLOPT_PORT, static_cast<long>(Port));
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
        curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent_.c_str());
        if (!referrer_.empty())
            curl_easy_setopt(easy, CURLOPT_REFERER, referrer_.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(ConnectTimeout.count()));
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TInet::HeaderCallback);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TInet::WriteCallback);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);

        curl_multi_add_handle(multi, easy);
        {
            std::lock_guard guard(wakeLock_);
            multi_ = multi;
        }
        CURLcode result = CURLE_OK;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int left = 0;
                while (CURLMsg* message = curl_multi_info_read(multi, &left))
                    if (message->msg == CURLMSG_DONE)
                        result = message->data.result;
                break;
            }
            if (terminated_.load()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (std::chrono::steady_clock::now() - t.LastActivity > StallTimeout) {
                result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            // Terminate wakes this wait at once; the time-out only paces the stall check.
            curl_multi_poll(multi, nullptr, 0, 100, nullptr);
        }
        {
            std::lock_guard guard(wakeLock_);
            multi_ = nullptr;
        }
        curl_multi_remove_handle(multi, easy);

        if (!t.HeadersRaised) {
            if (result == CURLE_OK)
                RaiseHeaders(t);
            else if (!terminated_.load() && OnError)
                // Failing before the reply is a failed request; later the read loop just stops.
                OnError(Name, static_cast<std::uint32_t>(result));
        }
        complete = t.HeadersRaised && t.ByteCount == t.ContentLength;
    }
    if (easy)
        curl_easy_cleanup(easy);
    if (multi)
        curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    transfer_ = nullptr;

    if (complete) {
        if (OnDone)
            OnDone(Name);
    } else if (OnFailed) {
        OnFailed(Name);
    }
    busy_.store(false);
    if (FreeOnTerminate)
        delete this;
}

} // namespace orvanta
