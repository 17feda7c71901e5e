// The real registry under Wine: the current user's hive redirected to a scratch key.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/errors.h"
#include "mailstore/profile.h"
#include "platform/registry.h"

namespace tavori {
namespace {

// HKEY_CURRENT_USER points at a fresh scratch key for the test's lifetime.
class ScratchHive : public testing::Test {
  protected:
    void SetUp() override {
        name_ = "Software\\TavoriTest\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &scratch_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch_), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
    }
    void Set(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(scratch_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(h, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
    void SetString(const std::string& key, const char* name, const std::string& text,
                   DWORD type = REG_SZ) {
        Set(key, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    std::string name_;
    HKEY scratch_ = nullptr;
};

TEST_F(ScratchHive, NoKeysGiveTheRootAlone) {
    MailProfile profile;
    profile.ReadStartup(*platform::OpenUserRegistry());
    EXPECT_TRUE(profile.Root().children.empty());
    EXPECT_EQ(profile.HomeDir(), "");
}

TEST_F(ScratchHive, ReadsHomeDirAndUsersThroughTheApi) {
    SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", "C:\\メール");
    SetString("Software\\RIMArts\\Rebecca\\Users\\0", "Account", "仕事");
    SetString("Software\\RIMArts\\Rebecca\\Users\\3", "Account", "家族");
    SetString("Software\\RIMArts\\Rebecca\\Users\\4", "Account", "");
    SetString("Software\\RIMArts\\Rebecca\\Users\\20", "Account", "Twenty");
    MailProfile profile;
    profile.ReadStartup(*platform::OpenUserRegistry());
    EXPECT_EQ(profile.HomeDir(), "C:\\メール");  // used as stored, no separator added
    ASSERT_EQ(profile.Root().children.size(), 2u);
    EXPECT_EQ(profile.Root().children[1]->text, "家族");
    EXPECT_EQ(profile.Root().children[1]->userNumber, 3);
    std::string path;
    profile.GetFolderPath(profile.Root().children[1].get(), path);
    EXPECT_EQ(path, "C:\\メールUser3\\");
}

TEST_F(ScratchHive, ExpandableStringIsReturnedAsStored) {
    SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", "%APPDATA%\\Mail\\",
              REG_EXPAND_SZ);
    auto key = platform::OpenUserRegistry()->OpenKey("\\Software\\RIMArts\\Rebecca\\Settings");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("HomeDir"), "%APPDATA%\\Mail\\");
    EXPECT_FALSE(key->HasValue("Other"));
    EXPECT_EQ(key->ReadString("Other"), "");
}

TEST_F(ScratchHive, NonStringValueIsAReadError) {
    const DWORD one = 1;
    Set("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", REG_DWORD, &one, sizeof one);
    MailProfile profile;
    try {
        profile.ReadStartup(*platform::OpenUserRegistry());
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("HomeDir"), std::string::npos);
    }
}

}  // namespace
}  // namespace tavori
