// Reading, writing and matching the [loop] settings.
#include "config/loop_settings.h"

#include "config/settings_reader.h"

namespace quillnet {

namespace {

std::string trim_spaces(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;
    return text.substr(begin, end - begin);
}

void set_seconds(const std::string& value, std::int32_t& field, std::int32_t fallback) {
    std::int32_t n = 0;
    field = (parse_number(value, n) && n >= 0 && n <= MAX_LOOP_SECONDS) ? n : fallback;
}

}  // namespace

bool matches_urgent(const std::vector<std::string>& urgent, const std::string& text) {
    const std::string wanted = ascii_lower(trim_spaces(text));
    for (const auto& entry : urgent) {
        if (ascii_lower(trim_spaces(entry)) == wanted) return true;
    }
    return false;
}

void apply_loop_key(Settings& settings, const std::string& key, const std::string& value) {
    const Settings defaults;
    if (key == "urgent") {
        settings.urgent = split_list(value);
    } else if (key == "urgent_repeat_s") {
        set_seconds(value, settings.urgent_repeat_s, defaults.urgent_repeat_s);
    } else if (key == "urgent_escalate_s") {
        set_seconds(value, settings.urgent_escalate_s, defaults.urgent_escalate_s);
    }
}

std::vector<std::string> loop_section_lines(const Settings& settings) {
    const Settings defaults;
    std::vector<std::string> lines;
    if (settings.urgent != defaults.urgent) {
        std::string joined;
        for (std::size_t i = 0; i < settings.urgent.size(); ++i) {
            if (i > 0) joined += ", ";
            joined += settings.urgent[i];
        }
        lines.push_back("urgent = " + joined);
    }
    if (settings.urgent_repeat_s != defaults.urgent_repeat_s)
        lines.push_back("urgent_repeat_s = " + std::to_string(settings.urgent_repeat_s));
    if (settings.urgent_escalate_s != defaults.urgent_escalate_s)
        lines.push_back("urgent_escalate_s = " + std::to_string(settings.urgent_escalate_s));
    if (!lines.empty()) lines.insert(lines.begin(), "[loop]");
    return lines;
}

}  // namespace quillnet
