// Adapter list from GetAdaptersAddresses: IPv4 only, without anycast, multicast and
// DNS-server entries.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <vector>

#include "base/system_library.h"
#include "net/adapters.h"

namespace quillnet {

std::vector<AdapterAddress> list_adapter_addresses() {
    std::vector<AdapterAddress> out;
    static const auto get_adapters_addresses =
        system_function<decltype(&GetAdaptersAddresses)>(L"iphlpapi.dll", "GetAdaptersAddresses");
    if (!get_adapters_addresses) return out;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 15360;
    std::vector<unsigned char> buffer(size);
    ULONG result = get_adapters_addresses(AF_INET, flags, nullptr,
                                          reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        result = get_adapters_addresses(AF_INET, flags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return out;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
        const bool up = adapter->OperStatus == IfOperStatusUp;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const SOCKADDR* raw = unicast->Address.lpSockaddr;
            if (!raw || raw->sa_family != AF_INET) continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(raw);
            out.push_back({up, ntohl(in->sin_addr.s_addr), static_cast<int>(unicast->OnLinkPrefixLength)});
        }
    }
    return out;
}

}  // namespace quillnet
