// Another copy holding a site key, sealing lines by hand (its clock offset_ms off), for
// engine tests that speak the sealed protocol to an engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/sealed_wire.h"
#include "net/site_key.h"
#include "net/wire.h"

namespace quillnet {

struct Forger {
    explicit Forger(const std::string& key_text, std::int64_t offset_ms = 0)
        : wire(key_of(key_text), [offset_ms] { return system_wall_clock() + offset_ms; }) {}
    static SiteKey key_of(const std::string& text) {
        SiteKey key{};
        parse_site_key(text, key);
        return key;
    }
    static std::string inner(const std::string& kind, const std::vector<std::string>& fields) {
        const std::string line = encode_line(kind, fields);
        return line.substr(0, line.size() - 1);
    }
    std::string line(const std::string& recipient, const std::string& kind, const std::vector<std::string>& fields) {
        return wire.seal(recipient, inner(kind, fields));
    }
    SealedWire wire;
};

}  // namespace quillnet
