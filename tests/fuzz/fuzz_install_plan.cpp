// Fuzz target: the installer's public properties. The input is split at NUL bytes into
// the six property values and, after a seventh NUL, an existing Quillnet.ini. Whatever
// is given, the plan either refuses with a reason and writes nothing, or its file reads
// back as a completed record with the ports it opens in the firewall.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/settings_reader.h"
#include "setup/install_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 7) {
        const std::size_t nul = bytes.find('\0', start);
        parts.push_back(bytes.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos) break;
        start = nul + 1;
    }
    const bool has_file = parts.size() == 7;
    const std::string existing = has_file ? bytes.substr(start) : std::string();
    parts.resize(7);
    const InstallProperties p{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    const InstallPlan plan = plan_install(p, has_file ? &existing : nullptr);
    if (!plan.error.empty()) {
        if (plan.write_file || !plan.file_text.empty()) std::abort();
        return 0;
    }
    if (plan.discovery_port == 0 || plan.message_port == 0) std::abort();
    if (has_file && plan.write_file) std::abort();
    if (plan.write_file) {
        const Settings back = parse_settings_text(plan.file_text, L"fuzz.ini");
        if (back.discovery_port != plan.discovery_port || back.message_port != plan.message_port) std::abort();
        if (back.user.empty() || back.room.empty()) std::abort();
    }
    return 0;
}
