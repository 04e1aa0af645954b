// Shortcut-preserving fixture and HEARTBEAT listener of the dialog tests.
#include <winsock2.h>
#include <windows.h>

#include "config/startup_shortcut.h"
#include "config_dialog_fixture.h"

#include <vector>

void ConfigDialogTest::SetUp() { had_shortcut_ = quillnet::startup_shortcut_exists(); }

void ConfigDialogTest::TearDown() {
    if (quillnet::startup_shortcut_exists() != had_shortcut_) quillnet::set_start_at_login(had_shortcut_);
}

namespace qntest {

namespace {

// Splits a discovery line "KIND<US>f0<US>f1...\n" into its kind and fields.
std::vector<std::string> split_line(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    std::vector<std::string> parts(1);
    for (char c : line) {
        if (c == '\x1F')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

}  // namespace

std::string wait_for_heartbeat(std::uint16_t port, const std::string& instance_id, const std::string& user,
                               int timeout_ms) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::string();
    std::string found;
    SOCKET listener = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (listener != INVALID_SOCKET) {
        BOOL on = TRUE;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
        DWORD wait_ms = 200;
        setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait_ms), sizeof wait_ms);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
            char buffer[2048];
            while (found.empty() && GetTickCount64() < deadline) {
                const int got = recv(listener, buffer, sizeof buffer, 0);
                if (got <= 0) continue;
                const std::string datagram(buffer, static_cast<std::size_t>(got));
                const std::vector<std::string> parts = split_line(datagram);
                if (parts.size() >= 3 && parts[0] == "HEARTBEAT" && parts[1] == instance_id && parts[2] == user)
                    found = datagram;
            }
        }
        closesocket(listener);
    }
    WSACleanup();
    return found;
}

}  // namespace qntest
