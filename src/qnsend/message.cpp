// Choosing the page's kind and body, and its open-protocol frame.
#include "qnsend/message.h"

#include "config/loop_settings.h"
#include "config/settings_reader.h"
#include "net/wire.h"

namespace quillnet {

namespace {

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

bool is_quick_number(const std::string& text) {
    if (text.empty() || text.size() > 2) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string flag_names(const Settings& settings) {
    std::string names;
    for (const auto& flag : settings.flags) names += (names.empty() ? "" : ", ") + flag.name;
    return names;
}

}  // namespace

bool choose_page(const QnsendOptions& options, const Settings& settings, OutgoingPage& page, std::string& error) {
    page = OutgoingPage();
    page.user = settings.user;
    page.room = settings.room;
    if (options.text) {
        page.kind = "MSG";
        page.body = *options.text;
    } else if (options.quick) {
        page.kind = "QUICK";
        const std::string& quick = *options.quick;
        if (is_quick_number(quick)) {
            const int number = std::stoi(quick);
            if (number < 1 || static_cast<std::size_t>(number) > settings.quick_messages.size())
                return fail(error, "--quick " + quick + ": the settings have quick messages 1 to " +
                                       std::to_string(settings.quick_messages.size()));
            page.body = settings.quick_messages[static_cast<std::size_t>(number - 1)];
        } else {
            page.body = quick;
            for (const auto& configured : settings.quick_messages)
                if (ascii_lower(configured) == ascii_lower(quick)) page.body = configured;
        }
        if (page.body.empty()) return fail(error, "the quick message is empty");
    } else if (options.flag) {
        page.kind = "FLAG";
        for (const auto& flag : settings.flags)
            if (page.body.empty() && ascii_lower(flag.name) == ascii_lower(*options.flag)) page.body = flag.name;
        if (page.body.empty())
            return fail(error, "no flag named \"" + *options.flag + "\"; the flags are " + flag_names(settings));
    } else {
        return fail(error, "nothing to send");
    }
    page.urgent = options.urgent || ((page.kind == "QUICK" || page.kind == "FLAG") &&
                                     matches_urgent(settings.urgent, page.body));
    if (options.wait_seen_s) page.reply_port = options.seen_port;
    const std::size_t limit = max_text_bytes(page.user.size(), page.room.size());
    if (page.body.size() > limit)
        return fail(error, "the text is " + std::to_string(page.body.size()) + " bytes long; at most " +
                               std::to_string(limit) + " fit one page");
    return true;
}

std::string page_frame(const OutgoingPage& page, const std::string& message_id, const std::string& instance_id) {
    const std::string reply_port = page.reply_port ? std::to_string(static_cast<unsigned>(page.reply_port)) : "";
    return encode_line(page.kind,
                       {message_id, instance_id, page.user, page.room, page.body, reply_port, page.urgent ? "1" : "0"});
}

}  // namespace quillnet
