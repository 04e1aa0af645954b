// Texts of the acknowledgement and raised-flag lines of the conversation log.
#include "ui/loop_lines.h"

namespace quillnet {

std::u16string seen_by_line(const std::u16string& time, const std::u16string& label, const std::u16string& body) {
    return time + u"  \u2713 seen by " + label + u":  " + body;
}

std::u16string not_seen_line(const std::u16string& time, const std::u16string& label, const std::u16string& body) {
    return time + u"  \u26A0 not seen yet by " + label + u":  " + body;
}

std::u16string own_flag_cleared_line(const std::u16string& time, const std::u16string& flag) {
    return time + u"  \u2691 " + flag + u" cleared";
}

std::u16string flag_cleared_by_line(const std::u16string& time, const std::u16string& flag,
                                    const std::u16string& clearer) {
    return time + u"  \u2691 " + flag + u" cleared by " + clearer;
}

std::u16string flag_gone_line(const std::u16string& time, const std::u16string& flag, const std::u16string& source) {
    return time + u"  \u2691 " + flag + u" of " + source + u" no longer shown (" + source + u" left)";
}

std::u16string flag_not_kept_line(const std::u16string& time, const std::u16string& flag) {
    return time + u"  \u2691 " + flag + u" not kept on the board (8 flags are raised)";
}

std::u16string clear_request_line(const std::u16string& time, const std::u16string& source,
                                  const std::u16string& flag) {
    return time + u"  You \u2192 " + source + u":  clear \u2691 " + flag;
}

}  // namespace quillnet
