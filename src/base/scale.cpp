// Lengths given at 96 DPI scaled to another DPI.
#include "base/scale.h"

#include <climits>

namespace quillnet {

int scale_px(int px, unsigned dpi) {
    const long long scaled = static_cast<long long>(px) * static_cast<long long>(dpi);
    const long long rounded = scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
    if (rounded > INT_MAX) return INT_MAX;
    if (rounded < INT_MIN) return INT_MIN;
    return static_cast<int>(rounded);
}

}  // namespace quillnet
