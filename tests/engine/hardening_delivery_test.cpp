// Hardening of delivery against broken recipients: one that accepts and never answers,
// one that answers with an endless line of garbage, and one that accepts but never
// reads a frame larger than the socket buffers. Each costs bounded time, the result
// always arrives, and pages to healthy recipients are not held up meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/line_io.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

// Accepts connections on 127.0.0.1 and either keeps them open without reading a byte
// (hold) or reads the frame line and answers with megabytes without a line feed.
class BrokenRecipient {
public:
    enum class Mode { hold, garbage };

    explicit BrokenRecipient(Mode mode) : listener_(open_tcp_socket()), mode_(mode) {
        set_reuse_address(listener_.get());
        bind_ipv4(listener_.get(), IPV4_LOOPBACK, 0);
        listen_max_backlog(listener_.get());
        port_ = local_port(listener_.get());
        thread_ = std::thread([this] { serve(); });
    }
    ~BrokenRecipient() {
        stop_ = true;
        thread_.join();
    }
    std::uint16_t port() const { return port_; }

private:
    void serve() {
        std::vector<std::unique_ptr<SocketHolder>> held;
        while (!stop_) {
            if (wait_readable(listener_.get(), 50) != WaitResult::ready) continue;
            std::uint32_t peer = 0;
            auto connection = std::make_unique<SocketHolder>(accept_connection(listener_.get(), peer));
            if (!connection->valid()) continue;
            if (mode_ == Mode::garbage) {
                read_line_from(connection->get(), FRAME_READ_LIMIT, 3000, 5000);
                const std::string junk(1 << 20, 'x');
                set_non_blocking(connection->get(), true);  // the sender stops reading after 256 bytes
                send_bytes(connection->get(), junk.data(), junk.size());
            }
            held.push_back(std::move(connection));
        }
    }

    SocketHolder listener_;
    Mode mode_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class HardeningDelivery : public ::testing::Test {
protected:
    void SetUp() override {
        ports_ = next_ports();
        Settings settings = engine_settings(ports_, "me", "Desk");
        settings.peer_timeout_ms = 600000;
        std::wstring error;
        sink_.serve(engine_);
        ASSERT_TRUE(engine_.start(settings, sink_.window(), error));
    }

    void announce(const std::string& id, std::uint16_t port) {
        RawUdp raw(IPV4_LOOPBACK, 0);
        raw.send_to(hello_line(id, "user " + id, "room", std::to_string(port)), IPV4_LOOPBACK, ports_.discovery);
        ASSERT_TRUE(sink_.next_peers_changed());
    }

    SocketLibrary library_;
    TestPorts ports_{};
    EventSink sink_;
    NetworkEngine engine_;
};

}  // namespace

TEST_F(HardeningDelivery, BrokenRecipientsCostBoundedTimeAndTheResultAlwaysArrives) {
    BrokenRecipient holder(BrokenRecipient::Mode::hold);
    BrokenRecipient garbage(BrokenRecipient::Mode::garbage);
    RawServer healthy("ACK\n");
    announce("{HOLD}", holder.port());
    announce("{GARBAGE}", garbage.port());
    announce("{HEALTHY}", healthy.port());

    // A frame far larger than the socket buffers to the recipient that never reads: the
    // send stalls and is given up, instead of leaving the page pending for ever.
    int attempted = 0;
    const MessageId big = engine_.send_message({"{HOLD}"}, "MSG", std::string(8u << 20, 'b'), attempted);
    ASSERT_EQ(attempted, 1);
    // Meanwhile, a page to all three (only the healthy one counts) and one to the healthy
    // recipient alone are not held up by it.
    const MessageId all = engine_.send_message({}, "MSG", "to everyone", attempted);
    ASSERT_EQ(attempted, 3);
    const MessageId small = engine_.send_message({"{HEALTHY}"}, "MSG", "meanwhile", attempted);
    ASSERT_EQ(attempted, 1);

    std::map<MessageId, int> acknowledged;
    std::vector<MessageId> order;
    while (acknowledged.size() < 3) {
        auto result = sink_.next_result(60000);
        ASSERT_TRUE(result) << acknowledged.size() << " results";
        acknowledged[result->message_id] = result->acknowledged;
        order.push_back(result->message_id);
    }
    EXPECT_EQ(acknowledged[small], 1);
    EXPECT_EQ(acknowledged[all], 1);
    EXPECT_EQ(acknowledged[big], 0);
    EXPECT_EQ(order.back(), big);
}

TEST_F(HardeningDelivery, ReplyTricklingOneByteASecondIsNotDeliveredAfterFiveSeconds) {
    // Each byte well within the per-byte limit, the whole line far beyond five seconds.
    RawServer trickler("ACK\x1F" "{ME}-0 and more\n", 0, false, 1000);
    announce("{TRICKLE}", trickler.port());
    int attempted = 0;
    const auto sent = std::chrono::steady_clock::now();
    engine_.send_message({"{TRICKLE}"}, "MSG", "slow", attempted);
    ASSERT_EQ(attempted, 1);
    auto result = sink_.next_result(9000);
    const auto took = std::chrono::steady_clock::now() - sent;
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 0);
    EXPECT_GE(took, std::chrono::milliseconds(4500));
}
