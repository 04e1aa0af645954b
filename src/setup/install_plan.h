// What the installer package does with its public properties: checks them as the
// program would read them, and forms the first "Quillnet.ini" from them with the
// program's own settings writer.
#pragma once

#include <cstdint>
#include <string>

namespace quillnet {

// The public properties of the package as given on the msiexec command line (UTF-8,
// empty when not given).
struct InstallProperties {
    std::string user;            // USER
    std::string room;            // ROOM
    std::string discovery_port;  // DISCOVERY_PORT
    std::string message_port;    // MESSAGE_PORT
    std::string seed_peers;      // SEED_PEERS
    std::string site_key;        // SITE_KEY
};

struct InstallPlan {
    // Empty when the properties can be used; otherwise the one-line reason the
    // installation stops with.
    std::string error;
    // True when the package writes a first Quillnet.ini: at least one property is
    // given and no file is there yet.
    bool write_file = false;
    std::string file_text;
    // The ports the firewall rules open: those of the file that stays when there is
    // one, otherwise those the new file (or the program's defaults) gives.
    std::uint16_t discovery_port = 0;
    std::uint16_t message_port = 0;
};

// existing_file: the bytes of the Quillnet.ini already in the program's folder, or
// null when there is none. Invalid properties fail the plan even when a file exists,
// so a wrong command line is never passed over silently.
InstallPlan plan_install(const InstallProperties& properties, const std::string* existing_file);

}  // namespace quillnet
