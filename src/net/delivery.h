// Delivery of one message to its recipients, on a detached thread of its own that
// reaches all of them at the same time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/events.h"

namespace quillnet {

struct DeliveryTarget {
    std::string address;  // dotted IPv4
    std::uint16_t port = 0;
    std::string instance_id;  // the recipient's InstanceId
};

struct DeliveryJob {
    std::vector<DeliveryTarget> targets;
    std::string frame;  // encoded, terminator included
    WindowHandle window = nullptr;
    std::string message_id;
    std::int32_t attempted = 0;
};

// Connects (at most 1.5 s), sends the frame and reads the reply (1500 ms per byte, at
// most 256 bytes); true when the reply starts with "ACK".
bool deliver_frame(const DeliveryTarget& target, const std::string& frame);

// Tries every target at once, each on a thread of its own with its own limits, and
// posts one DeliveryResult to the job's window when the last one is settled. A hung
// room then costs the others nothing.
void run_delivery_job(const DeliveryJob& job);

}  // namespace quillnet
