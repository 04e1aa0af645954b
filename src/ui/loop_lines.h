// The log lines of acknowledgements and raised flags (time is "HH:MM:SS"; labels and
// bodies come ready made).
#pragma once

#include <string>

namespace quillnet {

// "HH:MM:SS  ✓ seen by Dr Lee (Op 1):  » Will Call"
std::u16string seen_by_line(const std::u16string& time, const std::u16string& label, const std::u16string& body);
// "HH:MM:SS  ⚠ not seen yet by Dr Lee (Op 1):  » EMERG"
std::u16string not_seen_line(const std::u16string& time, const std::u16string& label, const std::u16string& body);
// "HH:MM:SS  ⚑ Red cleared"
std::u16string own_flag_cleared_line(const std::u16string& time, const std::u16string& flag);
// "HH:MM:SS  ⚑ Red cleared by Dr Lee (Op 2)"
std::u16string flag_cleared_by_line(const std::u16string& time, const std::u16string& flag,
                                    const std::u16string& clearer);
// "HH:MM:SS  ⚑ Red of Op 1 no longer shown (Op 1 left)"
std::u16string flag_gone_line(const std::u16string& time, const std::u16string& flag, const std::u16string& source);
// "HH:MM:SS  ⚑ Teal not kept on the board (8 flags are raised)"
std::u16string flag_not_kept_line(const std::u16string& time, const std::u16string& flag);
// "HH:MM:SS  You → Op 1:  clear ⚑ Red"
std::u16string clear_request_line(const std::u16string& time, const std::u16string& source,
                                  const std::u16string& flag);

}  // namespace quillnet
