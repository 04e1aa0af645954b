// Line encoding and decoding, datagram splitting, port reading and line gathering.
#include "net/wire.h"

namespace quillnet {

std::string encode_line(const std::string& kind, const std::vector<std::string>& fields) {
    std::size_t size = kind.size() + 1;
    for (const auto& field : fields) size += field.size() + 1;
    std::string out;
    out.reserve(size);
    out += kind;
    for (const auto& field : fields) {
        out.push_back(FIELD_SEPARATOR);
        for (const char c : field) {
            out.push_back((c == '\n' || c == '\r' || c == FIELD_SEPARATOR) ? ' ' : c);
        }
    }
    out.push_back(LINE_TERMINATOR);
    return out;
}

ParsedLine parse_line(const std::string& line) {
    ParsedLine parsed;
    std::size_t start = 0;
    bool first = true;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != FIELD_SEPARATOR) continue;
        std::string piece = line.substr(start, i - start);
        if (first) {
            parsed.kind = std::move(piece);
            first = false;
        } else {
            parsed.fields.push_back(std::move(piece));
        }
        start = i + 1;
    }
    return parsed;
}

std::string field_or_empty(const ParsedLine& line, std::size_t index) {
    return index < line.fields.size() ? line.fields[index] : std::string();
}

std::vector<std::string> split_datagram_lines(const char* data, std::size_t size) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != LINE_TERMINATOR) continue;
        std::size_t end = i;
        if (end > start && data[end - 1] == '\r') --end;
        if (end > start) lines.emplace_back(data + start, end - start);
        start = i + 1;
    }
    return lines;
}

std::uint16_t read_port_field(const std::string& text) {
    std::size_t i = 0;
    // White space as isspace() knows it in the "C" locale.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps, so this is the value modulo 65536 for any length,
    // which is what converting atoi's result to 16 bits gives for in-range numbers.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = (value * 10u + static_cast<std::uint32_t>(text[i] - '0')) & 0xFFFFu;
    }
    if (negative) value = (0x10000u - value) & 0xFFFFu;
    return static_cast<std::uint16_t>(value);
}

bool is_message_kind(const std::string& kind) { return kind == "MSG" || kind == "QUICK" || kind == "FLAG"; }

bool is_loop_kind(const std::string& kind) { return kind == "SEEN" || kind == "CLEAR"; }

std::uint16_t read_reply_port(const std::string& text) {
    if (text.empty() || text.size() > 5 || text[0] == '0') return 0;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return value <= 65535u ? static_cast<std::uint16_t>(value) : 0;
}

std::size_t max_text_bytes(std::size_t user_bytes, std::size_t room_bytes) {
    // Sealed frame: "QS1", key id (16), salt (32), counter (at most 20 digits), four
    // separators and the LF around a base64 payload of plaintext + 16-byte tag.
    constexpr std::size_t sealed_header = 3 + 16 + 32 + 20 + 4 + 1;
    constexpr std::size_t payload_chars = (FRAME_READ_LIMIT - sealed_header) / 4 * 4;
    constexpr std::size_t plaintext = payload_chars / 4 * 3 - 16;
    // Plaintext: timestamp (20 digits), US, recipient id, US, then the inner line:
    // kind (5), US, message id (own id + "-" + 20 digits), US, own id, US, user, US,
    // room, US, text, then US, reply port (5 digits), US, urgent (1). Ids are budgeted
    // at a whole datagram each.
    constexpr std::size_t id = DATAGRAM_BUFFER_SIZE;
    constexpr std::size_t fixed = 20 + 1 + id + 1 + 5 + 1 + (id + 21) + 1 + id + 1 + 1 + 1 + (1 + 5 + 1 + 1);
    static_assert(plaintext > fixed, "the frame limit leaves room for a text");
    const std::size_t budget = plaintext - fixed;
    if (user_bytes >= budget || room_bytes >= budget - user_bytes) return 0;
    return budget - user_bytes - room_bytes;
}

bool is_acknowledgement(const std::string& reply) { return reply.size() >= 3 && reply.compare(0, 3, "ACK") == 0; }

bool LineReader::feed(char byte) {
    if (complete) return true;
    ++consumed;
    if (byte == LINE_TERMINATOR) {
        complete = true;
        terminated = true;
        return true;
    }
    if (byte != '\r') line.push_back(byte);
    if (consumed >= limit) complete = true;
    return complete;
}

}  // namespace quillnet
