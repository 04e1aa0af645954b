// The canonical configuration text and its safe replacement on disk.
#include "config/settings_writer.h"

#include <cstdio>

#include "base/file_io.h"
#include "config/loop_settings.h"
#include "config/settings_reader.h"

namespace quillnet {

namespace {

const char* flag_bit(bool b) { return b ? "1" : "0"; }

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A key is written in lower case; any other value is written as held, so that the
// text an administrator put there (and that keeps the network off) stays readable.
std::string site_key_text(const std::string& value) {
    if (value.size() != 64) return value;
    for (char c : value)
        if (!is_hex_digit(c)) return value;
    return ascii_lower(value);
}

}  // namespace

std::string colour_text(ColourRef colour) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", colour_red(colour), colour_green(colour),
                  colour_blue(colour));
    return buffer;
}

std::string settings_text(const Settings& s) {
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line("; Quillnet configuration (auto-saved).");
    line("");
    line("[identity]");
    line("user = " + s.user);
    line("room = " + s.room);
    line("");
    line("[network]");
    line("discovery_port = " + std::to_string(s.discovery_port));
    line("message_port   = " + std::to_string(s.message_port));
    std::string peers;
    for (std::size_t i = 0; i < s.seed_peers.size(); ++i) {
        if (i > 0) peers += ", ";
        peers += s.seed_peers[i];
    }
    line("seed_peers = " + peers);
    line("heartbeat_ms    = " + std::to_string(s.heartbeat_ms));
    line("peer_timeout_ms = " + std::to_string(s.peer_timeout_ms));
    line("");
    line("[sound]");
    line(std::string("enabled = ") + flag_bit(s.sound_enabled));
    line("file = " + s.sound_file);
    line("volume = " + std::to_string(s.volume));
    line("tone_freq = " + std::to_string(s.tone_freq));
    line("tone_ms = " + std::to_string(s.tone_ms));
    line("");
    line("[behavior]");
    line(std::string("always_on_top = ") + flag_bit(s.always_on_top));
    line(std::string("start_minimized = ") + flag_bit(s.start_minimized));
    line(std::string("auto_minimize_after_send = ") + flag_bit(s.auto_minimize_after_send));
    line(std::string("bring_to_front_on_receive = ") + flag_bit(s.bring_to_front_on_receive));
    line(std::string("interrupt_screensaver_on_receive = ") + flag_bit(s.interrupt_screensaver_on_receive));
    line("log_view_lines = " + std::to_string(s.log_view_lines));
    // Privacy of the desk.
    line(std::string("private_balloons = ") + flag_bit(s.private_balloons));
    line("history_days = " + std::to_string(s.history_days));
    line("");
    line("[quick_messages]");
    line("; F1..F10 quick messages sent with the function keys.");
    for (std::size_t i = 0; i < s.quick_messages.size() && i < MAX_QUICK_MESSAGES; ++i)
        line(std::to_string(i + 1) + " = " + s.quick_messages[i]);
    line("");
    line("[flags]");
    for (const FlagDefinition& f : s.flags) line(f.name + " = " + colour_text(f.colour));
    // Like [security], only present when something differs from the defaults.
    const std::vector<std::string> loop = loop_section_lines(s);
    if (!loop.empty()) line("");
    for (const auto& text : loop) line(text);
    // Only a workstation with a key gets the section, so an open one's file is
    // exactly what it was before sealed mode existed.
    if (!s.site_key.empty()) {
        line("");
        line("[security]");
        line("site_key = " + site_key_text(s.site_key));
    }
    return out;
}

bool save_settings(const Settings& settings) {
    if (settings.ini_path.empty()) return false;
    return replace_file_contents(settings.ini_path, settings_text(settings));
}

}  // namespace quillnet
