// The open protocol's side of qnsend's wire seam.
#include "qnsend/wire_mode.h"

namespace quillnet {

bool choose_wire_mode(const Settings& settings, WireMode& mode, std::string& error) {
    mode = WireMode();
    if (!settings.site_key.empty()) {
        error = "sealed mode (site_key) is not supported yet";
        return false;
    }
    return true;
}

bool read_received_line(const WireMode&, const std::string& line, ParsedLine& out) {
    out = parse_line(line);
    return true;
}

std::string frame_for_recipient(const WireMode&, const OutgoingPage& page, const std::string& message_id,
                                const std::string& own_id, const PeerRecord&) {
    return page_frame(page, message_id, own_id);
}

}  // namespace quillnet
