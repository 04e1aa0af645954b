// Freeing engine payloads by message kind.
#include "net/events.h"

namespace quillnet {

void free_engine_payload(unsigned message, void* payload) {
    if (!payload) return;
    switch (message) {
        case WM_APP_MESSAGE_RECEIVED:
            delete static_cast<IncomingMessage*>(payload);
            break;
        case WM_APP_DELIVERY_RESULT:
            delete static_cast<DeliveryResult*>(payload);
            break;
        case WM_APP_ENGINE_NOTICE:
            delete static_cast<EngineNotice*>(payload);
            break;
        case WM_APP_OWN_FLAG_CLEARED:
            delete static_cast<OwnFlagCleared*>(payload);
            break;
        case WM_APP_PEER_FLAGS_GONE:
            delete static_cast<PeerFlagsGone*>(payload);
            break;
        case WM_APP_PAGE_SEEN:
            delete static_cast<PageSeen*>(payload);
            break;
        case WM_APP_NOT_SEEN:
            delete static_cast<PageNotSeen*>(payload);
            break;
        default:
            break;
    }
}

}  // namespace quillnet
