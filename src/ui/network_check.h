// Help → "Network Check…": a modal window with what this copy knows of its network and
// the likely cause of trouble, with a Copy button for the report.
#pragma once

#include <windows.h>

#include <string>

namespace quillnet {

// Ids of the window's controls (its class is "QNNetworkCheck").
constexpr int ID_CHECK_REPORT = 101;
constexpr int ID_CHECK_COPY = 102;
constexpr int ID_CHECK_AGAIN = 103;

// Shows the window centred on owner and returns when it has been closed.
void show_network_check(HWND owner);

// The report as the window shows it now, read afresh (UTF-16, CR LF lines).
std::wstring current_network_report();

}  // namespace quillnet
