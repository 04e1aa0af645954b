// Adapter list from getifaddrs: every IPv4 address with its interface's IFF_UP flag and
// the prefix length of its netmask.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "net/adapters.h"

namespace quillnet {

namespace {

// Leading one bits of the mask; a mask with a hole counts only its leading run.
int prefix_of_mask(std::uint32_t mask) {
    int prefix = 0;
    while (prefix < 32 && (mask & (0x80000000u >> prefix))) ++prefix;
    return prefix;
}

}  // namespace

std::vector<AdapterAddress> list_adapter_addresses() {
    std::vector<AdapterAddress> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        int prefix = 0;
        if (entry->ifa_netmask) {
            prefix = prefix_of_mask(ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr));
        }
        out.push_back({(entry->ifa_flags & IFF_UP) != 0, ntohl(address->sin_addr.s_addr), prefix});
    }
    freeifaddrs(list);
    return out;
}

}  // namespace quillnet
