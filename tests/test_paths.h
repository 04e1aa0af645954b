// A scratch folder for tests that write real files.
#pragma once

#include <cstdlib>
#include <string>

inline std::wstring test_temp_path(const std::wstring& name) {
#ifdef _WIN32
    const wchar_t* dir = _wgetenv(L"TEMP");
    std::wstring base = dir ? dir : L".";
    return base + L"\\qn-test-" + name;
#else
    const char* dir = std::getenv("TMPDIR");
    std::string base = dir ? dir : "/tmp";
    return std::wstring(base.begin(), base.end()) + L"/qn-test-" + name;
#endif
}
