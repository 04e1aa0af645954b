// Broadcast address arithmetic, the same for every platform's adapter list.
#include "net/adapters.h"

namespace quillnet {

bool broadcast_address_of(std::uint32_t address, int prefix_length, std::uint32_t& broadcast) {
    if (prefix_length <= 0 || prefix_length > 32) return false;
    broadcast = prefix_length == 32 ? address : address | ((std::uint32_t(1) << (32 - prefix_length)) - 1);
    return true;
}

std::vector<std::uint32_t> broadcast_addresses_from(const std::vector<AdapterAddress>& addresses) {
    std::vector<std::uint32_t> out;
    for (const auto& entry : addresses) {
        std::uint32_t broadcast = 0;
        if (entry.adapter_up && broadcast_address_of(entry.address, entry.prefix_length, broadcast)) {
            out.push_back(broadcast);
        }
    }
    return out;
}

std::vector<std::uint32_t> adapter_broadcast_addresses() {
    return broadcast_addresses_from(list_adapter_addresses());
}

}  // namespace quillnet
