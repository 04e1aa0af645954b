// Engine events into the window: the payload of each becomes owned here, goes to the
// feature it is for (rooms list and board, arrival alerts, conversation log, the
// paging loop's lines) and is freed here.
#include "app/engine_events.h"

#include <memory>
#include <vector>

#include "alert/alerts.h"
#include "app/loop_events.h"
#include "net/events.h"
#include "ui/app_state.h"
#include "ui/board.h"
#include "ui/conversation_log.h"
#include "ui/rooms_list.h"

namespace quillnet {

namespace {

template <typename Payload>
std::unique_ptr<Payload> take(LPARAM payload) {
    return std::unique_ptr<Payload>(reinterpret_cast<Payload*>(payload));
}

void on_peers_changed(HWND window) {
    // One rebuild reads the whole peer table, so further notices already queued would
    // only rebuild the same list again; a burst of arrivals (or a flood of made-up
    // peers) then costs one rebuild instead of one per peer.
    MSG queued;
    while (PeekMessageW(&queued, window, WM_APP_PEERS_CHANGED, WM_APP_PEERS_CHANGED, PM_REMOVE)) {
    }
    // Before the table is read, so a change after this point posts a fresh notice.
    if (AppState* s = app()) s->engine.peers_notice_handled();
    refresh_rooms_list();
    refresh_board();
}

// Frees a payload of kind message without handling it.
void discard(UINT message, LPARAM payload) { free_engine_payload(message, reinterpret_cast<void*>(payload)); }

}  // namespace

bool is_engine_event(UINT message) {
    switch (message) {
    case WM_APP_PEERS_CHANGED:
    case WM_APP_MESSAGE_RECEIVED:
    case WM_APP_DELIVERY_RESULT:
    case WM_APP_ENGINE_NOTICE:
    case WM_APP_OWN_FLAG_CLEARED:
    case WM_APP_PEER_FLAGS_GONE:
    case WM_APP_PAGE_SEEN:
    case WM_APP_NOT_SEEN: return true;
    default: return false;
    }
}

LRESULT on_engine_event(HWND window, UINT message, LPARAM payload) {
    switch (message) {
    case WM_APP_PEERS_CHANGED: on_peers_changed(window); break;
    case WM_APP_MESSAGE_RECEIVED:
        if (auto message_record = take<IncomingMessage>(payload)) on_message_received(*message_record);
        break;
    case WM_APP_DELIVERY_RESULT:
        if (auto result = take<DeliveryResult>(payload)) on_delivery_result(*result);
        break;
    case WM_APP_ENGINE_NOTICE:
        if (auto notice = take<EngineNotice>(payload)) on_engine_notice(*notice);
        break;
    case WM_APP_OWN_FLAG_CLEARED:
        if (auto cleared = take<OwnFlagCleared>(payload)) on_own_flag_cleared(*cleared);
        break;
    case WM_APP_PEER_FLAGS_GONE:
        if (auto gone = take<PeerFlagsGone>(payload)) on_peer_flags_gone(*gone);
        break;
    case WM_APP_PAGE_SEEN:
        if (auto seen = take<PageSeen>(payload)) on_page_seen(*seen);
        break;
    case WM_APP_NOT_SEEN:
        if (auto not_seen = take<PageNotSeen>(payload)) on_page_not_seen(*not_seen);
        break;
    default: discard(message, payload); break;
    }
    return 0;
}

void drain_queued_engine_events(HWND window) {
    std::vector<MSG> others;
    MSG msg;
    while (PeekMessageW(&msg, window, WM_APP_BASE, WM_APP_BASE + 0x3FFF, PM_REMOVE)) {
        if (is_engine_event(msg.message))
            on_engine_event(window, msg.message, msg.lParam);
        else
            others.push_back(msg);
    }
    for (const MSG& other : others) PostMessageW(other.hwnd, other.message, other.wParam, other.lParam);
}

void free_queued_engine_events() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_APP_BASE, WM_APP_BASE + 0x3FFF, PM_REMOVE))
        if (is_engine_event(msg.message)) discard(msg.message, msg.lParam);
}

}  // namespace quillnet
