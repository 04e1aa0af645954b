// The raw-socket references the engine is measured against: the least a program can do
// to carry one line over its own TCP connection and get one line back.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "net/socket_shim.h"

namespace quillnet {

// One thread: accept, read up to the line feed, reply with one line, close. Serves until
// destroyed. With silent set it accepts and keeps every connection open without reading
// or answering (a recipient that does not answer).
class RawAckServer {
public:
    explicit RawAckServer(bool silent = false);
    ~RawAckServer();
    RawAckServer(const RawAckServer&) = delete;
    RawAckServer& operator=(const RawAckServer&) = delete;

    std::uint16_t port() const { return port_; }

private:
    void serve();

    SocketHolder listener_;
    bool silent_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Connect, send the line, read the reply up to its line feed (waiting at most
// reply_timeout_ms for each read), close. True when the reply starts with "ACK" (or
// "QS1" US, a sealed engine's acknowledgement).
bool raw_exchange(std::uint16_t port, const std::string& line, int reply_timeout_ms = 1500);

}  // namespace quillnet
