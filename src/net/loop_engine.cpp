// The engine's part of the paging loop: own flags and the extra HEARTBEAT they send,
// CLEAR and SEEN frames in both directions, and the escalation check of urgent pages.
#include <string>
#include <vector>

#include "net/announcement.h"
#include "net/clock.h"
#include "net/engine.h"
#include "net/loop_delivery.h"
#include "net/loop_rules.h"
#include "net/sent_pages.h"

namespace quillnet {

RaiseResult NetworkEngine::raise_flag(const std::string& label) {
    const OwnRaise outcome = own_flags_.raise(announced_label(label), milliseconds_since_start());
    if (outcome == OwnRaise::not_kept) return RaiseResult::not_kept;
    request_extra_heartbeat();
    return RaiseResult::raised;
}

bool NetworkEngine::clear_own_flag(const std::string& announced) {
    if (!own_flags_.clear(announced)) return false;
    request_extra_heartbeat();
    return true;
}

std::vector<OwnFlag> NetworkEngine::own_flags() const { return own_flags_.list(); }

void NetworkEngine::request_extra_heartbeat() {
    {
        std::lock_guard<std::mutex> lock(pause_mutex_);
        extra_pending_ = true;
    }
    pause_wake_.notify_all();
}

MessageId NetworkEngine::clear_peer_flag(const InstanceId& owner, const std::string& label, std::int64_t age_shown_s,
                                         int& attempted) {
    DeliveryJob job;
    {
        std::lock_guard<std::mutex> lock(peers_mutex_);
        const auto listed = peers_.records.find(owner);
        if (listed != peers_.records.end() && listed->second.speaks_l1 && !listed->second.address.empty() &&
            listed->second.port != 0) {
            job.targets.push_back({listed->second.address, listed->second.port, listed->second.id});
        }
    }
    const MessageId message_id = next_message_id();
    attempted = static_cast<int>(job.targets.size());
    if (job.targets.empty()) return message_id;
    std::string user;
    std::string room;
    copy_identity(user, room);
    const std::string age = std::to_string(age_shown_s < 0 ? 0 : age_shown_s);
    job.frame = encode_line("CLEAR", {message_id, instance_id_, user, room, label, owner, age});
    job.window = window_;
    job.message_id = message_id;
    job.attempted = 1;
    job.sealed = sealed_;
    job.sender_id = instance_id_;
    start_delivery_job(std::move(job));
    return message_id;
}

void NetworkEngine::acknowledge_pages(const std::vector<SeenRequest>& pages) {
    if (!running_.load() || !seen_sender_) return;
    std::vector<const SeenRequest*> going;
    {
        const std::int64_t now = milliseconds_since_start();
        std::lock_guard<std::mutex> lock(peers_mutex_);
        for (const auto& page : pages) {
            if (seen_may_go(page, peers_, now)) going.push_back(&page);
        }
    }
    std::string user;
    std::string room;
    copy_identity(user, room);
    for (const SeenRequest* page : going) {
        SeenFrame seen;
        seen.target = DeliveryTarget{page->sender_address, page->reply_port, page->sender_id};
        seen.job.message_id = next_message_id();
        seen.job.frame = encode_line("SEEN", {seen.job.message_id, instance_id_, user, room, page->page_id});
        seen.job.sealed = sealed_;
        seen.job.sender_id = instance_id_;
        seen_sender_->submit(std::move(seen));
    }
}

void NetworkEngine::handle_loop_frame(const std::string& line, const std::string& address) {
    const ParsedLine frame = parse_line(line);
    if (frame.kind == "CLEAR") handle_clear(frame, address);
    if (frame.kind == "SEEN") handle_seen(frame, address);
}

void NetworkEngine::handle_clear(const ParsedLine& frame, const std::string& address) {
    PeerRecord clearer;
    ClearVerdict verdict;
    {
        std::lock_guard<std::mutex> lock(peers_mutex_);
        verdict = judge_clear(frame, instance_id_, address, peers_, own_flags_, milliseconds_since_start(), clearer);
    }
    if (verdict != ClearVerdict::clear) return;
    const std::string label = field_or_empty(frame, 4);
    if (!own_flags_.clear(label)) return;  // cleared meanwhile by another
    request_extra_heartbeat();
    post_or_free(window_, WM_APP_OWN_FLAG_CLEARED, new OwnFlagCleared{label, clearer.user, clearer.room});
}

void NetworkEngine::handle_seen(const ParsedLine& frame, const std::string& address) {
    PageSeen seen;
    if (!sent_pages_ || !sent_pages_->note_seen(field_or_empty(frame, 4), field_or_empty(frame, 1), address, seen))
        return;
    post_or_free(window_, WM_APP_PAGE_SEEN, new PageSeen(std::move(seen)));
}

void NetworkEngine::post_flags_gone(const std::vector<PeerRecord>& departed) {
    for (const auto& peer : departed) {
        if (peer.flags.empty()) continue;
        auto* gone = new PeerFlagsGone{flag_source(peer), {}};
        for (const auto& flag : peer.flags) gone->labels.push_back(flag.label);
        post_or_free(window_, WM_APP_PEER_FLAGS_GONE, gone);
    }
}

std::int64_t NetworkEngine::run_escalation_checks(std::int64_t now) {
    if (!sent_pages_) return -1;
    std::int64_t next_due = -1;
    const std::int64_t escalate_ms = static_cast<std::int64_t>(urgent_escalate_s_.load()) * 1000;
    for (auto& report : sent_pages_->due_checks(now, escalate_ms, next_due)) {
        post_or_free(window_, WM_APP_NOT_SEEN, new PageNotSeen(std::move(report)));
    }
    return next_due;
}

}  // namespace quillnet
