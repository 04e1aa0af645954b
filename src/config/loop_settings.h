// The [loop] section: which pages are urgent, how often an urgent page's alert repeats
// and when its sender checks whether anybody saw it.
#pragma once

#include <string>
#include <vector>

#include "config/settings.h"

namespace quillnet {

constexpr std::int32_t MAX_LOOP_SECONDS = 3600;

// True when text equals one of the urgent entries, ASCII letters compared without
// regard to case and spaces around either side ignored.
bool matches_urgent(const std::vector<std::string>& urgent, const std::string& text);

// Applies one key of [loop] (key already lower case, value trimmed); numbers out of
// 0..3600 or unreadable take the default.
void apply_loop_key(Settings& settings, const std::string& key, const std::string& value);

// The section's lines (without line ends): empty when every value is its default,
// else "[loop]" and the keys that differ, in their fixed order.
std::vector<std::string> loop_section_lines(const Settings& settings);

}  // namespace quillnet
