// Defaults and completion of the settings record.
#include "config/settings.h"

namespace quillnet {

bool Settings::operator==(const Settings& o) const {
    return user == o.user && room == o.room && discovery_port == o.discovery_port &&
           message_port == o.message_port && seed_peers == o.seed_peers &&
           heartbeat_ms == o.heartbeat_ms && peer_timeout_ms == o.peer_timeout_ms &&
           quick_messages == o.quick_messages && flags == o.flags &&
           sound_enabled == o.sound_enabled && sound_file == o.sound_file && volume == o.volume &&
           tone_freq == o.tone_freq && tone_ms == o.tone_ms && always_on_top == o.always_on_top &&
           start_minimized == o.start_minimized &&
           auto_minimize_after_send == o.auto_minimize_after_send &&
           bring_to_front_on_receive == o.bring_to_front_on_receive &&
           interrupt_screensaver_on_receive == o.interrupt_screensaver_on_receive &&
           log_view_lines == o.log_view_lines &&
           site_key == o.site_key && ini_path == o.ini_path &&
           private_balloons == o.private_balloons && history_days == o.history_days && urgent == o.urgent &&
           urgent_repeat_s == o.urgent_repeat_s && urgent_escalate_s == o.urgent_escalate_s;
}

const std::vector<std::string>& default_quick_messages() {
    static const std::vector<std::string> defaults = {
        "Yes", "No", "Take Msg", "Will Call", "Pt Ready",
        "Do Premed", "Wait", "Next Case", "Come Here", "EMERG"};
    return defaults;
}

const std::vector<FlagDefinition>& default_flags() {
    static const std::vector<FlagDefinition> defaults = {
        {"Red", make_colour(220, 40, 40)},     {"Blue", make_colour(40, 90, 220)},
        {"Green", make_colour(30, 160, 60)},   {"Yellow", make_colour(230, 190, 30)},
        {"Orange", make_colour(235, 130, 20)}, {"Purple", make_colour(140, 60, 190)}};
    return defaults;
}

void complete_settings(Settings& s) {
    if (s.user.empty()) {
        s.user = platform_computer_name();
        if (s.user.empty()) s.user = "Workstation";
    }
    if (s.room.empty()) s.room = s.user;
    if (s.quick_messages.empty()) s.quick_messages = default_quick_messages();
    if (s.quick_messages.size() > MAX_QUICK_MESSAGES) s.quick_messages.resize(MAX_QUICK_MESSAGES);
    if (s.flags.empty()) s.flags = default_flags();
    if (s.volume < 0) s.volume = 0;
    if (s.volume > 100) s.volume = 100;
    if (s.tone_freq < 100) s.tone_freq = 100;
    if (s.tone_ms < 30) s.tone_ms = 30;
    if (s.log_view_lines < MIN_LOG_VIEW_LINES) s.log_view_lines = MIN_LOG_VIEW_LINES;
    if (s.log_view_lines > MAX_LOG_VIEW_LINES) s.log_view_lines = MAX_LOG_VIEW_LINES;
    if (s.history_days < 0) s.history_days = 0;
    // Port 0 would bind a random port and announce one nobody can reach.
    if (s.discovery_port == 0) s.discovery_port = Settings{}.discovery_port;
    if (s.message_port == 0) s.message_port = Settings{}.message_port;
}

}  // namespace quillnet
