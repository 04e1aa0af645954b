// A sealed receiver whose wall clock is stepped: fresh lines are heard at once after a
// clock set right, and no line heard before a step becomes replayable after it. Both
// clocks are injected; the monotonic one only ever moves forward.
#include <gtest/gtest.h>

#include <cstdio>

#include "net/sealed_wire.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

constexpr std::int64_t MINUTE = 60000;
constexpr std::int64_t HOUR = 60 * MINUTE;

std::string strip(const std::string& line) { return line.substr(0, line.size() - 1); }

struct Clocks {
    std::int64_t wall = 1700000000000;
    std::int64_t mono = 5000;
    // Time passes on both clocks.
    void pass(std::int64_t ms) {
        wall += ms;
        mono += ms;
    }
};

SiteKey key_of(unsigned char fill) {
    SiteKey key{};
    key.fill(fill);
    return key;
}

// A copy whose wall clock is the shared one (they agree) or its own.
struct Copy {
    Copy(Clocks& clocks, std::int64_t* wall)
        : wire(key_of(9), [wall] { return *wall; }, [&clocks] { return clocks.mono; }) {}
    std::string heartbeat(const std::string& id) { return strip(wire.seal("", "HEARTBEAT\x1F" + id + "\x1Fu\x1Fr\x1F" "4000")); }
    SealedWire wire;
};

SealedCheck hear(SealedWire& receiver, const std::string& line) {
    return receiver.open(line, SealedPort::discovery, "{ME}").check;
}

}  // namespace

TEST(SealedClockStep, ClockAnHourFastThenCorrectedHearsFreshLinesAtOnce) {
    Clocks clocks;
    std::int64_t receiver_wall = clocks.wall + HOUR;  // this copy runs an hour fast
    std::int64_t other_wall = clocks.wall;
    Copy receiver(clocks, &receiver_wall);
    Copy other(clocks, &other_wall);
    // Ten minutes of its own heartbeats coming back (accepted, then left behind by time),
    // while the other copy's lines are refused for the clock.
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(hear(receiver.wire, receiver.heartbeat("{ME}")), SealedCheck::accepted);
        EXPECT_EQ(hear(receiver.wire, other.heartbeat("{O}")), SealedCheck::clock);
        clocks.pass(3000);
        receiver_wall += 3000;
        other_wall += 3000;
    }
    const std::string heard_while_fast = receiver.heartbeat("{ME}");
    EXPECT_EQ(hear(receiver.wire, heard_while_fast), SealedCheck::accepted);
    receiver_wall = other_wall;  // the administrator sets the clock right
    EXPECT_EQ(hear(receiver.wire, other.heartbeat("{O}")), SealedCheck::accepted);
    clocks.pass(3000);
    other_wall += 3000;
    receiver_wall += 3000;
    EXPECT_EQ(hear(receiver.wire, other.heartbeat("{O}")), SealedCheck::accepted);
    // The line heard before the step is refused still, also once the corrected clock has
    // caught up with its timestamp.
    clocks.pass(HOUR - 2 * MINUTE);
    receiver_wall += HOUR - 2 * MINUTE;
    other_wall += HOUR - 2 * MINUTE;
    EXPECT_EQ(hear(receiver.wire, heard_while_fast), SealedCheck::replayed);
}

TEST(SealedClockStep, NoLineHeardBeforeAStepBackIsReplayableAfterIt) {
    Clocks clocks;
    Copy receiver(clocks, &clocks.wall);
    Copy sender(clocks, &clocks.wall);
    const std::string early = sender.heartbeat("{S}");
    EXPECT_EQ(hear(receiver.wire, early), SealedCheck::accepted);
    // A short excursion: an hour forward for a minute, then back.
    clocks.wall += HOUR;
    clocks.pass(MINUTE);
    EXPECT_EQ(hear(receiver.wire, sender.heartbeat("{S}")), SealedCheck::accepted);
    clocks.wall -= HOUR;
    EXPECT_EQ(hear(receiver.wire, early), SealedCheck::replayed);
    EXPECT_EQ(hear(receiver.wire, sender.heartbeat("{S}")), SealedCheck::accepted);

    // A long one: the line is long gone from the memory's window when the clock is set
    // back to just after the moment it was heard.
    const std::string before = sender.heartbeat("{S}");
    const std::int64_t heard_at = clocks.wall;
    EXPECT_EQ(hear(receiver.wire, before), SealedCheck::accepted);
    clocks.wall += HOUR;
    for (int i = 0; i < 200; ++i) {
        clocks.pass(3000);
        EXPECT_EQ(hear(receiver.wire, sender.heartbeat("{S}")), SealedCheck::accepted);
    }
    clocks.wall = heard_at + 1000;
    EXPECT_EQ(hear(receiver.wire, before), SealedCheck::replayed);
    EXPECT_EQ(hear(receiver.wire, sender.heartbeat("{S}")), SealedCheck::accepted);
}

TEST(SealedMemory, PairsStayAtLeastTheWindowOfMonotonicTimeAndThenStayRefused) {
    ReplayMemory memory(100, 1000);
    memory.remember("s", 5, 100, 0);
    memory.remember("s", 7, 120, 10);
    memory.remember("t", 1, 130, 500);
    memory.remember("u", 1, 140, 1005);  // arrivals up to 5 are past the window now
    EXPECT_EQ(memory.size(), 3u);
    // Forgotten by time: no mark for everybody, yet the pair and those before it in its
    // session stay refused; later counters of the session are heard.
    EXPECT_FALSE(memory.refuses("v", 1, 50));
    EXPECT_TRUE(memory.refuses("s", 5, 100));
    EXPECT_TRUE(memory.refuses("s", 4, 100));
    EXPECT_FALSE(memory.refuses("s", 6, 100));
    EXPECT_TRUE(memory.refuses("s", 7, 120));
    memory.remember("w", 1, 150, 2000);
    EXPECT_EQ(memory.size(), 2u);
    EXPECT_TRUE(memory.refuses("s", 7, 120));
    EXPECT_TRUE(memory.refuses("t", 1, 130));
    EXPECT_FALSE(memory.refuses("t", 2, 130));
}

TEST(SealedMemory, SessionFloorsAreBoundedAndForgettingOneSetsTheMark) {
    ReplayMemory memory(100, 1000, 2);
    memory.remember("a", 1, 100, 0);
    memory.remember("b", 1, 200, 0);
    memory.remember("c", 1, 300, 0);
    memory.remember("d", 1, 400, 2000);  // a, b, c leave; only two sessions keep a floor
    EXPECT_TRUE(memory.refuses("a", 1, 100));
    EXPECT_TRUE(memory.refuses("x", 1, 100));   // a's floor went for room: the mark is 100
    EXPECT_FALSE(memory.refuses("x", 1, 101));
    EXPECT_TRUE(memory.refuses("b", 1, 200));
    EXPECT_TRUE(memory.refuses("c", 1, 300));
}

TEST(SealedBudget, MadeUpSaltsBeyondTheBudgetAreDroppedBeforeDerivation) {
    Clocks clocks;
    Copy receiver(clocks, &clocks.wall);
    Copy known(clocks, &clocks.wall);
    EXPECT_EQ(hear(receiver.wire, known.heartbeat("{K}")), SealedCheck::accepted);
    const std::string model = known.heartbeat("{K}");
    const std::size_t salt_at = model.find('\x1F', 4) + 1;
    int forged = 0, throttled = 0;
    for (int i = 0; i < NEW_SALT_DERIVATIONS_PER_SECOND + 50; ++i) {
        char salt[33];
        std::snprintf(salt, sizeof salt, "%032x", i + 1);
        const SealedCheck check = hear(receiver.wire, model.substr(0, salt_at) + salt + model.substr(salt_at + 32));
        forged += check == SealedCheck::forged;
        throttled += check == SealedCheck::throttled;
    }
    // The known session's first line took one derivation of the second's budget.
    EXPECT_EQ(forged, NEW_SALT_DERIVATIONS_PER_SECOND - 1);
    EXPECT_EQ(throttled, 51);
    // Sessions already heard are not held up; a new one waits for the budget to refill.
    EXPECT_EQ(hear(receiver.wire, known.heartbeat("{K}")), SealedCheck::accepted);
    Copy newcomer(clocks, &clocks.wall);
    EXPECT_EQ(hear(receiver.wire, newcomer.heartbeat("{N}")), SealedCheck::throttled);
    clocks.pass(20);
    EXPECT_EQ(hear(receiver.wire, newcomer.heartbeat("{N}")), SealedCheck::accepted);
}
