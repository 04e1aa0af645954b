// Writes the settings record back as the canonical "Quillnet.ini" text.
#pragma once

#include <string>

#include "config/settings.h"

namespace quillnet {

// The whole file text, CR LF line ends, no byte-order mark.
std::string settings_text(const Settings& settings);

// Replaces the file at settings.ini_path with settings_text. The text goes to a
// temporary file first, so a failed write leaves the previous file as it was;
// false in that case.
bool save_settings(const Settings& settings);

// "#RRGGBB" in upper-case hexadecimal.
std::string colour_text(ColourRef colour);

}  // namespace quillnet
