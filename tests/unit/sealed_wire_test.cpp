// The sealed line and the memories behind a sealed receiver: every bit of a line
// matters, the check order names the right reason, the replay memory's bound and the
// rule for what it forgot, the BYE memory's window, and the session-key cache's bound
// (announcements after a BYE are tested on a running engine).
#include <gtest/gtest.h>

#include "net/sealed_wire.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

SiteKey key_of(unsigned char fill) {
    SiteKey key{};
    key.fill(fill);
    return key;
}

std::string strip(const std::string& line) { return line.substr(0, line.size() - 1); }

struct ManualClock {
    std::int64_t now = 1700000000000;
    WallClock clock() {
        return [this] { return now; };
    }
};

}  // namespace

TEST(SealedWire, EveryChangedBitIsRefusedAndTheLineItselfAcceptedOnce) {
    ManualClock time;
    SealedWire sender(key_of(7), time.clock());
    SealedWire receiver(key_of(7), time.clock());
    const std::string line = strip(sender.seal("", "HELLO\x1F{A}\x1F" "ann\x1FOp 1\x1F" "45778"));
    EXPECT_EQ(line.compare(0, 4, "QS1\x1F"), 0);
    EXPECT_EQ(line.find("ann"), std::string::npos);
    for (std::size_t i = 0; i < line.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string changed = line;
            changed[i] = static_cast<char>(changed[i] ^ (1 << bit));
            EXPECT_NE(receiver.open(changed, SealedPort::discovery, "{B}").check, SealedCheck::accepted) << i << "/" << bit;
        }
    }
    const SealedOpening opened = receiver.open(line, SealedPort::discovery, "{B}");
    EXPECT_EQ(opened.check, SealedCheck::accepted);
    EXPECT_EQ(opened.inner, "HELLO\x1F{A}\x1F" "ann\x1FOp 1\x1F" "45778");
    EXPECT_EQ(receiver.open(line, SealedPort::discovery, "{B}").check, SealedCheck::replayed);
}

TEST(SealedWire, ChecksNameTheirReasonInOrder) {
    ManualClock time;
    SealedWire sender(key_of(1), time.clock());
    SealedWire receiver(key_of(1), time.clock());
    SealedWire stranger(key_of(2), time.clock());
    const auto open_frame = [&](const std::string& line) { return receiver.open(strip(line), SealedPort::frame, "{ME}"); };
    EXPECT_EQ(receiver.open("MSG\x1Fx", SealedPort::frame, "{ME}").check, SealedCheck::not_sealed);
    EXPECT_EQ(receiver.open("QS1\x1Fshort", SealedPort::frame, "{ME}").check, SealedCheck::malformed);
    EXPECT_EQ(open_frame(stranger.seal("{ME}", "MSG\x1Fm")).check, SealedCheck::other_key);
    // Counter with a leading zero, or beyond 2^64 - 1: out of form.
    std::string line = strip(sender.seal("{ME}", "MSG\x1Fm"));
    const std::size_t counter_at = line.rfind('\x1F', line.rfind('\x1F') - 1) + 1;
    EXPECT_EQ(receiver.open(line.substr(0, counter_at) + "0" + line.substr(counter_at), SealedPort::frame, "{ME}").check,
              SealedCheck::malformed);
    EXPECT_EQ(receiver.open(line.substr(0, counter_at) + "18446744073709551616" + line.substr(counter_at + 1),
                            SealedPort::frame, "{ME}").check,
              SealedCheck::malformed);
    time.now += SEALED_WINDOW_MS + 1;
    const SealedOpening late = receiver.open(line, SealedPort::frame, "{ME}");
    EXPECT_EQ(late.check, SealedCheck::clock);
    EXPECT_EQ(late.clock_offset_ms, -(SEALED_WINDOW_MS + 1));
    time.now -= 1;  // exactly at the edge of the window: still accepted
    EXPECT_EQ(receiver.open(line, SealedPort::frame, "{ME}").check, SealedCheck::accepted);
    EXPECT_EQ(open_frame(sender.seal("{OTHER}", "MSG\x1Fm")).check, SealedCheck::misdirected);
    EXPECT_EQ(open_frame(sender.seal("{ME}", "HELLO\x1Fm")).check, SealedCheck::misdirected);
    EXPECT_EQ(receiver.open(strip(sender.seal("{ME}", "HELLO\x1Fm")), SealedPort::discovery, "{ME}").check,
              SealedCheck::misdirected);
    EXPECT_EQ(receiver.open(strip(sender.seal("{ME}", "ACK\x1Fm")), SealedPort::acknowledgement, "{ME}").check,
              SealedCheck::misdirected);
    EXPECT_EQ(receiver.open(strip(sender.seal("{ME}", "ACK\x1Fm\x1F{P}")), SealedPort::acknowledgement, "{ME}").check,
              SealedCheck::accepted);
}

TEST(SealedMemory, ReplayMemoryForgetsTheOldestAndThenRefusesUpToIt) {
    ReplayMemory memory(3, 1000);
    memory.remember("s", 1, 100, 100);
    memory.remember("s", 2, 300, 300);
    memory.remember("t", 1, 200, 300);
    EXPECT_TRUE(memory.refuses("s", 2, 300));
    EXPECT_FALSE(memory.refuses("s", 3, 50));
    memory.remember("s", 3, 400, 400);  // full: the pair stamped 100 is forgotten
    EXPECT_EQ(memory.size(), 3u);
    EXPECT_TRUE(memory.refuses("s", 1, 100));
    EXPECT_TRUE(memory.refuses("u", 9, 100));   // not newer than the newest forgotten
    EXPECT_FALSE(memory.refuses("u", 9, 101));
    memory.remember("s", 4, 1350, 1350);  // the window forgets 100..300
    EXPECT_EQ(memory.size(), 2u);
    // Leaving the window because time passed sets no mark: only the pairs themselves
    // (and their sessions' earlier counters) stay refused.
    EXPECT_FALSE(memory.refuses("u", 9, 300));
    EXPECT_TRUE(memory.refuses("s", 2, 300));
    EXPECT_FALSE(memory.refuses("u", 9, 301));
}

TEST(SealedMemory, SessionKeyCacheAndByeMemoryAreBounded) {
    SessionKeyCache cache(2);
    cache.insert("a", "ka");
    cache.insert("b", "kb");
    std::string key;
    EXPECT_TRUE(cache.find("a", key));  // "b" is now the least recently used
    cache.insert("c", "kc");
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_FALSE(cache.find("b", key));
    EXPECT_TRUE(cache.find("a", key));
    EXPECT_EQ(key, "ka");

    ByeMemory byes(2, 1000);
    byes.record("x", 10);
    byes.record("y", 20);
    byes.record("z", 30);
    EXPECT_EQ(byes.size(), 2u);
    EXPECT_FALSE(byes.said_bye("x", 30));
    EXPECT_TRUE(byes.said_bye("z", 1030));
    EXPECT_FALSE(byes.said_bye("z", 1031));
}
