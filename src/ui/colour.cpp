// Readable text on coloured tiles and the lighter blink colour of the flag banner.
#include "ui/colour.h"

#include <cmath>

namespace quillnet {

namespace {

unsigned lighten_channel(unsigned v) {
    // 55 % of the way to white, the step truncated toward zero.
    const double lighter = v - std::trunc((255.0 - v) * -0.55);
    return lighter >= 255.0 ? 255u : static_cast<unsigned>(lighter);
}

}  // namespace

double luminance(ColourRef colour) {
    return 0.299 * colour_red(colour) + 0.587 * colour_green(colour) + 0.114 * colour_blue(colour);
}

ColourRef text_colour_on(ColourRef background) { return luminance(background) < 140.0 ? LIGHT_TEXT : DARK_TEXT; }

ColourRef lighten_for_blink(ColourRef colour) {
    return make_colour(lighten_channel(colour_red(colour)), lighten_channel(colour_green(colour)),
                       lighten_channel(colour_blue(colour)));
}

}  // namespace quillnet
