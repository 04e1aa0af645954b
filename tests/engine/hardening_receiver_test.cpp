// Hardening of the message receiver: a storm of idle connections, trickling senders and
// quick connect-and-close churn while real pages arrive; and hundreds of random,
// truncated and oversized frames from parallel senders, each handled exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/line_io.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

struct Node {
    EventSink sink;
    NetworkEngine engine;
    bool start(const Settings& settings) {
        std::wstring error;
        return engine.start(settings, sink.window(), error);
    }
};

SocketHandle connect_to(std::uint16_t port) {
    SocketHolder socket(open_tcp_socket());
    if (begin_connect(socket.get(), IPV4_LOOPBACK, port) != ConnectStart::connected) return INVALID_SOCKET_HANDLE;
    return socket.release();
}

// Sends bytes on a new connection and closes it without waiting for any reply.
void send_and_close(std::uint16_t port, const std::string& bytes) {
    SocketHolder socket(connect_to(port));
    if (socket.valid() && !bytes.empty()) send_all(socket.get(), bytes);
}

// What the receiver makes of the bytes of one connection: the line before the first
// line feed, carriage returns dropped, at most FRAME_READ_LIMIT bytes read. It is posted
// when that line is not empty.
bool would_be_posted(const std::string& bytes) {
    LineReader reader(FRAME_READ_LIMIT);
    for (char c : bytes)
        if (reader.feed(c)) break;
    return !reader.line.empty();
}

}  // namespace

TEST(HardeningReceiver, RealPagesLandDuringAStormOfIdleTricklingAndChurningConnections) {
    SocketLibrary library;
    const TestPorts base = next_ports();
    Node a, b;
    ASSERT_TRUE(a.start(engine_settings(base, "ann", "Op 1")));
    ASSERT_TRUE(b.start(engine_settings({base.discovery, next_port()}, "bea", "Op 2")));
    ASSERT_TRUE(eventually([&] { return b.engine.snapshot_peers().size() == 1; }));

    // 150 connections that say nothing and stay open.
    std::vector<std::unique_ptr<SocketHolder>> idle;
    for (int i = 0; i < 150; ++i) idle.push_back(std::make_unique<SocketHolder>(connect_to(base.message)));
    std::atomic<bool> storming{true};
    std::vector<std::thread> storm;
    // Six senders trickling a frame, one byte every 400 ms, over and over.
    for (int t = 0; t < 6; ++t) {
        storm.emplace_back([&, t] {
            const std::string frame = encode_line("MSG", {"{SLOW}-" + std::to_string(t), "{SLOW}", "slow", "r", "trickle"});
            while (storming) {
                SocketHolder socket(connect_to(base.message));
                for (std::size_t i = 0; storming && i < frame.size(); ++i) {
                    if (send_bytes(socket.get(), &frame[i], 1) != 1) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(400));
                }
            }
        });
    }
    // About 200 connections a second opened and closed again, half of them after half a
    // frame. (One process opening connections faster than the receiver can take them
    // delays everyone behind it, since connections are taken in the order they came.)
    storm.emplace_back([&] {
        for (int i = 0; storming; ++i) {
            send_and_close(base.message, i % 2 ? "" : "MSG\x1F{CHURN}-");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // Each page is settled by the sender's own limits (1.5 s to connect, 1.5 s per reply
    // byte); every one must be acknowledged.
    for (int i = 0; i < 5; ++i) {
        int attempted = 0;
        const MessageId id = b.engine.send_message({}, "MSG", "real page " + std::to_string(i), attempted);
        ASSERT_EQ(attempted, 1);
        auto result = b.sink.next_result(10000);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->message_id, id);
        EXPECT_EQ(result->acknowledged, 1) << "page " << i;
    }
    storming = false;
    for (auto& t : storm) t.join();
    idle.clear();

    // All five reached A's window, in the order sent, among whatever the storm produced.
    std::vector<std::string> real;
    while (auto m = a.sink.next_message(real.size() < 5 ? 10000 : 500)) {
        if (m->user == "bea") real.push_back(m->text);
    }
    ASSERT_EQ(real.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(real[static_cast<std::size_t>(i)], "real page " + std::to_string(i));

    // The receiver is free again: a plain frame is answered at once.
    EXPECT_EQ(converse(base.message, encode_line("MSG", {"{S}-1", "{S}", "sam", "r", "after"})), "ACK\x1F{S}-1\n");
}

TEST(HardeningReceiver, RandomTruncatedAndOversizedFramesAreEachHandledOnce) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(engine_settings(ports, "ann", "Op 1")));

    constexpr int SENDERS = 8;
    constexpr int CONNECTIONS_EACH = 40;
    std::atomic<int> expected{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < SENDERS; ++s) {
        senders.emplace_back([&, s] {
            std::mt19937 random(1000u + static_cast<unsigned>(s));
            auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
            const char alphabet[] = {'\n', '\r', '\x1F', '\0', 'A', 'C', 'K', 'M', 'S', 'G', ' ', '\xC3', '\xA9'};
            for (int c = 0; c < CONNECTIONS_EACH; ++c) {
                std::string bytes;
                switch (pick(4)) {
                    case 0:  // random bytes from an alphabet rich in separators
                        bytes.resize(pick(300));
                        for (auto& ch : bytes) ch = alphabet[pick(sizeof alphabet)];
                        break;
                    case 1: {  // a real frame cut anywhere
                        const std::string frame = encode_line(
                            pick(2) ? "MSG" : "FLAG", {"{R" + std::to_string(s) + "}-" + std::to_string(c),
                                                       "{R}", "user", "room", std::string(pick(500), 't')});
                        bytes = frame.substr(0, pick(frame.size() + 1));
                        break;
                    }
                    case 2:  // no line feed and longer than the read limit
                        bytes = "MSG\x1F{BIG}-0\x1F{BIG}\x1F" + std::string(FRAME_READ_LIMIT + pick(20000), 'x');
                        break;
                    default:  // a whole frame followed by more lines
                        bytes = encode_line("QUICK", {"{W}-" + std::to_string(c), "{W}", "w", "r", "whole"}) +
                                "MSG\x1Fsecond\n";
                        break;
                }
                if (would_be_posted(bytes)) ++expected;
                send_and_close(ports.message, bytes);
            }
        });
    }
    for (auto& t : senders) t.join();

    int posted = 0;
    while (posted < expected.load() && a.sink.next_message(10000)) ++posted;
    EXPECT_EQ(posted, expected.load());
    EXPECT_FALSE(a.sink.next_message(1500));  // and nothing more

    EXPECT_EQ(converse(ports.message, encode_line("MSG", {"{S}-2", "{S}", "sam", "r", "still here"})), "ACK\x1F{S}-2\n");
    auto m = a.sink.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "still here");
}
