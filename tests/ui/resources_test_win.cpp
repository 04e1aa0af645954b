// The icons, the manifest and the version block are compiled into the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource_ids.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

std::vector<int> icon_sizes(int id) {
    std::vector<int> sizes;
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    if (!res) return sizes;
    const auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(nullptr, res)));
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    for (int i = 0; i < header->count; ++i) {
        EXPECT_EQ(entries[i].bit_count, 32) << "icon " << id << " entry " << i;
        sizes.push_back(entries[i].width == 0 ? 256 : entries[i].width);
    }
    return sizes;
}

}  // namespace

TEST(Resources, BothIconsCarryEverySizeIn32BitColour) {
    const std::vector<int> expected{16, 24, 32, 48, 64, 128, 256};
    for (int id : {IDI_QUILLNET, IDI_QUILLNET_ALERT}) {
        std::vector<int> sizes = icon_sizes(id);
        std::sort(sizes.begin(), sizes.end());
        EXPECT_EQ(sizes, expected) << "icon " << id;
        HICON small = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                                    16, 16, 0));
        EXPECT_NE(small, nullptr);
        if (small) DestroyIcon(small);
    }
}

TEST(Resources, ManifestAsksForCommonControlsSixPerMonitorDpiAndInvoker) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(res, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, res)));
    const std::string manifest(text, SizeofResource(nullptr, res));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

TEST(Resources, VersionIsOnePointOne) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len));
    EXPECT_EQ(info->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(info->dwFileVersionLS, 0u);
}
