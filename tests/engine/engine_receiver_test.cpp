// The message receiver against a raw TCP client: acknowledgements, what is posted, and
// the edge cases of reading a frame (silence, lone line feed, carriage returns, the
// 65536-byte cut and stalls never acknowledged, trickling senders served beside others,
// stopping in the middle of a frame).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/line_io.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

class EngineReceiver : public ::testing::Test {
protected:
    void SetUp() override {
        ports_ = next_ports();
        std::wstring error;
        sink_.serve(engine_);
        ASSERT_TRUE(engine_.start(engine_settings(ports_, "me", "Desk"), sink_.window(), error));
    }

    std::string send_frame(const std::string& bytes, int timeout_ms = 10000) {
        return converse(ports_.message, bytes, timeout_ms);
    }

    SocketLibrary library_;
    TestPorts ports_{};
    EventSink sink_;
    NetworkEngine engine_;
};

std::string frame(const std::string& kind, const std::vector<std::string>& fields) { return encode_line(kind, fields); }

}  // namespace

TEST_F(EngineReceiver, MessageFramesAreAcknowledgedAndPosted) {
    EXPECT_EQ(send_frame(frame("MSG", {"{S}-0", "{S}", "ann", "Op 1", "hello there"})), "ACK\x1F{S}-0\n");
    auto m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "MSG");
    EXPECT_EQ(m->user, "ann");
    EXPECT_EQ(m->room, "Op 1");
    EXPECT_EQ(m->text, "hello there");
    EXPECT_EQ(m->sender_address, "127.0.0.1");
    EXPECT_EQ(m->colour, 0u);

    EXPECT_EQ(send_frame(frame("FLAG", {"{S}-1", "{S}", "ann", "Op 1", "bLUE"})), "ACK\x1F{S}-1\n");
    m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "FLAG");
    EXPECT_EQ(m->colour, make_colour(30, 30, 220));

    EXPECT_EQ(send_frame(frame("FLAG", {"{S}-2", "{S}", "ann", "Op 1", "Mauve"})), "ACK\x1F{S}-2\n");
    m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->colour, 0u);

    EXPECT_EQ(send_frame(frame("QUICK", {"{S}-3", "{S}", "ann"})), "ACK\x1F{S}-3\n");
    m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "QUICK");
    EXPECT_EQ(m->room, "");
    EXPECT_EQ(m->text, "");
}

TEST_F(EngineReceiver, OtherKindsArePostedButNotAcknowledged) {
    EXPECT_EQ(send_frame(frame("PAGE", {"{S}-0", "{S}", "ann", "Op 1", "hi"})), "");
    auto m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "PAGE");
    EXPECT_EQ(m->text, "hi");
}

TEST_F(EngineReceiver, NothingIsPostedForEmptyConnectionsOrOwnFrames) {
    {
        SocketHolder silent(open_tcp_socket());  // opened and closed without data
        ASSERT_EQ(begin_connect(silent.get(), IPV4_LOOPBACK, ports_.message), ConnectStart::connected);
    }
    EXPECT_EQ(send_frame("\n"), "");
    EXPECT_EQ(send_frame("\r\n"), "");
    EXPECT_EQ(send_frame(frame("MSG", {"x-0", engine_.instance_id(), "me", "Desk", "echo"})), "");
    // The next real frame is the first thing posted.
    EXPECT_EQ(send_frame(frame("MSG", {"{S}-9", "{S}", "ann", "r", "after"})), "ACK\x1F{S}-9\n");
    auto m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "after");
}

TEST_F(EngineReceiver, CarriageReturnsAreDroppedAndNothingAfterTheLineFeedIsRead) {
    EXPECT_EQ(send_frame("M\rSG\x1F{S}-\r1\x1F{S}\x1F" "an\rn\x1Fr\x1Ftext\r\nMSG\x1Fsecond\n"), "ACK\x1F{S}-1\n");
    auto m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "MSG");
    EXPECT_EQ(m->user, "ann");
    EXPECT_EQ(m->text, "text");
    EXPECT_FALSE(sink_.next_message(500));
}

TEST_F(EngineReceiver, CutFramesArePostedButNeverAcknowledged) {
    // Cut at the 65536-byte limit: the text shown is cut, so the sender must not see it
    // as delivered.
    const std::string head = "MSG\x1F{S}-0\x1F{S}\x1Fu\x1Fr\x1F";
    std::string bytes = head + std::string(FRAME_READ_LIMIT - head.size(), 'x');
    bytes[head.size() + 100] = '\r';  // counts toward the limit but is not kept
    EXPECT_EQ(send_frame(bytes), "");
    auto m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text.size(), FRAME_READ_LIMIT - head.size() - 1);
    EXPECT_EQ(m->text.find('\r'), std::string::npos);

    // Cut by a stall: "MSG" and then silence is read as a line after the per-byte
    // time-out, and is not acknowledged either.
    SocketHolder socket(open_tcp_socket());
    ASSERT_EQ(begin_connect(socket.get(), IPV4_LOOPBACK, ports_.message), ConnectStart::connected);
    ASSERT_TRUE(send_all(socket.get(), "MSG"));
    EXPECT_EQ(read_line_from(socket.get(), 256, 10000, 0), "");
    socket.reset();
    m = sink_.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, "MSG");
    EXPECT_EQ(m->user, "");
}

TEST_F(EngineReceiver, TricklingSenderIsCutShortAndOthersGetThrough) {
    const std::string full = frame("MSG", {"{SLOW}-0", "{SLOW}", "slow", "r", "a long trickled text"});
    std::atomic<std::size_t> sent{0};
    std::string slow_reply;
    std::thread trickler([&] {
        SocketHolder socket(open_tcp_socket());
        if (begin_connect(socket.get(), IPV4_LOOPBACK, ports_.message) != ConnectStart::connected) return;
        for (char c : full) {
            // A byte every 700 ms keeps under the per-byte limit; the whole frame would take
            // over 30 s.
            if (wait_readable(socket.get(), 700) == WaitResult::ready) break;
            if (send_bytes(socket.get(), &c, 1) != 1) break;
            ++sent;
        }
        slow_reply = read_line_from(socket.get(), 256, 3000, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A second sender is served while the slow one is still trickling: it is posted
    // first, and the slow frame follows once it is cut.
    EXPECT_EQ(send_frame(frame("MSG", {"{FAST}-0", "{FAST}", "fast", "r", "quick"}), 20000), "ACK\x1F{FAST}-0\n");
    auto first = sink_.next_message();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->user, "fast");
    trickler.join();
    EXPECT_LT(sent.load(), full.size());
    auto second = sink_.next_message();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->kind, "MSG");
    EXPECT_TRUE(std::string("slow").compare(0, second->user.size(), second->user) == 0);
}

TEST_F(EngineReceiver, FrameUnfinishedAtStopIsClosedWithoutAckOrPost) {
    SocketHolder socket(open_tcp_socket());
    ASSERT_EQ(begin_connect(socket.get(), IPV4_LOOPBACK, ports_.message), ConnectStart::connected);
    ASSERT_TRUE(send_all(socket.get(), "MSG\x1F{S}-5\x1F{S}\x1Fu\x1Fr\x1Fpart"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The rest of the frame arrives while the engine is stopping: the window may be
    // gone by then, so it is neither acknowledged nor posted.
    std::thread rest([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        send_all(socket.get(), " and the rest\n");
    });
    engine_.stop();
    rest.join();
    EXPECT_FALSE(engine_.running());
    EXPECT_EQ(read_line_from(socket.get(), 256, 3000, 0), "");
    EXPECT_FALSE(sink_.next_message(1000));
}

TEST_F(EngineReceiver, PostsBeforeTheSenderClosesAndStopsWithinASecondAgainstATrickle) {
    SocketHolder open_after_ack(open_tcp_socket());
    ASSERT_EQ(begin_connect(open_after_ack.get(), IPV4_LOOPBACK, ports_.message), ConnectStart::connected);
    ASSERT_TRUE(send_all(open_after_ack.get(), frame("MSG", {"{S}-6", "{S}", "u", "r", "now"})));
    EXPECT_EQ(read_line_from(open_after_ack.get(), 256, 3000, 0), "ACK\x1F{S}-6");
    auto m = sink_.next_message(300);  // the sender has not closed yet
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "now");

    std::atomic<bool> trickling{true};
    std::thread trickler([&] {
        SocketHolder socket(open_tcp_socket());
        if (begin_connect(socket.get(), IPV4_LOOPBACK, ports_.message) != ConnectStart::connected) return;
        const std::string full = frame("MSG", {"{SLOW}-0", "{SLOW}", "slow", "r", "trickled"});
        for (std::size_t i = 0; trickling && i < full.size(); ++i) {
            if (send_bytes(socket.get(), &full[i], 1) != 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto before = std::chrono::steady_clock::now();
    engine_.stop();
    const auto took = std::chrono::steady_clock::now() - before;
    trickling = false;
    trickler.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
}
