// Helpers for engine tests: settings with short intervals, distinct ports per test,
// raw UDP and TCP peers that speak (or break) the protocol by hand.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/socket_shim.h"

namespace quillnet {

struct TestPorts {
    std::uint16_t discovery;
    std::uint16_t message;
};

// A fresh pair of ports for each call (one process never reuses one).
TestPorts next_ports();
std::uint16_t next_port();

// Heartbeat 200 ms, peer timeout 1000 ms unless changed.
Settings engine_settings(const TestPorts& ports, const std::string& user, const std::string& room = "Room");

// Polls until predicate holds or timeout_ms passes.
bool eventually(const std::function<bool()>& predicate, int timeout_ms = 10000);

// An engine with its own event window, which acknowledges peer-list notices as the main
// window does.
struct Node {
    EventSink sink;
    NetworkEngine engine;
    bool start(const Settings& settings) {
        std::wstring error;
        sink.serve(engine);
        return engine.start(settings, sink.window(), error);
    }
};

// Socket library held for the life of a test object (Winsock needs it for raw sockets).
struct SocketLibrary {
    SocketLibrary() { socket_library_start(); }
    ~SocketLibrary() { socket_library_stop(); }
};

// A raw UDP socket for sending hand-made datagrams and for listening to announcements.
class RawUdp {
public:
    // Bound to address:port (port 0: any free port), sharing the port with SO_REUSEADDR
    // when reuse is set and keeping it to itself otherwise.
    RawUdp(std::uint32_t address, std::uint16_t port, bool reuse = true);
    bool bound() const { return bound_; }
    void send_to(const std::string& bytes, std::uint32_t address, std::uint16_t port);
    // The next datagram within timeout_ms, or false.
    bool receive(std::string& datagram, int timeout_ms);

private:
    SocketHolder socket_;
    bool bound_ = false;
};

// Connects to 127.0.0.1:port, sends bytes, then reads until the peer closes or
// timeout_ms passes; returns everything read.
std::string converse(std::uint16_t port, const std::string& bytes, int timeout_ms = 10000);

// A one-connection-at-a-time TCP server on 127.0.0.1 that answers each connection with
// a scripted behaviour and records the frames it read.
class RawServer {
public:
    // reply: bytes sent after the frame line arrived; delay_ms: wait before replying;
    // close_at_once: close without reading or replying; byte_interval_ms > 0: the reply
    // trickles out one byte at a time with this pause before each.
    RawServer(std::string reply, int delay_ms = 0, bool close_at_once = false, int byte_interval_ms = 0);
    ~RawServer();
    std::uint16_t port() const { return port_; }
    std::vector<std::string> frames();

private:
    void serve();

    SocketHolder listener_;
    std::uint16_t port_ = 0;
    std::string reply_;
    int delay_ms_;
    bool close_at_once_;
    int byte_interval_ms_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> frames_;
    std::thread thread_;
};

// A HELLO line as another instance would send it.
std::string hello_line(const std::string& id, const std::string& user, const std::string& room,
                       const std::string& port);

}  // namespace quillnet
