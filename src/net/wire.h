// The line protocol: encoding and decoding of one line (kind and 0x1F-separated
// fields, ended by 0x0A), splitting datagrams into lines, reading the port field,
// and the byte-by-byte rules for reading a frame or an acknowledgement line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillnet {

constexpr char FIELD_SEPARATOR = '\x1F';
constexpr char LINE_TERMINATOR = '\n';

constexpr std::size_t DATAGRAM_BUFFER_SIZE = 2047;
constexpr std::size_t FRAME_READ_LIMIT = 65536;
constexpr std::size_t ACK_READ_LIMIT = 256;

struct ParsedLine {
    std::string kind;
    std::vector<std::string> fields;
};

// Kind unchanged, then each field after 0x1F with 0x0A, 0x0D and 0x1F turned into
// spaces, then 0x0A.
std::string encode_line(const std::string& kind, const std::vector<std::string>& fields);
// Splits a line (without its terminator) at every 0x1F; nothing is trimmed.
ParsedLine parse_line(const std::string& line);
// Field index, or an empty string when the line has no such field.
std::string field_or_empty(const ParsedLine& line, std::size_t index);

// The lines of one datagram: split at 0x0A (the last need not be terminated), one
// trailing 0x0D removed from each, empty lines left out.
std::vector<std::string> split_datagram_lines(const char* data, std::size_t size);

// Reads a decimal port the way atoi reads a number (leading white space, an optional
// sign, digits up to the first non-digit, 0 without digits), kept modulo 65536. Any
// length of digits is read with defined behaviour.
std::uint16_t read_port_field(const std::string& text);

// A reply port field: 1 to 5 ASCII digits without a leading zero, 1..65535; 0 for
// anything else (no reply port).
std::uint16_t read_reply_port(const std::string& text);

// The longest message text, in UTF-8 bytes, whose frame fits the receiver's
// FRAME_READ_LIMIT whatever the mode: open, or sealed (the frame then carries a
// timestamp and the recipient's id, and grows by a third in base64). Budgeted for the
// longest instance ids a peer can announce in one datagram, so it holds for any
// recipient. 0 when user and room alone leave no room for a text.
std::size_t max_text_bytes(std::size_t user_bytes, std::size_t room_bytes);

// "MSG", "QUICK" or "FLAG", compared exactly.
bool is_message_kind(const std::string& kind);
// "SEEN" or "CLEAR": handled by the engine, never shown.
bool is_loop_kind(const std::string& kind);
// A reply counts as an acknowledgement when it starts with the three bytes "ACK".
bool is_acknowledgement(const std::string& reply);

// Gathers one line from a byte stream: stops at the first 0x0A (not kept) or after
// limit bytes; every 0x0D is dropped but still counts toward the limit.
struct LineReader {
    explicit LineReader(std::size_t limit_bytes) : limit(limit_bytes) {}

    // Takes one byte; returns true once the line is complete (further bytes are refused).
    bool feed(char byte);

    std::size_t limit;
    std::size_t consumed = 0;
    std::string line;
    bool complete = false;
    bool terminated = false;  // complete because the line feed came (not cut by the limit)
};

}  // namespace quillnet
