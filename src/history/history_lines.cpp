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

HistoryLoad prepare_history(const std::string& file_bytes) {
    HistoryLoad result;
    const std::vector<std::string> lines = split_history_lines(file_bytes);
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
