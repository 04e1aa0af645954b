// The engine's open/sealed decisions on each line it sends or receives.
#include "net/sealed_engine.h"

#include <cstring>

#include "net/announcement.h"
#include "net/site_key.h"
#include "net/wire.h"

namespace quillnet {

namespace {

bool is_announcement_kind(const std::string& kind) {
    return kind == "HELLO" || kind == "HEARTBEAT" || kind == "BYE";
}

// Notices for the refusals an administrator can act on; other refusals stay silent.
void notice_refusal(const SealedOpening& opening, const std::string& address, NoticeBoard* notices) {
    if (!notices) return;
    if (opening.check == SealedCheck::other_key) notices->post(NoticeReason::other_key, address);
    if (opening.check == SealedCheck::clock) notices->post(NoticeReason::clock_off, address, opening.clock_offset_ms);
}

std::string without_terminator(const std::string& line) {
    return (!line.empty() && line.back() == LINE_TERMINATOR) ? line.substr(0, line.size() - 1) : line;
}

}  // namespace

bool start_sealed_mode(const std::string& key_text, const WallClock& clock, std::shared_ptr<SealedWire>& sealed,
                       std::wstring& error_text) {
    sealed.reset();
    if (key_text.empty()) return true;
    SiteKey key{};
    if (!parse_site_key(key_text, key)) {
        error_text = INVALID_SITE_KEY_TEXT;
        return false;
    }
    try {
        sealed = std::make_shared<SealedWire>(key, clock);
    } catch (...) {
        sealed.reset();
    }
    if (!sealed || !sealed->ready()) {
        sealed.reset();
        error_text = L"Could not start sealed mode (no random numbers from the system).";
        return false;
    }
    return true;
}

std::vector<std::string> admit_datagram_lines(const char* data, std::size_t size, const std::string& source_address,
                                              SealedWire* sealed, NoticeBoard& notices, const std::string& own_id) {
    std::vector<std::string> lines = split_datagram_lines(data, size);
    std::vector<std::string> admitted;
    if (!sealed) {
        for (auto& line : lines) {
            if (parse_line(line).kind == SEALED_KIND) {
                notices.post(NoticeReason::sealed_announcement, source_address);
            } else {
                admitted.push_back(std::move(line));
            }
        }
        return admitted;
    }
    for (const auto& line : lines) {
        if (is_announcement_kind(parse_line(line).kind)) notices.post(NoticeReason::open_copy, source_address);
    }
    if (lines.size() != 1) return admitted;
    SealedOpening opening = sealed->open(lines[0], SealedPort::discovery, own_id);
    if (opening.check == SealedCheck::accepted) {
        admitted.push_back(std::move(opening.inner));
    } else {
        notice_refusal(opening, source_address, &notices);
    }
    return admitted;
}

std::string sealed_announcement(SealedWire& sealed, const std::string& kind, const std::string& own_id,
                                const std::string& user, const std::string& room, const std::string& port,
                                const std::vector<AnnouncedFlag>& flags) {
    const std::size_t inner_limit = max_sealed_inner(SEALED_DATAGRAM_LIMIT, 0);
    // Fields 0..4 and their five separators; field 4 is never left out.
    const std::size_t fixed = kind.size() + own_id.size() + port.size() + std::strlen(OWN_CAPABILITIES) + 5;
    const std::size_t room_for_names = inner_limit > fixed ? inner_limit - fixed : 0;
    std::string cut_user = user;
    std::string cut_room = room;
    if (user.size() + room.size() > room_for_names) {
        // Each name keeps what it needs of an even share; the rest goes to the other.
        const std::size_t half = room_for_names / 2;
        if (user.size() <= half) {
            cut_room = cut_utf8(room, room_for_names - user.size());
        } else if (room.size() <= half) {
            cut_user = cut_utf8(user, room_for_names - room.size());
        } else {
            cut_user = cut_utf8(user, half);
            cut_room = cut_utf8(room, room_for_names - cut_user.size());
        }
    }
    // The flags fit the inner line, whose sealed form then fits the datagram.
    const std::string line = announcement_line(kind, own_id, cut_user, cut_room, port, flags, inner_limit + 1);
    return sealed.seal("", without_terminator(line));
}

FrameOutcome judge_frame_line(const std::string& line, const FrameContext& context,
                              const std::string& sender_address) {
    if (!context.sealed) {
        if (!line.empty() && parse_line(line).kind == SEALED_KIND) {
            if (context.notices) context.notices->post(NoticeReason::sealed_page, sender_address);
            return FrameOutcome{};
        }
        return handle_frame_line(line, context.own_id, context.flags, sender_address);
    }
    SealedOpening opening = context.sealed->open(line, SealedPort::frame, context.own_id);
    if (opening.check != SealedCheck::accepted) {
        notice_refusal(opening, sender_address, context.notices);
        return FrameOutcome{};
    }
    FrameOutcome outcome = handle_frame_line(opening.inner, context.own_id, context.flags, sender_address);
    if (!outcome.acknowledgement.empty()) {
        const ParsedLine frame = parse_line(opening.inner);
        const std::string inner_ack =
            without_terminator(encode_line("ACK", {field_or_empty(frame, 0), context.own_id}));
        outcome.acknowledgement = context.sealed->seal(field_or_empty(frame, 1), inner_ack);
        // Without an acknowledgement the sender reports the page as not delivered, so it
        // must not be shown here either.
        if (outcome.acknowledgement.empty()) {
            outcome.message.reset();
            outcome.loop_line.clear();
        }
    }
    return outcome;
}

std::string seal_frame_for(SealedWire& sealed, const std::string& recipient, const std::string& frame) {
    const std::string inner = cut_utf8(without_terminator(frame), max_sealed_inner(FRAME_READ_LIMIT, recipient.size()));
    return sealed.seal(recipient, inner);
}

bool sealed_acknowledgement_counts(SealedWire& sealed, const std::string& reply, const std::string& message_id,
                                   const std::string& peer_id, const std::string& own_id) {
    const SealedOpening opening = sealed.open(reply, SealedPort::acknowledgement, own_id);
    if (opening.check != SealedCheck::accepted) return false;
    const std::string expected = std::string("ACK") + FIELD_SEPARATOR + message_id + FIELD_SEPARATOR + peer_id;
    return opening.inner == expected;
}

}  // namespace quillnet
