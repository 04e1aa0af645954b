// The final delivery status text, shared by the conversation log and qnsend.
#include "base/delivery_status.h"

#include "base/text.h"

namespace quillnet {

std::u16string final_status(std::int32_t acknowledged, std::int32_t attempted) {
    if (acknowledged >= attempted)
        return u"   \u2713 delivered (" + u16_number(acknowledged) + u"/" + u16_number(attempted) + u")";
    if (acknowledged <= 0) return u"   \u2717 not delivered (0/" + u16_number(attempted) + u")";
    return u"   \u26A0 " + u16_number(acknowledged) + u"/" + u16_number(attempted) + u" delivered";
}

}  // namespace quillnet
