// The receiver's decisions on one frame line: acknowledgement, hand-over, flag colours.
#include <gtest/gtest.h>

#include "net/frame_rules.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

const std::vector<FlagDefinition> FLAGS{{"Red", make_colour(220, 0, 0)}, {"Blue", make_colour(0, 0, 220)},
                                        {"red", make_colour(1, 2, 3)}, {"\xC3\x84rzt", make_colour(9, 9, 9)}};

std::string frame(const std::string& kind, const std::vector<std::string>& fields) {
    const std::string line = encode_line(kind, fields);
    return line.substr(0, line.size() - 1);
}

}  // namespace

TEST(FrameRules, MessageKindsAreAcknowledgedWithTheirIdAndHandedOn) {
    for (const char* kind : {"MSG", "QUICK", "FLAG"}) {
        const FrameOutcome o = handle_frame_line(frame(kind, {"{S}-7", "{S}", "ann", "Op 1", "hello"}), "{ME}", FLAGS,
                                                 "10.0.0.3");
        EXPECT_EQ(o.acknowledgement, "ACK\x1F{S}-7\n") << kind;
        ASSERT_TRUE(o.message);
        EXPECT_EQ(o.message->kind, kind);
        EXPECT_EQ(o.message->user, "ann");
        EXPECT_EQ(o.message->room, "Op 1");
        EXPECT_EQ(o.message->text, "hello");
        EXPECT_EQ(o.message->sender_address, "10.0.0.3");
        EXPECT_EQ(o.message->colour, 0u);
    }
}

TEST(FrameRules, OtherKindsAreHandedOnWithoutAcknowledgement) {
    const FrameOutcome o = handle_frame_line(frame("PING", {"id", "{S}", "u", "r", "t"}), "{ME}", FLAGS, "1.2.3.4");
    EXPECT_TRUE(o.acknowledgement.empty());
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->kind, "PING");
    EXPECT_EQ(o.message->text, "t");
}

TEST(FrameRules, EmptyLinesAndOwnFramesGiveNothing) {
    FrameOutcome o = handle_frame_line("", "{ME}", FLAGS, "1.2.3.4");
    EXPECT_TRUE(o.acknowledgement.empty());
    EXPECT_FALSE(o.message);
    o = handle_frame_line(frame("MSG", {"{ME}-1", "{ME}", "me", "r", "t"}), "{ME}", FLAGS, "1.2.3.4");
    EXPECT_TRUE(o.acknowledgement.empty());
    EXPECT_FALSE(o.message);
}

TEST(FrameRules, ShortFramesReadMissingFieldsAsEmpty) {
    FrameOutcome o = handle_frame_line(frame("QUICK", {"id", "{S}", "ann"}), "{ME}", FLAGS, "1.2.3.4");
    EXPECT_EQ(o.acknowledgement, "ACK\x1Fid\n");
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->user, "ann");
    EXPECT_EQ(o.message->room, "");
    EXPECT_EQ(o.message->text, "");
    o = handle_frame_line("MSG", "{ME}", FLAGS, "1.2.3.4");
    EXPECT_EQ(o.acknowledgement, "ACK\x1F\n");
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->kind, "MSG");
}

TEST(FrameRules, FlagColourIsTheFirstLabelMatchedIgnoringAsciiCase) {
    auto colour_of = [](const std::string& text) {
        return handle_frame_line(frame("FLAG", {"id", "{S}", "u", "r", text}), "{ME}", FLAGS, "1.2.3.4")
            .message->colour;
    };
    EXPECT_EQ(colour_of("red"), make_colour(220, 0, 0));
    EXPECT_EQ(colour_of("RED"), make_colour(220, 0, 0));
    EXPECT_EQ(colour_of("bLuE"), make_colour(0, 0, 220));
    EXPECT_EQ(colour_of("Green"), 0u);
    EXPECT_EQ(colour_of("Red "), 0u);
    EXPECT_EQ(colour_of("\xC3\x84rzt"), make_colour(9, 9, 9));
    EXPECT_EQ(colour_of("\xC3\xA4rzt"), 0u);  // only ASCII letters fold
    // A MSG whose text names a flag carries no colour.
    EXPECT_EQ(handle_frame_line(frame("MSG", {"id", "{S}", "u", "r", "Red"}), "{ME}", FLAGS, "x").message->colour, 0u);
}

TEST(FrameRules, AsciiCaseFolding) {
    EXPECT_TRUE(equal_ignoring_ascii_case("", ""));
    EXPECT_TRUE(equal_ignoring_ascii_case("Az[`@", "aZ[`@"));
    EXPECT_FALSE(equal_ignoring_ascii_case("[", "{"));
    EXPECT_FALSE(equal_ignoring_ascii_case("a", "ab"));
}
