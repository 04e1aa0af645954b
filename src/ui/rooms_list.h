// The online rooms list: rebuilt from the engine's peer snapshot with the user's
// selection kept by instance id, and the hand-off of delivery results to the log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "net/events.h"
#include "net/peer_table.h"

namespace quillnet {

// Rebuilds the list, room_keys and the caption "Online rooms (N)".
void refresh_rooms_list();
// Instance ids of the selected rows, in the order the list reports them.
std::vector<std::string> selected_room_keys();
// The row of one peer: user, or user + "  —  " + room when the room differs.
std::wstring room_row_text(const PeerRecord& peer);
// The user changed the selection (LBN_SELCHANGE): rooms chosen untick "Send to everyone".
void on_rooms_selection_changed();
// The user clicked "Send to everyone": ticked, it clears the selection.
void on_everyone_clicked();
// When every room the user had selected has left and the box is off with nothing
// selected: logs why nothing is sent and returns true.
bool send_refused_after_departures();
// WM_APP_DELIVERY_RESULT: completes the logged line.
void on_delivery_result(const DeliveryResult& result);

}  // namespace quillnet
