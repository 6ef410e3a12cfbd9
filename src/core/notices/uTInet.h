#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orvanta {

// One HTTP/1.0 GET on a thread of its own. Every event runs on that thread and carries the
// download's name, so one handler can serve several downloads.
class TInet {
public:
    using TErrorEvent = std::function<void(const std::string& Name, std::uint32_t ErrorCode)>;
    using THeadersEvent = std::function<void(const std::string& Name, std::int32_t StatusCode,
                                             std::int32_t ContentLength)>;
    using TDataEvent = std::function<void(const std::string& Name, const std::string& Chunk)>;
    using TNameEvent = std::function<void(const std::string& Name)>;

    static constexpr const char* DefaultUserAgent =
        "Mozilla/4.0 (compatible; MSIE 5.0; Windows 98; DigExt)";
    static constexpr std::size_t ChunkSize = 1024;
    // OnError codes are libcurl's CURLcode values, except this one for a reply that carries no
    // Content-Length header.
    static constexpr std::uint32_t ErrorHeaderNotFound = 12150;

    explicit TInet(std::string Name);
    // Without free-on-terminate the owner deletes the object; that asks the thread to stop and
    // waits for it. With free-on-terminate the object deletes itself when the body has ended.
    ~TInet();
    TInet(const TInet&) = delete;
    TInet& operator=(const TInet&) = delete;

    const std::string Name;
    bool FreeOnTerminate = false;
    int Port = 80;
    std::chrono::milliseconds ConnectTimeout{30000};
    // A download that receives nothing for this long fails.
    std::chrono::milliseconds StallTimeout{30000};

    TErrorEvent OnError;
    THeadersEvent OnHeaders;
    TDataEvent OnData;
    TNameEvent OnFailed;
    TNameEvent OnDone;

    // Stores the texts (an empty user agent becomes the default) and runs the body once on a new
    // thread. The events must be set before. False when no thread could be started.
    bool Start(const std::string& URL, const std::string& UserAgent, const std::string& Referrer);
    // Asks the body to stop; a stalled transfer is woken at once. Safe from any thread while the
    // object lives.
    void Terminate();
    bool Busy() const { return busy_.load(); }
    // Waits for the body to end; only without free-on-terminate.
    void WaitFor();

    const std::string& URL() const { return url_; }
    const std::string& UserAgent() const { return userAgent_; }
    const std::string& Referrer() const { return referrer_; }

    // "http://" (any letter case) is dropped; the host runs to the first "/", the path follows
    // it. A port or user part stays in the host.
    static std::string HostOf(const std::string& URL);
    static std::string PathOf(const std::string& URL);

private:
    struct Transfer;
    void Execute();
    static std::size_t HeaderCallback(char* Data, std::size_t Size, std::size_t Count,
                                      void* UserData);
    static std::size_t WriteCallback(char* Data, std::size_t Size, std::size_t Count,
                                     void* UserData);
    void RaiseHeaders(Transfer& T);

    std::string url_;
    std::string userAgent_;
    std::string referrer_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> busy_{false};
    bool started_ = false; // the body runs once per object
    std::thread thread_;
    // Guards the multi handle, which Terminate wakes from another thread.
    std::mutex wakeLock_;
    void* multi_ = nullptr;
    // The running transfer's state, reached by the libcurl callbacks on the download thread.
    Transfer* transfer_ = nullptr;
};

} // namespace orvanta
