// The configuration file's grammar: sections, key = value lines, whole-line comments.
#include "config/settings_reader.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "base/file_io.h"
#include "base/text.h"
#include "config/loop_settings.h"

namespace quillnet {

namespace {

bool is_trim_char(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct QuickEntry {
    std::int32_t order;
    std::string text;
};

struct ReaderState {
    Settings settings;
    std::string section;
    std::vector<QuickEntry> quick;
    std::vector<FlagDefinition> flags;
    // The first line of [security] that gives no site_key: a misspelt key, a value
    // on a line of its own. Unless a site_key line gives a value, it keeps the
    // network off.
    std::string security_stray;
};

void note_security_stray(ReaderState& st, const std::string& line) {
    if (st.security_stray.empty()) st.security_stray = line;
}

void set_number(const std::string& value, std::int32_t& field) {
    std::int32_t n;
    if (parse_number(value, n)) field = n;
}

void set_port(const std::string& value, std::uint16_t& field) {
    std::int32_t n;
    if (parse_number(value, n)) field = static_cast<std::uint16_t>(static_cast<std::uint32_t>(n) & 0xFFFF);
}

void apply_line(ReaderState& st, const std::string& raw_key, const std::string& key, const std::string& value) {
    Settings& s = st.settings;
    const std::string& sec = st.section;
    if (sec == "identity") {
        if (key == "user" || key == "name") s.user = value;
        else if (key == "room") s.room = value;
    } else if (sec == "network") {
        if (key == "discovery_port") set_port(value, s.discovery_port);
        else if (key == "message_port") set_port(value, s.message_port);
        else if (key == "seed_peers") s.seed_peers = split_list(value);
        else if (key == "heartbeat_ms") set_number(value, s.heartbeat_ms);
        else if (key == "peer_timeout_ms") set_number(value, s.peer_timeout_ms);
    } else if (sec == "sound") {
        if (key == "enabled") {
            const std::string lower = ascii_lower(value);
            s.sound_enabled = value == "1" || lower == "true" || lower == "yes";
        } else if (key == "file") {
            s.sound_file = value;
        } else if (key == "volume") {
            set_number(value, s.volume);
        } else if (key == "tone_freq") {
            set_number(value, s.tone_freq);
        } else if (key == "tone_ms") {
            set_number(value, s.tone_ms);
        }
    } else if (sec == "behavior") {
        if (key == "always_on_top") s.always_on_top = parse_switch(value);
        else if (key == "start_minimized") s.start_minimized = parse_switch(value);
        else if (key == "auto_minimize_after_send") s.auto_minimize_after_send = parse_switch(value);
        else if (key == "bring_to_front_on_receive" || key == "auto_maximize_on_receive")
            s.bring_to_front_on_receive = parse_switch(value);
        else if (key == "interrupt_screensaver_on_receive")
            s.interrupt_screensaver_on_receive = parse_switch(value);
        else if (key == "log_view_lines")
            set_number(value, s.log_view_lines);
        // Privacy of the desk.
        else if (key == "private_balloons")
            s.private_balloons = parse_switch(value);
        else if (key == "history_days")
            set_number(value, s.history_days);
    } else if (sec == "quick_messages") {
        std::int32_t order;
        if (!parse_number(key, order)) order = static_cast<std::int32_t>(st.quick.size() + 1);
        if (!value.empty()) st.quick.push_back({order, value});
    } else if (sec == "flags") {
        st.flags.push_back({raw_key, parse_colour(value, NEUTRAL_GREY)});
    } else if (sec == "loop") {
        apply_loop_key(s, key, value);
    } else if (sec == "security") {
        // Kept as read: whether it is a valid key is decided where it is used.
        if (key == "site_key") s.site_key = value;
    }
}

void read_line(ReaderState& st, const std::string& raw_line) {
    const std::string line = trim(raw_line);
    if (line.empty() || line[0] == ';' || line[0] == '#') return;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
        st.section = ascii_lower(trim(line.substr(1, line.size() - 2)));
        return;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
        if (st.section == "security") note_security_stray(st, line);
        return;
    }
    const std::string raw_key = trim(line.substr(0, eq));
    const std::string key = ascii_lower(raw_key);
    if (st.section == "security" && key != "site_key") note_security_stray(st, line);
    apply_line(st, raw_key, key, trim(line.substr(eq + 1)));
}

}  // namespace

std::string trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && is_trim_char(s[begin])) ++begin;
    while (end > begin && is_trim_char(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::string ascii_lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string> split_list(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        const std::string piece = trim(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!piece.empty()) out.push_back(piece);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

bool parse_switch(const std::string& s) {
    const std::string v = ascii_lower(s);
    return v == "1" || v == "true" || v == "yes" || v == "on";
}

bool parse_number(const std::string& s, std::int32_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i >= s.size() || !is_digit(s[i])) return false;
    // Accumulate in 64 bits and give up as soon as the magnitude leaves the 32-bit range.
    std::int64_t magnitude = 0;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        magnitude = magnitude * 10 + (s[i] - '0');
        if (magnitude > limit) return false;
    }
    out = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

ColourRef parse_colour(const std::string& text, ColourRef fallback) {
    std::string t = trim(text);
    if (t.empty()) return fallback;
    if (t[0] == '#') t.erase(0, 1);
    if (t.size() != 6) return fallback;
    const char* begin = t.c_str();
    char* end = nullptr;
    const unsigned long v = std::strtoul(begin, &end, 16);
    if (end == begin) return fallback;
    return make_colour((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::string settings_bytes_as_utf8(const std::string& bytes) {
    // Notepad's "UTF-8" starts with a byte-order mark, which would hide the first
    // section; its "Unicode" is UTF-16 little-endian with a mark, read here as text.
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return bytes;
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return utf16_to_utf8(units);
}

Settings parse_settings_text(const std::string& raw_bytes, const std::wstring& path) {
    const std::string bytes = settings_bytes_as_utf8(raw_bytes);
    ReaderState st;
    st.settings.ini_path = path;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) {
            read_line(st, bytes.substr(start));
            break;
        }
        read_line(st, bytes.substr(start, lf - start));
        start = lf + 1;
    }
    std::stable_sort(st.quick.begin(), st.quick.end(),
                     [](const QuickEntry& a, const QuickEntry& b) { return a.order < b.order; });
    for (QuickEntry& q : st.quick) st.settings.quick_messages.push_back(std::move(q.text));
    st.settings.flags = std::move(st.flags);
    // A [security] section that tried to give a key and gave none must not open the
    // workstation: what it holds stands in for the key, marked so it never is one.
    if (st.settings.site_key.empty() && !st.security_stray.empty())
        st.settings.site_key = SITE_KEY_NOT_READ_MARK + st.security_stray;
    complete_settings(st.settings);
    return st.settings;
}

SettingsFile read_settings_file(const std::wstring& path) {
    SettingsFile file;
    std::string bytes;
    const FileRead read = read_file_bytes_checked(path, bytes, file.reason);
    if (read == FileRead::read) {
        file.settings = parse_settings_text(bytes, path);
        return file;
    }
    file.unreadable = read == FileRead::failed;
    file.settings.ini_path = path;
    complete_settings(file.settings);
    return file;
}

std::wstring unreadable_settings_text(const std::wstring& reason) {
    return L"Quillnet.ini could not be read (" + reason + L"). The network is off until it can be read.";
}

Settings load_settings(const std::wstring& path) { return read_settings_file(path).settings; }

}  // namespace quillnet
