// Fuzz target: reading a frame or an acknowledgement from a byte stream and the
// receiver's decision on it. The gathered line never holds a line feed or carriage
// return, never exceeds the limit, matches a plain reference reading, and the reply to
// it is exactly one well-formed acknowledgement line or nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/frame_rules.h"
#include "net/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    if (size == 0) return 0;
    // The first byte picks the reader: a frame (65536 bytes) or an acknowledgement (256),
    // or a tiny limit that the fuzzer can reach.
    const std::size_t limit = data[0] < 85 ? FRAME_READ_LIMIT : data[0] < 170 ? ACK_READ_LIMIT : (data[0] % 16) + 1;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    LineReader reader(limit);
    for (const char c : stream) {
        if (reader.feed(c)) break;
    }
    const std::string& line = reader.line;
    if (reader.consumed > limit || line.size() > reader.consumed) std::abort();
    if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) std::abort();

    std::string reference;
    for (std::size_t i = 0; i < stream.size() && i < limit; ++i) {
        if (stream[i] == '\n') break;
        if (stream[i] != '\r') reference.push_back(stream[i]);
    }
    if (reference != line) std::abort();

    const std::vector<FlagDefinition> flags{{"Red", 0x0000FF}, {"Blue", 0xFF0000}};
    const std::string own_id = "{OWN}";
    const FrameOutcome outcome = handle_frame_line(line, own_id, flags, "10.1.2.3");
    const ParsedLine parsed = parse_line(line);
    if (line.empty() || field_or_empty(parsed, 1) == own_id) {
        if (outcome.message || !outcome.acknowledgement.empty()) std::abort();
        return 0;
    }
    if (is_loop_kind(parsed.kind)) {
        // SEEN and CLEAR go to the engine, acknowledged, never to the window.
        if (outcome.message || outcome.loop_line != line || !is_acknowledgement(outcome.acknowledgement)) std::abort();
        return 0;
    }
    if (!outcome.message || outcome.message->kind != parsed.kind || !outcome.loop_line.empty()) std::abort();
    // Fields 5 and 6: a reply port is 1..65535 written without a leading zero; urgent
    // only for the one byte "1".
    const std::string port_field = field_or_empty(parsed, 5);
    const std::uint16_t port = outcome.message->reply_port;
    if (port != 0 && std::to_string(port) != port_field) std::abort();
    if (port == 0 && !port_field.empty() && port_field[0] != '0' && port_field.size() <= 5 &&
        port_field.find_first_not_of("0123456789") == std::string::npos && std::stoul(port_field) <= 65535)
        std::abort();
    if (outcome.message->urgent != (field_or_empty(parsed, 6) == "1")) std::abort();
    if (outcome.message->message_id != field_or_empty(parsed, 0)) std::abort();
    if (is_message_kind(parsed.kind)) {
        const std::string& ack = outcome.acknowledgement;
        if (!is_acknowledgement(ack) || ack.back() != '\n' || ack.find('\n') != ack.size() - 1) std::abort();
    } else if (!outcome.acknowledgement.empty()) {
        std::abort();
    }
    if (parsed.kind != "FLAG" && outcome.message->colour != 0) std::abort();
    return 0;
}
