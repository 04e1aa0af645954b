// Texts of the site key window (see key_texts.h).
#include "ui/key_texts.h"

#include "net/site_key.h"

namespace quillnet {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool is_site_key(const std::string& text) {
    SiteKey key{};
    return parse_site_key(text, key);
}

std::string key_status_text(const std::string& site_key) {
    if (site_key.empty()) return "Open: pages cross the network in clear.";
    SiteKey key{};
    if (!parse_site_key(site_key, key))
        return "The site key in Quillnet.ini is not valid: the network is off.";
    return "Sealed with key id " + site_key_id(key) + ": pages are encrypted.";
}

std::string key_change_text(const std::string& current, const std::string& pending) {
    if (pending == current) return std::string();
    if (pending.empty()) return "After OK: open, without a site key.";
    SiteKey key{};
    if (!parse_site_key(pending, key)) return std::string();
    return "After OK: sealed with key id " + site_key_id(key) + ".";
}

bool key_from_pasted_text(const std::string& text, std::string& key_text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    SiteKey key{};
    if (!parse_site_key(text.substr(begin, end - begin), key)) return false;
    key_text = format_site_key(key);
    return true;
}

}  // namespace quillnet
