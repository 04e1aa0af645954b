// The paging loop's engine events in the window: acknowledgements of pages this copy
// sent, its flags cleared by others, peers' flags gone, urgent pages nobody saw.
#pragma once

#include "net/events.h"

namespace quillnet {

// "✓ seen by Dr Lee (Op 1):  » Will Call" (saved).
void on_page_seen(const PageSeen& seen);
// One "⚠ not seen yet by …" line per recipient (saved), and the sound once.
void on_page_not_seen(const PageNotSeen& not_seen);
// "⚑ Red cleared by Dr Lee (Op 2)" (saved); the board loses the row.
void on_own_flag_cleared(const OwnFlagCleared& cleared);
// "⚑ Red of Op 1 no longer shown (Op 1 left)" for each flag (not saved).
void on_peer_flags_gone(const PeerFlagsGone& gone);

}  // namespace quillnet
