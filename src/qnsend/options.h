// qnsend's command line: what the user asked for, before the settings file is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillnet {

enum class QnsendAction { send, list, help };

struct QnsendOptions {
    QnsendAction action = QnsendAction::send;
    std::vector<std::string> to;  // room or user names; empty: everyone
    // Exactly one of these says what is sent.
    std::optional<std::string> text;   // the words after the options, joined by spaces
    std::optional<std::string> quick;  // --quick N or TEXT
    std::optional<std::string> flag;   // --flag NAME
    bool json = false;
    // Overrides of the settings file.
    std::optional<std::string> ini_path;  // UTF-8
    std::optional<std::string> user;
    std::optional<std::string> room;
    std::optional<std::uint16_t> discovery_port;
    std::optional<std::string> site_key;
    std::optional<int> wait_ms;
    // The page is urgent whatever its kind and body.
    bool urgent = false;
    // Wait this long after the delivery for SEEN frames, taken on seen_port.
    std::optional<int> wait_seen_s;
    std::uint16_t seen_port = 45779;
};

// Reads the arguments (without the program name). False with a one-line reason when
// they are not usable; --help wins over everything else.
bool parse_arguments(const std::vector<std::string>& args, QnsendOptions& options, std::string& error);

// The text --help prints.
std::string help_text();

}  // namespace quillnet
