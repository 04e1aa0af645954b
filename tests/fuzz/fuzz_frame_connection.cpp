// Fuzz target: the receiver's non-blocking frame reading over a real socket pair, the
// bytes arriving in pieces of a size the input chooses. The gathered line is what the
// line rules give for the same bytes, nothing after the first line feed is taken off the
// socket, the message is posted, and the acknowledgement is sent exactly for the three
// message kinds ended by their line feed.
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/event_queue.h"
#include "net/frame_connection.h"
#include "net/socket_shim.h"
#include "net/wire.h"

namespace {

using namespace quillnet;

std::string read_everything(SocketHandle socket) {
    std::string out;
    char buffer[4096];
    while (wait_readable(socket, 0) == WaitResult::ready) {
        const int got = receive_bytes(socket, buffer, sizeof buffer, false);
        if (got <= 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t piece = 1 + data[0] % 97;          // bytes written at a time
    std::vector<char> buffer(1 + data[1] % 40);          // the receiver's scratch size
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string own_id = "{OWN}";
    const std::vector<FlagDefinition> flags{{"Red", 0x0000FF}};

    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
    SocketHolder receiver(pair[0]);
    SocketHolder sender(pair[1]);
    set_non_blocking(receiver.get(), true);
    FrameConnection connection(receiver.release(), "10.0.0.7", 0);
    WindowHandle window = reinterpret_cast<WindowHandle>(0x5000);
    open_event_window(window);
    // SEEN and CLEAR lines go to the engine, whole and without their line feed.
    int handed = 0;
    const FrameContext context{own_id, flags, nullptr, nullptr, window,
                               [&](const std::string& line, const std::string& address) {
                                   if (line.find('\n') != std::string::npos || address != "10.0.0.7" ||
                                       !is_loop_kind(parse_line(line).kind))
                                       std::abort();
                                   ++handed;
                               }};

    std::size_t written = 0;
    while (written < bytes.size() && connection.stage == FrameStage::reading) {
        const std::size_t n = bytes.size() - written < piece ? bytes.size() - written : piece;
        if (send_bytes(sender.get(), bytes.data() + written, n) != static_cast<int>(n)) std::abort();
        written += n;
        while (connection.stage == FrameStage::reading &&
               wait_readable(connection.socket.get(), 0) == WaitResult::ready) {
            on_frame_readable(connection, context, buffer, 1);
        }
    }
    if (connection.stage == FrameStage::reading) {
        shutdown(sender.get(), SHUT_WR);  // the sender closes: the line is what arrived
        while (connection.stage == FrameStage::reading) on_frame_readable(connection, context, buffer, 2);
    }

    // What the line rules make of the same bytes, and how many of them they take.
    LineReader expected(FRAME_READ_LIMIT);
    for (char c : bytes)
        if (expected.feed(c)) break;
    if (connection.reader.line != expected.line || connection.reader.consumed != expected.consumed) std::abort();
    // Whatever follows the line is still on the socket, untouched.
    if (read_everything(connection.socket.get()) != bytes.substr(expected.consumed, written - expected.consumed))
        std::abort();

    const ParsedLine parsed = parse_line(expected.line);
    // A sealed frame reaching a copy in open mode is dropped (with a notice) unanswered.
    const bool for_us = !expected.line.empty() && field_or_empty(parsed, 1) != own_id;
    const bool loop = for_us && is_loop_kind(parsed.kind);
    if (handed != (loop && expected.terminated ? 1 : 0)) std::abort();
    const bool posted = for_us && !loop && parsed.kind != "QS1";
    PostedEvent event;
    const bool got = wait_for_event(window, event, 0);
    if (got) free_event_payload(event);
    close_event_window(window);
    if (got != posted) std::abort();
    const std::string ack = read_everything(sender.get());
    const bool acknowledged = ((posted && is_message_kind(parsed.kind)) || loop) && expected.terminated;
    if (acknowledged != (ack == encode_line("ACK", {field_or_empty(parsed, 0)}))) std::abort();
    if (!acknowledged && !ack.empty()) std::abort();
    return 0;
}
