// Fuzz target: the configuration file reader. Every result must be a completed record,
// and writing it out and reading it back must give the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/settings_reader.h"
#include "config/settings_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Settings s = parse_settings_text(bytes, L"fuzz.ini");
    if (s.quick_messages.empty() || s.quick_messages.size() > 10) std::abort();
    if (s.flags.empty()) std::abort();
    if (s.volume < 0 || s.volume > 100 || s.tone_freq < 100 || s.tone_ms < 30) std::abort();
    if (s.user.empty() || s.room.empty()) std::abort();
    if (s.ini_path != L"fuzz.ini") std::abort();
    // The written text reads back the same, except where the reader trims or drops
    // values that were never trimmed in memory; a record that came from the reader is
    // already trimmed, so it must survive the round trip unchanged.
    bool text_survives = true;
    for (const auto& q : s.quick_messages) text_survives &= !q.empty();
    for (const auto& f : s.flags) text_survives &= f.name.find('=') == std::string::npos && !f.name.empty() &&
                                                   f.name[0] != ';' && f.name[0] != '#' && f.name[0] != '[';
    if (text_survives && !(parse_settings_text(settings_text(s), L"fuzz.ini") == s)) std::abort();
    return 0;
}
