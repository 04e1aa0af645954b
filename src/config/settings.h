// The configuration record of one workstation, its defaults and completion rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillnet {

// 0x00BBGGRR: red in the low byte, as Windows COLORREF.
using ColourRef = std::uint32_t;

constexpr ColourRef make_colour(unsigned red, unsigned green, unsigned blue) {
    return static_cast<ColourRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr unsigned colour_red(ColourRef c) { return c & 0xFF; }
constexpr unsigned colour_green(ColourRef c) { return (c >> 8) & 0xFF; }
constexpr unsigned colour_blue(ColourRef c) { return (c >> 16) & 0xFF; }

// Colour given to a flag whose colour text cannot be read.
constexpr ColourRef NEUTRAL_GREY = 0x00787878;

struct FlagDefinition {
    std::string name;  // UTF-8 label, shown on the button and sent as the flag's text
    ColourRef colour = 0;

    bool operator==(const FlagDefinition& other) const {
        return name == other.name && colour == other.colour;
    }
};

struct Settings {
    std::string user;
    std::string room;
    std::uint16_t discovery_port = 45777;
    std::uint16_t message_port = 45778;
    std::vector<std::string> seed_peers;
    std::int32_t heartbeat_ms = 3000;
    std::int32_t peer_timeout_ms = 12000;
    std::vector<std::string> quick_messages;
    std::vector<FlagDefinition> flags;
    bool sound_enabled = true;
    std::string sound_file;
    std::int32_t volume = 80;
    std::int32_t tone_freq = 880;
    std::int32_t tone_ms = 250;
    bool always_on_top = true;
    bool start_minimized = true;
    bool auto_minimize_after_send = true;
    bool bring_to_front_on_receive = true;
    bool interrupt_screensaver_on_receive = true;
    // [behavior] log_view_lines: the most lines the conversation log shows at once; the
    // oldest leave the view (the history file keeps them).
    std::int32_t log_view_lines = 5000;
    // [security] site_key as read (trimmed): empty means open mode; anything but 64
    // hexadecimal digits keeps the network off (see net/site_key.h). A section whose
    // lines give no site_key but hold something else puts SITE_KEY_NOT_READ_MARK and
    // the first such line here.
    std::string site_key;
    // [loop]: quick-message texts and flag labels that make a page urgent (matched by
    // matches_urgent), how often an urgent page's alert repeats at the recipient, and
    // when the sender checks whether it was seen (0 turns each off).
    std::vector<std::string> urgent = {"EMERG"};
    std::int32_t urgent_repeat_s = 20;
    std::int32_t urgent_escalate_s = 60;
    std::wstring ini_path;

    // [behavior] privacy of the desk: balloons that name only the sender and the kind
    // of page, and the number of days the history file keeps (0: no age limit).
    bool private_balloons = false;
    std::int32_t history_days = 0;

    bool operator==(const Settings& other) const;
};

constexpr std::size_t MAX_QUICK_MESSAGES = 10;
// The range log_view_lines is kept in.
constexpr std::int32_t MIN_LOG_VIEW_LINES = 100;
constexpr std::int32_t MAX_LOG_VIEW_LINES = 1000000;

// Begins the site_key of a [security] section that held lines but no key; it is never
// a valid key, so such a file keeps the network off, and saving keeps it so.
constexpr const char* SITE_KEY_NOT_READ_MARK = "not read: ";

const std::vector<std::string>& default_quick_messages();
const std::vector<FlagDefinition>& default_flags();

// Fills derived defaults and clamps the sound numbers (user from the computer
// name, room from user, default quick messages and flags, at most ten quick messages).
void complete_settings(Settings& settings);

// The computer name as UTF-8, or empty when the platform cannot give it.
std::string platform_computer_name();

}  // namespace quillnet
