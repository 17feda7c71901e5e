// The user tree and folder list, over real folders and a registry in Wine's file format.
#include "mailstore/profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

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

TEST(MailProfile, MailboxPathNamesTheFileAsListed) {
    Fixture f;
    f.Folder("User0");
    f.File("User0/Notes.MBX");
    f.File("User0/work.Mbx");
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(0, "U")), f.home);
    TreeNode& user = *profile.Root().children[0];
    profile.ListFolders(&user);
    ASSERT_EQ(Captions(profile), (std::vector<std::string>{"Notes", "work"}));
    for (const FolderRow& row : profile.Rows())
        EXPECT_NE(platform::InputFile::OpenIfExists(profile.MailboxPath(&user, row)), nullptr)
            << row.caption;
}

// Walks the tree as tavori users does, listing every node found; gives up past limit nodes.
int ListEverything(MailProfile& profile, TreeNode& node, int limit) {
    profile.ListFolders(&node);
    int count = 1;
    for (auto& child : node.children) {
        if (count > limit) break;
        count += ListEverything(profile, *child, limit - count);
    }
    return count;
}

TEST(MailProfile, LinksBackUpTheFolderChainAreNotFollowed) {
    namespace fs = std::filesystem;
    Fixture f;
    f.Folder("User0/A/deep");
    f.Folder("User0/B");
    f.File("User0/B/Box.mbx");
    const fs::path a(f.home + "User0/A");
    struct Link {
        fs::path at, target;
    };
    const Link links[] = {{a / "self", "."},
                          {a / "up", ".."},
                          {a / "top", f.home},
                          {a / "toB", "../B"},
                          {a / "deep" / "back", "../.."}};
    for (const auto& link : links) {
        std::error_code ec;
        fs::create_directory_symlink(link.target, link.at, ec);
        if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
    }
    MailProfile profile;
    profile.ReadStartup(*f.Registry(UserKey(0, "U")), f.home);
    TreeNode& user = *profile.Root().children[0];
    EXPECT_EQ(ListEverything(profile, user, 100), 5);  // User0, A, deep, toB, B
    TreeNode& nodeA = *FindChildNode(&user, "A");
    EXPECT_EQ(Texts(nodeA), (std::vector<std::string>{"deep", "toB"}));
    EXPECT_TRUE(FindChildNode(&nodeA, "deep")->children.empty());
    profile.ListFolders(FindChildNode(&nodeA, "toB"));
    EXPECT_EQ(Captions(profile), std::vector<std::string>{"Box"});
}

TEST(UserAttachDir, TakesTheAttachFolderOfTheMailboxsOwnUser) {
    Fixture f;
    for (const char* folder : {"d/User0/Attach", "d/User0/Sub/User5/Attach", "t/User1/Attach",
                               "t/User1/mail/User0/Attach", "h/User1/mail/User0/Attach",
                               "n/UserX/Attach", "d/MailUser2/Attach"})
        f.Folder(folder);
    struct Case {
        const char* mailbox;
        const char* home;  // "" when the data folder is not known
        const char* expected;
        const char* reason;
    };
    const Case cases[] = {
        {"d/User0/Box.mbx", "d/", "d/User0/Attach/", "a mailbox of user 0"},
        {"d/User0/Sub/User5/x.mbx", "d/", "d/User0/Attach/",
         "a mail folder named like a user inside a user folder"},
        {"d/User0/Sub/User5/x.mbx", "", "d/User0/Attach/",
         "data folder unknown: the outermost user folder with an Attach folder"},
        {"t/User1/mail/User0/Box/x.mbx", "t/User1/mail/", "t/User1/mail/User0/Attach/",
         "the data folder's own path holds a user-like folder with Attach"},
        {"h/User1/mail/User0/Box/x.mbx", "", "h/User1/mail/User0/Attach/",
         "data folder unknown: a user-like folder without Attach is passed over"},
        {"d/User7/x.mbx", "d/", "d/User7/Attach/",
         "under the data folder the user's Attach folder, made or not"},
        {"d/User0/x.mbx", "elsewhere/", "d/User0/Attach/",
         "a mailbox outside the data folder is placed by its Attach folder"},
        {"D/USER0/x.mbx", "d/", "D/USER0/Attach/",
         "the data folder spelt in other letter case, the result in the mailbox's"},
        {"d/MailUser2/x.mbx", "d/Mail", "d/MailUser2/Attach/",
         "a data folder without a final separator, used as stored"},
        {"n/UserX/x.mbx", "", "", "User without a number is no user folder"},
        {"n/x.mbx", "n/", "", "no user folder on the path: no attachments folder"},
        {"d/User0", "d/", "", "the mailbox file itself is no folder"},
    };
    auto native = [&](const char* relative) {
        std::string path = relative;
        std::replace(path.begin(), path.end(), '/', platform::FolderSeparator());
        return path;
    };
    for (const auto& c : cases) {
        const std::string home = *c.home ? f.home + native(c.home) : "";
        const std::string expected = *c.expected ? f.home + native(c.expected) : "";
        EXPECT_EQ(UserAttachDir(f.home + native(c.mailbox), home), expected) << c.reason;
    }
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

TEST(WineRegistryFile, FileThatCannotBeReadIsAnErrorNamingIt) {
    ScratchDir dir;
    std::filesystem::create_directory(std::filesystem::path(dir.File("folder.reg")));
    WriteFile(dir.File("empty.reg"), "");
    WriteFile(dir.File("binary.reg"), std::string("MZ\x90\0\x03\0\0\0\x04\0", 10));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(dir.File("fifo.reg").c_str(), 0600), 0);  // an open would wait for a writer
#endif
    struct Case {
        const char* name;
        const char* says;
        const char* reason;
    };
    const Case cases[] = {
        {"none.reg", "はありません", "a missing file is not an empty registry"},
        {"folder.reg", "は通常のファイルではありません", "a folder"},
        {"empty.reg", "はレジストリ ファイルではありません", "an empty file is no empty registry"},
        {"binary.reg", "はレジストリ ファイルではありません", "a program's bytes"},
#ifndef _WIN32
        {"fifo.reg", "は通常のファイルではありません", "a FIFO, told without opening it"},
#endif
    };
    for (const auto& c : cases) {
        try {
            platform::OpenWineRegistryFile(dir.File(c.name));
            ADD_FAILURE() << "no error: " << c.reason;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "\"" + dir.File(c.name) + "\" " + c.says) << c.reason;
        }
    }
}

TEST(WineRegistryFile, ValueOfTheWrongKindNamesTheFileAndTheValue) {
    Fixture f;
    const auto registry =
        f.Registry("[Software\\\\RIMArts\\\\Rebecca\\\\Settings] 1\n\"HomeDir\"=dword:00000001\n");
    MailProfile profile;
    try {
        profile.ReadStartup(*registry);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "\"" + f.dir.File("user.reg") +
                      "\" のレジストリ値 \"HomeDir\" (\\Software\\RIMArts\\Rebecca\\Settings) "
                      "は文字列ではありません");
    }
}

TEST(WineRegistryFile, MissingKeyOpensNothing) {
    Fixture f;
    EXPECT_EQ(f.Registry("")->OpenKey("\\Software\\A"), nullptr) << "a header alone is a registry";
    EXPECT_EQ(platform::EmptyRegistry()->OpenKey("\\Software\\A"), nullptr);
    WriteFile(f.dir.File("bom.reg"), "\xEF\xBB\xBF\r\n\n" + RegFile("[Software\\\\A] 1\n"));
    const auto bom = platform::OpenWineRegistryFile(f.dir.File("bom.reg"));
    EXPECT_NE(bom->OpenKey("\\Software\\A"), nullptr) << "a BOM and blank lines before the header";
}

}  // namespace
}  // namespace tavori
