// send_message and the delivery threads it starts.
#include "net/delivery.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "net/engine.h"
#include "net/line_io.h"
#include "net/sealed_engine.h"
#include "net/wire.h"

namespace quillnet {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1500;
constexpr int ACK_BYTE_TIMEOUT_MS = 1500;
// A recipient that accepts but stops reading would otherwise block the send of a frame
// larger than the socket buffers forever, and the message would never get its result.
// The frame goes out in pieces, each after waiting at most this long for room; a
// recipient that reads makes room long before.
constexpr int SEND_STALL_TIMEOUT_MS = 5000;
constexpr std::size_t SEND_PIECE = 16384;

void post_result(const DeliveryJob& job, std::int32_t acknowledged) {
    if (!job.window) return;
    auto* result = new DeliveryResult{job.message_id, acknowledged, job.attempted};
    post_or_free(job.window, WM_APP_DELIVERY_RESULT, result);
}

// Sends the whole frame; false when a send fails or the recipient takes nothing for
// SEND_STALL_TIMEOUT_MS. The first piece goes into the empty send buffer at once (a
// typical frame is one piece); the send time-out only backs the wait up, should a piece
// not fit after all.
bool send_frame(SocketHandle socket, const std::string& frame) {
    set_send_timeout_ms(socket, SEND_STALL_TIMEOUT_MS);
    std::size_t done = 0;
    while (done < frame.size()) {
        if (done > 0 && wait_writable(socket, SEND_STALL_TIMEOUT_MS) != WaitResult::ready) return false;
        const std::size_t piece = frame.size() - done < SEND_PIECE ? frame.size() - done : SEND_PIECE;
        const int sent = send_bytes(socket, frame.data() + done, piece);
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

bool deliver_frame(const DeliveryTarget& target, const std::string& frame) {
    return deliver_frame(target, frame, ReplyRule{ACK_READ_LIMIT, is_acknowledgement});
}

bool deliver_frame(const DeliveryTarget& target, const std::string& frame, const ReplyRule& rule) {
    SocketHolder socket(open_tcp_socket());
    if (!socket.valid()) return false;
    std::uint32_t address = 0;
    if (!parse_ipv4(target.address, address)) return false;
    if (!set_non_blocking(socket.get(), true)) return false;
    switch (begin_connect(socket.get(), address, target.port)) {
        case ConnectStart::connected:
            break;
        case ConnectStart::in_progress:
            if (wait_writable(socket.get(), CONNECT_TIMEOUT_MS) != WaitResult::ready) return false;
            if (pending_socket_error(socket.get()) != 0) return false;
            break;
        case ConnectStart::failed:
            return false;
    }
    if (!set_non_blocking(socket.get(), false)) return false;
    if (!send_frame(socket.get(), frame)) return false;
    // The receive time-out is the wait for each further byte of the reply.
    set_receive_timeout_ms(socket.get(), ACK_BYTE_TIMEOUT_MS);
    const std::string reply = read_line_blocking(socket.get(), rule.limit);
    return rule.counts(reply);
}

namespace {

// In sealed mode the frame is sealed for this recipient alone, and only its own sealed
// acknowledgement of this message counts.
bool deliver_to(const DeliveryTarget& target, const DeliveryJob& job) {
    if (!job.sealed) return deliver_frame(target, job.frame);
    SealedWire& sealed = *job.sealed;
    const std::string line = seal_frame_for(sealed, target.instance_id, job.frame);
    if (line.empty()) return false;
    const ReplyRule rule{SEALED_ACK_READ_LIMIT, [&](const std::string& reply) {
                             return sealed_acknowledgement_counts(sealed, reply, job.message_id, target.instance_id,
                                                                  job.sender_id);
                         }};
    return deliver_frame(target, line, rule);
}

}  // namespace

void run_delivery_job(const DeliveryJob& job) {
    // The thread holds its own reference on the socket library, so an engine stopped
    // meanwhile (which releases the engine's reference) does not pull it from under us.
    const bool library = socket_library_start();
    std::atomic<std::int32_t> acknowledged{0};
    auto deliver_one = [&job, &acknowledged](const DeliveryTarget& target) {
        try {
            if (deliver_to(target, job)) ++acknowledged;
        } catch (...) {
            // Counts as not delivered.
        }
    };
    // The first target is served by this thread, every other by a thread of its own; a
    // target whose thread cannot be started is served here afterwards.
    std::vector<std::thread> helpers;
    std::vector<const DeliveryTarget*> left;
    for (std::size_t i = 1; i < job.targets.size(); ++i) {
        try {
            helpers.emplace_back(deliver_one, std::cref(job.targets[i]));
        } catch (...) {
            try {
                left.push_back(&job.targets[i]);
            } catch (...) {
                // No memory to remember it either: it counts as not delivered.
            }
        }
    }
    if (!job.targets.empty()) deliver_one(job.targets[0]);
    for (const DeliveryTarget* target : left) deliver_one(*target);
    for (auto& helper : helpers) helper.join();
    if (library) socket_library_stop();
    try {
        post_result(job, acknowledged.load());
    } catch (...) {
    }
}

MessageId NetworkEngine::send_message(const std::vector<InstanceId>& recipients, const std::string& kind,
                                      const std::string& body, int& attempted) {
    DeliveryJob job;
    {
        std::lock_guard<std::mutex> lock(peers_mutex_);
        for (const auto& entry : peers_.records) {
            const PeerRecord& peer = entry.second;
            if (!recipients.empty()) {
                bool named = false;
                for (const auto& id : recipients) named = named || id == peer.id;
                if (!named) continue;
            }
            if (peer.address.empty() || peer.port == 0) continue;
            job.targets.push_back({peer.address, peer.port, peer.id});
        }
    }
    const std::uint64_t sequence = message_sequence_.fetch_add(1);
    const MessageId message_id = instance_id_ + "-" + std::to_string(sequence);
    attempted = static_cast<int>(job.targets.size());
    if (job.targets.empty()) return message_id;

    std::string user;
    std::string room;
    {
        std::lock_guard<std::mutex> lock(identity_mutex_);
        user = settings_.user;
        room = settings_.room;
    }
    job.frame = encode_line(kind, {message_id, instance_id_, user, room, body});
    job.window = window_;
    job.message_id = message_id;
    job.attempted = static_cast<std::int32_t>(job.targets.size());
    job.sealed = sealed_;
    job.sender_id = instance_id_;
    try {
        std::thread(run_delivery_job, std::move(job)).detach();
    } catch (...) {
        // No thread for this message: report it as delivered to nobody, so the log does
        // not wait for a result that would never come.
        DeliveryJob failed;
        failed.window = window_;
        failed.message_id = message_id;
        failed.attempted = attempted;
        post_result(failed, 0);
    }
    return message_id;
}

}  // namespace quillnet
