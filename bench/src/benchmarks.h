// The benchmarks of qn_bench. Each prints its figures as "name value" lines, the engine's
// figure beside its raw reference measured in the same run, and returns 0 on success.
#pragma once

#include <cstdint>
#include <string>

namespace quillnet {

// send_message to DeliveryResult for one recipient, against connect/line/ack/close.
int bench_latency(int pages);
// Frames acknowledged per second by one receiver, against an accept-read-reply loop.
int bench_throughput(int senders, int seconds);
// A second engine's start to the first engine's WM_APP_PEERS_CHANGED, against one raw
// datagram from a fresh socket.
int bench_discovery(int repeats);
// A flag raised on one engine until a second engine's snapshot lists it, against the
// discovery figure (start to WM_APP_PEERS_CHANGED) of the same engines.
int bench_board(int repeats);
// One page to rooms recipients, all answering and with silent of them never answering,
// against the same exchanges made one after another with raw sockets.
int bench_fanout(int rooms, int silent, int repeats);
// CPU time of this process over seconds: with an idle engine, or (reference) with one
// thread waking every 200 ms like each of the engine's loops.
int bench_idle(int seconds, bool with_engine);
// Sends pages MSG frames to 127.0.0.1:port one after another; reports how many were
// acknowledged.
int bench_feed(std::uint16_t port, int pages);

// Sends datagrams made-up announcements and garbage to port on 127.0.0.1 and the
// loopback broadcast address.
int bench_flood(std::uint16_t port, int datagrams);

void report(const std::string& name, double value);

}  // namespace quillnet
