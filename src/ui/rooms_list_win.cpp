// The online rooms list: one row per other instance in the engine's sorted snapshot,
// room_keys holding each row's instance id, and the selection carried across rebuilds
// by id rather than by row index.
#include <windows.h>

#include <memory>
#include <vector>

#include "ui/app_state.h"
#include "base/win_text.h"
#include "net/events.h"
#include "ui/conversation_log.h"
#include "ui/key_texts.h"
#include "ui/log_core.h"
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

namespace {

std::vector<std::wstring> names_of(const AppState& s, const std::vector<std::string>& ids) {
    std::vector<std::wstring> names;
    for (const std::string& id : ids) {
        for (std::size_t row = 0; row < s.room_keys.size() && row < s.room_names.size(); ++row) {
            if (s.room_keys[row] == id) names.push_back(s.room_names[row]);
        }
    }
    return names;
}

}  // namespace

void refresh_rooms_list() {
    AppState* s = app();
    if (!s) return;
    const std::vector<std::string> selected = selected_room_keys();
    const std::vector<std::wstring> selected_names = names_of(*s, selected);
    const PeerSnapshot snapshot = s->engine.snapshot_peers();

    SendMessageW(s->rooms_list, LB_RESETCONTENT, 0, 0);
    s->room_keys.clear();
    s->room_names.clear();
    for (const PeerRecord& peer : snapshot) {
        const std::wstring row = room_row_text(peer);
        SendMessageW(s->rooms_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
        s->room_keys.push_back(peer.id);
        s->room_names.push_back(to_wide(peer.room.empty() ? peer.user : peer.room));
    }
    bool kept = false;
    for (std::size_t row = 0; row < s->room_keys.size(); ++row) {
        for (const std::string& id : selected) {
            if (s->room_keys[row] == id) {
                SendMessageW(s->rooms_list, LB_SETSEL, TRUE, static_cast<LPARAM>(row));
                kept = true;
            }
        }
    }
    // Every selected room left: "nothing selected" would now mean everyone, which the
    // user never chose. Remember who left until the user chooses again.
    if (!selected.empty() && !kept) s->departed_selection = selected_names;
    const std::wstring caption = L"Online rooms (" + std::to_wstring(snapshot.size()) + L")";
    // A sealed workstation says so over its rooms, as in its title.
    SetWindowTextW(s->rooms_caption,
                   (is_site_key(s->settings.site_key) ? caption + L" \u2014 sealed" : caption).c_str());
}

void on_rooms_selection_changed() {
    AppState* s = app();
    if (!s) return;
    s->departed_selection.clear();
    // Choosing rooms means sending to them: the box no longer claims everyone.
    if (SendMessageW(s->rooms_list, LB_GETSELCOUNT, 0, 0) > 0)
        SendMessageW(s->everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
}

void on_everyone_clicked() {
    AppState* s = app();
    if (!s) return;
    s->departed_selection.clear();
    // Ticked, the box sends to everyone: no row stays highlighted as if it were the target.
    if (SendMessageW(s->everyone_check, BM_GETCHECK, 0, 0) == BST_CHECKED)
        SendMessageW(s->rooms_list, LB_SETSEL, FALSE, -1);
}

bool send_refused_after_departures() {
    AppState* s = app();
    if (!s || s->departed_selection.empty()) return false;
    if (SendMessageW(s->everyone_check, BM_GETCHECK, 0, 0) == BST_CHECKED || !selected_room_keys().empty())
        return false;
    std::vector<std::u16string> names;
    for (const std::wstring& name : s->departed_selection) names.push_back(as_u16(name));
    append_line(as_wide(refused_send_line(names)), false);
    return true;
}

void on_delivery_result(const DeliveryResult& result) {
    apply_delivery_result(result.message_id, result.acknowledged, result.attempted);
}

}  // namespace quillnet
