// Reading the configuration dialog's fields back into a settings record.
#include <windows.h>

#include <string>
#include <vector>

#include "base/win_text.h"
#include "config/config_dialog.h"
#include "config/config_dialog_controls.h"
#include "config/config_dialog_loop.h"
#include "config/settings_reader.h"

namespace quillnet {

namespace {

std::string utf8_text(HWND control) { return to_utf8(control_text(control)); }

// The ten fields F1..F10; empty fields at the end are dropped, an empty field
// before a filled one stays so that the later keys keep their slots.
std::vector<std::string> read_quick_messages(const ConfigDialogControls& c) {
    std::vector<std::string> texts;
    for (HWND edit : c.quick_edits) texts.push_back(utf8_text(edit));
    while (!texts.empty() && texts.back().empty()) texts.pop_back();
    return texts;
}

}  // namespace

void read_dialog_fields(Settings& s) {
    const ConfigDialogControls& c = config_dialog_controls();
    s.user = utf8_text(c.user_edit);
    s.room = utf8_text(c.room_edit);
    if (s.user.empty()) s.user = "Workstation";
    if (s.room.empty()) s.room = s.user;
    s.quick_messages = read_quick_messages(c);
    s.sound_enabled = is_checked(c.sound_enabled);
    s.sound_file = utf8_text(c.sound_file_edit);
    s.volume = trackbar_position(c.volume_trackbar);
    s.always_on_top = is_checked(c.always_on_top);
    s.start_minimized = is_checked(c.start_minimized);
    s.auto_minimize_after_send = is_checked(c.auto_minimize);
    s.bring_to_front_on_receive = is_checked(c.bring_to_front);
    s.interrupt_screensaver_on_receive = is_checked(c.interrupt_screensaver);
    read_loop_fields(s);
    // Privacy of the desk. A field left empty means no age limit; digits beyond the
    // range keep the value as it was.
    s.private_balloons = is_checked(c.private_balloons);
    const std::string days = utf8_text(c.history_days_edit);
    std::int32_t n = 0;
    if (days.empty()) s.history_days = 0;
    else if (parse_number(days, n) && n >= 0) s.history_days = n;
}

bool start_at_login_checked() { return is_checked(config_dialog_controls().start_at_login); }

}  // namespace quillnet
