// The page qnsend sends: its frame kind and body, chosen from the options and the
// settings exactly as the window chooses them for a typed text, a quick message or a flag.
#pragma once

#include <cstdint>
#include <string>

#include "config/settings.h"
#include "qnsend/options.h"

namespace quillnet {

struct OutgoingPage {
    std::string kind;  // "MSG", "QUICK" or "FLAG"
    std::string body;  // the text, the quick-message text or the flag's name
    std::string user;  // sender identity
    std::string room;
    bool urgent = false;
    std::uint16_t reply_port = 0;  // where SEEN frames go; 0: none is asked for
};

// Chooses kind and body; false with a usage message when --quick N is not a configured
// quick message, the flag is not configured, or the body does not fit one frame.
bool choose_page(const QnsendOptions& options, const Settings& settings, OutgoingPage& page, std::string& error);

// The frame, as the engine sends it: fields 0..4, the reply port (empty when none) and
// the urgent mark.
std::string page_frame(const OutgoingPage& page, const std::string& message_id, const std::string& instance_id);

}  // namespace quillnet
