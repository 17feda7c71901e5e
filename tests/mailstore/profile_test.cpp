// The user tree and folder list, over real folders and a registry in Wine's file format.
#include "mailstore/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "test_support.h"

namespace tavori {
namespace {

using test::ScratchDir;
using test::WriteFile;

const std::string kSep(1, platform::FolderSeparator());

std::string RegFile(const std::string& body) {
    return "WINE REGISTRY Version 2\n;; test\n\n" + body;
}

std::string UserKey(int n, const std::string& account) {
    return "[Software\\\\RIMArts\\\\Rebecca\\\\Users\\\\" + std::to_string(n) +
           "] 1700000000\n\"Account\"=\"" + account + "\"\n\n";
}

struct Fixture {
    ScratchDir dir;
    std::string home = dir.Path();
    std::unique_ptr<platform::Registry> Registry(const std::string& body) {
        WriteFile(dir.File("user.reg"), RegFile(body));
        return platform::OpenWineRegistryFile(dir.File("user.reg"));
    }
    void Folder(const std::string& relative) {
        std::filesystem::create_directories(std::filesystem::path(home + relative));
    }
    void File(const std::string& relative, std::size_t size = 10) {
        WriteFile(home + relative, std::string(size, 'x'));
    }
};

std::vector<std::string> Texts(const TreeNode& node) {
    std::vector<std::string> texts;
    for (const auto& child : node.children) texts.push_back(child->text);
    return texts;
}

std::vector<std::string> Captions(const MailProfile& profile) {
    std::vector<std::string> captions;
    for (const auto& row : profile.Rows()) captions.push_back(row.caption);
    std::sort(captions.begin(), captions.end());
    return captions;
}

TEST(MailProfile, NoKeysGiveTheRootAlone) {
    Fixture f;
    MailProfile profile;
    profile.ReadStartup(*f.Registry(""));
    EXPECT_EQ(profile.Root().text, "Becky!");
    EXPECT_TRUE(profile.Root().expanded);
    EXPECT_TRUE(profile.Root().children.empty());
    EXPECT_EQ(profile.HomeDir(), "");
    profile.ListFolders(&profile.Root());
    EXPECT_TRUE(profile.Rows().empty());
}

TEST(MailProfile, UsersFrom0To19InNumberOrder) {
    Fixture f;
    MailProfile profile;
    profile.ReadStartup(
        *f.Registry(UserKey(3, "Three") + UserKey(0, "Zero") + UserKey(1, "") +
                    UserKey(19, "Nineteen") + UserKey(20, "Twenty") +
                    "[Software\\\\RIMArts\\\\Rebecca\\\\Users\\\\5] 1\n\"Other\"=\"x\"\n"));
    ASSERT_EQ(Texts(profile.Root()), (std::vector<std::string>{"Zero", "Three", "Nineteen"}));
    const TreeNode& three = *profile.Root().children[1];
    EXPECT_EQ(three.userNumber, 3);
    EXPECT_EQ(three.level, 1);
    EXPECT_EQ(three.image, kImageMailTray);
    EXPECT_EQ(three.stateImage, kImageMailTray);
    EXPECT_FALSE(three.expanded);
}

TEST(MailProfile, NonStringAccountIsAReadError) {
    Fixture f;
    MailProfile profile;
    auto registry = f.Registry(
        "[Software\\\\RIMArts\\\\Rebecca\\\\Users\\\\0] 1\n\"Account\"=dword:00000001\n");
    EXPECT_THROW(profile.ReadStartup(*registry), Error);
}

TEST(MailProfile, FolderPathsFollowTheClientsLayout) {
    Fixture f;
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(3, "U")), "D:" + kSep + "Mail");  // no final separator
    TreeNode& user = *profile.Root().children[0];
    std::string path = "unchanged";
    EXPECT_FALSE(profile.GetFolderPath(nullptr, path));
    EXPECT_EQ(path, "unchanged");
    ASSERT_TRUE(profile.GetFolderPath(&user, path));
    EXPECT_EQ(path, "D:" + kSep + "MailUser3" + kSep);
    EXPECT_EQ(profile.AttachDir(), "D:" + kSep + "MailUser3" + kSep + "Attach" + kSep);

    auto a = std::make_unique<TreeNode>();
    a->text = "A";
    a->parent = &user;
    a->level = 2;
    auto b = std::make_unique<TreeNode>();
    b->text = "B";
    b->parent = a.get();
    b->level = 3;
    ASSERT_TRUE(profile.GetFolderPath(b.get(), path));
    EXPECT_EQ(path, "D:" + kSep + "MailUser3" + kSep + "A" + kSep + "B" + kSep);
}

TEST(MailProfile, ListFoldersHidesReservedNamesAndSortsChildren) {
    Fixture f;
    for (const char* folder : {"User3/zeta", "User3/Alpha", "User3/ATTACH", "User3/inbox",
                               "User3/Trash", "User3/Outbox", "User3/mid"})
        f.Folder(folder);
#ifndef _WIN32
    f.Folder("User3/.hidden");  // dot-files are the hidden entries here
#endif
    for (const char* file : {"User3/Notes.old.mbx", "User3/TRASH.MBX", "User3/Trash2.mbx",
                             "User3/Inbox.mbx", "User3/readme.txt", "User3/Big.mbx"})
        f.File(file, 1023);
    f.File("User3/Big.mbx", 5000);
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(3, "U")), f.home);
    TreeNode& user = *profile.Root().children[0];
    profile.ListFolders(&user);
    EXPECT_EQ(Texts(user), (std::vector<std::string>{"Alpha", "mid", "zeta"}));
    EXPECT_EQ(user.children[0]->image, kImageFolderClosed);
    EXPECT_EQ(user.children[0]->selectedImage, kImageFolderOpen);
    EXPECT_EQ(user.children[0]->level, 2);
    EXPECT_EQ(Captions(profile), (std::vector<std::string>{"Big", "Notes.old", "Trash2"}));
    for (const auto& row : profile.Rows()) {
        EXPECT_EQ(row.sizeText, row.caption == "Big" ? "4KB" : "0KB") << row.caption;
        EXPECT_FALSE(row.dateText.empty());
        EXPECT_EQ(row.image, kImageMailBundle);
    }
    const FolderRow& notes =
        *std::find_if(profile.Rows().begin(), profile.Rows().end(),
                      [](const FolderRow& r) { return r.caption == "Notes.old"; });
    EXPECT_EQ(profile.MailboxPath(&user, notes), f.home + "User3" + kSep + "Notes.old.mbx");
}

TEST(MailProfile, SelectingAgainAddsOnlyNewFolders) {
    Fixture f;
    f.Folder("User0/b");
    f.Folder("User0/d");
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(0, "U")), f.home);
    TreeNode& user = *profile.Root().children[0];
    profile.ListFolders(&user);
    profile.ListFolders(&user);
    EXPECT_EQ(Texts(user), (std::vector<std::string>{"b", "d"}));
    f.Folder("User0/c");
    std::filesystem::remove(std::filesystem::path(f.home + "User0/d"));
    profile.ListFolders(&user);
    EXPECT_EQ(Texts(user), (std::vector<std::string>{"b", "c", "d"}));  // kept, though gone
    profile.ListFolders(user.children[1].get());                        // a folder without mail
    EXPECT_TRUE(profile.Rows().empty());
}

TEST(MailProfile, MissingFolderListsNothing) {
    Fixture f;
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(7, "U")), f.home);
    profile.ListFolders(profile.Root().children[0].get());
    EXPECT_TRUE(profile.Rows().empty());
    EXPECT_TRUE(profile.Root().children[0]->children.empty());
}

TEST(IsReservedFolder, SixNamesInAnyCase) {
    for (const char* name : {".", "..", "Attach", "ATTACH", "inbox", "Outbox", "TrAsH"})
        EXPECT_TRUE(IsReservedFolder(name)) << name;
    for (const char* name : {"Trash2", "Attachments", "", "In box"})
        EXPECT_FALSE(IsReservedFolder(name)) << name;
}

struct RegCase {
    const char* body;
    const char* key;
    const char* value;
    const char* expected;  // nullptr: an Error
    const char* reason;
};

TEST(WineRegistryFile, ReadsStringValuesAsShiftJis) {
    const RegCase cases[] = {
        {"[Software\\\\A] 1\n\"V\"=\"C:\\\\Mail\\\\\"\n", "\\Software\\A", "V", "C:\\Mail\\",
         "escaped backslashes, leading backslash of the path"},
        {"[SOFTWARE\\\\a] 1\n\"v\"=\"x\"\n", "\\Software\\A", "V", "x", "names ignore case"},
        {"[Software\\\\A] 1\n\"V\"=\"\\x5c71\\x7530 \\\"q\\\"\"\n", "\\Software\\A", "V",
         "山田 \"q\"", "\\x escapes are UTF-16 units"},
        {"[Software\\\\A] 1\n\"V\"=str(2):\"%HOME%\\\\x\"\n", "\\Software\\A", "V", "%HOME%\\x",
         "expandable string as stored"},
        {"[Software\\\\A] 1\n\"V\"=dword:00000001\n", "\\Software\\A", "V", nullptr,
         "a number is no string"},
        {"[Software\\\\A] 1\n\"V\"=hex:01,02,\\\n  03\n\"W\"=\"w\"\n", "\\Software\\A", "W", "w",
         "continued lines"},
        {"[Software\\\\A] 1\r\n\"V\"=\"crlf\"\r\n", "\\Software\\A", "V", "crlf", "CR LF lines"},
        {"[Software\\\\A] 1\n\"V\"=\"\\xd83d\\xde00\"\n", "\\Software\\A", "V", nullptr,
         "a character Shift-JIS lacks"},
        {"[Software\\\\A] 1\n", "\\Software\\A", "Missing", "", "missing value reads empty"},
        {"[Software\\\\A] 1\n\"V\"=\"a\\tb\\033c\\1d\"\n", "\\Software\\A", "V", "a\tb\033c\001d",
         "C and octal escapes of control characters"},
        {"[Software\\\\A] 1\n\"V\"=\"\\x41\\x3042B\"\n", "\\Software\\A", "V",
         "A\x82\xa0"
         "B",
         "\\x takes one to four digits"},
        {"[Software\\\\A] 1\n\"V\"=hex(2):43,00,3a,00,5c,00,\\\n  42,30\n", "\\Software\\A", "V",
         "C:\\\x82\xa0", "expandable string written as bytes, continued, no final zero"},
        {"[Software\\\\A] 1\n\"V\"=hex(1):41,00,00,00\n", "\\Software\\A", "V", "A",
         "string written as bytes, final zero dropped"},
        {"[Software\\\\A] 1\n\"V\"=str(7):\"a\\0b\\0\"\n", "\\Software\\A", "V", nullptr,
         "a list of strings is no string"},
        {"[Software\\\\A] 1\n\"V\"=hex:41,00\n", "\\Software\\A", "V", nullptr,
         "binary data is no string"},
        {"[Software\\\\\\x5bb6\\x65cf] 1\n\"V\"=\"k\"\n", "\\Software\\家族", "V", "k",
         "key names are escaped like strings"},
        {"[Software\\\\A\\]B] 1\n\"V\"=\"k\"\n", "\\Software\\A]B", "V", "k",
         "an escaped ] inside a key name"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        WriteFile(dir.File("user.reg"), RegFile(c.body));
        auto registry = platform::OpenWineRegistryFile(dir.File("user.reg"));
        auto key = registry->OpenKey(c.key);
        ASSERT_NE(key, nullptr) << c.reason;
        if (c.expected) {
            EXPECT_EQ(key->ReadString(c.value), c.expected) << c.reason;
        } else {
            EXPECT_THROW(key->ReadString(c.value), Error) << c.reason;
        }
    }
}

TEST(WineRegistryFile, MissingFileAndKeyOpenNothing) {
    ScratchDir dir;
    auto registry = platform::OpenWineRegistryFile(dir.File("none.reg"));
    EXPECT_EQ(registry->OpenKey("\\Software\\A"), nullptr);
}

}  // namespace
}  // namespace tavori
