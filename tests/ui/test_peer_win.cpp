// Other rooms on loopback for the window tests (see test_peer.h).
#include "test_peer.h"

#include <ws2tcpip.h>

#include "config/settings.h"
#include "net/wire.h"

namespace qntest {

namespace {

constexpr wchar_t PEER_CLASS[] = L"QNTestPeerWindow";

// Receives the peer engine's posted messages on the test's thread.
LRESULT CALLBACK peer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = reinterpret_cast<TestPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == quillnet::WM_APP_MESSAGE_RECEIVED) {
        auto* incoming = reinterpret_cast<quillnet::IncomingMessage*>(lparam);
        if (peer && incoming) peer->received.push_back(*incoming);
        delete incoming;
        return 0;
    }
    if (message == quillnet::WM_APP_DELIVERY_RESULT) {
        auto* result = reinterpret_cast<quillnet::DeliveryResult*>(lparam);
        if (peer && result) peer->results.push_back(*result);
        delete result;
        return 0;
    }
    if (message == quillnet::WM_APP_PAGE_SEEN) {
        auto* seen = reinterpret_cast<quillnet::PageSeen*>(lparam);
        if (peer && seen) peer->seen.push_back(*seen);
        delete seen;
        return 0;
    }
    if (message == quillnet::WM_APP_OWN_FLAG_CLEARED) {
        auto* cleared = reinterpret_cast<quillnet::OwnFlagCleared*>(lparam);
        if (peer && cleared) peer->cleared.push_back(*cleared);
        delete cleared;
        return 0;
    }
    if (message >= quillnet::WM_APP_BASE && message < quillnet::WM_APP_BASE + 0x0100) {
        quillnet::free_engine_payload(message, reinterpret_cast<void*>(lparam));
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND create_peer_window(TestPeer* peer) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = peer_window_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = PEER_CLASS;
        registered = RegisterClassExW(&wc) != 0;
    }
    HWND window = CreateWindowExW(0, PEER_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    return window;
}

sockaddr_in ipv4(const char* address, std::uint16_t port) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    inet_pton(AF_INET, address, &target.sin_addr);
    return target;
}

}  // namespace

WinsockUser::WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

WinsockUser::~WinsockUser() { WSACleanup(); }

TestPeer::TestPeer(const std::string& user, const std::string& room, std::uint16_t discovery_port,
                   std::uint16_t message_port, const std::string& site_key) {
    window_ = create_peer_window(this);
    quillnet::Settings settings;
    settings.user = user;
    settings.room = room;
    settings.discovery_port = discovery_port;
    settings.message_port = message_port;
    settings.seed_peers = {"127.255.255.255"};
    settings.heartbeat_ms = 500;
    settings.peer_timeout_ms = 60000;
    settings.site_key = site_key;
    quillnet::complete_settings(settings);
    std::wstring error;
    started_ = engine_.start(settings, window_, error);
}

TestPeer::~TestPeer() {
    engine_.stop();
    if (window_) DestroyWindow(window_);
}

void announce_room(std::uint16_t discovery_port, const std::string& id, const std::string& user,
                   const std::string& room, std::uint16_t message_port) {
    WinsockUser winsock;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return;
    BOOL on = TRUE;
    // Loopback broadcast reaches every engine sharing the port, not just the last binder.
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
    const std::string line =
        "HELLO\x1F" + id + "\x1F" + user + "\x1F" + room + "\x1F" + std::to_string(message_port) + "\n";
    const sockaddr_in target = ipv4("127.255.255.255", discovery_port);
    sendto(s, line.data(), static_cast<int>(line.size()), 0, reinterpret_cast<const sockaddr*>(&target),
           sizeof target);
    closesocket(s);
}

std::vector<std::string> send_pages(std::uint16_t message_port, const std::vector<std::string>& texts) {
    WinsockUser winsock;
    std::vector<std::string> acknowledged;
    const std::string sender = "{5E2A7C10-3B4D-4F6E-8A9B-0C1D2E3F4A5B}";
    int sequence = 0;
    for (const std::string& text : texts) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) continue;
        DWORD limit_ms = 5000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit_ms), sizeof limit_ms);
        const sockaddr_in target = ipv4("127.0.0.1", message_port);
        const std::string frame = quillnet::encode_line(
            "MSG", {sender + "-" + std::to_string(sequence++), sender, "Reception", "Front", text});
        std::string reply;
        if (connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 &&
            send(s, frame.data(), static_cast<int>(frame.size()), 0) == static_cast<int>(frame.size())) {
            char c = 0;
            while (recv(s, &c, 1, 0) == 1 && c != '\n') reply += c;
        }
        closesocket(s);
        if (reply.compare(0, 3, "ACK") == 0) acknowledged.push_back(text);
    }
    return acknowledged;
}

DiscoveryListener::DiscoveryListener(std::uint16_t discovery_port) {
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ == INVALID_SOCKET) return;
    BOOL on = TRUE;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
    const sockaddr_in local = ipv4("0.0.0.0", discovery_port);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

DiscoveryListener::~DiscoveryListener() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

void DiscoveryListener::read_waiting() {
    char buffer[2048];
    for (;;) {
        const int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        lines_.emplace_back(buffer, static_cast<std::size_t>(got));
    }
}

std::string DiscoveryListener::first_sender(const std::string& kind) {
    read_waiting();
    const std::string prefix = kind + "\x1F";
    for (const std::string& line : lines_) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line.substr(prefix.size(), line.find('\x1F', prefix.size()) - prefix.size());
    }
    return std::string();
}

bool DiscoveryListener::heard(const std::string& kind, const std::string& id) {
    read_waiting();
    const std::string prefix = kind + "\x1F" + id + "\x1F";
    for (const std::string& line : lines_) {
        if (line.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

bool DiscoveryListener::heard_sealed(const std::string& key_id) {
    read_waiting();
    const std::string prefix = "QS1\x1F" + key_id + "\x1F";
    for (const std::string& line : lines_) {
        if (line.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

PortBlocker::PortBlocker(std::uint16_t port) {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return;
    const sockaddr_in local = ipv4("0.0.0.0", port);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(socket_, 4) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

PortBlocker::~PortBlocker() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

}  // namespace qntest
