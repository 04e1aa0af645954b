// Directed-broadcast addresses of the host's up IPv4 adapters.
#pragma once

#include <cstdint>
#include <vector>

namespace quillnet {

// One unicast IPv4 address of an adapter, as the platform lists it.
struct AdapterAddress {
    bool adapter_up = false;
    std::uint32_t address = 0;  // host byte order
    int prefix_length = 0;
};

// The broadcast address of address/prefix: the address itself for prefix 32, else the
// address with its host bits set. False for a prefix of 0 or above 32.
bool broadcast_address_of(std::uint32_t address, int prefix_length, std::uint32_t& broadcast);
// Broadcast addresses of the up adapters' addresses, in the order given, duplicates kept.
std::vector<std::uint32_t> broadcast_addresses_from(const std::vector<AdapterAddress>& addresses);

// The host's adapter list (GetAdaptersAddresses / getifaddrs); empty when the query fails.
std::vector<AdapterAddress> list_adapter_addresses();
std::vector<std::uint32_t> adapter_broadcast_addresses();

}  // namespace quillnet
