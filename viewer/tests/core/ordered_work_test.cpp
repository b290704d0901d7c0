// Results of work spread over threads come out in item order, with no more
// than the window in flight, and a stop or a failure ends the work early.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "chatscope/ordered_work.h"

namespace chatscope {
namespace {

TEST(OrderedWork, ResultsInOrderWithinTheWindow) {
    struct Case {
        std::size_t count;
        unsigned threads;
        std::size_t window;
        std::size_t stopAfter;  // emit returns false for this item (count: never)
        std::size_t throwAt;    // work throws for this item (count: never)
    };
    const Case cases[] = {
        {0, 4, 4, 0, 0},       {1, 4, 4, 1, 1},        {300, 1, 1, 300, 300}, {300, 2, 2, 300, 300},
        {300, 4, 3, 300, 300}, {300, 3, 16, 300, 300}, {300, 4, 4, 10, 300},  {300, 1, 1, 10, 300},
        {300, 4, 4, 300, 57},  {300, 1, 1, 300, 57},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " items, " << c.threads << " threads, window " << c.window
                                        << ", stop " << c.stopAfter << ", throw " << c.throwAt);
        std::atomic<std::size_t> started{0}, emittedSoFar{0}, mostInFlight{0}, highestStarted{0};
        std::vector<std::size_t> order;
        bool threw = false;
        try {
            RunInOrder<std::size_t>(
                c.count, c.threads, c.window,
                [&](std::size_t i) {
                    ++started;
                    const std::size_t inFlight = i + 1 - emittedSoFar.load();
                    for (std::size_t m = mostInFlight;
                         inFlight > m && !mostInFlight.compare_exchange_weak(m, inFlight);) {}
                    for (std::size_t h = highestStarted; i > h && !highestStarted.compare_exchange_weak(h, i);) {}
                    if (i == c.throwAt) throw std::runtime_error("work failed");
                    // Uneven work, so later items often finish first.
                    for (std::size_t spin = (i * 7919) % 97; spin > 0; --spin) std::this_thread::yield();
                    return i * 3;
                },
                [&](std::size_t i, std::size_t result) {
                    EXPECT_EQ(result, i * 3);
                    order.push_back(i);
                    ++emittedSoFar;
                    return i != c.stopAfter;
                });
        } catch (const std::runtime_error&) {
            threw = true;
        }
        EXPECT_EQ(threw, c.throwAt < c.count);
        // A failure may stop the work before the items ahead of it are handed on.
        const std::size_t expectEmitted = std::min(c.count, c.stopAfter + 1);
        if (c.throwAt < c.count) {
            EXPECT_LE(order.size(), c.throwAt);
        } else {
            ASSERT_EQ(order.size(), expectEmitted);
        }
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        // The window, and the result being handed on.
        EXPECT_LE(mostInFlight.load(), c.window + 1);
        if (c.stopAfter < c.count) {
            EXPECT_LE(highestStarted.load(), c.stopAfter + c.window);
        }
        if (c.throwAt == c.count && c.stopAfter == c.count) {
            EXPECT_EQ(started.load(), c.count);
        }
    }
}

}  // namespace
}  // namespace chatscope
