// The final delivery status text of a page, shared by the conversation log and qnsend.
#pragma once

#include <cstdint>
#include <string>

namespace quillnet {

// "   ✓ delivered (a/n)", "   ✗ not delivered (0/n)" or "   ⚠ a/n delivered".
std::u16string final_status(std::int32_t acknowledged, std::int32_t attempted);

}  // namespace quillnet
