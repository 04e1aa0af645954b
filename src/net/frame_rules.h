// What the message receiver does with one gathered frame line: whether to answer with
// an acknowledgement and what to hand to the window.
#pragma once

#include <functional>
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
    // Takes a SEEN or CLEAR line that ended with its line feed, with the sender's
    // address, before it is acknowledged; empty: such frames are only acknowledged.
    std::function<void(const std::string&, const std::string&)> loop_frames;
};

struct FrameOutcome {
    std::string acknowledgement;               // empty: no reply is sent
    std::unique_ptr<IncomingMessage> message;  // null: nothing is posted
    std::string loop_line;                     // a SEEN or CLEAR line for the engine
};

// An empty line, or one whose field 1 is own_id, gives nothing. MSG, QUICK and FLAG are
// acknowledged; SEEN and CLEAR are acknowledged and handed to the engine (loop_line),
// never to the window; every other kind is handed on with user, room and text from
// fields 2..4. Reply port and urgency come from fields 5 and 6 (the caller drops them
// when the line was cut).
FrameOutcome handle_frame_line(const std::string& line, const std::string& own_id,
                               const std::vector<FlagDefinition>& flags, const std::string& sender_address);

// The colour of the first flag whose label equals text with ASCII letters compared
// without regard to case (other bytes exactly); 0 when none does.
ColourRef flag_colour_for(const std::vector<FlagDefinition>& flags, const std::string& text);

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b);

}  // namespace quillnet
