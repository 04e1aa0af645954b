// Fuzz target: the sealed-line reader with a real key. The input is either read as a
// line of its own, or used to change and cut one of a few lines sealed with the key at
// start-up. A line is accepted only when it is byte for byte one of those sealed lines,
// on the port it was sealed for, and then gives back exactly the inner line sealed.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/sealed_wire.h"
#include "net/wire.h"

namespace {

using namespace quillnet;

constexpr std::int64_t NOW = 1700000000000;
const char* const OWN_ID = "{00000000-0000-4000-8000-000000000000}";

struct Known {
    SealedPort port;
    std::string inner;
    std::string line;  // without its LF
};

SiteKey site_key() {
    SiteKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(i * 7 + 1);
    return key;
}

std::vector<Known> make_known() {
    static SealedWire sender(site_key(), [] { return NOW; });
    std::vector<Known> known = {
        {SealedPort::discovery, "HELLO\x1F{A}\x1F" "ann\x1FOp 1\x1F" "45778", ""},
        {SealedPort::discovery, "BYE\x1F{A}", ""},
        {SealedPort::frame, std::string("MSG\x1F{A}-0\x1F{A}\x1F" "ann\x1FOp 1\x1F") + "hello", ""},
        {SealedPort::acknowledgement, std::string("ACK\x1F") + OWN_ID + "-0\x1F{A}", ""},
    };
    for (auto& k : known) {
        const std::string recipient = k.port == SealedPort::discovery ? "" : OWN_ID;
        const std::string line = sender.seal(recipient, k.inner);
        if (line.empty()) std::abort();
        k.line = line.substr(0, line.size() - 1);
    }
    return known;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<Known> known = make_known();
    SealedWire receiver(site_key(), [] { return NOW + 1000; });
    if (!receiver.ready()) std::abort();

    std::string line;
    SealedPort port = SealedPort::frame;
    if (size >= 3 && data[0] % 2 == 1) {
        // Mutation: pick a known line, cut it, and flip bytes at input-chosen places.
        const Known& base = known[data[1] % known.size()];
        port = base.port;
        line = base.line.substr(0, base.line.size() - std::min<std::size_t>(base.line.size(), data[2] < 64 ? data[2] : 0));
        for (std::size_t i = 3; i + 1 < size && !line.empty(); i += 2) {
            line[data[i] * 7u % line.size()] ^= static_cast<char>(data[i + 1]);
        }
    } else if (size >= 1) {
        port = static_cast<SealedPort>(data[0] / 2 % 3);
        line.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    }

    const SealedOpening opening = receiver.open(line, port, OWN_ID);
    if (opening.check == SealedCheck::accepted) {
        bool found = false;
        for (const auto& k : known) found = found || (k.line == line && k.port == port && k.inner == opening.inner);
        if (!found) std::abort();
        // The same line twice is a replay.
        if (receiver.open(line, port, OWN_ID).check != SealedCheck::replayed) std::abort();
    }
    return 0;
}
