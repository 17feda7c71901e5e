// Paths the registry stores for Windows, read under Wine's layout on this system.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "base/errors.h"
#include "platform/registry.h"
#include "test_support.h"

namespace tavori::platform {
namespace {

class WinePrefixEnv : public testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("WINEPREFIX");
        had_ = old != nullptr;
        if (had_) old_ = old;
        prefix_ = dir_.Path().substr(0, dir_.Path().size() - 1);
        setenv("WINEPREFIX", prefix_.c_str(), 1);
    }
    void TearDown() override {
        if (had_)
            setenv("WINEPREFIX", old_.c_str(), 1);
        else
            unsetenv("WINEPREFIX");
    }
    test::ScratchDir dir_;
    std::string prefix_, old_;
    bool had_ = false;
};

TEST_F(WinePrefixEnv, DrivePathsMapToThePrefix) {
    EXPECT_EQ(FolderPathFromRegistry("C:\\Becky!\\"), prefix_ + "/drive_c/Becky!/");
    EXPECT_EQ(FolderPathFromRegistry("z:\\home\\mail\\"), "/home/mail/");
    EXPECT_EQ(FolderPathFromRegistry("C:\\表\\"),
              prefix_ + "/drive_c/表/");  // 0x5C trail byte kept
    EXPECT_EQ(FolderPathFromRegistry("/already/posix/"), "/already/posix/");
    std::filesystem::create_directories(prefix_ + "/dosdevices/d:");
    EXPECT_EQ(FolderPathFromRegistry("D:\\Mail"), prefix_ + "/dosdevices/d:/Mail");
}

TEST_F(WinePrefixEnv, UserRegistryIsThePrefixsUserReg) {
    test::WriteFile(prefix_ + "/user.reg",
                    "WINE REGISTRY Version 2\n\n[Software\\\\RIMArts\\\\Rebecca\\\\Settings] 1\n"
                    "\"HomeDir\"=\"C:\\\\Mail\\\\\"\n");
    auto key = OpenUserRegistry()->OpenKey("\\Software\\RIMArts\\Rebecca\\Settings");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("HomeDir"), "C:\\Mail\\");
}

TEST_F(WinePrefixEnv, UserRegistryMissingIsEmptyButUnreadableIsAnError) {
    const std::string userReg = prefix_ + "/user.reg";
    EXPECT_EQ(OpenUserRegistry()->OpenKey("\\Software\\RIMArts\\Rebecca\\Settings"), nullptr)
        << "no user.reg: the mail client never ran in this prefix";
    ASSERT_EQ(::mkfifo(userReg.c_str(), 0600), 0);
    try {
        OpenUserRegistry();
        ADD_FAILURE() << "a FIFO read as a registry";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find(userReg), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace tavori::platform
