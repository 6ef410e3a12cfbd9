#pragma once

#include <unistd.h>

namespace orvanta {

// Owns one open file descriptor (or none, -1) and closes it when it goes.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int Fd) : FFd(Fd) {}
    ~TFileDescriptor() { Reset(); }
    TFileDescriptor(TFileDescriptor&& Other) noexcept : FFd(Other.Release()) {}
    TFileDescriptor& operator=(TFileDescriptor&& Other) noexcept {
        if (this != &Other)
            Reset(Other.Release());
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    // Closes the descriptor now, when its error matters: for a written file close can report
    // a failed write-back.
    bool Close() {
        const int fd = Release();
        return fd >= 0 && ::close(fd) == 0;
    }
    // Closes the descriptor held, if any, and holds Fd instead.
    void Reset(int Fd = -1) {
        if (FFd >= 0)
            ::close(FFd);
        FFd = Fd;
    }
    // Gives up the descriptor without closing it.
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }

private:
    int FFd = -1;
};

} // namespace orvanta
