// The tray balloon of an arriving page: what it says, in full or privately.
#pragma once

#include <string>

namespace quillnet {

struct BalloonTexts {
    std::u16string title;
    std::u16string text;
};

// kind: the page's kind word; sender: the sender label; text: the page's text (a flag's
// label for a flag). A private balloon names only the sender and the kind of page
// ("Page from …", "Quick message from …", "Red FLAG from …"), never the text: the
// system may keep balloons in its notification history on disk.
BalloonTexts arrival_balloon(const std::string& kind, const std::u16string& sender, const std::u16string& text,
                             bool private_balloon);

}  // namespace quillnet
