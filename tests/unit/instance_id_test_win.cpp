// The portable GUID formatting gives exactly the text of StringFromGUID2.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "net/instance_id.h"

using namespace quillnet;

TEST(InstanceIdWindows, PortableFormattingMatchesStringFromGuid2) {
    for (int round = 0; round < 20; ++round) {
        GUID guid{};
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        wchar_t wide[64] = {};
        ASSERT_EQ(StringFromGUID2(guid, wide, 64), 39);
        const std::wstring w(wide);
        GuidValue value;
        value.data1 = guid.Data1;
        value.data2 = guid.Data2;
        value.data3 = guid.Data3;
        for (int i = 0; i < 8; ++i) value.data4[i] = guid.Data4[i];
        EXPECT_EQ(std::string(w.begin(), w.end()), format_guid_text(value));
    }
}
