// A new instance id from the address and port of a listed room: in the open protocol it
// replaces the room (a copy restarted after a crash); under a site key only when its
// line is later than the newest one accepted from the listed room, so a recorded
// announcement of an earlier instance cannot push a live room off the list. qnsend
// hears both and keeps the newest, and says it heard a room under two ids.
#include <gtest/gtest.h>

#include "net/discovery_rules.h"
#include "qnsend/listen.h"
#include "qnsend/wire_mode.h"

using namespace quillnet;

namespace {

const std::string SITE_KEY = "0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f9";

PeerRecord room(const std::string& id, std::int64_t sent_at) {
    PeerRecord r{id, "ann", "Op 1", "10.0.0.5", 45778, 100};
    r.sent_at = sent_at;
    return r;
}

std::vector<std::string> ids(const PeerTable& table) {
    std::vector<std::string> out;
    for (const auto& entry : table.records) out.push_back(entry.first);
    return out;
}

}  // namespace

TEST(RoomReplacement, SealedNewIdReplacesAListedRoomOnlyWithALaterLine) {
    PeerTable table;
    ASSERT_TRUE(upsert_peer(table, room("{LIVE}", 5000)));
    EXPECT_FALSE(upsert_peer(table, room("{EARLIER}", 4000)));
    EXPECT_FALSE(upsert_peer(table, room("{SAME-MOMENT}", 5000)));
    EXPECT_EQ(ids(table), std::vector<std::string>{"{LIVE}"});
    // A line of the listed room that comes late does not lower its newest.
    EXPECT_FALSE(upsert_peer(table, room("{LIVE}", 4500)));
    EXPECT_EQ(table.records.at("{LIVE}").sent_at, 5000);
    EXPECT_FALSE(upsert_peer(table, room("{EARLIER}", 4900)));
    EXPECT_TRUE(upsert_peer(table, room("{RESTARTED}", 5001)));
    EXPECT_EQ(ids(table), std::vector<std::string>{"{RESTARTED}"});
    // Open protocol (no timestamps): the new id replaces the room as before.
    PeerTable open;
    ASSERT_TRUE(upsert_peer(open, room("{A}", 0)));
    EXPECT_TRUE(upsert_peer(open, room("{B}", 0)));
    EXPECT_EQ(ids(open), std::vector<std::string>{"{B}"});
}

TEST(RoomReplacement, QnsendHearingARoomUnderTwoIdsKeepsTheNewestAndSaysSo) {
    SiteKey key{};
    ASSERT_TRUE(parse_site_key(SITE_KEY, key));
    SealedWire earlier(key, [] { return system_wall_clock() - 60000; });
    SealedWire live(key, WallClock());
    const auto hello = [](const std::string& id) {
        const std::string line = encode_line("HELLO", {id, "ann", "Op 1", "45778"});
        return line.substr(0, line.size() - 1);
    };
    const std::string recorded = earlier.seal("", hello("{EARLIER}"));
    const std::string current = live.seal("", hello("{LIVE}"));
    for (const bool recording_first : {true, false}) {
        SCOPED_TRACE(recording_first ? "recording first" : "live first");
        WireMode mode;
        std::string error;
        ASSERT_TRUE(choose_wire_mode(SITE_KEY, "in Quillnet.ini", mode, error));
        PeerTable table;
        const std::string& first = recording_first ? recorded : current;
        const std::string& second = recording_first ? current : recorded;
        EXPECT_FALSE(take_datagram(mode, first.data(), first.size(), 0x0A000005, "{SELF}", table));
        EXPECT_TRUE(take_datagram(mode, second.data(), second.size(), 0x0A000005, "{SELF}", table));
        EXPECT_EQ(ids(table), std::vector<std::string>{"{LIVE}"});
    }
}
