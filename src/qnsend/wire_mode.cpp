// qnsend's wire seam over the engine's open and sealed line handling.
#include "qnsend/wire_mode.h"

#include "net/sealed_engine.h"
#include "net/site_key.h"

namespace quillnet {

WireMode::WireMode()
    : notices(std::make_shared<NoticeBoard>()), heard(std::make_shared<std::vector<std::string>>()) {
    std::shared_ptr<std::vector<std::string>> texts = heard;
    notices->reset([texts](const std::string& text) { texts->push_back(text); });
}

bool choose_wire_mode(const std::string& key_text, const std::string& key_source, WireMode& mode,
                      std::string& error) {
    mode = WireMode();
    std::wstring engine_error;
    if (start_sealed_mode(key_text, WallClock(), mode.sealed, engine_error)) return true;
    SiteKey key{};
    if (!parse_site_key(key_text, key)) {
        error = "The site key " + key_source + " is not valid (64 hexadecimal digits expected).";
    } else {
        error = "sealed mode cannot start (no random numbers from the system)";
    }
    return false;
}

std::vector<AdmittedLine> admit_datagram(const WireMode& mode, const char* data, std::size_t size,
                                         const std::string& source_address, const std::string& own_id) {
    return admit_datagram_lines(data, size, source_address, mode.sealed.get(), *mode.notices, own_id);
}

std::string frame_for_recipient(const WireMode& mode, const OutgoingPage& page, const std::string& message_id,
                                const std::string& own_id, const PeerRecord& recipient) {
    const std::string frame = page_frame(page, message_id, own_id);
    return mode.sealed ? seal_frame_for(*mode.sealed, recipient.id, frame) : frame;
}

ReplyRule reply_rule(const WireMode& mode, const std::string& message_id, const std::string& own_id,
                     const PeerRecord& recipient) {
    if (!mode.sealed) return ReplyRule{ACK_READ_LIMIT, is_acknowledgement};
    const std::shared_ptr<SealedWire> sealed = mode.sealed;
    const std::string peer_id = recipient.id;
    return ReplyRule{SEALED_ACK_READ_LIMIT, [sealed, message_id, peer_id, own_id](const std::string& reply) {
                         return sealed_acknowledgement_counts(*sealed, reply, message_id, peer_id, own_id);
                     }};
}

}  // namespace quillnet
