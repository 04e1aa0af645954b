// Parallel delivery of qnsend's page with the engine's per-recipient exchange.
#include "qnsend/send.h"

#include <thread>

#include "net/delivery.h"

namespace quillnet {

namespace {

// The frame made for this recipient goes out in deliver_frame's one exchange, which reads
// the reply and judges it by the mode's rule for this recipient.
bool deliver_to(const WireMode& mode, const OutgoingPage& page, const std::string& message_id,
                const std::string& own_id, const PeerRecord& recipient) {
    try {
        DeliveryTarget target;
        target.address = recipient.address;
        target.port = recipient.port;
        target.instance_id = recipient.id;
        const std::string frame = frame_for_recipient(mode, page, message_id, own_id, recipient);
        if (frame.empty()) return false;
        return deliver_frame(target, frame, reply_rule(mode, message_id, own_id, recipient));
    } catch (...) {
        return false;  // out of memory: not delivered
    }
}

}  // namespace

std::vector<RecipientOutcome> deliver_page(const WireMode& mode, const OutgoingPage& page,
                                           const std::string& message_id, const std::string& own_id,
                                           const std::vector<PeerRecord>& recipients) {
    std::vector<RecipientOutcome> outcomes(recipients.size());
    // Each thread writes only its own element; char, not vector<bool>, keeps them apart.
    std::vector<char> delivered(recipients.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        outcomes[i].peer = recipients[i];
        auto work = [&, i] { delivered[i] = deliver_to(mode, page, message_id, own_id, recipients[i]) ? 1 : 0; };
        try {
            threads.emplace_back(work);
        } catch (...) {
            work();  // no thread to spare: deliver this one here
        }
    }
    for (auto& thread : threads) thread.join();
    for (std::size_t i = 0; i < recipients.size(); ++i) outcomes[i].delivered = delivered[i] != 0;
    return outcomes;
}

}  // namespace quillnet
