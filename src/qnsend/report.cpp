// qnsend's output texts.
#include "qnsend/report.h"

#include <cstdio>

#include "base/delivery_status.h"
#include "base/text.h"

namespace quillnet {

namespace {

int count_delivered(const std::vector<RecipientOutcome>& outcomes) {
    int delivered = 0;
    for (const auto& outcome : outcomes) delivered += outcome.delivered ? 1 : 0;
    return delivered;
}

std::string peer_json(const PeerRecord& peer) {
    return "{\"user\":" + json_string(peer.user) + ",\"room\":" + json_string(peer.room) +
           ",\"address\":" + json_string(peer.address) + ",\"port\":" + std::to_string(peer.port);
}

std::string peers_json(const PeerSnapshot& online) {
    std::string text = "[";
    for (std::size_t i = 0; i < online.size(); ++i) text += (i ? "," : "") + peer_json(online[i]) + "}";
    return text + "]";
}

std::string room_label(const PeerRecord& peer) {
    if (peer.room.empty() || peer.room == peer.user) return peer.user;
    return peer.user + " (" + peer.room + ")";
}

}  // namespace

std::string tally_text(int acknowledged, int attempted) {
    // The log's status carries three leading spaces that separate it from the line.
    const std::string status = utf16_to_utf8(final_status(acknowledged, attempted));
    const std::size_t first = status.find_first_not_of(' ');
    return first == std::string::npos ? status : status.substr(first);
}

int exit_code_for(int acknowledged, int attempted) {
    if (attempted <= 0) return EXIT_NO_SUCH_ROOM;
    if (acknowledged >= attempted) return EXIT_ALL_DELIVERED;
    return acknowledged > 0 ? EXIT_SOME_DELIVERED : EXIT_NONE_DELIVERED;
}

std::string json_string(const std::string& text) {
    const std::string clean = utf16_to_utf8(utf8_to_utf16(text));
    std::string out = "\"";
    for (const char c : clean) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string rooms_text(const PeerSnapshot& online) {
    std::string text;
    for (const auto& peer : online)
        text += peer.user + "\t" + peer.room + "\t" + peer.address + "\t" + std::to_string(peer.port) + "\n";
    return text;
}

std::string rooms_json(const PeerSnapshot& online) { return "{\"rooms\":" + peers_json(online) + "}\n"; }

namespace {

std::int64_t age_seconds(const PeerFlag& flag, std::int64_t now) {
    return now > flag.raised_ms ? (now - flag.raised_ms) / 1000 : 0;
}

}  // namespace

std::string peer_label(const PeerRecord& peer) { return peer.room.empty() ? peer.user : peer.user + " (" + peer.room + ")"; }

std::string rooms_text(const PeerSnapshot& online, std::int64_t now) {
    std::string text;
    for (const auto& peer : online) {
        text += peer.user + "\t" + peer.room + "\t" + peer.address + "\t" + std::to_string(peer.port) + "\n";
        if (!peer.speaks_l1) continue;
        for (const auto& flag : peer.flags)
            text += "\t\xE2\x9A\x91 " + flag.label + "\t" + std::to_string(age_seconds(flag, now)) + "\n";
    }
    return text;
}

std::string rooms_json(const PeerSnapshot& online, std::int64_t now) {
    std::string text = "{\"rooms\":[";
    for (std::size_t i = 0; i < online.size(); ++i) {
        const PeerRecord& peer = online[i];
        text += (i ? "," : "") + peer_json(peer);
        // Only a room that keeps a board says what is raised on it.
        if (peer.speaks_l1) {
            text += ",\"flags\":[";
            for (std::size_t f = 0; f < peer.flags.size(); ++f)
                text += std::string(f ? "," : "") + "{\"label\":" + json_string(peer.flags[f].label) +
                        ",\"age_s\":" + std::to_string(age_seconds(peer.flags[f], now)) + "}";
            text += "]";
        }
        text += "}";
    }
    return text + "]}\n";
}

std::string result_text(const std::vector<RecipientOutcome>& outcomes) {
    const int attempted = static_cast<int>(outcomes.size());
    return tally_text(count_delivered(outcomes), attempted) + "\n";
}

std::string result_json(const OutgoingPage& page, const std::string& message_id,
                        const std::vector<RecipientOutcome>& outcomes) {
    const int delivered = count_delivered(outcomes);
    const int attempted = static_cast<int>(outcomes.size());
    std::string text = "{\"kind\":" + json_string(page.kind) + ",\"text\":" + json_string(page.body) +
                       ",\"message_id\":" + json_string(message_id) + ",\"delivered\":" +
                       std::to_string(delivered) + ",\"attempted\":" + std::to_string(attempted) +
                       ",\"status\":" + json_string(tally_text(delivered, attempted)) + ",\"recipients\":[";
    for (std::size_t i = 0; i < outcomes.size(); ++i)
        text += (i ? "," : "") + peer_json(outcomes[i].peer) +
                ",\"delivered\":" + (outcomes[i].delivered ? "true" : "false") + "}";
    return text + "]}\n";
}

std::string result_json(const OutgoingPage& page, const std::string& message_id,
                        const std::vector<RecipientOutcome>& outcomes, const std::vector<PeerRecord>& seen_by) {
    std::string text = result_json(page, message_id, outcomes);
    // Replaces the closing "}\n" with the seen_by list.
    text.resize(text.size() - 2);
    text += ",\"seen_by\":[";
    for (std::size_t i = 0; i < seen_by.size(); ++i)
        text += std::string(i ? "," : "") + "{\"user\":" + json_string(seen_by[i].user) +
                ",\"room\":" + json_string(seen_by[i].room) + ",\"instance\":" + json_string(seen_by[i].id) + "}";
    return text + "]}\n";
}

std::string no_room_text(const std::vector<std::string>& unknown, const PeerSnapshot& online) {
    // Without unknown names, nobody online could be paged (peers without a message port).
    if (online.empty() || unknown.empty()) return "qnsend: nobody online\n";
    std::string text = "qnsend: no such room:";
    for (std::size_t i = 0; i < unknown.size(); ++i) text += (i ? ", " : " ") + unknown[i];
    text += "\nRooms online:\n";
    for (const auto& peer : online) text += "  " + room_label(peer) + "\n";
    return text;
}

std::string no_room_json(const std::vector<std::string>& unknown, const PeerSnapshot& online) {
    std::string text = "{\"error\":" + json_string(online.empty() || unknown.empty() ? "nobody online" : "no such room") +
                       ",\"unknown\":[";
    for (std::size_t i = 0; i < unknown.size(); ++i) text += (i ? "," : "") + json_string(unknown[i]);
    return text + "],\"rooms\":" + peers_json(online) + "}\n";
}

}  // namespace quillnet
