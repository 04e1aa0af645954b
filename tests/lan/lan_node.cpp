// One engine on one simulated LAN host, driven by lan_test.sh: commands on standard
// input ("send KIND TEXT", "peers", "quit"), one line on standard output per event
// ("PEERS user@address:port,...", "RECEIVED kind|user|room|text|address|colour",
// "RESULT acknowledged/attempted", "NOTICE text"). --key HEX runs it in sealed mode.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "net/engine.h"
#include "net/event_queue.h"

using namespace quillnet;

namespace {

struct Commands {
    std::mutex mutex;
    std::deque<std::string> lines;
    bool closed = false;
};

void read_commands(Commands& commands) {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::lock_guard<std::mutex> lock(commands.mutex);
        commands.lines.push_back(line);
    }
    std::lock_guard<std::mutex> lock(commands.mutex);
    commands.closed = true;
}

void print_peers(const NetworkEngine& engine) {
    std::string text = "PEERS ";
    bool first = true;
    for (const auto& peer : engine.snapshot_peers()) {
        if (!first) text += ",";
        first = false;
        text += peer.user + "@" + peer.address + ":" + std::to_string(peer.port);
    }
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void report(NetworkEngine& engine, const PostedEvent& event) {
    if (event.message == WM_APP_PEERS_CHANGED) {
        engine.peers_notice_handled();  // as the window does before its rebuild
        print_peers(engine);
    }
    if (event.message == WM_APP_MESSAGE_RECEIVED) {
        const auto* m = static_cast<const IncomingMessage*>(event.payload);
        std::printf("RECEIVED %s|%s|%s|%s|%s|%06X\n", m->kind.c_str(), m->user.c_str(), m->room.c_str(),
                    m->text.c_str(), m->sender_address.c_str(), static_cast<unsigned>(m->colour));
    }
    if (event.message == WM_APP_DELIVERY_RESULT) {
        const auto* r = static_cast<const DeliveryResult*>(event.payload);
        std::printf("RESULT %d/%d\n", r->acknowledged, r->attempted);
    }
    if (event.message == WM_APP_ENGINE_NOTICE) {
        std::printf("NOTICE %s\n", static_cast<const EngineNotice*>(event.payload)->text.c_str());
    }
    std::fflush(stdout);
    free_event_payload(event);
}

// Returns false on "quit".
bool run_command(NetworkEngine& engine, const std::string& line) {
    if (line == "quit") return false;
    if (line == "peers") print_peers(engine);
    if (line.compare(0, 5, "send ") == 0) {
        const std::size_t space = line.find(' ', 5);
        const std::string kind = line.substr(5, space == std::string::npos ? std::string::npos : space - 5);
        const std::string text = space == std::string::npos ? std::string() : line.substr(space + 1);
        int attempted = 0;
        engine.send_message({}, kind, text, attempted);
        std::printf("SENT %d\n", attempted);
        std::fflush(stdout);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    settings.heartbeat_ms = 200;
    settings.peer_timeout_ms = 1500;
    settings.flags = {{"Red", make_colour(220, 30, 30)}, {"Blue", make_colour(30, 30, 220)}};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--user") settings.user = settings.room = value;
        if (key == "--seed") settings.seed_peers.push_back(value);
        if (key == "--room") settings.room = value;
        if (key == "--key") settings.site_key = value;
        if (key == "--timeout") settings.peer_timeout_ms = std::atoi(value.c_str());
    }
    WindowHandle window = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(0x5000));
    open_event_window(window);
    NetworkEngine engine;
    std::wstring error;
    if (!engine.start(settings, window, error)) {
        std::printf("START FAILED\n");
        return 1;
    }
    std::printf("STARTED %s\n", engine.instance_id().c_str());
    std::fflush(stdout);

    Commands commands;
    std::thread reader(read_commands, std::ref(commands));
    reader.detach();  // blocked in getline until the script closes the pipe
    bool going = true;
    while (going) {
        PostedEvent event;
        if (wait_for_event(window, event, 50)) report(engine, event);
        std::deque<std::string> lines;
        {
            std::lock_guard<std::mutex> lock(commands.mutex);
            lines.swap(commands.lines);
            if (commands.closed && lines.empty()) going = false;
        }
        for (const auto& line : lines) going = going && run_command(engine, line);
    }
    engine.stop();
    // Let late delivery results land before the queue goes away.
    PostedEvent event;
    while (wait_for_event(window, event, 300)) report(engine, event);
    close_event_window(window);
    std::printf("STOPPED\n");
    std::fflush(stdout);
    std::_Exit(0);  // the detached reader may still sit in getline
}
