// The online rooms list: rebuilt from the engine's peer snapshot with the user's
// selection kept by instance id, and the hand-off of delivery results to the log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "net/peer_table.h"

namespace quillnet {

// Rebuilds the list, room_keys and the caption "Online rooms (N)".
void refresh_rooms_list();
// Instance ids of the selected rows, in the order the list reports them.
std::vector<std::string> selected_room_keys();
// The row of one peer: user, or user + "  —  " + room when the room differs.
std::wstring room_row_text(const PeerRecord& peer);
// WM_APP_DELIVERY_RESULT: completes the logged line and frees the record (null ignored).
void on_delivery_result(LPARAM payload);

}  // namespace quillnet
