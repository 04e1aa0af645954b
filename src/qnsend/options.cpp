// Parsing qnsend's arguments: long options with "--name VALUE" or "--name=VALUE",
// "--" ending the options, and the remaining words forming the message text.
#include "qnsend/options.h"

#include <cstdlib>

namespace quillnet {

namespace {

constexpr long MAX_WAIT_MS = 600000;
constexpr long MAX_WAIT_SEEN_S = 3600;

// Options that take a value.
const char* const VALUE_OPTIONS[] = {"--to",  "--quick",          "--flag",     "--from", "--room",
                                     "--ini", "--discovery-port", "--site-key", "--wait-ms",
                                     "--wait-seen", "--seen-port"};

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

bool takes_value(const std::string& name) {
    for (const char* option : VALUE_OPTIONS)
        if (name == option) return true;
    return false;
}

// A whole decimal number in [low, high]; no sign, no spaces, nothing after it.
bool read_whole_number(const std::string& text, long low, long high, long& out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    out = std::strtol(text.c_str(), nullptr, 10);
    return out >= low && out <= high;
}

void add_names(std::vector<std::string>& names, const std::string& list) {
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string name = list.substr(start, comma - start);
        const std::size_t first = name.find_first_not_of(" \t");
        const std::size_t last = name.find_last_not_of(" \t");
        if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
        start = comma + 1;
    }
}

bool apply_option(const std::string& name, const std::string& value, QnsendOptions& o, std::string& error) {
    long number = 0;
    if (name == "--to") {
        add_names(o.to, value);
        if (o.to.empty()) return fail(error, "--to needs at least one room name");
    } else if (name == "--quick") {
        o.quick = value;
    } else if (name == "--flag") {
        o.flag = value;
    } else if (name == "--from") {
        if (value.empty()) return fail(error, "--from needs a user name");
        o.user = value;
    } else if (name == "--room") {
        o.room = value;
    } else if (name == "--ini") {
        o.ini_path = value;
    } else if (name == "--discovery-port") {
        if (!read_whole_number(value, 1, 65535, number))
            return fail(error, "--discovery-port needs a port number from 1 to 65535");
        o.discovery_port = static_cast<std::uint16_t>(number);
    } else if (name == "--site-key") {
        o.site_key = value;
    } else if (name == "--wait-ms") {
        if (!read_whole_number(value, 0, MAX_WAIT_MS, number))
            return fail(error, "--wait-ms needs a number of milliseconds from 0 to 600000");
        o.wait_ms = static_cast<int>(number);
    } else if (name == "--wait-seen") {
        if (!read_whole_number(value, 0, MAX_WAIT_SEEN_S, number))
            return fail(error, "--wait-seen needs a number of seconds from 0 to 3600");
        o.wait_seen_s = static_cast<int>(number);
    } else if (name == "--seen-port") {
        if (!read_whole_number(value, 1, 65535, number))
            return fail(error, "--seen-port needs a port number from 1 to 65535");
        o.seen_port = static_cast<std::uint16_t>(number);
    }
    return true;
}

}  // namespace

bool parse_arguments(const std::vector<std::string>& args, QnsendOptions& options, std::string& error) {
    QnsendOptions o;
    std::vector<std::string> words;
    bool list = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options = QnsendOptions();
            options.action = QnsendAction::help;
            return true;
        }
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
            continue;
        }
        if (arg == "--list") {
            list = true;
            continue;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }
        if (arg == "--urgent") {
            o.urgent = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (!takes_value(name)) return fail(error, "unknown option " + name);
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else {
            if (i + 1 >= args.size()) return fail(error, name + " needs a value");
            value = args[++i];
        }
        if (!apply_option(name, value, o, error)) return false;
    }
    if (!words.empty()) {
        std::string text = words[0];
        for (std::size_t i = 1; i < words.size(); ++i) text += " " + words[i];
        o.text = text;
    }
    const int what = (o.text ? 1 : 0) + (o.quick ? 1 : 0) + (o.flag ? 1 : 0);
    if (list) {
        if (what > 0 || !o.to.empty() || o.urgent || o.wait_seen_s)
            return fail(error, "--list takes no message, no --to, --urgent or --wait-seen");
        o.action = QnsendAction::list;
    } else if (what == 0) {
        return fail(error, "nothing to send: give a TEXT, --quick or --flag (or --list)");
    } else if (what > 1) {
        return fail(error, "give only one of TEXT, --quick and --flag");
    }
    if (o.text && o.text->empty()) return fail(error, "the message text is empty");
    options = o;
    return true;
}

std::string help_text() {
    return
        "Usage: qnsend [OPTIONS] [--to ROOM[,ROOM...]] TEXT...\n"
        "       qnsend [OPTIONS] [--to ROOM[,ROOM...]] --quick N|TEXT\n"
        "       qnsend [OPTIONS] [--to ROOM[,ROOM...]] --flag NAME\n"
        "       qnsend [OPTIONS] --list\n"
        "\n"
        "Pages Quillnet rooms on the local network from a script or another system.\n"
        "qnsend listens for the rooms' announcements on the discovery port (without\n"
        "announcing itself, so it never appears in anyone's rooms list), sends the page\n"
        "to every chosen room at once and waits for each room's acknowledgement.\n"
        "\n"
        "What to send (exactly one):\n"
        "  TEXT...                a typed message; several words are joined by spaces\n"
        "  --quick N|TEXT         a quick message: N = 1..10 picks F1..F10 of the\n"
        "                         settings file's quick messages; other text is sent as\n"
        "                         given (in the settings' spelling when it names one)\n"
        "  --flag NAME            raise a flag; NAME is one of the settings' flags (Red,\n"
        "                         Blue, ... by default), matched without regard to case\n"
        "  --list                 print the rooms online instead of sending, each\n"
        "                         followed by the flags it has raised (rooms whose\n"
        "                         Quillnet keeps raised flags on a board)\n"
        "  --urgent               mark the page urgent: the recipient's alert repeats\n"
        "                         until somebody acknowledges it (the settings' [loop]\n"
        "                         urgent list marks matching --quick and --flag pages)\n"
        "\n"
        "Recipients:\n"
        "  --to ROOM[,ROOM...]    the rooms to page, by room name or user name, without\n"
        "                         regard to case; may be given more than once. Without\n"
        "                         --to the page goes to everyone online.\n"
        "\n"
        "Output:\n"
        "  --json                 print the result (or the list) as one JSON object.\n"
        "                         Without it a page prints the tally as Quillnet's\n"
        "                         window shows it: \"\xE2\x9C\x93 delivered (2/2)\",\n"
        "                         \"\xE2\x9A\xA0 1/2 delivered\" or \"\xE2\x9C\x97 not delivered (0/2)\"; --list\n"
        "                         prints one room a line: user, room, address and\n"
        "                         port, separated by tabs, then a line for each raised\n"
        "                         flag: a tab, the flag and its age in seconds\n"
        "\n"
        "Acknowledgements:\n"
        "  --wait-seen SECONDS    after the delivery, wait up to SECONDS (0..3600) for\n"
        "                         a person in every room that took the page to\n"
        "                         acknowledge it; prints \"seen by USER (ROOM)\" as each\n"
        "                         does, and \"cannot confirm seen (older version): ...\"\n"
        "                         for rooms whose Quillnet cannot acknowledge\n"
        "  --seen-port PORT       TCP port the acknowledgements come to (default 45779;\n"
        "                         opened before the page is sent)\n"
        "\n"
        "Identity and settings:\n"
        "  --ini PATH             settings file to read (default: Quillnet.ini beside\n"
        "                         this program; a missing default file means defaults)\n"
        "  --from USER            the user name the page is sent as (default: the\n"
        "                         settings' [identity] user, else the computer name)\n"
        "  --room ROOM            the room the page is sent from (default: the\n"
        "                         settings' [identity] room, else the user name)\n"
        "  --discovery-port N     UDP port the rooms announce themselves on (default: the\n"
        "                         settings' discovery_port, 45777)\n"
        "  --site-key HEX         the site key of a sealed site, 64 hexadecimal digits\n"
        "                         (default: the settings' [security] site_key; empty\n"
        "                         means the open protocol)\n"
        "  --wait-ms MS           how long to listen for the rooms, 0..600000 (default:\n"
        "                         the settings' heartbeat_ms plus 1000); listening ends\n"
        "                         early once every room named with --to has been heard\n"
        "  -h, --help             show this help and exit\n"
        "\n"
        "Rooms on another subnet are heard when their Quillnet.ini lists this machine's\n"
        "address in seed_peers. qnsend shares the discovery port with a Quillnet running\n"
        "on the same machine.\n"
        "\n"
        "Sealed sites: with a site key qnsend speaks only the sealed protocol, like a\n"
        "Quillnet with that key. It hears only rooms sealed under the same key whose\n"
        "clocks agree with this machine's within five minutes, seals the page for each\n"
        "room alone under a fresh session of its own, and counts a room as delivered\n"
        "only on that room's own sealed acknowledgement. Without a key it hears only\n"
        "open rooms. When nobody usable is heard, qnsend says which rooms it heard but\n"
        "cannot page (no site key, another key, a clock off) and why. Other users of\n"
        "the machine can see a key given with --site-key in the process list; a\n"
        "settings file only its owner can read keeps it better.\n"
        "\n"
        "Exit status:\n"
        "  0   delivered to every recipient (--list: rooms are online)\n"
        "  1   delivered to some recipients only\n"
        "  2   delivered to none of the recipients\n"
        "  3   no such room (the rooms online are listed), or nobody online\n"
        "  4   delivered to every recipient, but with --wait-seen not seen in time by\n"
        "      every room that can acknowledge\n"
        "  64  usage error (unknown option, missing or bad value, text too long)\n"
        "  69  the discovery port (or the --seen-port) could not be opened\n"
        "  78  settings error (the --ini file cannot be read, or a value is not usable,\n"
        "      such as a site key that is not 64 hexadecimal digits)\n"
        "\n"
        "Examples:\n"
        "  qnsend --to Lab \"Results for Op 1 are ready\"\n"
        "  qnsend --to \"Op 1,Reception\" --quick 4\n"
        "  qnsend --flag red\n"
        "  qnsend --to \"Op 1\" --urgent --wait-seen 60 \"Patient in Op 1 needs help\"\n"
        "  qnsend --list --json\n"
        "  qnsend --ini /etc/quillnet/Quillnet.ini --to Lab \"Run done\"   (a sealed\n"
        "      site's [security] site_key in the file)\n";
}

}  // namespace quillnet
