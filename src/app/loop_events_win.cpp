// Log lines of the paging loop's engine events, and the board brought up to date.
#include "app/loop_events.h"

#include "alert/sound.h"
#include "base/text.h"
#include "base/win_text.h"
#include "ui/app_state.h"
#include "ui/board.h"
#include "ui/conversation_log.h"
#include "ui/log_core.h"
#include "ui/loop_lines.h"

namespace quillnet {

namespace {

std::u16string now_text() { return as_u16(format_time_of_day()); }

std::u16string label_of(const std::string& user, const std::string& room) {
    return sender_label(utf8_to_utf16(user), utf8_to_utf16(room));
}

}  // namespace

void on_page_seen(const PageSeen& seen) {
    const std::u16string line =
        seen_by_line(now_text(), label_of(seen.recipient_user, seen.recipient_room), utf8_to_utf16(seen.body));
    append_line(as_wide(line), true);
}

void on_page_not_seen(const PageNotSeen& not_seen) {
    AppState* s = app();
    if (!s || not_seen.recipients.empty()) return;
    for (const auto& recipient : not_seen.recipients) {
        const std::u16string line =
            not_seen_line(now_text(), label_of(recipient.first, recipient.second), utf8_to_utf16(not_seen.body));
        append_line(as_wide(line), true);
    }
    // Lines taken off the queue while the program leaves are only recorded.
    if (!s->settings.sound_enabled || s->exiting) return;
    // The sound is a side show; the lines are what counts.
    try {
        play_notification(s->settings.sound_file, s->settings.volume, s->settings.tone_freq, s->settings.tone_ms);
    } catch (...) {
    }
}

void on_own_flag_cleared(const OwnFlagCleared& cleared) {
    const std::u16string line = flag_cleared_by_line(now_text(), utf8_to_utf16(cleared.label),
                                                     label_of(cleared.clearer_user, cleared.clearer_room));
    append_line(as_wide(line), true);
    refresh_board();
}

void on_peer_flags_gone(const PeerFlagsGone& gone) {
    for (const std::string& label : gone.labels)
        append_line(as_wide(flag_gone_line(now_text(), utf8_to_utf16(label), utf8_to_utf16(gone.source))), false);
    refresh_board();
}

}  // namespace quillnet
