// A loopback UDP socket one receiver thread waits on beside its own sockets, so that
// stop() can end its wait at once. Any program on the machine can send to it, so only a
// datagram holding the random token made when it opened counts as a wake; anything
// else is read and dropped, and what has arrived is always drained.
#pragma once

#include <atomic>
#include <string>

#include "net/socket_shim.h"

namespace quillnet {

class WakeSignal {
public:
    WakeSignal() = default;
    ~WakeSignal() { close(); }
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Opens the socket with a fresh token; false (and closed) when either fails.
    bool open();
    // Closes the socket; only once no thread waits on it any more.
    void close();
    bool valid() const { return socket_.load() != INVALID_SOCKET_HANDLE; }
    SocketHandle socket() const { return socket_.load(); }
    // Sends the token to the socket.
    void signal();
    // Reads what has arrived (a bounded number of datagrams, so a flood on this socket
    // cannot keep the thread from its own work); true when the token was among them.
    bool drain();

private:
    std::atomic<SocketHandle> socket_{INVALID_SOCKET_HANDLE};
    std::string token_;
};

}  // namespace quillnet
