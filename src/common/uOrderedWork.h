#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace orvanta {

// Runs Work(i) for every i below Count on up to Threads threads and hands each result to
// Consume(i, result) on the calling thread, in index order. Workers run at most Window items
// ahead of the consumer, so memory stays bounded however long the list. Consume returns false
// to stop; the workers then finish the item in hand and nothing else. An exception of Work
// reaches the caller at that item's turn. Returns how many items were consumed.
template <class R>
std::size_t RunOrdered(std::size_t Count, int Threads, std::size_t Window,
                       const std::function<R(std::size_t)>& Work,
                       const std::function<bool(std::size_t, R&)>& Consume) {
    Threads = static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(std::max(Threads, 1)), Count));
    if (Threads <= 1) {
        for (std::size_t i = 0; i < Count; ++i) {
            R result = Work(i);
            if (!Consume(i, result))
                return i + 1;
        }
        return Count;
    }
    Window = std::max<std::size_t>(Window, static_cast<std::size_t>(Threads));
    struct TSlot {
        std::optional<R> Result;
        std::exception_ptr Error;
        bool Ready = false;
    };
    std::vector<TSlot> slots(Window);
    std::mutex lock;
    std::condition_variable produced;
    std::condition_variable consumed;
    std::size_t next = 0;
    std::size_t taken = 0;
    bool stop = false;

    const auto worker = [&] {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock<std::mutex> hold(lock);
                consumed.wait(hold, [&] { return stop || next >= Count || next < taken + Window; });
                if (stop || next >= Count)
                    return;
                i = next++;
            }
            TSlot done;
            try {
                done.Result.emplace(Work(i));
            } catch (...) {
                done.Error = std::current_exception();
            }
            done.Ready = true;
            std::lock_guard<std::mutex> hold(lock);
            slots[i % Window] = std::move(done);
            produced.notify_all();
        }
    };
    std::vector<std::thread> threads;
    // However the consumer leaves, the workers are told to stop and are waited for.
    struct TJoin {
        std::vector<std::thread>& Threads;
        std::mutex& Lock;
        std::condition_variable& Consumed;
        bool& Stop;
        ~TJoin() {
            {
                std::lock_guard<std::mutex> hold(Lock);
                Stop = true;
            }
            Consumed.notify_all();
            for (std::thread& thread : Threads)
                thread.join();
        }
    } join{threads, lock, consumed, stop};
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back(worker);

    for (std::size_t i = 0; i < Count; ++i) {
        TSlot slot;
        {
            std::unique_lock<std::mutex> hold(lock);
            produced.wait(hold, [&] { return slots[i % Window].Ready; });
            slot = std::move(slots[i % Window]);
            slots[i % Window] = TSlot();
            taken = i + 1;
        }
        consumed.notify_all();
        if (slot.Error)
            std::rethrow_exception(slot.Error);
        if (!Consume(i, *slot.Result))
            return i + 1;
    }
    return Count;
}

} // namespace orvanta
