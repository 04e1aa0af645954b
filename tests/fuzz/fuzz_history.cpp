// Fuzz target: loading the history file. At most 1000 lines are kept, the file is
// rewritten exactly when it held more, the rewrite holds the newest lines with CR LF
// endings, and the shown text is the kept lines up to the first zero byte. An age
// limit only ever removes lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "history/history_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = split_history_lines(bytes);
    const HistoryLoad load = prepare_history(bytes);

    if (load.rewrite != (lines.size() > history_keep_lines)) std::abort();
    const std::size_t first = load.rewrite ? lines.size() - history_keep_lines : 0;
    if (load.rewrite) {
        const std::vector<std::string> kept = split_history_lines(load.rewritten);
        if (kept.size() != history_keep_lines) std::abort();
        for (std::size_t i = 0; i < kept.size(); ++i)
            if (kept[i] != lines[first + i]) std::abort();
        if (load.rewritten.size() < 2 || load.rewritten.compare(load.rewritten.size() - 2, 2, "\r\n") != 0)
            std::abort();
    } else if (!load.rewritten.empty()) {
        std::abort();
    }
    // Nothing a line may hold is lost or invented between the file and the view.
    const std::string shown = join_history_lines(lines, first);
    if (load.text != utf8_to_utf16(shown)) std::abort();
    if (load.text.size() > shown.size()) std::abort();

    // With an age limit, the kept lines are some of the file's, in their order, and
    // never more than without one.
    const int keep_days = 1 + static_cast<int>(size % 40);
    const LocalMoment now{2026, 12, 8, 9, 15, 0};
    const std::vector<std::string> young = drop_old_history_lines(lines, keep_days, now);
    std::size_t at = 0;
    for (const std::string& line : young) {
        while (at < lines.size() && lines[at] != line) ++at;
        if (at == lines.size()) std::abort();
        ++at;
    }
    const HistoryLoad aged = prepare_history(bytes, keep_days, now);
    const std::size_t young_first = young.size() > history_keep_lines ? young.size() - history_keep_lines : 0;
    const std::string young_kept = join_history_lines(young, young_first);
    if (aged.text != utf8_to_utf16(young_kept)) std::abort();
    if (aged.rewrite != (young.size() != lines.size() || young.size() > history_keep_lines)) std::abort();
    if (aged.rewrite && aged.rewritten != young_kept) std::abort();
    return 0;
}
