// Colour arithmetic shared by the banner and the flag buttons.
#pragma once

#include "config/settings.h"

namespace quillnet {

constexpr ColourRef LIGHT_TEXT = 0xFFFFFF;
constexpr ColourRef DARK_TEXT = 0x141414;

double luminance(ColourRef colour);
// White below luminance 140, dark grey from 140 up.
ColourRef text_colour_on(ColourRef background);
// Each channel v becomes v + trunc(0.55 * (255 - v)), capped at 255.
ColourRef lighten_for_blink(ColourRef colour);

}  // namespace quillnet
