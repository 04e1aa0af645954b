// The peer table's size limit: a flood of made-up ids fills it only up to MAX_PEERS,
// known peers keep refreshing while it is full, and expiry or BYE makes room again.
#include <gtest/gtest.h>

#include <string>

#include "net/discovery_rules.h"
#include "net/peer_table.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

ParsedLine announcement(const std::string& kind, const std::string& id, const std::string& room = "r",
                        const std::string& port = "45778") {
    return ParsedLine{kind, {id, "user", room, port}};
}

// Fills the table to the limit with ids "flood-N" seen at time 100, each on a port of
// its own (a new id on a known address and port would replace that entry).
void fill(PeerTable& table) {
    for (std::size_t i = 0; table.records.size() < MAX_PEERS; ++i) {
        ASSERT_TRUE(apply_discovery_line(table,
                                         announcement("HELLO", "flood-" + std::to_string(i), "r", std::to_string(20000 + i)),
                                         "{OWN}", "10.0.0.66", 100));
    }
}

}  // namespace

TEST(PeerTableLimit, NewIdsAreIgnoredWhileFullAndKnownPeersStillRefresh) {
    PeerTable table;
    ASSERT_TRUE(apply_discovery_line(table, announcement("HELLO", "{REAL}"), "{OWN}", "10.0.0.2", 50));
    fill(table);
    EXPECT_EQ(table.records.size(), MAX_PEERS);

    // Any number of further made-up ids leaves the table as it is and asks for no rebuild.
    for (int i = 0; i < 5000; ++i) {
        EXPECT_FALSE(apply_discovery_line(table, announcement("HEARTBEAT", "more-" + std::to_string(i)), "{OWN}",
                                          "10.0.0.66", 200));
    }
    EXPECT_EQ(table.records.size(), MAX_PEERS);
    EXPECT_EQ(table.records.count("more-0"), 0u);

    // The real peer is still refreshed: new room, new address, new time.
    EXPECT_FALSE(apply_discovery_line(table, announcement("HEARTBEAT", "{REAL}", "Moved"), "{OWN}", "10.0.0.3", 300));
    const PeerRecord& real = table.records.at("{REAL}");
    EXPECT_EQ(real.room, "Moved");
    EXPECT_EQ(real.address, "10.0.0.3");
    EXPECT_EQ(real.last_seen, 300);
}

TEST(PeerTableLimit, ExpiryAndByeMakeRoomAgain) {
    PeerTable table;
    fill(table);
    EXPECT_FALSE(upsert_peer(table, PeerRecord{"{LATE}", "late", "r", "10.0.0.4", 45778, 150, false, {}}));

    // A BYE frees one place, which the next newcomer takes; the one after waits again.
    EXPECT_TRUE(apply_discovery_line(table, announcement("BYE", "flood-7"), "{OWN}", "10.0.0.66", 150));
    EXPECT_TRUE(upsert_peer(table, PeerRecord{"{LATE}", "late", "r", "10.0.0.4", 45778, 150, false, {}}));
    EXPECT_FALSE(upsert_peer(table, PeerRecord{"{LATER}", "later", "r", "10.0.0.5", 45778, 150, false, {}}));

    // The flood's entries (seen at 100) expire; the newcomer (seen at 150) stays.
    EXPECT_TRUE(expire_peers(table, 120));
    ASSERT_EQ(table.records.size(), 1u);
    EXPECT_EQ(table.records.begin()->first, "{LATE}");
    EXPECT_TRUE(upsert_peer(table, PeerRecord{"{LATER}", "later", "r", "10.0.0.5", 45778, 160, false, {}}));
    EXPECT_EQ(copy_peers(table).size(), 2u);
}
