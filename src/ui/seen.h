// Seen: the pages shown here that await a person's acknowledgement, the Seen button
// 113 with their count, F11 and the banner click, and the urgent pages' repeats. The
// feature keeps its own state; the window hands it the pages it shows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "net/events.h"
#include "ui/awaiting_pages.h"
#include "ui/layout.h"

namespace quillnet {

// Creates the Seen button (disabled, nothing awaits) and forgets earlier pages.
void create_seen_button();
// Forgets the button and the pages (the window is gone).
void forget_seen();
void layout_seen(const MainLayout& layout);

// The line of message was shown: a MSG, QUICK or FLAG page starts awaiting; an urgent
// one starts the repeat timer.
void page_shown(const IncomingMessage& message);
// A person acknowledged (Seen, F11, a click on the banner): every page shown at least
// a second before stops awaiting, and the engine sends SEEN where the rules allow.
void acknowledge_shown_pages();
// The FLAG pages of sender_id with that label stop awaiting and are acknowledged.
void acknowledge_flag_pages(const std::string& sender_id, const std::string& label);
std::size_t awaiting_page_count();

// The newest urgent page that awaits with repeats left, which loses one; false when
// none has (the repeat timer is then stopped).
bool take_urgent_repeat(AwaitingPage& page);

// F11 pressed in a modal window of the program: acknowledges as in the main window.
// True when msg was that key.
bool pass_acknowledge_key(const MSG& msg);

}  // namespace quillnet
