// qnsend's steps: arguments, settings, listening for the rooms, choosing the recipients,
// delivering, and the report.
#include "qnsend/qnsend.h"

#include "base/file_io.h"
#include "base/text.h"
#include "config/settings_reader.h"
#include "net/clock.h"
#include "net/instance_id.h"
#include "net/socket_shim.h"
#include "qnsend/listen.h"
#include "qnsend/rooms.h"
#include "qnsend/seen_listener.h"
#include "qnsend/send.h"

namespace quillnet {

namespace {

// Reads the settings file and applies the overrides; EXIT_SETTINGS or 0.
int load_qnsend_settings(const QnsendOptions& options, const std::wstring& default_ini, Settings& settings,
                         std::string& err) {
    const std::wstring path = options.ini_path ? wide_path(*options.ini_path) : default_ini;
    std::string bytes;
    if (options.ini_path && !read_file_bytes(path, bytes)) {
        err += "qnsend: cannot read the settings file " + *options.ini_path + "\n";
        return EXIT_SETTINGS;
    }
    settings = load_settings(path);
    // A room that only repeats the user name (none was set) follows a user given here.
    const bool room_follows_user = settings.room == settings.user;
    if (options.user) settings.user = *options.user;
    if (options.room) settings.room = *options.room;
    else if (options.user && room_follows_user) settings.room = *options.user;
    if (options.discovery_port) settings.discovery_port = *options.discovery_port;
    if (options.site_key) settings.site_key = *options.site_key;
    if (settings.discovery_port == 0) {
        err += "qnsend: the settings' discovery_port is 0\n";
        return EXIT_SETTINGS;
    }
    return 0;
}

// Where the site key came from, for the message about a key that is not valid.
std::string key_source(const QnsendOptions& options) {
    if (options.site_key) return "given with --site-key";
    return "in " + (options.ini_path ? *options.ini_path : std::string("Quillnet.ini"));
}

// When nobody usable was heard, what was heard but could not be used.
std::string heard_text(const WireMode& mode) {
    std::string text;
    for (const auto& notice : *mode.heard) text += "qnsend: " + notice + "\n";
    return text;
}

using Flush = std::function<void(std::string&)>;

// After the delivery: waits for a SEEN from every delivered room that speaks L1, saying
// which rooms cannot acknowledge and each one that does. True when every room that can
// acknowledge did in time.
bool wait_for_seen(const QnsendOptions& options, const WireMode& mode, SeenListener& listener,
                   const std::string& message_id, const std::string& own_id,
                   const std::vector<RecipientOutcome>& outcomes, std::vector<PeerRecord>& seen_by,
                   std::string& out, const Flush& flush) {
    std::vector<PeerRecord> waiting;
    for (const auto& outcome : outcomes) {
        if (!outcome.delivered) continue;
        if (outcome.peer.speaks_l1) {
            waiting.push_back(outcome.peer);
        } else if (!options.json) {
            out += "cannot confirm seen (older version): " + peer_label(outcome.peer) + "\n";
        }
    }
    if (flush) flush(out);
    if (waiting.empty()) return true;
    const std::int64_t deadline = milliseconds_since_start() + static_cast<std::int64_t>(*options.wait_seen_s) * 1000;
    listener.serve_until(deadline, mode, own_id, [&](const std::string& text, const std::string& address) {
        const ParsedLine line = parse_line(text);
        if (field_or_empty(line, 4) != message_id) return waiting.empty();
        for (auto it = waiting.begin(); it != waiting.end(); ++it) {
            if (it->id != field_or_empty(line, 1) || it->address != address) continue;
            if (!options.json) out += "seen by " + peer_label(*it) + "\n";
            seen_by.push_back(*it);
            waiting.erase(it);
            if (flush) flush(out);
            break;
        }
        return waiting.empty();
    });
    return waiting.empty();
}

int page(const QnsendOptions& options, const Settings& settings, const WireMode& mode, std::string& out,
         std::string& err, const Flush& flush) {
    OutgoingPage outgoing;
    std::string error;
    if (!choose_page(options, settings, outgoing, error)) {
        err += "qnsend: " + error + "\n";
        return EXIT_USAGE;
    }
    // Open before the first send, so that no SEEN can arrive at a closed port.
    SeenListener listener;
    if (options.wait_seen_s && !listener.open(options.seen_port)) {
        err += "qnsend: cannot listen on TCP port " + std::to_string(options.seen_port) + "\n";
        return EXIT_UNAVAILABLE;
    }
    const std::string own_id = make_instance_id();
    const int wait = options.wait_ms ? *options.wait_ms : default_wait_ms(settings.heartbeat_ms);
    PeerTable table;
    if (!listen_for_rooms(mode, settings.discovery_port, wait, options.to, own_id, table)) {
        err += "qnsend: cannot listen on UDP port " + std::to_string(settings.discovery_port) + "\n";
        return EXIT_UNAVAILABLE;
    }
    PeerSnapshot online = copy_peers(table);
    sort_snapshot(online);
    const RoomChoice choice = choose_rooms(online, options.to);
    if (online.empty() || !choice.unknown.empty() || choice.targets.empty()) {
        if (options.json) out += no_room_json(choice.unknown, online);
        err += no_room_text(choice.unknown, online) + heard_text(mode);
        return EXIT_NO_SUCH_ROOM;
    }
    const std::string message_id = own_id + "-0";
    const auto outcomes = deliver_page(mode, outgoing, message_id, own_id, choice.targets);
    if (!options.json) out += result_text(outcomes);
    int delivered = 0;
    for (const auto& outcome : outcomes) {
        delivered += outcome.delivered ? 1 : 0;
        if (!outcome.delivered && !options.json)
            err += "qnsend: not delivered to " + outcome.peer.user + " (" + outcome.peer.room + ") at " +
                   outcome.peer.address + ":" + std::to_string(outcome.peer.port) + "\n";
    }
    std::vector<PeerRecord> seen_by;
    bool seen_by_all = true;
    if (options.wait_seen_s)
        seen_by_all = wait_for_seen(options, mode, listener, message_id, own_id, outcomes, seen_by, out, flush);
    if (options.json)
        out += options.wait_seen_s ? result_json(outgoing, message_id, outcomes, seen_by)
                                   : result_json(outgoing, message_id, outcomes);
    const int status = exit_code_for(delivered, static_cast<int>(outcomes.size()));
    return status == EXIT_ALL_DELIVERED && !seen_by_all ? EXIT_NOT_SEEN : status;
}

int list(const QnsendOptions& options, const Settings& settings, const WireMode& mode, std::string& out,
         std::string& err) {
    const int wait = options.wait_ms ? *options.wait_ms : default_wait_ms(settings.heartbeat_ms);
    PeerTable table;
    if (!listen_for_rooms(mode, settings.discovery_port, wait, {}, make_instance_id(), table)) {
        err += "qnsend: cannot listen on UDP port " + std::to_string(settings.discovery_port) + "\n";
        return EXIT_UNAVAILABLE;
    }
    PeerSnapshot online = copy_peers(table);
    sort_snapshot(online);
    const std::int64_t now = milliseconds_since_start();
    out += options.json ? rooms_json(online, now) : rooms_text(online, now);
    if (online.empty()) {
        err += "qnsend: nobody online\n" + heard_text(mode);
        return EXIT_NO_SUCH_ROOM;
    }
    return EXIT_ALL_DELIVERED;
}

}  // namespace

std::wstring wide_path(const std::string& utf8) {
    const std::u16string units = utf8_to_utf16(utf8);
    std::wstring path;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        // wchar_t holds whole code points natively and UTF-16 units on Windows.
        if (sizeof(wchar_t) > 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        path += static_cast<wchar_t>(c);
    }
    return path;
}

int run_qnsend(const std::vector<std::string>& args, const std::wstring& default_ini, std::string& out,
               std::string& err) {
    return run_qnsend(args, default_ini, out, err, nullptr);
}

int run_qnsend(const std::vector<std::string>& args, const std::wstring& default_ini, std::string& out,
               std::string& err, const std::function<void(std::string&)>& flush) {
    QnsendOptions options;
    std::string error;
    if (!parse_arguments(args, options, error)) {
        err += "qnsend: " + error + "\nTry 'qnsend --help' for more information.\n";
        return EXIT_USAGE;
    }
    if (options.action == QnsendAction::help) {
        out += help_text();
        return 0;
    }
    Settings settings;
    const int settings_status = load_qnsend_settings(options, default_ini, settings, err);
    if (settings_status != 0) return settings_status;
    WireMode mode;
    if (!choose_wire_mode(settings.site_key, key_source(options), mode, error)) {
        err += "qnsend: " + error + "\n";
        return EXIT_SETTINGS;
    }
    if (!socket_library_start()) {
        err += "qnsend: the socket library cannot be started\n";
        return EXIT_UNAVAILABLE;
    }
    int status;
    try {
        status = options.action == QnsendAction::list ? list(options, settings, mode, out, err)
                                                      : page(options, settings, mode, out, err, flush);
    } catch (...) {
        err += "qnsend: out of memory\n";
        status = EXIT_NONE_DELIVERED;
    }
    socket_library_stop();
    return status;
}

}  // namespace quillnet
