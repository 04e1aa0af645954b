// What the Windows Firewall says about one program: each profile on or off, and the
// rules whose program is that executable (INetFwPolicy2), or that it cannot tell.
#pragma once

#include <string>

#include "ui/network_check_report.h"

namespace quillnet {

FirewallFindings read_firewall_findings(const std::wstring& program_path);

}  // namespace quillnet
