// The receiver's decisions on one frame line.
#include "net/frame_rules.h"

#include "net/wire.h"

namespace quillnet {

namespace {

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    }
    return true;
}

ColourRef flag_colour_for(const std::vector<FlagDefinition>& flags, const std::string& text) {
    for (const auto& flag : flags) {
        if (equal_ignoring_ascii_case(flag.name, text)) return flag.colour;
    }
    return 0;
}

FrameOutcome handle_frame_line(const std::string& line, const std::string& own_id,
                               const std::vector<FlagDefinition>& flags, const std::string& sender_address) {
    FrameOutcome outcome;
    if (line.empty()) return outcome;
    const ParsedLine parsed = parse_line(line);
    if (field_or_empty(parsed, 1) == own_id) return outcome;
    if (is_message_kind(parsed.kind) || is_loop_kind(parsed.kind))
        outcome.acknowledgement = encode_line("ACK", {field_or_empty(parsed, 0)});
    if (is_loop_kind(parsed.kind)) {
        outcome.loop_line = line;
        return outcome;
    }
    auto message = std::make_unique<IncomingMessage>();
    message->kind = parsed.kind;
    message->user = field_or_empty(parsed, 2);
    message->room = field_or_empty(parsed, 3);
    message->text = field_or_empty(parsed, 4);
    message->sender_address = sender_address;
    message->message_id = field_or_empty(parsed, 0);
    message->sender_id = field_or_empty(parsed, 1);
    message->reply_port = read_reply_port(field_or_empty(parsed, 5));
    message->urgent = field_or_empty(parsed, 6) == "1";
    if (parsed.kind == "FLAG") message->colour = flag_colour_for(flags, message->text);
    outcome.message = std::move(message);
    return outcome;
}

}  // namespace quillnet
