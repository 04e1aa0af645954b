// The process-wide pointer through which window code reaches the application state.
#include "ui/app_state.h"

namespace quillnet {

namespace {
AppState* current_state = nullptr;
}

AppState* app() { return current_state; }

void set_app(AppState* state) { current_state = state; }

}  // namespace quillnet
