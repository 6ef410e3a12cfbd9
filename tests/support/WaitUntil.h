#pragma once

#include <chrono>
#include <future>
#include <thread>

namespace orvanta::test {

// Polls Ready until it holds or Timeout has passed; whether it held. The timeout is a guard
// against a hang, not a measure: a fast machine returns at the first true.
template <class TReady>
bool WaitUntil(TReady&& Ready, std::chrono::milliseconds Timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (!Ready()) {
        if (std::chrono::steady_clock::now() > deadline)
            return Ready();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs Work on another thread; whether it ended within Timeout. A stop that hangs on a stalled
// peer then fails the test instead of holding it.
template <class TWork>
bool EndsWithin(TWork&& Work, std::chrono::milliseconds Timeout = std::chrono::seconds(5)) {
    auto done = std::async(std::launch::async, std::forward<TWork>(Work));
    return done.wait_for(Timeout) == std::future_status::ready;
}

} // namespace orvanta::test
