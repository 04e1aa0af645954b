// Delivering one page to its recipients, all at once, each over its own connection.
#pragma once

#include <string>
#include <vector>

#include "qnsend/report.h"
#include "qnsend/wire_mode.h"

namespace quillnet {

// One thread per recipient; returns every recipient's outcome in the order given.
std::vector<RecipientOutcome> deliver_page(const WireMode& mode, const OutgoingPage& page,
                                           const std::string& message_id, const std::string& own_id,
                                           const std::vector<PeerRecord>& recipients);

}  // namespace quillnet
