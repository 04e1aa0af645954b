// Lengths given at 96 DPI (100 %) scaled to another DPI (pure arithmetic).
#pragma once

namespace quillnet {

// A length given at 96 DPI (100 %) at dpi, rounded to the nearest pixel (halves away
// from zero); negative lengths (font heights) scale alike. The same at 96. Saturates
// at the int range.
int scale_px(int px, unsigned dpi);

}  // namespace quillnet
