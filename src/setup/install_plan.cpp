// The installer's public properties turned into a settings record, checked the way
// the program checks what it reads, and written with the program's settings writer.
#include "setup/install_plan.h"

#include "config/settings.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "net/site_key.h"

namespace quillnet {

namespace {

bool any_given(const InstallProperties& p) {
    for (const std::string* value : {&p.user, &p.room, &p.discovery_port, &p.message_port, &p.seed_peers, &p.site_key})
        if (!trim(*value).empty()) return true;
    return false;
}

bool holds_line_break(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// A port on the command line: decimal digits only, 1 to 65535. Empty keeps the default.
bool read_port(const std::string& name, const std::string& raw, std::uint16_t& port, std::string& error) {
    const std::string text = trim(raw);
    if (text.empty()) return true;
    bool digits = text.size() <= 5;
    for (char c : text) digits = digits && c >= '0' && c <= '9';
    const long value = digits ? std::stol(text) : 0;
    if (value < 1 || value > 65535) {
        error = name + " is not valid (a port number from 1 to 65535 expected).";
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool fill_settings(const InstallProperties& p, Settings& s, std::string& error) {
    const std::pair<const char*, const std::string*> named[] = {
        {"USER", &p.user},       {"ROOM", &p.room},           {"DISCOVERY_PORT", &p.discovery_port},
        {"MESSAGE_PORT", &p.message_port}, {"SEED_PEERS", &p.seed_peers}, {"SITE_KEY", &p.site_key}};
    for (const auto& [name, value] : named) {
        if (holds_line_break(*value)) {
            error = std::string(name) + " is not valid (it holds a line break).";
            return false;
        }
    }
    // The program keeps the key as read (trimmed): empty is open mode, anything else
    // must parse as a site key or its network stays off.
    s.site_key = trim(p.site_key);
    SiteKey key{};
    if (!s.site_key.empty() && !parse_site_key(s.site_key, key)) {
        error = "The site key given in SITE_KEY is not valid (64 hexadecimal digits expected).";
        return false;
    }
    if (!read_port("DISCOVERY_PORT", p.discovery_port, s.discovery_port, error)) return false;
    if (!read_port("MESSAGE_PORT", p.message_port, s.message_port, error)) return false;
    s.user = trim(p.user);
    s.room = trim(p.room);
    s.seed_peers = split_list(p.seed_peers);
    // The same completion the program applies after reading its file: the user from
    // the computer name, the room from the user, the default quick messages and flags.
    complete_settings(s);
    return true;
}

}  // namespace

InstallPlan plan_install(const InstallProperties& properties, const std::string* existing_file) {
    InstallPlan plan;
    Settings wanted;
    if (!fill_settings(properties, wanted, plan.error)) return plan;
    if (existing_file) {
        const Settings kept = parse_settings_text(settings_bytes_as_utf8(*existing_file), std::wstring());
        plan.discovery_port = kept.discovery_port;
        plan.message_port = kept.message_port;
        return plan;
    }
    plan.discovery_port = wanted.discovery_port;
    plan.message_port = wanted.message_port;
    plan.write_file = any_given(properties);
    if (plan.write_file) plan.file_text = settings_text(wanted);
    return plan;
}

}  // namespace quillnet
