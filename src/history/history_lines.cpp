// Splitting, trimming and joining the history file's lines; the Win32 layer does the
// file access around it.
#include "history/history_lines.h"

#include "base/text.h"

namespace quillnet {

std::vector<std::string> split_history_lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t lf = bytes.find('\n', begin);
        if (lf == std::string::npos) break;
        std::size_t end = lf;
        if (end > begin && bytes[end - 1] == '\r') --end;
        lines.emplace_back(bytes, begin, end - begin);
        begin = lf + 1;
    }
    // A last line without its line break still counts; nothing after a final LF does.
    if (begin < bytes.size()) {
        std::size_t end = bytes.size();
        if (bytes[end - 1] == '\r') --end;
        lines.emplace_back(bytes, begin, end - begin);
    }
    return lines;
}

std::string join_history_lines(const std::vector<std::string>& lines, std::size_t first) {
    std::size_t total = 0;
    for (std::size_t i = first; i < lines.size(); ++i) total += lines[i].size() + 2;
    std::string out;
    out.reserve(total);
    for (std::size_t i = first; i < lines.size(); ++i) {
        out += lines[i];
        out += "\r\n";
    }
    return out;
}

namespace {

constexpr long long SECONDS_PER_DAY = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long days_from_civil(int year, int month, int day) {
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool digits_at(const std::string& s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

const std::string SEPARATOR_RULE = "\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80";

// "──────  2026-12-08 09:15  ──────": its moment in seconds since 1970 (local).
bool separator_moment(const std::string& line, long long& moment) {
    const std::size_t rule = SEPARATOR_RULE.size();
    const std::size_t stamp = rule + 2;
    if (line.size() != stamp + 16 + 2 + rule) return false;
    if (line.compare(0, rule, SEPARATOR_RULE) != 0 || line.compare(rule, 2, "  ") != 0 ||
        line.compare(stamp + 16, 2, "  ") != 0 || line.compare(stamp + 18, rule, SEPARATOR_RULE) != 0)
        return false;
    int year, month, day, hour, minute;
    if (!digits_at(line, stamp, 4, year) || line[stamp + 4] != '-' || !digits_at(line, stamp + 5, 2, month) ||
        line[stamp + 7] != '-' || !digits_at(line, stamp + 8, 2, day) || line[stamp + 10] != ' ' ||
        !digits_at(line, stamp + 11, 2, hour) || line[stamp + 13] != ':' || !digits_at(line, stamp + 14, 2, minute))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return false;
    moment = days_from_civil(year, month, day) * SECONDS_PER_DAY + hour * 3600 + minute * 60;
    return true;
}

// "09:41:07  …": the time of day in seconds.
bool time_of_day(const std::string& line, long long& seconds) {
    int hour, minute, second;
    if (!digits_at(line, 0, 2, hour) || line[2] != ':' || !digits_at(line, 3, 2, minute) || line[5] != ':' ||
        !digits_at(line, 6, 2, second))
        return false;
    if (line.size() > 8 && line[8] != ' ') return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

}  // namespace

std::vector<std::string> drop_old_history_lines(const std::vector<std::string>& lines, int keep_days,
                                                const LocalMoment& now) {
    if (keep_days <= 0) return lines;
    const long long now_moment = days_from_civil(now.year, now.month, now.day) * SECONDS_PER_DAY +
                                 now.hour * 3600 + now.minute * 60 + now.second;
    const long long oldest = now_moment - static_cast<long long>(keep_days) * SECONDS_PER_DAY;
    std::vector<std::string> kept;
    bool dated = false;
    long long day_start = 0;  // midnight of the current line's date
    long long clock = 0;      // the current line's time of day
    for (const std::string& line : lines) {
        long long moment = 0;
        long long seconds = 0;
        if (separator_moment(line, moment)) {
            dated = true;
            day_start = moment - ((moment % SECONDS_PER_DAY) + SECONDS_PER_DAY) % SECONDS_PER_DAY;
            clock = moment - day_start;
        } else if (dated && time_of_day(line, seconds)) {
            // Lines are finished a little out of order (delivery results); only a
            // large step back is the next day.
            if (seconds + 3600 < clock) day_start += SECONDS_PER_DAY;
            clock = seconds;
        }
        if (dated && day_start + clock >= oldest) kept.push_back(line);
    }
    return kept;
}

HistoryLoad prepare_history(const std::string& file_bytes, int keep_days, const LocalMoment& now) {
    HistoryLoad result;
    std::vector<std::string> lines = split_history_lines(file_bytes);
    if (keep_days > 0) {
        const std::size_t before = lines.size();
        lines = drop_old_history_lines(lines, keep_days, now);
        if (lines.size() != before) result.rewrite = true;
    }
    std::size_t first = 0;
    if (lines.size() > history_keep_lines) {
        first = lines.size() - history_keep_lines;
        result.rewrite = true;
    }
    const std::string kept = join_history_lines(lines, first);
    // The view shows the text up to the first NUL byte; the file keeps what follows it.
    result.text = utf8_to_utf16(kept);
    if (result.rewrite) result.rewritten = kept;
    return result;
}

}  // namespace quillnet
