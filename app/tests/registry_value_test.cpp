#include "registry_value.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr const char* kKey = "Software\\Drovane\\Tavimo\\Settings";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Drovane");
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override { RegCloseKey(key); }
    void set(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    HKEY key = nullptr;
};

TEST_F(Registry, TextAndNumbersAsTheProgramReadsThem) {
    set("Text", REG_SZ, "abc", 4);
    set("NoZero", REG_SZ, "abc", 3);
    set("Empty", REG_SZ, "", 0);
    set("JustZero", REG_SZ, "", 1);
    DWORD number = 42;
    set("ModID", REG_DWORD, &number, 4);
    DWORD negative = 0xFFFFFFFF;
    set("Negative", REG_DWORD, &negative, 4);
    std::string longest(254, 'x');
    set("Fits", REG_SZ, longest.c_str(), 255);
    std::string tooLong(255, 'y');
    set("TooLong", REG_SZ, tooLong.c_str(), 256);

    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Text"), "abc");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "NoZero"), "abc");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Empty"), "");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "JustZero"), "");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "ModID"), "42");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Negative"), "-1");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Fits"), longest);
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "TooLong"), "");
}

TEST_F(Registry, AnythingMissingGivesEmptyText) {
    set("Text", REG_SZ, "abc", 4);
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Absent"), "");
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, "Software\\Nobody", "Text"), "");
    EXPECT_EQ(ReadRegistryValue(HKEY_CURRENT_USER, kKey, "Text"), "");
    HKEY notARoot = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000007)));
    EXPECT_EQ(ReadRegistryValue(notARoot, kKey, "Text"), "");
    EXPECT_EQ(ReadRegistryValue(key, "", "Text"), "");
}

}  // namespace
