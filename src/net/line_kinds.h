// The kinds of the protocol's lines, named once: every reader and writer of a line,
// and every window feature that tells pages apart, uses these names.
#pragma once

namespace quillnet {

// Announcements on the discovery port.
constexpr const char* KIND_HELLO = "HELLO";
constexpr const char* KIND_HEARTBEAT = "HEARTBEAT";
constexpr const char* KIND_BYE = "BYE";
// Frames on the message port and the acknowledgement that answers each.
constexpr const char* KIND_MSG = "MSG";
constexpr const char* KIND_QUICK = "QUICK";
constexpr const char* KIND_FLAG = "FLAG";
constexpr const char* KIND_SEEN = "SEEN";
constexpr const char* KIND_CLEAR = "CLEAR";
constexpr const char* KIND_ACK = "ACK";

}  // namespace quillnet
