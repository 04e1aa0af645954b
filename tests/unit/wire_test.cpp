// Wire lines: encoding with sanitising, decoding, datagram splitting, the port field,
// the line gathering rules for frames and acknowledgements.
#include <gtest/gtest.h>

#include "net/wire.h"

using namespace quillnet;

TEST(WireEncode, FieldsAreSeparatedAndLineIsTerminated) {
    EXPECT_EQ(encode_line("HELLO", {"{ID}", "Ann", "Room 1", "45778"}), "HELLO\x1F{ID}\x1F" "Ann\x1FRoom 1\x1F" "45778\n");
    EXPECT_EQ(encode_line("BYE", {}), "BYE\n");
    EXPECT_EQ(encode_line("ACK", {""}), "ACK\x1F\n");
}

TEST(WireEncode, LineBreaksAndSeparatorsInFieldsBecomeSpacesOneForOne) {
    const std::string line = encode_line("MSG", {"id-0", "{ID}", "u", "r", "a\r\nb"});
    EXPECT_EQ(line, "MSG\x1Fid-0\x1F{ID}\x1Fu\x1Fr\x1F" "a  b\n");
    const std::string with_separator = encode_line("MSG", {"x\x1Fy", "\x01\t\xC3\xA9"});
    EXPECT_EQ(with_separator, "MSG\x1Fx y\x1F\x01\t\xC3\xA9\n");
    // The receiver sees as many fields as were sent.
    const ParsedLine parsed = parse_line(with_separator.substr(0, with_separator.size() - 1));
    ASSERT_EQ(parsed.fields.size(), 2u);
    EXPECT_EQ(parsed.fields[0], "x y");
}

TEST(WireEncode, KindIsWrittenUnchanged) {
    EXPECT_EQ(encode_line("K\x1FZ", {"f"}), "K\x1FZ\x1F" "f\n");
}

TEST(WireParse, SplitsAtEverySeparatorKeepingEmptyPieces) {
    ParsedLine p = parse_line("QUICK\x1F\x1F" "b\x1F");
    EXPECT_EQ(p.kind, "QUICK");
    EXPECT_EQ(p.fields, (std::vector<std::string>{"", "b", ""}));
    p = parse_line("HEARTBEAT");
    EXPECT_EQ(p.kind, "HEARTBEAT");
    EXPECT_TRUE(p.fields.empty());
    p = parse_line("");
    EXPECT_EQ(p.kind, "");
    EXPECT_TRUE(p.fields.empty());
    p = parse_line("\x1F");
    EXPECT_EQ(p.kind, "");
    EXPECT_EQ(p.fields, (std::vector<std::string>{""}));
    p = parse_line(" MSG \x1F a ");
    EXPECT_EQ(p.kind, " MSG ");
    EXPECT_EQ(p.fields, (std::vector<std::string>{" a "}));
}

TEST(WireParse, MissingFieldsReadAsEmpty) {
    const ParsedLine p = parse_line("MSG\x1Fid\x1Fsender");
    EXPECT_EQ(field_or_empty(p, 0), "id");
    EXPECT_EQ(field_or_empty(p, 1), "sender");
    EXPECT_EQ(field_or_empty(p, 2), "");
    EXPECT_EQ(field_or_empty(p, 1000), "");
}

TEST(WireParse, EncodeThenParseGivesTheSanitisedFields) {
    const std::vector<std::string> fields{"", "\xE2\x86\x92 arrow", "tab\there", "x"};
    const std::string line = encode_line("FLAG", fields);
    const ParsedLine p = parse_line(line.substr(0, line.size() - 1));
    EXPECT_EQ(p.kind, "FLAG");
    EXPECT_EQ(p.fields, fields);
}

TEST(WireDatagram, SplitsLinesDropsOneTrailingCarriageReturnAndEmptyLines) {
    const std::string data = "HELLO\x1F" "a\r\n\r\n\nHEARTBEAT\x1F" "b\r\r\nBYE\x1F" "c";
    const auto lines = split_datagram_lines(data.data(), data.size());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "HELLO\x1F" "a");
    EXPECT_EQ(lines[1], "HEARTBEAT\x1F" "b\r");
    EXPECT_EQ(lines[2], "BYE\x1F" "c");
    EXPECT_TRUE(split_datagram_lines("", 0).empty());
    EXPECT_TRUE(split_datagram_lines("\n\r\n", 3).empty());
}

TEST(WireDatagram, NulBytesStayInsideTheLine) {
    const std::string data("A\0B\n", 4);
    const auto lines = split_datagram_lines(data.data(), data.size());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string("A\0B", 3));
}

TEST(WirePort, ReadsLikeAtoiForInRangeNumbers) {
    EXPECT_EQ(read_port_field("45778"), 45778);
    EXPECT_EQ(read_port_field("0"), 0);
    EXPECT_EQ(read_port_field(""), 0);
    EXPECT_EQ(read_port_field("abc"), 0);
    EXPECT_EQ(read_port_field("  \t\v\f\r\n+80x"), 80);
    EXPECT_EQ(read_port_field("0080"), 80);
    EXPECT_EQ(read_port_field("12 34"), 12);
    EXPECT_EQ(read_port_field("- 5"), 0);
    EXPECT_EQ(read_port_field("+-5"), 0);
    // Kept in 16 bits: the value modulo 65536.
    EXPECT_EQ(read_port_field("65535"), 65535);
    EXPECT_EQ(read_port_field("65536"), 0);
    EXPECT_EQ(read_port_field("65537"), 1);
    EXPECT_EQ(read_port_field("-1"), 65535);
    EXPECT_EQ(read_port_field("-65536"), 0);
    EXPECT_EQ(read_port_field("2147483647"), 65535);
    EXPECT_EQ(read_port_field("-2147483648"), 0);
}

TEST(WirePort, MatchesAtoiOverTheIntRange) {
    for (long long v : {1LL, 7LL, 999LL, 45777LL, 70000LL, 123456789LL, -3LL, -45777LL, -123456789LL}) {
        const int as_int = static_cast<int>(v);
        EXPECT_EQ(read_port_field(std::to_string(v)), static_cast<std::uint16_t>(as_int)) << v;
    }
}

TEST(WirePort, HugeNumbersAreReadWithoutOverflow) {
    // 10^30 modulo 65536 is 0 (2^16 divides 10^30); 10^30 + 5 gives 5.
    EXPECT_EQ(read_port_field("1" + std::string(30, '0')), 0);
    EXPECT_EQ(read_port_field("1" + std::string(29, '0') + "5"), 5);
    // 10^20 - 1 modulo 65536 is 65535; with a minus sign it is 1.
    EXPECT_EQ(read_port_field("99999999999999999999"), 65535);
    EXPECT_EQ(read_port_field("-99999999999999999999"), 1);
}

TEST(WireKinds, MessageKindsAndAcknowledgementsAreExact) {
    EXPECT_TRUE(is_message_kind("MSG"));
    EXPECT_TRUE(is_message_kind("QUICK"));
    EXPECT_TRUE(is_message_kind("FLAG"));
    EXPECT_FALSE(is_message_kind("msg"));
    EXPECT_FALSE(is_message_kind("MSG "));
    EXPECT_FALSE(is_message_kind("PING"));
    EXPECT_TRUE(is_acknowledgement("ACK"));
    EXPECT_TRUE(is_acknowledgement("ACK\x1Fwhatever"));
    EXPECT_TRUE(is_acknowledgement("ACKNOWLEDGED"));
    EXPECT_FALSE(is_acknowledgement("AC"));
    EXPECT_FALSE(is_acknowledgement("ack"));
    EXPECT_FALSE(is_acknowledgement(" ACK"));
    EXPECT_FALSE(is_acknowledgement(""));
}

namespace {

std::string gather(const std::string& stream, std::size_t limit, std::size_t* consumed = nullptr) {
    LineReader reader(limit);
    for (const char c : stream) {
        if (reader.feed(c)) break;
    }
    if (consumed) *consumed = reader.consumed;
    return reader.line;
}

}  // namespace

TEST(WireLineReader, StopsAtFirstLineFeedWithoutKeepingIt) {
    std::size_t consumed = 0;
    EXPECT_EQ(gather("MSG\x1Fx\nrest\n", FRAME_READ_LIMIT, &consumed), "MSG\x1Fx");
    EXPECT_EQ(consumed, 6u);
    EXPECT_EQ(gather("\n", FRAME_READ_LIMIT), "");
    EXPECT_EQ(gather("no terminator", FRAME_READ_LIMIT), "no terminator");
}

TEST(WireLineReader, DropsEveryCarriageReturnButCountsIt) {
    EXPECT_EQ(gather("\rM\rS\r\rG\r\n", FRAME_READ_LIMIT), "MSG");
    std::size_t consumed = 0;
    EXPECT_EQ(gather("\r\r\rAC", 4, &consumed), "A");
    EXPECT_EQ(consumed, 4u);
}

TEST(WireLineReader, CutsAtTheLimit) {
    const std::string big(FRAME_READ_LIMIT + 100, 'x');
    EXPECT_EQ(gather(big, FRAME_READ_LIMIT).size(), FRAME_READ_LIMIT);
    EXPECT_EQ(gather(std::string(300, 'A'), ACK_READ_LIMIT).size(), ACK_READ_LIMIT);
    // A line feed just past the limit is never reached.
    std::size_t consumed = 0;
    EXPECT_EQ(gather(std::string(ACK_READ_LIMIT, 'A') + "\n", ACK_READ_LIMIT, &consumed).size(), ACK_READ_LIMIT);
    EXPECT_EQ(consumed, ACK_READ_LIMIT);
}

TEST(WireLineReader, RefusesBytesOnceComplete) {
    LineReader reader(10);
    EXPECT_TRUE(reader.feed('\n'));
    EXPECT_TRUE(reader.feed('x'));
    EXPECT_EQ(reader.consumed, 1u);
    EXPECT_EQ(reader.line, "");
}

// The longest text the sending side allows, sealed for a recipient with the longest
// id a datagram can announce, still ends inside the receiver's read limit.
TEST(WireTextBudget, LongestAllowedTextFitsOneFrameInEitherMode) {
    const std::string user(40, 'u'), room(30, 'r');
    const std::size_t text = max_text_bytes(user.size(), room.size());
    ASSERT_GT(text, 40000u);
    const std::string id(DATAGRAM_BUFFER_SIZE, 'i');
    const std::string inner = "QUICK\x1F" + id + "-18446744073709551615\x1F" + id + "\x1F" + user + "\x1F" + room +
                              "\x1F" + std::string(text, 'x');
    EXPECT_LE(inner.size() + 1, FRAME_READ_LIMIT);
    const std::size_t plaintext = 20 + 1 + id.size() + 1 + inner.size();
    const std::size_t base64 = (plaintext + 16 + 2) / 3 * 4;
    EXPECT_LE(3 + 1 + 16 + 1 + 32 + 1 + 20 + 1 + base64 + 1, FRAME_READ_LIMIT);
    EXPECT_EQ(max_text_bytes(user.size(), room.size() + 1), text - 1);
    EXPECT_EQ(max_text_bytes(70000, 0), 0u);
    EXPECT_EQ(max_text_bytes(0, 70000), 0u);
}
