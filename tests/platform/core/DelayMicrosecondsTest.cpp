#include "platform/core/DelayMicroseconds.h"

#include <gtest/gtest.h>

namespace lumetta::core::test {
namespace {

using std::chrono::microseconds;

// Every reading costs a microsecond, as a spin's reading of a real clock costs time.
class TickingClock : public Clock {
public:
    TimePoint now() const override {
        now_ += microseconds(1);
        return now_;
    }
    void pass(Duration span) { now_ += span; }

private:
    mutable TimePoint now_{};
};

TEST(DelayMicroseconds, SleepsAllButTheTailAndEndsRightAfterTheDeadline) {
    struct Case {
        int asked;     // microseconds
        int oversleep; // how late each sleep wakes
    };
    const Case cases[] = {{0, 0},    {50, 0},     {200, 0},    {201, 0},
                          {3000, 0}, {3000, 150}, {3000, 199}, {1000000, 60}};
    for (const auto& row : cases) {
        TickingClock clock;
        Duration slept{};
        int sleeps = 0;
        TimePoint start = clock.now();
        delayFor(microseconds(row.asked), clock, [&](Duration span) {
            ++sleeps;
            slept += span;
            clock.pass(span + microseconds(row.oversleep));
        });
        Duration took = clock.now() - start;
        std::string label = "asked " + std::to_string(row.asked) + " us, oversleep " +
                            std::to_string(row.oversleep) + " us";
        EXPECT_GE(took, microseconds(row.asked)) << label;
        EXPECT_LE(took, microseconds(row.asked + 5)) << label;
        Duration spun = took - slept - sleeps * microseconds(row.oversleep);
        EXPECT_LE(spun, kSpinTail + microseconds(5)) << label;
        EXPECT_LE(sleeps, 1) << label << ": one sleep is enough while it wakes within the tail";
    }
}

TEST(DelayMicroseconds, RealDelayIsNeverShort) {
    for (int asked : {0, 1, 150, 1000, 3000}) {
        auto start = std::chrono::steady_clock::now();
        DelayMicroseconds(static_cast<std::uint64_t>(asked));
        EXPECT_GE(std::chrono::steady_clock::now() - start, microseconds(asked)) << asked;
    }
}

} // namespace
} // namespace lumetta::core::test
