// Fuzz target: line encoding and decoding. Decoding then re-joining gives the input back;
// encoding keeps field lengths, never lets a field break the line, and decodes to the
// same number of fields; the port field reads like atoi wherever atoi is defined.
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/wire.h"

namespace {

void check_port_reading(const std::string& text) {
    const std::uint16_t port = quillnet::read_port_field(text);
    // strtol reads the same prefix as atoi; where it fits an int, atoi is defined.
    errno = 0;
    const std::string terminated = text.substr(0, text.find('\0'));
    const long value = std::strtol(terminated.c_str(), nullptr, 10);
    if (terminated.size() == text.size() && errno == 0 && value >= INT_MIN && value <= INT_MAX) {
        if (port != static_cast<std::uint16_t>(static_cast<int>(value))) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Decoding keeps every byte: kind and fields joined by 0x1F give the line back.
    const ParsedLine parsed = parse_line(bytes);
    std::string joined = parsed.kind;
    for (const auto& field : parsed.fields) joined += FIELD_SEPARATOR + field;
    if (joined != bytes) std::abort();

    // Encoding the decoded fields under a plain kind.
    const std::string line = encode_line("MSG", parsed.fields);
    if (line.empty() || line.back() != '\n') std::abort();
    if (line.find('\n') != line.size() - 1 || line.find('\r') != std::string::npos) std::abort();
    const ParsedLine again = parse_line(line.substr(0, line.size() - 1));
    if (again.kind != "MSG" || again.fields.size() != parsed.fields.size()) std::abort();
    for (std::size_t i = 0; i < again.fields.size(); ++i) {
        const std::string& original = parsed.fields[i];
        const std::string& sent = again.fields[i];
        if (sent.size() != original.size()) std::abort();
        for (std::size_t k = 0; k < sent.size(); ++k) {
            const char c = original[k];
            const bool replaced = c == '\n' || c == '\r' || c == FIELD_SEPARATOR;
            if (sent[k] != (replaced ? ' ' : c)) std::abort();
        }
        if (field_or_empty(again, i) != sent) std::abort();
    }
    if (!field_or_empty(again, again.fields.size()).empty()) std::abort();

    check_port_reading(bytes);
    return 0;
}
