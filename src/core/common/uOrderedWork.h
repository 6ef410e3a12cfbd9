#pragma once

#include <algorithm>
#include <atomic>
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
// to stop; the workers then finish the item in hand and nothing else (a stopped run leaves
// the slots of its items unready, never read). An exception of Work
// reaches the caller at that item's turn. Returns how many items were consumed. StartWorker,
// when given, runs first on each worker thread (to lower its priority, say); with one thread
// the work runs on the caller's, and StartWorker does not.
template <class R>
std::size_t RunOrdered(std::size_t Count, int Threads, std::size_t Window,
                       const std::function<R(std::size_t)>& Work,
                       const std::function<bool(std::size_t, R&)>& Consume,
                       const std::function<void()>& StartWorker = {}) {
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
    // Who sleeps, so that each hand-over wakes only a thread that waits for it: with a dozen
    // readers on a warm cache, waking them all for every item costs more than the reading.
    std::size_t awaited = Count; // the item the consumer waits for, Count when it does not
    int idle = 0;                // workers waiting for room in the window

    // Each worker takes a short run of items and hands them over together, so the consumer
    // is woken once per run rather than once per item.
    const std::size_t run =
        std::max<std::size_t>(1, std::min<std::size_t>(8, Window / (2 * Threads)));
    std::atomic<bool> stopping{false};

    const auto worker = [&] {
        if (StartWorker)
            StartWorker();
        std::vector<TSlot> done;
        for (;;) {
            std::size_t first;
            std::size_t last;
            {
                std::unique_lock<std::mutex> hold(lock);
                if (next < Count && next >= taken + Window) {
                    // The window is full: wait until half of it is free, so that the workers
                    // wake once per half window rather than once per item.
                    ++idle;
                    consumed.wait(hold, [&] {
                        return stop || next >= Count || next + Window / 2 <= taken + Window;
                    });
                    --idle;
                }
                if (stop || next >= Count)
                    return;
                first = next;
                last = std::min({Count, taken + Window, next + run});
                next = last;
            }
            done.assign(last - first, TSlot());
            for (std::size_t i = first; i < last && !stopping; ++i) {
                TSlot& slot = done[i - first];
                try {
                    slot.Result.emplace(Work(i));
                } catch (...) {
                    slot.Error = std::current_exception();
                }
                slot.Ready = true;
            }
            bool wake = false;
            {
                std::lock_guard<std::mutex> hold(lock);
                for (std::size_t i = first; i < last; ++i)
                    slots[i % Window] = std::move(done[i - first]);
                wake = awaited >= first && awaited < last;
            }
            if (wake)
                produced.notify_one();
        }
    };
    std::vector<std::thread> threads;
    // However the consumer leaves, the workers are told to stop and are waited for.
    struct TJoin {
        std::vector<std::thread>& Threads;
        std::mutex& Lock;
        std::condition_variable& Consumed;
        bool& Stop;
        std::atomic<bool>& Stopping;
        ~TJoin() {
            Stopping = true;
            {
                std::lock_guard<std::mutex> hold(Lock);
                Stop = true;
            }
            Consumed.notify_all();
            for (std::thread& thread : Threads)
                thread.join();
        }
    } join{threads, lock, consumed, stop, stopping};
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back(worker);

    for (std::size_t i = 0; i < Count; ++i) {
        TSlot slot;
        bool wake = false;
        {
            std::unique_lock<std::mutex> hold(lock);
            awaited = i;
            produced.wait(hold, [&] { return slots[i % Window].Ready; });
            awaited = Count;
            slot = std::move(slots[i % Window]);
            slots[i % Window] = TSlot();
            taken = i + 1;
            wake = idle > 0 && next + Window / 2 <= taken + Window;
        }
        if (wake)
            consumed.notify_all();
        if (slot.Error)
            std::rethrow_exception(slot.Error);
        if (!Consume(i, *slot.Result))
            return i + 1;
    }
    return Count;
}

} // namespace orvanta
