// Delivery of one message to its recipients, all of them at the same time, on the
// delivery workers (worker_pool.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/events.h"

namespace quillnet {

struct DeliveryTarget {
    std::string address;  // dotted IPv4
    std::uint16_t port = 0;
    std::string instance_id;  // the recipient's InstanceId
};

class SealedWire;

struct DeliveryJob {
    std::vector<DeliveryTarget> targets;
    std::string frame;  // encoded, terminator included
    WindowHandle window = nullptr;
    std::string message_id;
    std::int32_t attempted = 0;
    // Sealed mode: the run's sealed wire (kept alive by the job) and the sender's own
    // id; frame then holds the open-protocol frame that is sealed per recipient.
    std::shared_ptr<SealedWire> sealed;
    std::string sender_id;
    // Told each target's outcome as it settles (index into targets), on the worker.
    std::function<void(std::size_t, bool)> on_target;
    // When set, called with the acknowledged count instead of posting a DeliveryResult.
    std::function<void(std::int32_t)> on_done;
};

// How the reply to a frame is read and judged.
struct ReplyRule {
    std::size_t limit = 0;
    std::function<bool(const std::string&)> counts;
};

// Connects (at most 1.5 s), sends the frame and reads the reply (1500 ms per byte, at
// most 256 bytes); true when the reply starts with "ACK".
bool deliver_frame(const DeliveryTarget& target, const std::string& frame);
// The same, with the reply read up to rule.limit bytes and counted when rule.counts.
bool deliver_frame(const DeliveryTarget& target, const std::string& frame, const ReplyRule& rule);

// Delivers job.frame to target in the job's mode (sealed per recipient, with only its
// own acknowledgement counting); true when acknowledged.
bool deliver_to_target(const DeliveryTarget& target, const DeliveryJob& job);

// Tries every target at once, each as a task of its own on a delivery worker with its
// own limits, and posts one DeliveryResult to the job's window when the last one is
// settled. Returns at once; a hung room costs the others nothing.
void start_delivery_job(DeliveryJob job);

}  // namespace quillnet
