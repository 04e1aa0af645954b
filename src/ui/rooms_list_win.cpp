// The online rooms list: one row per other instance in the engine's sorted snapshot,
// room_keys holding each row's instance id, and the selection carried across rebuilds
// by id rather than by row index.
#include <windows.h>

#include <memory>
#include <vector>

#include "app/app_state.h"
#include "base/win_text.h"
#include "net/events.h"
#include "ui/conversation_log.h"
#include "ui/key_texts.h"
#include "ui/rooms_list.h"

namespace quillnet {

std::vector<std::string> selected_room_keys() {
    std::vector<std::string> ids;
    const AppState* s = app();
    if (!s) return ids;
    const LRESULT count = SendMessageW(s->rooms_list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return ids;
    std::vector<int> rows(static_cast<std::size_t>(count));
    const LRESULT got = SendMessageW(s->rooms_list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                     reinterpret_cast<LPARAM>(rows.data()));
    // Indices the list reports beyond room_keys (or negative) name no peer.
    for (LRESULT i = 0; i < got && i < count; ++i) {
        const int row = rows[static_cast<std::size_t>(i)];
        if (row >= 0 && static_cast<std::size_t>(row) < s->room_keys.size())
            ids.push_back(s->room_keys[static_cast<std::size_t>(row)]);
    }
    return ids;
}

std::wstring room_row_text(const PeerRecord& peer) {
    std::wstring text = to_wide(peer.user);
    if (!peer.room.empty() && peer.room != peer.user) text += L"  \u2014  " + to_wide(peer.room);
    return text;
}

void refresh_rooms_list() {
    AppState* s = app();
    if (!s) return;
    const std::vector<std::string> selected = selected_room_keys();
    const PeerSnapshot snapshot = s->engine.snapshot_peers();

    SendMessageW(s->rooms_list, LB_RESETCONTENT, 0, 0);
    s->room_keys.clear();
    for (const PeerRecord& peer : snapshot) {
        const std::wstring row = room_row_text(peer);
        SendMessageW(s->rooms_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        s->room_keys.push_back(peer.id);
    }
    for (std::size_t row = 0; row < s->room_keys.size(); ++row) {
        for (const std::string& id : selected) {
            if (s->room_keys[row] == id) SendMessageW(s->rooms_list, LB_SETSEL, TRUE, static_cast<LPARAM>(row));
        }
    }
    const std::wstring caption = L"Online rooms (" + std::to_wstring(snapshot.size()) + L")";
    // A sealed workstation says so over its rooms, as in its title.
    SetWindowTextW(s->rooms_caption,
                   (is_site_key(s->settings.site_key) ? caption + L" \u2014 sealed" : caption).c_str());
}

void on_delivery_result(LPARAM payload) {
    // The window owns the record from the moment it is taken off the queue.
    std::unique_ptr<DeliveryResult> result(reinterpret_cast<DeliveryResult*>(payload));
    if (!result) return;
    apply_delivery_result(result->message_id, result->acknowledged, result->attempted);
}

}  // namespace quillnet
