// Writing and reading the capability and flag fields of announcements.
#include "net/announcement.h"

namespace quillnet {

namespace {

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string sanitised(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\n' || c == '\r' || c == FIELD_SEPARATOR) c = ' ';
    }
    return out;
}

// Reads "digits SP label" with 1..10 digits and a label of at least one byte.
bool read_flag_field(const std::string& field, AnnouncedFlag& flag) {
    std::size_t digits = 0;
    while (digits < field.size() && is_digit(field[digits])) ++digits;
    if (digits == 0 || digits > 10) return false;
    if (digits >= field.size() || field[digits] != ' ') return false;
    if (digits + 1 >= field.size()) return false;
    std::int64_t age = 0;
    for (std::size_t i = 0; i < digits; ++i) age = age * 10 + (field[i] - '0');
    flag.age_s = age;
    flag.label = field.substr(digits + 1);
    return true;
}

}  // namespace

std::string announced_label(const std::string& label) {
    const std::string clean = sanitised(label);
    if (clean.size() <= MAX_ANNOUNCED_LABEL_BYTES) return clean;
    std::size_t cut = MAX_ANNOUNCED_LABEL_BYTES;
    while (cut > 0 && is_continuation(clean[cut])) --cut;
    return clean.substr(0, cut);
}

std::string announcement_line(const std::string& kind, const std::string& id, const std::string& user,
                              const std::string& room, const std::string& port,
                              const std::vector<AnnouncedFlag>& flags, std::size_t limit) {
    std::vector<std::string> fields{id, user, room, port, OWN_CAPABILITIES};
    std::string line = encode_line(kind, fields);
    if (kind != "HELLO" && kind != "HEARTBEAT") return line;
    std::size_t size = line.size();
    for (const auto& flag : flags) {
        std::int64_t age = flag.age_s < 0 ? 0 : flag.age_s;
        if (age > MAX_ANNOUNCED_AGE_S) age = MAX_ANNOUNCED_AGE_S;
        std::string field = std::to_string(age) + " " + flag.label;
        if (size + 1 + field.size() > limit) break;
        size += 1 + field.size();
        fields.push_back(std::move(field));
    }
    return fields.size() == 5 ? line : encode_line(kind, fields);
}

bool has_capability(const std::string& field, const std::string& word) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = field.find(',', start);
        const std::size_t end = comma == std::string::npos ? field.size() : comma;
        if (field.compare(start, end - start, word) == 0 && end - start == word.size()) return true;
        if (comma == std::string::npos) return false;
        start = comma + 1;
    }
}

AnnouncementExtras read_announcement_extras(const ParsedLine& line) {
    AnnouncementExtras extras;
    extras.speaks_l1 = has_capability(field_or_empty(line, 4), "L1");
    for (std::size_t i = 5; i < line.fields.size() && extras.flags.size() < MAX_PEER_FLAGS; ++i) {
        AnnouncedFlag flag;
        if (!read_flag_field(line.fields[i], flag)) continue;
        bool taken = false;
        for (const auto& other : extras.flags) taken = taken || other.label == flag.label;
        if (!taken) extras.flags.push_back(std::move(flag));
    }
    return extras;
}

}  // namespace quillnet
