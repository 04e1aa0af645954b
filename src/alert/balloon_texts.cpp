// Balloon texts of an arriving page (see balloon_texts.h).
#include "alert/balloon_texts.h"

namespace quillnet {

BalloonTexts arrival_balloon(const std::string& kind, const std::u16string& sender, const std::u16string& text,
                             bool private_balloon) {
    BalloonTexts out;
    if (private_balloon) {
        out.title = u"Quillnet";
        if (kind == "FLAG") out.text = text + u" FLAG from " + sender;
        else if (kind == "QUICK") out.text = u"Quick message from " + sender;
        else out.text = u"Page from " + sender;
    } else if (kind == "FLAG") {
        out.title = text + u" FLAG";
        out.text = u"from " + sender;
    } else {
        out.title = sender;
        out.text = (kind == "QUICK" ? u"\u00BB " : u"") + text;
    }
    return out;
}

}  // namespace quillnet
