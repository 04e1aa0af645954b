// Other rooms for the window tests, on this host's loopback: a second real engine in
// the test process, a hand-made HELLO for a room that then vanishes without BYE, and a
// UDP listener that hears what the program announces.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/engine.h"

namespace qntest {

// Keeps Winsock started while the test's own sockets live.
class WinsockUser {
public:
    WinsockUser();
    ~WinsockUser();
    WinsockUser(const WinsockUser&) = delete;
    WinsockUser& operator=(const WinsockUser&) = delete;
};

// A real engine announcing itself on discovery_port and accepting frames on
// message_port. What it receives is kept in received (filled while the test pumps).
class TestPeer {
public:
    // With site_key (64 hexadecimal digits) it runs sealed.
    TestPeer(const std::string& user, const std::string& room, std::uint16_t discovery_port,
             std::uint16_t message_port, const std::string& site_key = std::string());
    ~TestPeer();
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    bool started() const { return started_; }
    const std::string& id() const { return engine_.instance_id(); }
    void stop() { engine_.stop(); }
    // The peer's engine, to raise flags, send pages and acknowledge them as a copy would.
    quillnet::NetworkEngine& engine() { return engine_; }

    std::vector<quillnet::IncomingMessage> received;
    // Acknowledgements of its pages and clears of its flags, as its window would get them.
    std::vector<quillnet::PageSeen> seen;
    std::vector<quillnet::OwnFlagCleared> cleared;
    std::vector<quillnet::DeliveryResult> results;

private:
    quillnet::NetworkEngine engine_;
    HWND window_ = nullptr;
    bool started_ = false;
};

// Sends one HELLO for a room that nobody runs, announcing message_port, to every
// engine bound to discovery_port on this host.
void announce_room(std::uint16_t discovery_port, const std::string& id, const std::string& user,
                   const std::string& room, std::uint16_t message_port);

// Sends each text as a typed page from a made-up room to message_port on this host, one
// connection each in turn, the way another copy does; returns the texts acknowledged.
// Blocking calls only, so it can run on a thread of its own while the window is busy.
std::vector<std::string> send_pages(std::uint16_t message_port, const std::vector<std::string>& texts);

// A UDP socket sharing discovery_port with the engines; collects the lines it hears.
class DiscoveryListener {
public:
    explicit DiscoveryListener(std::uint16_t discovery_port);
    ~DiscoveryListener();
    DiscoveryListener(const DiscoveryListener&) = delete;
    DiscoveryListener& operator=(const DiscoveryListener&) = delete;
    bool valid() const { return socket_ != INVALID_SOCKET; }
    // Reads every datagram waiting now; returns true when one began with kind and
    // carried id as its first field.
    bool heard(const std::string& kind, const std::string& id);
    // True when a sealed line of that key id has been heard.
    bool heard_sealed(const std::string& key_id);
    // The sender id of the first datagram of that kind heard so far, or empty.
    std::string first_sender(const std::string& kind);

private:
    void read_waiting();
    WinsockUser winsock_;
    SOCKET socket_ = INVALID_SOCKET;
    std::vector<std::string> lines_;
};

// A TCP listener on port with no address sharing, so the program cannot bind it.
class PortBlocker {
public:
    explicit PortBlocker(std::uint16_t port);
    ~PortBlocker();
    PortBlocker(const PortBlocker&) = delete;
    PortBlocker& operator=(const PortBlocker&) = delete;
    bool valid() const { return socket_ != INVALID_SOCKET; }

private:
    WinsockUser winsock_;
    SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace qntest
