// The awaiting pages of this window, the Seen button and the urgent repeat timer.
#include <windows.h>

#include <string>
#include <vector>

#include "net/clock.h"
#include "net/line_kinds.h"
#include "ui/app_state.h"
#include "ui/seen.h"

namespace quillnet {

namespace {

struct Seen {
    HWND button = nullptr;
    AwaitingPages pages;
    bool timer_running = false;
};

Seen seen;

bool awaits(const std::string& kind) { return kind == KIND_MSG || kind == KIND_QUICK || kind == KIND_FLAG; }

void show_count() {
    if (!seen.button) return;
    const std::size_t n = seen.pages.count();
    const std::wstring text = n == 0 ? std::wstring(L"Seen") : L"Seen (" + std::to_wstring(n) + L")";
    SetWindowTextW(seen.button, text.c_str());
    EnableWindow(seen.button, n > 0);
}

void stop_repeats_when_done() {
    if (!seen.timer_running || seen.pages.repeats_pending()) return;
    if (const AppState* s = app())
        if (s->main_window) KillTimer(s->main_window, URGENT_REPEAT_TIMER);
    seen.timer_running = false;
}

void start_repeats(const AppState& s) {
    if (seen.timer_running || s.settings.urgent_repeat_s <= 0 || !s.main_window) return;
    if (!seen.pages.repeats_pending()) return;
    const UINT period = static_cast<UINT>(s.settings.urgent_repeat_s) * 1000u;
    seen.timer_running = SetTimer(s.main_window, URGENT_REPEAT_TIMER, period, nullptr) != 0;
}

void send_acknowledgements(AppState& s, const std::vector<AwaitingPage>& taken) {
    if (taken.empty()) return;
    std::vector<SeenRequest> requests;
    requests.reserve(taken.size());
    for (const AwaitingPage& page : taken) {
        SeenRequest request;
        request.page_id = page.page_id;
        request.sender_id = page.sender_id;
        request.sender_address = page.sender_address;
        request.reply_port = page.reply_port;
        request.arrived_ms = page.arrived_ms;
        requests.push_back(std::move(request));
    }
    s.engine.acknowledge_pages(requests);
}

void after_acknowledgement(AppState& s, const std::vector<AwaitingPage>& taken) {
    send_acknowledgements(s, taken);
    show_count();
    stop_repeats_when_done();
}

}  // namespace

void create_seen_button() {
    AppState* s = app();
    if (!s) return;
    seen = Seen{};
    seen.button = CreateWindowExW(0, L"BUTTON", L"Seen", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0, 0,
                                  10, 10, s->main_window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_SEEN_BUTTON)), s->instance,
                                  nullptr);
    if (seen.button) SendMessageW(seen.button, WM_SETFONT, reinterpret_cast<WPARAM>(s->normal_font), TRUE);
}

void forget_seen() {
    if (seen.timer_running) {
        if (const AppState* s = app())
            if (s->main_window) KillTimer(s->main_window, URGENT_REPEAT_TIMER);
    }
    seen = Seen{};
}

void layout_seen(const MainLayout& layout) {
    const ControlRect& r = layout.seen_button;
    if (seen.button) MoveWindow(seen.button, r.x, r.y, r.width, r.height, TRUE);
}

void page_shown(const IncomingMessage& message) {
    AppState* s = app();
    if (!s || !awaits(message.kind)) return;
    AwaitingPage page;
    page.page_id = message.message_id;
    page.sender_id = message.sender_id;
    page.sender_address = message.sender_address;
    page.reply_port = message.reply_port;
    page.arrived_ms = message.arrived_ms;
    page.shown_ms = milliseconds_since_start();
    page.kind = message.kind;
    page.user = message.user;
    page.room = message.room;
    page.text = message.text;
    page.colour = message.colour;
    page.urgent = message.urgent;
    seen.pages.add(std::move(page));
    show_count();
    start_repeats(*s);
}

void acknowledge_shown_pages() {
    AppState* s = app();
    if (!s) return;
    after_acknowledgement(*s, seen.pages.acknowledge(milliseconds_since_start()));
}

void acknowledge_flag_pages(const std::string& sender_id, const std::string& label) {
    AppState* s = app();
    if (!s) return;
    after_acknowledgement(*s, seen.pages.acknowledge_flag(sender_id, label));
}

std::size_t awaiting_page_count() { return seen.pages.count(); }

bool take_urgent_repeat(AwaitingPage& page) {
    const AwaitingPage* next = seen.pages.take_repeat();
    if (next) page = *next;
    stop_repeats_when_done();
    return next != nullptr;
}

bool pass_acknowledge_key(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_F11) return false;
    const AppState* s = app();
    if (s && s->main_window) PostMessageW(s->main_window, WM_COMMAND, MAKEWPARAM(IDM_ACKNOWLEDGE, 1), 0);
    return true;
}

}  // namespace quillnet
