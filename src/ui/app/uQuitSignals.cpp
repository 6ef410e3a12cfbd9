#include "ui/app/uQuitSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanta {

namespace {
constexpr int QuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
// [0] is written by the handler, [1] read on the Qt thread; owned by the TQuitSignals.
int SignalPipe[2] = {-1, -1};

extern "C" void quitSignalHandler(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(SignalPipe[0], &byte, 1);
    errno = saved;
}

void setHandler(void (*Handler)(int)) {
    struct sigaction action {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QuitSignals)
        ::sigaction(signal, &action, nullptr);
}
} // namespace

TQuitSignals::TQuitSignals(std::function<void()> OnQuit, QObject* Parent)
    : QObject(Parent), FOnQuit(std::move(OnQuit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, SignalPipe) != 0)
        return; // the signals keep their default: the program ends without saving
    FEnds[0].Reset(SignalPipe[0]);
    FEnds[1].Reset(SignalPipe[1]);
    FNotifier = std::make_unique<QSocketNotifier>(SignalPipe[1], QSocketNotifier::Read);
    connect(FNotifier.get(), &QSocketNotifier::activated, this, &TQuitSignals::SignalArrived);
    setHandler(quitSignalHandler);
}

TQuitSignals::~TQuitSignals() {
    setHandler(SIG_DFL);
    FNotifier.reset();
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TQuitSignals::SignalArrived() {
    char bytes[16];
    while (::read(SignalPipe[1], bytes, sizeof bytes) > 0) {
    }
    // A program that does not close promptly can still be ended by sending the signal again.
    setHandler(SIG_DFL);
    if (FOnQuit)
        FOnQuit();
}

} // namespace orvanta
