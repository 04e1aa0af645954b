// send_message and the delivery tasks it hands to the workers.
#include "net/delivery.h"

#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "net/engine.h"
#include "net/clock.h"
#include "net/line_io.h"
#include "net/loop_delivery.h"
#include "net/sealed_engine.h"
#include "net/sent_pages.h"
#include "net/wire.h"
#include "net/worker_pool.h"

namespace quillnet {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1500;
constexpr int ACK_BYTE_TIMEOUT_MS = 1500;
// The whole reply must have come within this long of the frame being sent: a recipient
// trickling its reply byte by byte would otherwise hold a page's result for minutes,
// and a page delayed that long must not show as delivered.
constexpr int REPLY_TOTAL_TIMEOUT_MS = 5000;
// A recipient that accepts but stops reading would otherwise block the send of a frame
// larger than the socket buffers forever, and the message would never get its result.
// The frame goes out in pieces, each after waiting at most this long for room; a
// recipient that reads makes room long before.
constexpr int SEND_STALL_TIMEOUT_MS = 5000;
constexpr std::size_t SEND_PIECE = 16384;

void post_result(const DeliveryJob& job, std::int32_t acknowledged) {
    if (job.on_done) {
        job.on_done(acknowledged);
        return;
    }
    if (!job.window) return;
    auto* result = new DeliveryResult{job.message_id, acknowledged, job.attempted};
    post_or_free(job.window, WM_APP_DELIVERY_RESULT, result);
}

// Sends the whole frame on a non-blocking socket; false when a send fails or the
// recipient takes nothing for SEND_STALL_TIMEOUT_MS. A typical frame goes into the empty
// send buffer with the first call; only a full buffer makes it wait for room.
bool send_frame(SocketHandle socket, const std::string& frame) {
    std::size_t done = 0;
    bool waited = false;
    while (done < frame.size()) {
        const std::size_t piece = frame.size() - done < SEND_PIECE ? frame.size() - done : SEND_PIECE;
        const int sent = send_bytes(socket, frame.data() + done, piece);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            waited = false;
            continue;
        }
        // A full buffer, or a failure (a refused connection shows up here too). A send
        // that fails right after the socket was reported writable is a failure.
        if (waited || wait_writable(socket, SEND_STALL_TIMEOUT_MS) != WaitResult::ready) return false;
        waited = true;
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
    // The socket stays non-blocking throughout: every wait is a wait call with its own
    // limit, which saves switching modes and setting time-outs (each a call to the
    // wineserver under Wine).
    if (!set_non_blocking(socket.get(), true)) return false;
    switch (begin_connect(socket.get(), address, target.port)) {
        case ConnectStart::connected:
            break;
        case ConnectStart::in_progress:
            // Writable means connected or failed; a failed connection fails the send
            // that follows (Winsock reports it to the wait already).
            if (wait_writable(socket.get(), CONNECT_TIMEOUT_MS) != WaitResult::ready) return false;
            break;
        case ConnectStart::failed:
            return false;
    }
    if (!send_frame(socket.get(), frame)) return false;
    // Each wait for more of the reply lasts at most ACK_BYTE_TIMEOUT_MS, and all of it
    // at most REPLY_TOTAL_TIMEOUT_MS; a reply still coming then does not count.
    bool over_time = false;
    const std::string reply =
        read_line_from(socket.get(), rule.limit, ACK_BYTE_TIMEOUT_MS, REPLY_TOTAL_TIMEOUT_MS, &over_time);
    return !over_time && rule.counts(reply);
}

// In sealed mode the frame is sealed for this recipient alone, and only its own sealed
// acknowledgement of this message counts.
bool deliver_to_target(const DeliveryTarget& target, const DeliveryJob& job) {
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

namespace {

// One job's progress, shared by the tasks that serve its targets: the last one to
// settle posts the result and lets go of the job's socket-library reference.
struct JobProgress {
    DeliveryJob job;
    bool library = false;
    std::atomic<std::int32_t> acknowledged{0};
    std::atomic<std::size_t> unsettled{0};
};

void settle(JobProgress& progress, bool delivered) {
    if (delivered) ++progress.acknowledged;
    if (--progress.unsettled != 0) return;
    if (progress.library) socket_library_stop();
    try {
        post_result(progress.job, progress.acknowledged.load());
    } catch (...) {
    }
}

void serve_target(const std::shared_ptr<JobProgress>& progress, std::size_t index) {
    bool delivered = false;
    try {
        delivered = deliver_to_target(progress->job.targets[index], progress->job);
    } catch (...) {
        // Counts as not delivered.
    }
    try {
        if (progress->job.on_target) progress->job.on_target(index, delivered);
    } catch (...) {
    }
    settle(*progress, delivered);
}

}  // namespace

void start_delivery_job(DeliveryJob job) {
    std::shared_ptr<JobProgress> progress;
    try {
        progress = std::make_shared<JobProgress>();
    } catch (...) {
        post_result(job, 0);
        return;
    }
    progress->job = std::move(job);
    const std::size_t count = progress->job.targets.size();
    if (count == 0) {
        post_result(progress->job, 0);
        return;
    }
    // The job holds its own reference on the socket library, so an engine stopped
    // meanwhile (which releases the engine's reference) does not pull it from under us.
    progress->library = socket_library_start();
    progress->unsettled = count;
    for (std::size_t i = 0; i < count; ++i) {
        bool started = false;
        try {
            started = run_on_worker([progress, i] { serve_target(progress, i); });
        } catch (...) {
        }
        // No thread for this target: it counts as not delivered, so the log does not
        // wait for a result that would never come.
        if (!started) settle(*progress, false);
    }
}

MessageId NetworkEngine::send_message(const std::vector<InstanceId>& recipients, const std::string& kind,
                                      const std::string& body, int& attempted, bool urgent) {
    DeliveryJob job;
    SentPage page;
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
            SentRecipient recipient;
            recipient.id = peer.id;
            recipient.address = peer.address;
            recipient.user = peer.user;
            recipient.room = peer.room;
            recipient.speaks_l1 = peer.speaks_l1;
            page.recipients.push_back(std::move(recipient));
        }
    }
    const MessageId message_id = next_message_id();
    attempted = static_cast<int>(job.targets.size());
    if (job.targets.empty()) return message_id;

    std::string user;
    std::string room;
    copy_identity(user, room);
    const std::string reply_port = std::to_string(static_cast<unsigned>(settings_.message_port));
    job.frame = encode_line(kind, {message_id, instance_id_, user, room, body, reply_port, urgent ? "1" : "0"});
    job.window = window_;
    job.message_id = message_id;
    job.attempted = static_cast<std::int32_t>(job.targets.size());
    job.sealed = sealed_;
    job.sender_id = instance_id_;
    if (is_message_kind(kind) && sent_pages_) {
        page.id = message_id;
        page.body = page_body(kind, body);
        page.urgent = urgent;
        page.sent_ms = milliseconds_since_start();
        sent_pages_->remember(std::move(page));
        remember_outcomes(job, sent_pages_);
    }
    start_delivery_job(std::move(job));
    return message_id;
}

MessageId NetworkEngine::next_message_id() {
    const std::uint64_t sequence = message_sequence_.fetch_add(1);
    return instance_id_ + "-" + std::to_string(sequence);
}

}  // namespace quillnet
