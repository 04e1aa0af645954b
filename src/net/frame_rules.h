// What the message receiver does with one gathered frame line: whether to answer with
// an acknowledgement and what to hand to the window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "net/events.h"

namespace quillnet {

class NoticeBoard;
class SealedWire;

// What the receiver knows about itself when it judges a frame.
struct FrameContext {
    const std::string& own_id;
    const std::vector<FlagDefinition>& flags;
    SealedWire* sealed = nullptr;    // null in open mode
    NoticeBoard* notices = nullptr;  // null: no notices are posted
    WindowHandle window = nullptr;   // where complete frames are posted
};

struct FrameOutcome {
    std::string acknowledgement;               // empty: no reply is sent
    std::unique_ptr<IncomingMessage> message;  // null: nothing is posted
};

// An empty line, or one whose field 1 is own_id, gives nothing. MSG, QUICK and FLAG are
// acknowledged; every kind is handed on with user, room and text from fields 2..4.
FrameOutcome handle_frame_line(const std::string& line, const std::string& own_id,
                               const std::vector<FlagDefinition>& flags, const std::string& sender_address);

// The colour of the first flag whose label equals text with ASCII letters compared
// without regard to case (other bytes exactly); 0 when none does.
ColourRef flag_colour_for(const std::vector<FlagDefinition>& flags, const std::string& text);

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b);

}  // namespace quillnet
