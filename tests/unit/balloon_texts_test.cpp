// The balloon of an arriving page, in full and private.
#include <gtest/gtest.h>

#include "alert/balloon_texts.h"

using namespace quillnet;

TEST(ArrivalBalloon, InFullItShowsTheTextOrTheFlag) {
    BalloonTexts b = arrival_balloon("MSG", u"Front Desk (Reception)", u"Mrs Smith is here", false);
    EXPECT_EQ(b.title, u"Front Desk (Reception)");
    EXPECT_EQ(b.text, u"Mrs Smith is here");
    b = arrival_balloon("QUICK", u"Ann", u"Pt Ready", false);
    EXPECT_EQ(b.title, u"Ann");
    EXPECT_EQ(b.text, u"\u00BB Pt Ready");
    b = arrival_balloon("FLAG", u"Ann (Op 2)", u"Red", false);
    EXPECT_EQ(b.title, u"Red FLAG");
    EXPECT_EQ(b.text, u"from Ann (Op 2)");
}

TEST(ArrivalBalloon, PrivatelyItNamesTheSenderAndTheKindButNeverTheText) {
    const std::u16string secret = u"Mr Jones, room 4, allergy";
    BalloonTexts b = arrival_balloon("MSG", u"Front Desk (Reception)", secret, true);
    EXPECT_EQ(b.title, u"Quillnet");
    EXPECT_EQ(b.text, u"Page from Front Desk (Reception)");
    b = arrival_balloon("QUICK", u"Front Desk (Reception)", secret, true);
    EXPECT_EQ(b.text, u"Quick message from Front Desk (Reception)");
    b = arrival_balloon("FLAG", u"Ann", u"Red", true);
    EXPECT_EQ(b.title, u"Quillnet");
    EXPECT_EQ(b.text, u"Red FLAG from Ann");
    // Any other kind is a typed page; a sender without a room has no parentheses.
    b = arrival_balloon("flag", u"Ann", secret, true);
    EXPECT_EQ(b.text, u"Page from Ann");
    for (const char* kind : {"MSG", "QUICK", "other"}) {
        b = arrival_balloon(kind, u"Ann", secret, true);
        EXPECT_EQ(b.title.find(u"Jones"), std::u16string::npos);
        EXPECT_EQ(b.text.find(u"Jones"), std::u16string::npos);
    }
}
