// Peer table: upsert, remove, expiry, the rooms-list order, and the announcement rules
// that drive it.
#include <gtest/gtest.h>

#include "net/discovery_rules.h"
#include "net/peer_table.h"

using namespace quillnet;

namespace {

PeerRecord peer(const std::string& id, const std::string& user, std::int64_t seen = 0,
                const std::string& room = "R", const std::string& address = "10.0.0.1", std::uint16_t port = 0) {
    return PeerRecord{id, user, room, address, port, seen, false, {}};
}

std::vector<std::string> ids(const PeerSnapshot& s) {
    std::vector<std::string> out;
    for (const auto& r : s) out.push_back(r.id);
    return out;
}

ParsedLine announcement(const std::string& kind, const std::vector<std::string>& fields) {
    const std::string line = encode_line(kind, fields);
    return parse_line(line.substr(0, line.size() - 1));
}

}  // namespace

TEST(PeerTable, UpsertReportsNewIdsAndOverwritesKnownOnes) {
    PeerTable t;
    EXPECT_TRUE(upsert_peer(t, peer("{B}", "bob", 10, "Lab", "10.0.0.2", 5000)));
    EXPECT_FALSE(upsert_peer(t, peer("{B}", "bob", 20, "X-Ray", "10.0.0.9", 5001)));
    ASSERT_EQ(t.records.size(), 1u);
    const PeerRecord& r = t.records.at("{B}");
    EXPECT_EQ(r.id, "{B}");
    EXPECT_EQ(r.room, "X-Ray");
    EXPECT_EQ(r.address, "10.0.0.9");
    EXPECT_EQ(r.port, 5001);
    EXPECT_EQ(r.last_seen, 20);
}

TEST(PeerTable, RemoveCountsWhatItErased) {
    PeerTable t;
    upsert_peer(t, peer("a", "u"));
    EXPECT_EQ(remove_peer(t, "b"), 0u);
    EXPECT_EQ(remove_peer(t, "a"), 1u);
    EXPECT_EQ(remove_peer(t, "a"), 0u);
    EXPECT_TRUE(t.records.empty());
}

TEST(PeerTable, ExpireRemovesOnlyRecordsBelowTheCutoff) {
    PeerTable t;
    upsert_peer(t, peer("a", "u", 100));
    upsert_peer(t, peer("b", "u", 200));
    upsert_peer(t, peer("c", "u", 99));
    upsert_peer(t, peer("d", "u", -5));
    EXPECT_FALSE(expire_peers(t, -5));
    EXPECT_EQ(t.records.size(), 4u);
    EXPECT_TRUE(expire_peers(t, 100));  // several in one pass, reported once
    EXPECT_EQ(ids(copy_peers(t)), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(expire_peers(t, 100));
    EXPECT_TRUE(expire_peers(t, INT64_MAX));
    EXPECT_TRUE(t.records.empty());
    EXPECT_FALSE(expire_peers(t, INT64_MAX));
}

TEST(PeerTable, KeyOrderIsByteOrderWithPrefixesFirst) {
    PeerTable t;
    for (const char* id : {"b", "ab", "a", "\xC3\xA9", "B", "a\x01"}) upsert_peer(t, peer(id, "u"));
    EXPECT_EQ(ids(copy_peers(t)), (std::vector<std::string>{"B", "a", "a\x01", "ab", "b", "\xC3\xA9"}));
}

TEST(PeerSnapshot, SortsByUserBytesThenById) {
    PeerTable t;
    upsert_peer(t, peer("3", "zed"));
    upsert_peer(t, peer("1", "Zed"));
    upsert_peer(t, peer("9", "anna"));
    upsert_peer(t, peer("2", "anna"));
    upsert_peer(t, peer("5", "Anna"));
    upsert_peer(t, peer("4", "\xC3\x84rzt"));  // non-ASCII sorts after ASCII letters
    upsert_peer(t, peer("6", "ann"));
    PeerSnapshot s = copy_peers(t);
    sort_snapshot(s);
    EXPECT_EQ(ids(s), (std::vector<std::string>{"5", "1", "6", "2", "9", "3", "4"}));
    PeerSnapshot empty;
    sort_snapshot(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(Announcements, HelloAndHeartbeatAddOrRefreshThePeer) {
    PeerTable t;
    EXPECT_TRUE(apply_discovery_line(t, announcement("HEARTBEAT", {"{P}", "ann", "Op 1", "45778"}), "{ME}", "10.1.1.1", 7));
    EXPECT_FALSE(apply_discovery_line(t, announcement("HELLO", {"{P}", "ann", "Op 2", "45779"}), "{ME}", "10.1.1.2", 9));
    const PeerRecord& r = t.records.at("{P}");
    EXPECT_EQ(r.user, "ann");
    EXPECT_EQ(r.room, "Op 2");
    EXPECT_EQ(r.address, "10.1.1.2");
    EXPECT_EQ(r.port, 45779);
    EXPECT_EQ(r.last_seen, 9);
}

TEST(Announcements, PortFieldThatIsMissingOrNotNumericGivesPortZero) {
    PeerTable t;
    apply_discovery_line(t, announcement("HELLO", {"{A}", "a", "r", "port"}), "{ME}", "10.0.0.1", 1);
    apply_discovery_line(t, announcement("HELLO", {"{B}", "b"}), "{ME}", "10.0.0.1", 1);
    EXPECT_EQ(t.records.at("{A}").port, 0);
    EXPECT_EQ(t.records.at("{B}").port, 0);
    EXPECT_EQ(t.records.at("{B}").room, "");
}

TEST(Announcements, EmptyOwnOrUnknownSendersChangeNothing) {
    PeerTable t;
    EXPECT_FALSE(apply_discovery_line(t, parse_line("HEARTBEAT"), "{ME}", "10.0.0.1", 1));
    EXPECT_FALSE(apply_discovery_line(t, announcement("HELLO", {"", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
    EXPECT_FALSE(apply_discovery_line(t, announcement("HELLO", {"{ME}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
    EXPECT_FALSE(apply_discovery_line(t, announcement("hello", {"{X}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
    EXPECT_FALSE(apply_discovery_line(t, announcement("MSG", {"{X}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
    EXPECT_TRUE(t.records.empty());
    // Only byte-exact equality with the own id is ignored.
    EXPECT_TRUE(apply_discovery_line(t, announcement("HELLO", {"{me}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
}

TEST(Announcements, ByeRemovesKnownPeersAndIgnoresUnknownOnes) {
    PeerTable t;
    apply_discovery_line(t, announcement("HELLO", {"{P}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1);
    EXPECT_FALSE(apply_discovery_line(t, announcement("BYE", {"{Q}", "u", "r", "1"}), "{ME}", "10.0.0.1", 1));
    EXPECT_TRUE(apply_discovery_line(t, announcement("BYE", {"{P}"}), "{ME}", "10.0.0.9", 1));
    EXPECT_TRUE(t.records.empty());
}
