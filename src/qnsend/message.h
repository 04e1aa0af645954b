// The page qnsend sends: its frame kind and body, chosen from the options and the
// settings exactly as the window chooses them for a typed text, a quick message or a flag.
#pragma once

#include <string>

#include "config/settings.h"
#include "qnsend/options.h"

namespace quillnet {

struct OutgoingPage {
    std::string kind;  // "MSG", "QUICK" or "FLAG"
    std::string body;  // the text, the quick-message text or the flag's name
    std::string user;  // sender identity
    std::string room;
};

// Chooses kind and body; false with a usage message when --quick N is not a configured
// quick message, the flag is not configured, or the body does not fit one frame.
bool choose_page(const QnsendOptions& options, const Settings& settings, OutgoingPage& page, std::string& error);

// The frame fields after the kind, as the engine sends them.
std::string page_frame(const OutgoingPage& page, const std::string& message_id, const std::string& instance_id);

}  // namespace quillnet
