// Reads the Windows Firewall through its COM policy object (INetFwPolicy2): the state of
// each profile and the rules naming the program. COM is looked up when first used, as
// the network check is rarely opened. Any failure along the way means "cannot tell":
// a partial list would read as "no rule", which is worse than no answer.
#include <windows.h>
// The firewall's class and interface ids are defined here (selectany), not in a library.
#include <initguid.h>
#include <netfw.h>
#include <oleauto.h>

#include <string>

#include "base/system_library.h"
#include "base/win_handles.h"
#include "base/win_text.h"
#include "ui/firewall_query.h"

namespace quillnet {

namespace {

struct ComFunctions {
    decltype(&CoInitializeEx) initialize = system_function<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    decltype(&CoUninitialize) uninitialize =
        system_function<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    decltype(&CoCreateInstance) create_instance =
        system_function<decltype(&CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    decltype(&SysFreeString) free_string = system_function<decltype(&SysFreeString)>(L"oleaut32.dll", "SysFreeString");
    decltype(&VariantClear) clear_variant = system_function<decltype(&VariantClear)>(L"oleaut32.dll", "VariantClear");
    bool complete() const { return initialize && uninitialize && create_instance && free_string && clear_variant; }
};

const ComFunctions& com() {
    static const ComFunctions functions;
    return functions;
}

class Bstr {
public:
    Bstr() = default;
    ~Bstr() {
        if (text_) com().free_string(text_);
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* out() { return &text_; }
    std::wstring text() const { return text_ ? std::wstring(text_) : std::wstring(); }

private:
    BSTR text_ = nullptr;
};

class Variant {
public:
    Variant() { value_.vt = VT_EMPTY; }
    ~Variant() { com().clear_variant(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &value_; }

private:
    VARIANT value_{};
};

std::wstring expanded(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD n = ExpandEnvironmentStringsW(path.c_str(), buffer, MAX_PATH * 2);
    return n > 0 && n <= MAX_PATH * 2 ? std::wstring(buffer) : path;
}

bool same_path(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string profiles_text(long profiles) {
    if ((profiles & NET_FW_PROFILE2_ALL) == NET_FW_PROFILE2_ALL || profiles == NET_FW_PROFILE2_ALL)
        return "all profiles";
    std::string text;
    const std::pair<long, const char*> names[] = {
        {NET_FW_PROFILE2_DOMAIN, "Domain"}, {NET_FW_PROFILE2_PRIVATE, "Private"}, {NET_FW_PROFILE2_PUBLIC, "Public"}};
    for (const auto& [bit, name] : names) {
        if (!(profiles & bit)) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text.empty() ? "no profile" : text;
}

std::string protocol_text(long protocol) {
    if (protocol == NET_FW_IP_PROTOCOL_TCP) return "TCP";
    if (protocol == NET_FW_IP_PROTOCOL_UDP) return "UDP";
    if (protocol == 256) return "any protocol";  // NET_FW_IP_PROTOCOL_ANY, missing from some headers
    return "protocol " + std::to_string(protocol);
}

// One rule as a line: "name": inbound, allow, UDP 45777, Domain, Private, LocalSubnet, enabled
bool rule_line(INetFwRule* rule, std::string& line) {
    Bstr name, ports, remote;
    long protocol = 0, profiles = 0;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (FAILED(rule->get_Name(name.out())) || FAILED(rule->get_Protocol(&protocol)) ||
        FAILED(rule->get_Direction(&direction)) || FAILED(rule->get_Action(&action)) ||
        FAILED(rule->get_Profiles(&profiles)) || FAILED(rule->get_Enabled(&enabled)))
        return false;
    rule->get_LocalPorts(ports.out());
    rule->get_RemoteAddresses(remote.out());
    line = "\"" + to_utf8(name.text()) + "\": " + (direction == NET_FW_RULE_DIR_IN ? "inbound" : "outbound") + ", " +
           (action == NET_FW_ACTION_ALLOW ? "allow" : "block") + ", " + protocol_text(protocol);
    if (!ports.text().empty()) line += " " + to_utf8(ports.text());
    line += ", " + profiles_text(profiles);
    if (!remote.text().empty()) line += ", from " + to_utf8(remote.text());
    line += enabled ? ", enabled" : ", disabled";
    return true;
}

bool read_profiles(INetFwPolicy2* policy, FirewallFindings& found) {
    long current = 0;
    if (FAILED(policy->get_CurrentProfileTypes(&current))) return false;
    const std::pair<NET_FW_PROFILE_TYPE2, const char*> profiles[] = {{NET_FW_PROFILE2_DOMAIN, "Domain"},
                                                                      {NET_FW_PROFILE2_PRIVATE, "Private"},
                                                                      {NET_FW_PROFILE2_PUBLIC, "Public"}};
    for (const auto& [profile, name] : profiles) {
        VARIANT_BOOL on = VARIANT_FALSE;
        if (FAILED(policy->get_FirewallEnabled(profile, &on))) return false;
        found.state.push_back(std::string(name) + " profile: " + (on ? "on" : "off") +
                              ((current & profile) ? " (current network)" : ""));
    }
    return true;
}

bool read_rules(INetFwPolicy2* policy, const std::wstring& program_path, FirewallFindings& found) {
    ComRef<INetFwRules> rules;
    ComRef<IUnknown> enumerator_source;
    ComRef<IEnumVARIANT> enumerator;
    if (FAILED(policy->get_Rules(rules.out())) || FAILED(rules->get__NewEnum(enumerator_source.out())) ||
        FAILED(enumerator_source->QueryInterface(IID_IEnumVARIANT, enumerator.out_void())))
        return false;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        const HRESULT next = enumerator->Next(1, item.get(), &fetched);
        if (FAILED(next)) return false;
        if (next != S_OK || fetched != 1) return true;
        if (item.get()->vt != VT_DISPATCH || !item.get()->pdispVal) continue;
        ComRef<INetFwRule> rule;
        if (FAILED(item.get()->pdispVal->QueryInterface(IID_INetFwRule, rule.out_void()))) continue;
        Bstr application;
        if (FAILED(rule->get_ApplicationName(application.out())) || application.text().empty()) continue;
        if (!same_path(expanded(application.text()), program_path)) continue;
        std::string line;
        if (rule_line(rule.operator->(), line)) found.rules.push_back(line);
    }
}

}  // namespace

FirewallFindings read_firewall_findings(const std::wstring& program_path) {
    FirewallFindings found;
    found.unknown_reason = "the firewall's settings cannot be read on this system";
    if (!com().complete()) return found;
    const ComApartment apartment(com().initialize, com().uninitialize);
    ComRef<INetFwPolicy2> policy;
    if (FAILED(com().create_instance(CLSID_NetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwPolicy2,
                                     policy.out_void())))
        return found;
    FirewallFindings read;
    if (!read_profiles(policy.operator->(), read) || !read_rules(policy.operator->(), program_path, read))
        return found;
    read.known = true;
    return read;
}

}  // namespace quillnet
