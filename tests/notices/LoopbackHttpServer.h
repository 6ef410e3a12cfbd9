#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvanta::test {

// The loopback servers are reached directly even where the system names a proxy; set before
// main, while no thread runs.
inline const bool LoopbackBypassesProxy = [] {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    return true;
}();

// One accepted connection, handed to the server's handler on a thread of its own.
class LoopbackConnection {
public:
    LoopbackConnection(int Fd, const std::atomic<bool>& Stopping) : fd_(Fd), stopping_(Stopping) {}

    bool send(std::string_view Bytes) {
        while (!Bytes.empty()) {
            const ssize_t sent = ::send(fd_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            Bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Sends the bytes in pieces with a pause between them, so the client reads them in parts.
    bool dribble(std::string_view Bytes, std::size_t Piece, std::chrono::milliseconds Pause) {
        while (!Bytes.empty()) {
            const std::size_t length = std::min(Piece, Bytes.size());
            if (!send(Bytes.substr(0, length)))
                return false;
            Bytes.remove_prefix(length);
            std::this_thread::sleep_for(Pause);
        }
        return true;
    }

    // Answers nothing and keeps the connection open: true once the client hangs up, false when
    // the server stops first.
    bool holdUntilClientCloses() {
        while (!stopping_.load()) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char byte;
                if (::recv(fd_, &byte, 1, 0) <= 0)
                    return true;
            }
        }
        return false;
    }

private:
    int fd_;
    const std::atomic<bool>& stopping_;
};

// A minimal HTTP server on 127.0.0.1 and a free port. It reads each request head and passes it
// to the handler, which writes whatever bytes it likes, well-formed or not; the connection is
// closed when the handler returns.
class LoopbackHttpServer {
public:
    using Handler = std::function<void(LoopbackConnection&, const std::string& Request)>;

    explicit LoopbackHttpServer(Handler H) : handler_(std::move(H)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 16);
        socklen_t length = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LoopbackHttpServer() {
        stopping_.store(true);
        acceptor_.join();
        for (auto& worker : workers_)
            worker.join();
        ::close(listen_);
    }

    int port() const { return port_; }

    std::vector<std::string> requests() const {
        std::lock_guard guard(lock_);
        return requests_;
    }

    // Waits until this many requests have arrived.
    bool waitForRequests(std::size_t Count, std::chrono::milliseconds Timeout) const {
        std::unique_lock lock(lock_);
        return arrived_.wait_for(lock, Timeout, [&] { return requests_.size() >= Count; });
    }

    // Builds a reply with the given status, body and (unless told otherwise) Content-Length.
    static std::string reply(int Status, const std::string& Body, bool WithLength = true,
                             const std::string& ExtraHeaders = "") {
        std::string head = "HTTP/1.0 " + std::to_string(Status) + " Status\r\n" + ExtraHeaders;
        if (WithLength)
            head += "Content-Length: " + std::to_string(Body.size()) + "\r\n";
        return head + "Content-Type: text/plain\r\n\r\n" + Body;
    }

private:
    void AcceptLoop() {
        while (!stopping_.load()) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd >= 0)
                workers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int Fd) {
        std::string request;
        char buffer[1024];
        while (!stopping_.load() && request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{Fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t got = ::recv(Fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        if (request.find("\r\n\r\n") != std::string::npos) {
            {
                std::lock_guard guard(lock_);
                requests_.push_back(request);
            }
            arrived_.notify_all();
            LoopbackConnection connection(Fd, stopping_);
            handler_(connection, request);
        }
        ::shutdown(Fd, SHUT_RDWR);
        ::close(Fd);
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> workers_; // touched by the acceptor thread only, then joined
    mutable std::mutex lock_;
    mutable std::condition_variable arrived_;
    std::vector<std::string> requests_;
};

// A port on 127.0.0.1 where nothing listens: bound once, then released.
inline int UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The path of a request head's first line ("GET /a/b HTTP/1.0" gives "/a/b").
inline std::string RequestPath(const std::string& Request) {
    const auto first = Request.find(' ');
    const auto second = Request.find(' ', first + 1);
    return Request.substr(first + 1, second - first - 1);
}

} // namespace orvanta::test
