// Hardening of the message receiver: a storm of idle connections, trickling senders and
// quick connect-and-close churn while real pages arrive; and hundreds of random,
// truncated and oversized frames from parallel senders, each handled exactly once; no
// TIME_WAIT left on the message port; a failing accept does not spin.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#endif

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/line_io.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

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

#if !defined(_WIN32)
namespace {

// Sockets of the message port left in TIME_WAIT, as ss sees them in this namespace.
int time_wait_on(std::uint16_t port) {
    const std::string command = "ss -Htan state time-wait '( sport = :" + std::to_string(port) + " )'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    int lines = 0;
    for (int c; (c = fgetc(pipe)) != EOF;) lines += c == '\n';
    pclose(pipe);
    return lines;
}

// Waits until the receiver has closed its end (end of stream or reset).
void until_closed_by_receiver(SocketHandle socket) {
    char buffer[256];
    while (wait_readable(socket, 8000) == WaitResult::ready && receive_bytes(socket, buffer, sizeof buffer, false) > 0) {
    }
}

}  // namespace

TEST(HardeningReceiver, ConnectionsTheReceiverEndsLeaveNoTimeWaitOnTheMessagePort) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(engine_settings(ports, "ann", "Op 1")));
    std::vector<std::unique_ptr<SocketHolder>> clients;
    auto open_with = [&](const std::string& bytes) {
        clients.push_back(std::make_unique<SocketHolder>(connect_to(ports.message)));
        if (!bytes.empty()) send_all(clients.back()->get(), bytes);
    };
    open_with("");  // idle until the per-byte time-out; also the oldest when all places are taken
    open_with(encode_line("PING", {"{P}-1", "{P}", "u", "r", "other kind"}));
    open_with(encode_line("MSG", {"x-1", a.engine.instance_id(), "me", "r", "own id"}));
    open_with(encode_line("MSG", {"{Q}-1", "{Q}", "u", "r", "acknowledged, never closed"}));
    // Every place taken: the idle connection opened first is cut short.
    for (int i = 0; i < 64; ++i) open_with("");
    for (auto& c : clients) until_closed_by_receiver(c->get());
    clients.clear();
    EXPECT_EQ(time_wait_on(ports.message), 0);
}

TEST(HardeningReceiver, FailingAcceptBacksOffAndRecovers) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(engine_settings(ports, "ann", "Op 1")));
    SocketHolder client(open_tcp_socket());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> filler;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) filler.push_back(fd);  // out of descriptors now
    ASSERT_EQ(begin_connect(client.get(), IPV4_LOOPBACK, ports.message), ConnectStart::connected);
    ASSERT_TRUE(send_all(client.get(), encode_line("MSG", {"{F}-1", "{F}", "u", "r", "waited"})));

    timespec start{}, end{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
    for (int fd : filler) close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
    const double busy_ms = (end.tv_sec - start.tv_sec) * 1000.0 + (end.tv_nsec - start.tv_nsec) / 1e6;
    EXPECT_LT(busy_ms, 200.0);
    // Descriptors free again: the waiting connection is taken and answered.
    EXPECT_EQ(read_line_from(client.get(), 256, 3000, 0), "ACK\x1F{F}-1");
}
#endif
