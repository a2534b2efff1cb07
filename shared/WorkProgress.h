// Progress and stopping for long work. The thread doing the work counts what
// it has done against a total; another thread reads the fraction and may ask
// it to stop. A stopped operation ends at the next block it would begin and
// reports failure the way it reports any other failure; a file it was
// writing is abandoned, never left half-written.
#pragma once

#include <atomic>
#include <cstdint>

struct WorkProgress {
    virtual ~WorkProgress() = default;

    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::atomic<bool> stop{false};

    // Clears the counters for a new operation of `amount` units (bytes or
    // entries). The stop flag is left as it is: a stop asked for before the
    // operation began still stops it.
    void begin(std::uint64_t amount) {
        done = 0;
        total = amount;
    }
    // Called by the working thread after each block.
    virtual void advance(std::uint64_t amount) { done += amount; }
    bool stopped() const { return stop.load(); }
    // Done as a part of `scale`; 0 while the total is not known.
    int fraction(int scale) const {
        const std::uint64_t all = total.load();
        if (all == 0) return 0;
        const std::uint64_t part = done.load();
        return static_cast<int>((part >= all ? all : part) * static_cast<std::uint64_t>(scale) / all);
    }
};
